// The configuration page's controls in their design places.
#include "setup/ui/ConfigPage.h"

#include <QLineEdit>

namespace orvane {

TConfigPage::TConfigPage(QWidget* parent) : QFrame(parent) {
  setGeometry(1, 1, 518, 391);
  setAutoFillBackground(true);
  lblICFGBack = NewBand(this, 0, 0, 520, 45);
  lblICfgTitle = NewLabel(this, QString(), 12, 12);
  SetPixelFont(lblICfgTitle, 16);

  pnlICfg = new QFrame(this);
  pnlICfg->setGeometry(6, 50, 505, 282);
  pnlICfg->setAutoFillBackground(true);
  lblICfgLabel = NewLabel(pnlICfg, QString(), 20, 8);
  for (int i = 0; i < kConfigRows; ++i) {
    const int top = 40 + i * 39;
    lblICfgItem[i] = NewLabel(pnlICfg, QString(), 20, top);
    lblICfgItem[i]->setGeometry(20, top, 170, 28);
    lblICfgItem[i]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    edtICfgItem[i] = new QLineEdit(pnlICfg);
    edtICfgItem[i]->setGeometry(196, top, 280, 28);
    lblICfgItem[i]->hide();
    edtICfgItem[i]->hide();
  }
  pnlICfg->hide();

  btnICFGBack = NewButton(this, QString(), 214, 338, 140, 45);
  btnICFGBack->hide();
  btnICFGNext = NewButton(this, QString(), 366, 338, 140, 45);
  for (TvqLabel* button : {btnICFGBack, btnICFGNext}) SetPixelFont(button, 17);
}

}  // namespace orvane
