// The login dialog.
#include "shell/AppLoginUnit.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLinearGradient>
#include <QPainter>
#include <QPixmap>

#include "engine/AppUtil.h"
#include "engine/AppVarUtil.h"
#include "foundation/VqLibText.h"
#include "foundation/VqLibTextTrim.h"
#include "foundation/VqLibUtil.h"
#include "shell/AppConfigUnit.h"

namespace tessaly {

namespace {

constexpr int kWidth = 460;
constexpr int kHeight = 430;
constexpr int kBannerHeight = 110;
constexpr const char* kAutoRunName = "VqSPFTransClient";

QPixmap Banner() {
  QPixmap banner(kWidth, kBannerHeight);
  QPainter painter(&banner);
  QLinearGradient gradient(0, 0, kWidth, kBannerHeight);
  gradient.setColorAt(0, QColor(0x3F, 0x8F, 0xFE));
  gradient.setColorAt(1, QColor(0x33, 0x67, 0x99));
  painter.fillRect(banner.rect(), gradient);
  return banner;
}

// The account as the engine takes it: its number, 0 when it is none.
int AccountNumber(const std::string& aText) {
  bool ok = false;
  const int value = QString::fromStdString(aText).toInt(&ok);
  return ok ? value : 0;
}

}  // namespace

TAppLogin::TAppLogin(QWidget* aParent) : TBaseForm(aParent) {
  setWindowTitle("登录");
  resize(kWidth, kHeight);
  BuildControls();
}

void TAppLogin::BuildControls() {
  imgLogo = new QLabel(pnlBack);
  imgLogo->setGeometry(1, 1, kWidth - 2, kBannerHeight);
  imgLogo->setPixmap(Banner());
  imgLogo->lower();
  EnableDrag(imgLogo);
  lblTitle->setText(" 登录 - 传输客户端");
  lblTitle->setGeometry(12, 8, 330, 30);
  lblTitle->raise();
  const auto caption = [this](const char* aText, int aY) {
    auto* label = new QLabel(aText, pnlBack);
    label->setGeometry(40, aY, 95, 30);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  };
  caption("企业帐号：", 130);
  edtSoftId = new QLineEdit(pnlBack);
  edtSoftId->setGeometry(140, 130, 260, 30);
  caption("登录密码：", 170);
  edtPwd = new QLineEdit(pnlBack);
  edtPwd->setGeometry(140, 170, 260, 30);
  MaskWithStars(edtPwd);
  caption("软件帐套：", 210);
  lblSoftVer = new QLabel("未设置", pnlBack);
  lblSoftVer->setWordWrap(true);
  lblSoftVer->setGeometry(140, 210, 280, 44);
  chkSavePwd = new QCheckBox("记住帐号密码", pnlBack);
  chkSavePwd->setGeometry(140, 258, 130, 28);
  chkAutoStart = new QCheckBox("随系统自动启动", pnlBack);
  chkAutoStart->setGeometry(275, 258, 150, 28);
  lblOK = new TVqLabel("登    录", pnlBack);
  lblOK->setGeometry(140, 296, 160, 38);
  lblConfig = new TVqLabel("设置", pnlBack);
  lblConfig->setGeometry(310, 296, 90, 38);
  lblHint = new QLabel("消息提示...", pnlBack);
  lblHint->setWordWrap(true);
  lblHint->setGeometry(40, 346, 380, 60);
  SetSkinFont(lblHint, 0x000080FF);
  for (TVqLabel* button : {lblOK, lblConfig}) BindLabelButton(button);
  connect(lblOK, &TVqLabel::clicked, this, &TAppLogin::lblOKClick);
  connect(lblConfig, &TVqLabel::clicked, this, &TAppLogin::lblConfigClick);
  connect(chkAutoStart, &QCheckBox::clicked, this, [this] { chkAutoStartClick(); });
  edtSoftId->installEventFilter(this);
  edtPwd->installEventFilter(this);
}

void TAppLogin::LoadSkin() {
  TBaseForm::LoadSkin();
  SetSkinFont(lblTitle, 0x00FFFFFF);
  SetSkinTransparent(lblTitle, true);
  for (TVqLabel* button : {lblOK, lblConfig}) SetSkinColors(button, Skin.button_defback, Skin.button_deffont);
  SetSkinTransparent(lblHint, true);
}

void TAppLogin::FormShow() {
  lblTitle->setText(QString::fromStdString(" 登录 - 传输客户端 " + TvqLib::GetVersion()));
  SetHintText("请输入Velmora自助平台帐号和密码登录...");
  ShowSoftVer();
  LoadLoginInfo();
}

void TAppLogin::SetHintText(const QString& aText) {
  lblHint->setText(aText);
  lblHint->setToolTip(aText);
  lblHint->repaint();
}

void TAppLogin::ShowSoftVer() {
  std::string text;
  if (!AppVar->SoftVer.empty()) {
    text = AppVar->SoftVerName + " ";
    if (AppVar->SoftModel == 1 && AppVar->DBDistributed > 0) text += " " + TSPfApp::GetDistributedVer();
    AppVar->DBMode = TSPfApp::GetDBMode(AppVar->SoftVer);
    text += " " + AppVar->DBName;
  } else {
    text = "请设置软件";
    SetHintText("未设置软件帐套，请先[设置]...");
  }
  lblSoftVer->setText(QString::fromStdString(text));
  lblSoftVer->setToolTip(lblSoftVer->text());
}

void TAppLogin::LoadLoginInfo() {
  chkAutoStart->setChecked(AppVar->AutoStart);
  // The entry is written again with this program's path whenever the dialog opens with it on.
  if (AppVar->AutoStart) chkAutoStartClick();
  edtSoftId->setText(QString::fromStdString(
      TvqLib::IniRead("Login", "SoftId", TrimControls(edtSoftId->text().toStdString()))));
  chkSavePwd->setChecked(TvqLib::IniRead("Login", "SavePassword", 1) == "1");
  if (chkSavePwd->isChecked()) {
    const std::string stored = TvqLib::IniRead("Login", "OperPwd", "");
    edtPwd->setText(QString::fromStdString(stored.empty() ? stored : TvqLib::FoBase64(stored)));
  } else {
    edtPwd->clear();
  }
}

void TAppLogin::SaveLoginInfo() {
  TvqLib::IniWrite("Login", "SoftId", TrimControls(edtSoftId->text().toStdString()));
  // An unticked box must not leave an older password in the file.
  const std::string password = edtPwd->text().toStdString();
  TvqLib::IniWrite("Login", "OperPwd",
                   chkSavePwd->isChecked() && !password.empty() ? TvqLib::ToBase64(password) : std::string());
  TvqLib::IniWrite("Login", "SavePassword", chkSavePwd->isChecked() ? 1 : 0);
}

void TAppLogin::chkAutoStartClick() {
  (void)TvqLib::SetAutoStart(kAutoRunName, chkAutoStart->isChecked());
  // The box shows what the registry holds, also when the write failed.
  AppVar->AutoStart = TvqLib::GetAutoStart(kAutoRunName);
  chkAutoStart->setChecked(AppVar->AutoStart);
}

void TAppLogin::lblConfigClick() {
  TAppConfig config(false, this);
  config.exec();
  if (config.FiResult == 1) ShowSoftVer();
}

void TAppLogin::lblOKClick() {
  SetHintText("正在登录，请稍候...");
  lblOK->setEnabled(false);
  lblConfig->setEnabled(false);
  const auto enable = [this] {
    lblOK->setEnabled(true);
    lblConfig->setEnabled(true);
  };
  if (AppVar->SoftVer.empty()) {
    SetHintText("请点击[设置]按钮，先设置软件帐套！");
    enable();
    return;
  }
  const std::string account = TrimControls(edtSoftId->text().toStdString());
  if (account.empty()) {
    SetHintText("请输入平台登录帐号！");
    enable();
    return;
  }
  std::string result;
  if (!SPfApp->Login(AccountNumber(account), "1001", edtPwd->text().toStdString(), result)) {
    SetHintText(QString::fromStdString(result));
    enable();
    return;
  }
  SaveLoginInfo();
  SetHintText("平台帐号登录成功，正在进入系统...");
  FiResult = 1;
  enable();
  close();
}

bool TAppLogin::eventFilter(QObject* aWatched, QEvent* aEvent) {
  if (aEvent->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(aEvent)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      if (aWatched == edtSoftId && edtPwd->isEnabled() && edtPwd->isVisible()) {
        edtPwd->setFocus();
        return true;
      }
      if (aWatched == edtPwd) {
        if (lblOK->isEnabled()) lblOKClick();
        return true;
      }
    }
  }
  return TBaseForm::eventFilter(aWatched, aEvent);
}

}  // namespace tessaly
