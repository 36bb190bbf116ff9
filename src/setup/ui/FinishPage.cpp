// The finish page's controls in their design places.
#include "setup/ui/FinishPage.h"

#include "setup/ui/SkinPaint.h"

namespace orvane {
namespace {

constexpr TColor kWhite = 0x00FFFFFF;

}  // namespace

TFinishPage::TFinishPage(QWidget* parent) : QFrame(parent) {
  setGeometry(1, 1, 518, 391);
  setAutoFillBackground(true);
  lblFinishBack = NewBand(this, 0, 0, 520, 185);
  ImgStepFinshBackImg = new TPictureBox(this, true);
  ImgStepFinshBackImg->setGeometry(0, 0, 520, 185);
  ImgStepFinshBackImg->hide();
  lblFinishTitle = NewLabel(this, QString(), 12, 9);
  SetPixelFont(lblFinishTitle, 16);
  lblFinishAppVersion = NewLabel(this, QString(), 12, 30);
  lblFinishWord = NewLabel(this, QString(), 11, 32);
  lblFinishWord->setGeometry(11, 32, 507, 41);
  lblFinishWord->setWordWrap(true);
  lblFinishWord->hide();
  ImgIOSQRCode = new TPictureBox(this, true);
  ImgIOSQRCode->setGeometry(351, 48, 100, 100);
  ImgIOSQRCode->hide();
  lblIOSQRCode = NewLabel(this, QStringLiteral("扫码下载IOS版"), 351, 151);
  // White on the band in every skin: the skin colours the band, not this caption.
  SetFontColor(lblIOSQRCode, kWhite);
  lblIOSQRCode->hide();

  pnlExecs = new QFrame(this);
  pnlExecs->setGeometry(9, 184, 501, 129);
  pnlExecs->setAutoFillBackground(true);
  for (int i = 0; i < kExecRows; ++i) {
    lblExec[i] = NewLabel(pnlExecs, QString(), 60, 0);
    lblExec[i]->setCursor(Qt::PointingHandCursor);
    lblExec[i]->hide();
    chkExecOk[i] = TTickBox(pnlExecs, 36, 0, 20);
    chkExecOk[i].Outer->hide();
    chkExecOk[i].Paint();
  }
  btnFinish = NewButton(this, QString(), 190, 318, 140, 45);
  SetPixelFont(btnFinish, 17);
}

}  // namespace orvane
