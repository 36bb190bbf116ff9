// The install page's controls in their design places.
#include "setup/ui/InstallPage.h"

namespace orvane {

TInstallPage::TInstallPage(QWidget* parent) : QFrame(parent) {
  setGeometry(1, 1, 518, 391);
  setAutoFillBackground(true);
  lblInstallBack = NewBand(this, 0, 0, 520, 330);
  imgSlider = new TPictureBox(this, true);
  imgSlider->setGeometry(0, 0, 520, 331);
  lblInstTitle = NewLabel(this, QString(), 12, 9);
  SetPixelFont(lblInstTitle, 16);
  PBarBack = new TvqShape(this);
  PBarBack->setGeometry(8, 344, 504, 12);
  PBar = new TvqShape(this);
  PBar->setGeometry(9, 346, 0, 9);
  PBarHint = NewLabel(this, QStringLiteral("0 %"), 224, 339);
  PBarHint->setGeometry(224, 339, 70, 20);
  PBarHint->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  lblInstallState = NewLabel(this, QString(), 5, 362);
  lblInstallState->setGeometry(5, 362, 510, 23);
  SetPixelFont(lblInstallState, 13);
}

void TInstallPage::ShowStatus(const std::string& text) {
  lblInstallState->setText(QString::fromStdString(text));
  lblInstallState->raise();
}

}  // namespace orvane
