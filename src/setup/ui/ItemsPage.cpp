// The items page's controls in their design places.
#include "setup/ui/ItemsPage.h"

#include "setup/ui/SkinPaint.h"

namespace orvane {
namespace {

constexpr TColor kWhite = 0x00FFFFFF;

}  // namespace

TItemsPage::TItemsPage(QWidget* parent) : QFrame(parent) {
  setGeometry(1, 1, 518, 391);
  setAutoFillBackground(true);
  lblItemTitleBack = NewBand(this, 0, 0, 520, 45);
  lblItemTitle = NewLabel(this, QString(), 12, 12);
  SetPixelFont(lblItemTitle, 16);
  // White on the band in every skin: the skin colours the band, not this title.
  SetFontColor(lblItemTitle, kWhite);

  pnlItems = new QFrame(this);
  pnlItems->setGeometry(6, 50, 505, 237);
  pnlItems->setAutoFillBackground(true);
  for (int i = 0; i < kGroupHeadings; ++i) {
    lblGroup[i] = NewLabel(pnlItems, QString(), 26, 0);
    SetPixelFont(lblGroup[i], 15, true);
    lblGroup[i]->hide();
  }
  for (int i = 0; i < kItemRows; ++i) {
    lblItem[i] = NewLabel(pnlItems, QString(), 60, 0);
    lblItem[i]->setCursor(Qt::PointingHandCursor);
    lblItem[i]->hide();
    chkItemOk[i] = TTickBox(pnlItems, 36, 0, 20);
    chkItemOk[i].Outer->hide();
    chkItemOk[i].Paint();
  }

  lblItemsFileInfo1 = NewLabel(this, QString(), 12, 294);
  lblItemsFileSize = NewLabel(this, QStringLiteral("0MB"), 90, 294);
  lblItemsFileInfo2 = NewLabel(this, QString(), 140, 294);
  lblItemsSetupPath = NewLabel(this, QString(), 12, 316);
  SetPixelFont(lblItemsSetupPath, 13);
  btnItemsBack = NewButton(this, QString(), 214, 338, 140, 45);
  btnItemsNext = NewButton(this, QString(), 366, 338, 140, 45);
  for (TvqLabel* button : {btnItemsBack, btnItemsNext}) SetPixelFont(button, 17);
}

}  // namespace orvane
