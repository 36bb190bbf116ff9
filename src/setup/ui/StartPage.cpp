// The start page's controls in their design places.
#include "setup/ui/StartPage.h"

#include <QLineEdit>

namespace orvane {
namespace {

constexpr int kPageWidth = 518;

QLabel* CentredLine(QWidget* parent, int top, int height, int pixels) {
  QLabel* label = NewLabel(parent, QString(), 0, top);
  label->setGeometry(0, top, kPageWidth, height);
  label->setAlignment(Qt::AlignCenter);
  SetPixelFont(label, pixels);
  return label;
}

TvqLabel* LinkLabel(QWidget* parent, int left, int top) {
  TvqLabel* label = NewLabel(parent, QString(), left, top);
  label->setCursor(Qt::PointingHandCursor);
  return label;
}

}  // namespace

TStartPage::TStartPage(QWidget* parent) : QFrame(parent) {
  setGeometry(1, 1, kPageWidth, 391);
  setAutoFillBackground(true);

  lblSetp1Back = NewBand(this, 0, 0, 520, 256);
  imgAppStepStartLogo = new TPictureBox(this, true);
  imgAppStepStartLogo->setGeometry(0, 0, 520, 256);
  imgAppStepStartLogo->hide();
  imgAppLogo = new TPictureBox(this, false);
  imgAppLogo->setGeometry(227, 60, 64, 64);
  lblTitle = NewLabel(this, QString(), 12, 9);
  SetPixelFont(lblTitle, 16);
  lblAppTitle = CentredLine(this, 150, 40, 28);
  SetPixelFont(lblAppTitle, 28, true);
  lblAppVersion = CentredLine(this, 194, 24, 15);

  lblInstedInfo = CentredLine(this, 260, 18, 12);
  lblSysRequire = CentredLine(this, 260, 18, 12);
  lblSysRequire->setAutoFillBackground(true);
  btnStart = NewButton(this, QString(), (kPageWidth - 198) / 2, 282, 198, 52);
  SetPixelFont(btnStart, 20);
  btnEdit = NewButton(this, QString(), 24, 284, 140, 45);
  btnRepair = NewButton(this, QString(), 189, 284, 140, 45);
  btnUnInstall = NewButton(this, QString(), 354, 284, 140, 45);
  for (TvqLabel* button : {btnEdit, btnRepair, btnUnInstall}) SetPixelFont(button, 17);
  lblOperDesc = CentredLine(this, 338, 20, 13);

  chkAgreementOk = TTickBox(this, 12, 365, 16);
  lblReadAndOK = LinkLabel(this, 32, 363);
  lblAgreement = LinkLabel(this, 110, 363);
  chkUninstDeepness = TTickBox(this, 12, 365, 16);
  lblUninstDeepness = LinkLabel(this, 32, 363);
  lblOption = LinkLabel(this, 414, 363);

  BuildOptionPanel();
}

void TStartPage::BuildOptionPanel() {
  pnlStepOption = new QFrame(this);
  pnlStepOption->setGeometry(0, 387, kPageWidth, 71);
  pnlStepOption->setAutoFillBackground(true);
  lblSetupPathLabel = NewLabel(pnlStepOption, QString(), 12, 12);
  edtPath = new QLineEdit(pnlStepOption);
  edtPath->setGeometry(90, 8, 370, 26);
  btnPath = NewButton(pnlStepOption, QStringLiteral("..."), 466, 8, 40, 26);
  lblPathInfo = NewLabel(pnlStepOption, QString(), 12, 44);
  SetPixelFont(lblPathInfo, 13);
  // The shortcut choices are hidden in this design: every install creates both.
  chkCreateDeskIcon = TTickBox(pnlStepOption, 12, 46, 16);
  lblCreateDeskIcon = LinkLabel(pnlStepOption, 32, 44);
  chkCreateStartmenu = TTickBox(pnlStepOption, 180, 46, 16);
  lblCreateStartmenu = LinkLabel(pnlStepOption, 200, 44);
  for (TTickBox* box : {&chkCreateDeskIcon, &chkCreateStartmenu}) {
    box->Outer->hide();
    box->SetTicked(true);
  }
  lblCreateDeskIcon->hide();
  lblCreateStartmenu->hide();
  pnlStepOption->hide();
}

}  // namespace orvane
