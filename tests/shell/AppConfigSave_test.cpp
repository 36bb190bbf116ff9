// The settings dialog's save decisions without its widgets: the checks of each database mode, and
// what a refused save leaves in AppVar while the dialog is still open.
#include "shell/AppConfigSave.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "shell/AppConfigUnit.h"
#include "shell/DialogFixture.h"
#include "support/RefusedPort.h"

namespace tessaly {
namespace {

class AppConfigSaveTest : public DialogFixture {};

TConfigForm Form(const std::string& aCode, int aPanel) {
  TConfigForm f;
  f.SoftVerIndex = SoftVerIndexOf(aCode);
  f.VisiblePanel = aPanel;
  f.SvrHost = " 10.0.0.5\t";
  f.SvrPort = 9011;
  f.SvrDBItem = "总部(shop)";
  f.DBHost = " 127.0.0.1,1433 ";
  f.DBUser = " sa ";
  f.DBPwd = " p w ";
  f.DBName = " shop ";
  f.SvrUseWSDL = true;
  f.AuthHost = " 10.0.0.6 ";
  f.AuthPort = 9012;
  f.AuthDBName = " shop_db ";
  f.AuthDBId = " DB07 ";
  f.AuthUseWSDL = true;
  return f;
}

struct CheckCase {
  const char* Name;
  TConfigForm Form;
  std::string Message;  // empty: the checks pass
  TConfigFocus Focus;
};

// Each mode's checks in order, with the message and the control to focus; passing checks take the
// trimmed texts. None of them touches AppVar.
TEST_F(AppConfigSaveTest, ChecksByMode) {
  const auto with = [](TConfigForm f, auto edit) {
    edit(f);
    return f;
  };
  const std::vector<CheckCase> cases = {
      {"hosted without its panel", Form("00050", 0), "请切换选择软件版本！", TConfigFocus::None},
      {"server without its panel", Form("00029", 2), "请切换选择软件版本！", TConfigFocus::None},
      {"blank address", with(Form("00029", 1), [](TConfigForm& f) { f.SvrHost = " \t "; }), "请输入帐套服务器地址！",
       TConfigFocus::SvrHost},
      {"port 0", with(Form("00039", 1), [](TConfigForm& f) { f.SvrPort = 0; }), "请输入帐套服务器端口号！",
       TConfigFocus::SvrPort},
      {"no account set", with(Form("00039", 1), [](TConfigForm& f) { f.SvrDBItem.clear(); }), "请选择软件帐套！",
       TConfigFocus::SvrDB},
      {"hosted blank address", with(Form("00050", 2), [](TConfigForm& f) { f.AuthHost = " "; }),
       "请输入帐套服务器地址！", TConfigFocus::SvrHost},
      {"hosted port 0", with(Form("00040", 2), [](TConfigForm& f) { f.AuthPort = 0; }), "请输入帐套服务器端口号！",
       TConfigFocus::SvrPort},
      {"server passes", Form("00029", 1), "", TConfigFocus::None},
      {"hosted passes", Form("00040", 2), "", TConfigFocus::None},
      {"direct passes", Form("00008", 0), "", TConfigFocus::None},
      {"no product takes the direct path", Form("", 0), "", TConfigFocus::None},
  };
  for (const auto& c : cases) {
    TConfigSave save;
    std::string msg;
    TConfigFocus focus = TConfigFocus::SvrDB;
    EXPECT_EQ(CheckConfigForm(c.Form, save, msg, focus), c.Message.empty()) << c.Name;
    EXPECT_EQ(msg, c.Message) << c.Name;
    EXPECT_EQ(focus, c.Focus) << c.Name;
    EXPECT_EQ(AppVar->SoftVer, "00012") << c.Name;
    if (!c.Message.empty()) continue;
    EXPECT_EQ(save.SoftVer, SoftVerCodeOf(c.Form.SoftVerIndex)) << c.Name;
    if (save.DBMode == TDBMode::Server) {
      EXPECT_EQ(save.SvrHost, "10.0.0.5") << c.Name;
      EXPECT_TRUE(save.SvrUseWSDL) << c.Name;
    } else if (save.DBMode == TDBMode::Hosted) {
      EXPECT_EQ(save.SvrHost, "10.0.0.6") << c.Name;
      EXPECT_EQ(save.SvrPort, 9012) << c.Name;
      EXPECT_EQ(save.SvrDBName, "shop_db") << c.Name;
      EXPECT_EQ(save.SvrDBId, "DB07") << c.Name;
      EXPECT_TRUE(save.SvrUseWSDL) << c.Name;
    } else if (save.DBMode == TDBMode::Direct) {
      EXPECT_EQ(save.DBHost, "127.0.0.1,1433") << c.Name;
      EXPECT_EQ(save.DBUser, "sa") << c.Name;
      EXPECT_EQ(save.DBPwd, " p w ") << c.Name;  // as typed
      EXPECT_EQ(save.DBName, "shop") << c.Name;
      EXPECT_EQ(save.SvrDBName, "") << c.Name;
    }
  }
}

// A save refused at any step, before or after the server and the database were asked, leaves the
// product code in AppVar and in the file while the dialog stays open.
TEST_F(AppConfigSaveTest, RefusedSaveKeepsProductCodeWhileOpen) {
  const int refused = vqtest::RefusedPort();
  const std::vector<std::pair<std::string, std::function<void(TAppConfig&)>>> cases = {
      {"00029", [](TAppConfig& d) { d.edtSvrPort->setText("0"); }},
      {"00029",
       [refused](TAppConfig& d) {
         d.edtSvrPort->setText(QString::number(refused));
         d.cbbSvrDB->addItem("总部(shop)");
         d.cbbSvrDB->setCurrentIndex(0);
       }},
      {"00008", [](TAppConfig& d) { d.edtDBName->setText("/nonexistent/folder/none.db"); }},
  };
  for (const auto& [code, edit] : cases) {
    messages.clear();
    TAppConfig dlg(false);
    dlg.show();
    dlg.cbbSoftVer->setCurrentIndex(SoftVerIndexOf(code));
    dlg.cbbSoftVerChange();
    edit(dlg);
    dlg.lblOKClick();
    ASSERT_EQ(messages.size(), 1u) << code;
    EXPECT_TRUE(dlg.isVisible()) << code;
    EXPECT_EQ(AppVar->SoftVer, "00012") << code << ": " << messages[0];
    EXPECT_EQ(Ini("SPFClient", "SoftVer"), "00012") << code;
    dlg.lblNOClick();
  }
}

}  // namespace
}  // namespace tessaly
