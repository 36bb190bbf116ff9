#include "shell/AppLoginUnit.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <string>
#include <vector>

#include "platform/Registry.h"
#include "shell/AppConfigUnit.h"
#include "shell/DialogFixture.h"

namespace tessaly {
namespace {

constexpr const char* kRunKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kRunKey32 = "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run";

class AppLoginTest : public DialogFixture {
 protected:
  void SetUp() override {
    DialogFixture::SetUp();
    server.SetDefault(kLoginPath, LoginReply(true, "1"));
  }

  // Tessaly.ini of the fixture with a [Login] section.
  void WriteLogin(const std::string& body) {
    WriteIni("[Login]\r\n" + body);
    NewEngine();
    SPfApp = app.get();
  }

  static void PressKey(QWidget* aWidget, int aKey) {
    QKeyEvent press(QEvent::KeyPress, aKey, Qt::NoModifier);
    QApplication::sendEvent(aWidget, &press);
  }
};

struct RememberCase {
  std::string Login;
  bool Ticked;
  std::string Password;
  std::string Account;
};

// The remembered account and password as the dialog opens with them.
TEST_F(AppLoginTest, LoadLoginInfo) {
  const std::vector<RememberCase> cases = {
      {"SoftId=123\r\nSavePassword=1\r\nOperPwd=" + TvqLib::ToBase64("密码pw") + "\r\n", true, "密码pw", "123"},
      {"SoftId=123\r\nSavePassword=0\r\nOperPwd=" + TvqLib::ToBase64("old") + "\r\n", false, "", "123"},
      {"SoftId=77\r\nOperPwd=\r\n", true, "", "77"},
      {"", true, "", ""},
  };
  for (const auto& c : cases) {
    WriteLogin(c.Login);
    TAppLogin dlg;
    dlg.show();
    EXPECT_EQ(dlg.chkSavePwd->isChecked(), c.Ticked) << c.Login;
    EXPECT_EQ(dlg.edtPwd->text().toStdString(), c.Password) << c.Login;
    EXPECT_EQ(dlg.edtSoftId->text().toStdString(), c.Account) << c.Login;
    EXPECT_EQ(dlg.lblHint->text().toStdString(), "请输入Velmora自助平台帐号和密码登录...");
    EXPECT_EQ(dlg.lblTitle->text().toStdString(), " 登录 - 传输客户端 " + TvqLib::GetVersion());
  }
}

struct RefusalCase {
  const char* Name;
  std::string SoftVer;
  std::string Account;
  std::string Hint;
};

// Each refused login shows its hint, keeps the dialog open with both buttons enabled and
// writes nothing.
TEST_F(AppLoginTest, Refusals) {
  server.SetDefault(kLoginPath, LoginReply(false, "", "帐号或密码错误"));
  const std::vector<RefusalCase> cases = {
      {"no product", "", "123", "请点击[设置]按钮，先设置软件帐套！"},
      {"no account", "00012", "  ", "请输入平台登录帐号！"},
      {"not a number", "00012", "abc", "平台帐号不能小于或等于零"},
      {"platform refuses", "00012", "123", "帐号或密码错误"},
  };
  for (const auto& c : cases) {
    AppVar->SoftVer = c.SoftVer;
    TAppLogin dlg;
    dlg.show();
    dlg.edtSoftId->setText(QString::fromStdString(c.Account));
    dlg.edtPwd->setText("pw");
    dlg.lblOKClick();
    EXPECT_EQ(dlg.lblHint->text().toStdString(), c.Hint) << c.Name;
    EXPECT_EQ(dlg.lblHint->toolTip().toStdString(), c.Hint) << c.Name;
    EXPECT_TRUE(dlg.isVisible()) << c.Name;
    EXPECT_EQ(dlg.FiResult, -1) << c.Name;
    EXPECT_TRUE(dlg.lblOK->isEnabled() && dlg.lblConfig->isEnabled()) << c.Name;
    EXPECT_EQ(Ini("Login", "SoftId"), "<none>") << c.Name;
  }
  EXPECT_EQ(messages, std::vector<std::string>{});
}

// A successful login through Enter in the password field ends the dialog with 1 and remembers
// the account and password; without "记住帐号密码" the stored password is emptied.
TEST_F(AppLoginTest, LoginRemembersOrForgets) {
  for (const bool remember : {true, false}) {
    WriteLogin("SoftId=9\r\nSavePassword=1\r\nOperPwd=" + TvqLib::ToBase64("old") + "\r\n");
    TAppLogin dlg;
    dlg.show();
    EXPECT_EQ(dlg.lblSoftVer->text().toStdString(), "  " + db.DatabasePath());
    dlg.edtSoftId->setText(" 123 ");
    dlg.edtPwd->setText("秘密");
    dlg.chkSavePwd->setChecked(remember);
    PressKey(dlg.edtSoftId, Qt::Key_Return);
    PressKey(dlg.edtPwd, Qt::Key_Return);
    EXPECT_EQ(dlg.FiResult, 1) << remember;
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(dlg.lblHint->text().toStdString(), "平台帐号登录成功，正在进入系统...");
    EXPECT_EQ(AppVar->SoftId.v(), 123);
    EXPECT_EQ(Ini("Login", "SoftId"), "123");
    EXPECT_EQ(Ini("Login", "SavePassword"), remember ? "1" : "0");
    EXPECT_EQ(Ini("Login", "OperPwd"), remember ? TvqLib::ToBase64("秘密") : "");
  }
  ASSERT_EQ(server.RequestsTo(kLoginPath).size(), 2u);
}

// Enter in the password field does nothing while the login button is disabled.
TEST_F(AppLoginTest, EnterIgnoredWhileLoginRuns) {
  TAppLogin dlg;
  dlg.show();
  dlg.edtSoftId->setText("123");
  dlg.lblOK->setEnabled(false);
  PressKey(dlg.edtPwd, Qt::Key_Return);
  EXPECT_TRUE(server.RequestsTo(kLoginPath).empty());
  EXPECT_EQ(dlg.FiResult, -1);
}

// The autorun box writes or deletes the registry entry at once and shows what the registry then
// holds; opening with autorun on writes the entry again.
TEST_F(AppLoginTest, AutorunBox) {
  TAppLogin dlg;
  dlg.show();
  EXPECT_FALSE(dlg.chkAutoStart->isChecked());
  dlg.chkAutoStart->click();
  EXPECT_TRUE(AppVar->AutoStart);
  EXPECT_TRUE(dlg.chkAutoStart->isChecked());
  EXPECT_EQ(TvqLib::RegRead(kRunKey32, "VqSPFTransClient", "", 2),
            "C:\\Program Files\\Tool\\Tessaly.exe -auto");
  dlg.chkAutoStart->click();
  EXPECT_FALSE(AppVar->AutoStart);
  EXPECT_FALSE(TvqLib::GetAutoStart("VqSPFTransClient"));

  // Deleted on purpose, the entry comes back when the dialog opens with autorun on.
  AppVar->AutoStart = true;
  TAppLogin again;
  again.show();
  EXPECT_TRUE(again.chkAutoStart->isChecked());
  EXPECT_TRUE(TvqLib::GetAutoStart("VqSPFTransClient"));
}

// When the entry cannot be written, the box and AutoStart stay off.
TEST_F(AppLoginTest, AutorunWriteFails) {
  ASSERT_EQ(platform::RegKey::DeleteKey(platform::RegRoot::LocalMachine, kRunKey32, platform::RegView::Force64), 0);
  TAppLogin dlg;
  dlg.show();
  dlg.chkAutoStart->click();
  EXPECT_FALSE(AppVar->AutoStart);
  EXPECT_FALSE(dlg.chkAutoStart->isChecked());
  (void)kRunKey;
}

// "设置": a product chosen there and then cancelled leaves the settings as they were, so the
// login after it still connects to the first product's database.
TEST_F(AppLoginTest, SettingsChangeThenCancel) {
  WriteIni("[DBConfig_00029]\r\nSvrHost=10.1.1.1\r\nSvrPort=9011\r\nSvrDBName=other\r\n");
  NewEngine();
  SPfApp = app.get();
  TAppLogin dlg;
  dlg.show();
  const QString line = dlg.lblSoftVer->text();
  OnNextModal<TAppConfig>([](TAppConfig& config) {
    config.cbbSoftVer->setCurrentIndex(SoftVerIndexOf("00029"));
    config.cbbSoftVerChange();
    EXPECT_EQ(AppVar->SvrHost, "10.1.1.1");
    config.lblNOClick();
  });
  dlg.lblConfigClick();
  EXPECT_EQ(dlg.lblSoftVer->text(), line);
  EXPECT_EQ(AppVar->SoftVer, "00012");
  EXPECT_EQ(AppVar->DBMode, 0);
  EXPECT_EQ(AppVar->SvrHost, "");
  EXPECT_EQ(AppVar->SvrDBName, "");
  dlg.edtSoftId->setText("123");
  dlg.lblOKClick();
  EXPECT_EQ(dlg.FiResult, 1);
  EXPECT_EQ(AppVar->DBName, db.DatabasePath());
}

// "设置" with a successful save refreshes the product line.
TEST_F(AppLoginTest, SettingsSaveRefreshesProductLine) {
  AppVar->SoftVer.clear();
  TAppLogin dlg;
  dlg.show();
  EXPECT_EQ(dlg.lblSoftVer->text().toStdString(), "请设置软件");
  EXPECT_EQ(dlg.lblHint->text().toStdString(), "未设置软件帐套，请先[设置]...");
  OnNextModal<TAppConfig>([this](TAppConfig& config) {
    config.cbbSoftVer->setCurrentIndex(SoftVerIndexOf("00008"));
    config.cbbSoftVerChange();
    config.edtDBName->setText(QString::fromStdString(db.DatabasePath()));
    config.lblOKClick();
  });
  dlg.lblConfigClick();
  EXPECT_EQ(dlg.lblSoftVer->text().toStdString(), "VelmoraQuill商业管理系统  " + db.DatabasePath());
  EXPECT_EQ(Ini("SPFClient", "SoftVer"), "00008");
}

// Screenshot of the login dialog.
TEST_F(AppLoginTest, Screenshot) {
  TAppLogin dlg;
  dlg.show();
  dlg.edtSoftId->setText("10086");
  EXPECT_FALSE(vqtest::SaveScreenshot(dlg, "login").empty());
}

}  // namespace
}  // namespace tessaly
