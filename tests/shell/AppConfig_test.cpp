#include "shell/AppConfigUnit.h"

#include <gtest/gtest.h>

#include <QtTest/QTest>

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSpinBox>
#include <string>
#include <vector>

#include "shell/AppLoginUnit.h"
#include "shell/DialogFixture.h"
#include "support/FakeSoapService.h"
#include "support/RefusedPort.h"

namespace tessaly {
namespace {

class AppConfigTest : public DialogFixture {
 protected:
  // Product `code` chosen in the combo as the operator would.
  static void Choose(TAppConfig& dlg, const std::string& code) {
    dlg.cbbSoftVer->setCurrentIndex(SoftVerIndexOf(code));
    dlg.cbbSoftVerChange();
  }

  // Tessaly.ini of the fixture plus a server-mode section for 00029 on the fake SOAP service.
  void WriteServerSection(const std::string& dbTitle = "", const std::string& dbName = "") {
    WriteIni("[DBConfig_00029]\r\nSvrHost=127.0.0.1\r\nSvrPort=" + std::to_string(soap.Port()) +
             "\r\nSvrDBTitle=" + dbTitle + "\r\nSvrDBName=" + dbName +
             "\r\n"
             "[DBConfig_00050]\r\nSvrHost=\r\nSvrPort=0\r\nSvrDBName=hosted\r\nSvrDBId=abc\r\n");
    NewEngine();
    SPfApp = app.get();
    soap.SetDBParm({"true", "127.0.0.1", db.DatabasePath(), "总部", "sa", "0", "1433"});
  }

  // The product chosen with the keyboard in the combo, as the operator would.
  static void ChooseByKeys(TAppConfig& dlg, const std::string& code) {
    dlg.cbbSoftVer->setFocus();
    QTest::keyClick(dlg.cbbSoftVer, Qt::Key_Home);
    for (int i = 0; i < SoftVerIndexOf(code); ++i) QTest::keyClick(dlg.cbbSoftVer, Qt::Key_Down);
  }

  // Replaces a field's text by typing.
  static void Type(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
  }

  static void Click(QWidget* widget) { QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center()); }

  vqtest::FakeSoapService soap;
};

struct PanelCase {
  const char* Code;
  int Panel;  // 0 direct, 1 server, 2 hosted
};

// Each product shows the connection panel of its database mode, and only that one.
TEST_F(AppConfigTest, PanelFollowsProduct) {
  TAppConfig dlg(false);
  dlg.show();
  const std::vector<PanelCase> cases = {{"00012", 0}, {"00029", 1}, {"00008", 0}, {"00009", 0},
                                        {"00050", 2}, {"00039", 1}, {"00040", 2}};
  ASSERT_EQ(dlg.cbbSoftVer->count(), 7);
  for (const auto& c : cases) {
    Choose(dlg, c.Code);
    EXPECT_EQ(dlg.pnlDBConfig->isVisible(), c.Panel == 0) << c.Code;
    EXPECT_EQ(dlg.pnlSvrConfig->isVisible(), c.Panel == 1) << c.Code;
    EXPECT_EQ(dlg.pnlAuthConfig->isVisible(), c.Panel == 2) << c.Code;
    EXPECT_EQ(dlg.chkSvrVIPConn->isEnabled(), c.Panel != 0) << c.Code;
    EXPECT_EQ(dlg.edtSvrHost->text(), "127.0.0.1") << c.Code;
    EXPECT_EQ(dlg.edtSvrPort->text(), "9011") << c.Code;
  }
  EXPECT_EQ(dlg.cbbSoftVer->itemText(1).toStdString(), "Velmora连锁专卖系列软件");
}

// A direct-mode save connects to the typed database and copies every value into AppVar and the
// settings file.
TEST_F(AppConfigTest, DirectSaveReachesAppVarAndFile) {
  TAppConfig dlg(false);
  dlg.show();
  EXPECT_EQ(dlg.cbbSoftVer->currentIndex(), 0);
  EXPECT_EQ(dlg.edtDBName->text().toStdString(), db.DatabasePath());
  dlg.edtDBHost->setText(" 127.0.0.1,1433 ");
  dlg.edtUploadPageSize->setValue(600);  // clamped to 500
  dlg.edtPullPageSize->setValue(0);      // clamped to 1
  dlg.edtAutoRunWaitTime->setValue(-20);
  dlg.chkUploadVipintegralFlag->setChecked(true);
  dlg.chkPullWXApplet->setChecked(true);
  dlg.chkHQBranchTransAll->setChecked(true);
  dlg.lblOKClick();
  EXPECT_EQ(messages, std::vector<std::string>{});
  EXPECT_EQ(dlg.FiResult, 1);
  EXPECT_FALSE(dlg.isVisible());
  EXPECT_TRUE(AppDM->FDConnection.Connected());
  EXPECT_EQ(AppVar->SoftVer, "00012");
  EXPECT_EQ(AppVar->SoftVerName, "VelmoraTarn商业管理软件");
  EXPECT_EQ(AppVar->DBHost, "127.0.0.1,1433");
  EXPECT_EQ(AppVar->DBPwd, "test");
  EXPECT_EQ(AppVar->UploadPageSize.v(), 500);
  EXPECT_EQ(AppVar->PullPageSize.v(), 1);
  EXPECT_EQ(AppVar->AutoStartWaitTime, -20);
  EXPECT_EQ(Ini("SPFClient", "UploadPageSize"), "500");
  EXPECT_EQ(Ini("SPFClient", "UploadVipintegralFlag"), "1");
  EXPECT_EQ(Ini("SPFClient", "PullWXApplet"), "True");
  EXPECT_EQ(Ini("SPFClient", "IsHQBranchTransAll"), "True");
  EXPECT_EQ(Ini("DBConfig_00012", "DBHost"), "127.0.0.1,1433");
  EXPECT_EQ(Ini("DBConfig_00012", "DBPwd"), TvqLib::ToBase64("test"));
}

struct RefusalCase {
  const char* Name;
  const char* Code;
  std::function<void(TAppConfig&, int soapPort)> Edit;
  std::string Message;  // the start of the box's text
};

// Every refused save shows its message, keeps the dialog open and changes nothing: the product
// code in particular stays set.
TEST_F(AppConfigTest, RefusalsKeepSettings) {
  WriteServerSection("总部", "old_db");
  const int refused = vqtest::RefusedPort();
  const std::vector<RefusalCase> cases = {
      {"empty address", "00029", [](TAppConfig& d, int) { d.edtSvrHost->setText("  "); }, "请输入帐套服务器地址！"},
      {"port 0", "00029", [](TAppConfig& d, int) { d.edtSvrPort->setText("0"); }, "请输入帐套服务器端口号！"},
      {"no account set", "00039", [](TAppConfig&, int) {}, "请选择软件帐套！"},
      {"server refused", "00029", [refused](TAppConfig& d, int) { d.edtSvrPort->setText(QString::number(refused)); },
       "连接软件服务器失败，请检查！\r\n"},
      {"hosted empty address", "00050", [](TAppConfig& d, int) { d.edtAuthHost->setText(" "); }, "请输入帐套服务器地址！"},
      {"hosted port 0", "00040", [](TAppConfig& d, int) { d.edtAuthPort->setText("0"); }, "请输入帐套服务器端口号！"},
      {"hosted server refused", "00050",
       [refused](TAppConfig& d, int) { d.edtAuthPort->setText(QString::number(refused)); },
       "连接软件服务器失败，请检查！\r\n"},
      {"database unreachable", "00012", [](TAppConfig& d, int) { d.edtDBName->setText("/nonexistent/folder/none.db"); },
       "数据库帐套连接失败，"},
      {"no product", "", [](TAppConfig& d, int) { d.edtDBName->setText("/nonexistent/folder/none.db"); },
       "数据库帐套连接失败，"},
  };
  for (const auto& c : cases) {
    messages.clear();
    TAppConfig dlg(false);
    dlg.show();
    if (std::string(c.Code).empty())
      dlg.cbbSoftVer->setCurrentIndex(-1);
    else
      Choose(dlg, c.Code);
    c.Edit(dlg, soap.Port());
    dlg.lblOKClick();
    ASSERT_EQ(messages.size(), 1u) << c.Name;
    EXPECT_EQ(messages[0].rfind("消息|" + c.Message, 0), 0u) << c.Name << ": " << messages[0];
    EXPECT_TRUE(dlg.isVisible()) << c.Name;
    EXPECT_EQ(dlg.FiResult, -1) << c.Name;
    dlg.lblNOClick();
    EXPECT_EQ(dlg.FiResult, 0);
    EXPECT_EQ(AppVar->SoftVer, "00012") << c.Name;
    EXPECT_EQ(AppVar->DBName, db.DatabasePath()) << c.Name;
    EXPECT_EQ(Ini("SPFClient", "SoftVer"), "00012") << c.Name;
  }
}

// A save refused by the database, then cancelled, leaves the main connection as it was: on its
// old parameters and working, so the agent reads its checkpoints without a new login.
TEST_F(AppConfigTest, RefusedDatabaseThenCancelKeepsConnection) {
  ASSERT_TRUE(
      db.Exec("insert into spf_t_trans_record(softid,trans_type,table_name,last_change,last_date) values"
              "(5,'BI','bi_t_item',7,'2024-01-02 03:04:05')"));
  AppVar->SoftId.v(5);
  std::string error;
  ASSERT_TRUE(app->GetConnDB(error)) << error;  // as a login leaves it
  const std::vector<std::string> before = AppDM->FDConnection.Params().Lines();
  const auto click = [](QWidget* aWidget) { QTest::mouseClick(aWidget, Qt::LeftButton, {}, aWidget->rect().center()); };
  TAppConfig dlg(false);
  dlg.show();
  ASSERT_EQ(dlg.cbbSoftVer->currentIndex(), SoftVerIndexOf("00012"));
  dlg.edtDBName->setFocus();
  QTest::keyClick(dlg.edtDBName, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClicks(dlg.edtDBName, "/nonexistent/folder/none.db");
  click(dlg.lblOK);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].rfind("消息|数据库帐套连接失败，", 0), 0u) << messages[0];
  EXPECT_TRUE(dlg.isVisible());
  click(dlg.lblNO);
  EXPECT_FALSE(dlg.isVisible());
  EXPECT_EQ(dlg.FiResult, 0);
  EXPECT_EQ(AppDM->FDConnection.Params().Lines(), before);
  EXPECT_TRUE(AppDM->FDConnection.Connected());
  bool failed = true;
  EXPECT_EQ(AppDM->GetTransRecord(error, "BI", "bi_t_item", nullptr, &failed), 7) << error;
  EXPECT_FALSE(failed);
  EXPECT_EQ(AppVar->DBName, db.DatabasePath());
  EXPECT_EQ(Ini("DBConfig_00012", "DBName"), db.DatabasePath());
  EXPECT_EQ(messages.size(), 1u);
}

// Choosing another product loads its settings for the dialog; cancelling (or closing with Esc)
// puts the product and connection fields back, while the options written at once stay written.
TEST_F(AppConfigTest, ProductChangeThenCancelRestores) {
  WriteServerSection("总部", "old_db");
  for (const bool useEsc : {false, true}) {
    TAppConfig dlg(false);
    dlg.show();
    Choose(dlg, "00029");
    EXPECT_EQ(AppVar->DBMode, 1);
    EXPECT_EQ(AppVar->SvrDBName, "old_db");
    dlg.chkDetailLog->click();
    if (useEsc) {
      QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
      QApplication::sendEvent(&dlg, &esc);
      EXPECT_EQ(dlg.FiResult, -1);
    } else {
      dlg.lblNOClick();
    }
    EXPECT_FALSE(dlg.isVisible());
  }
  EXPECT_EQ(AppVar->SoftVer, "00012");
  EXPECT_EQ(AppVar->SoftVerName, "");
  EXPECT_EQ(AppVar->DBMode, 0);
  EXPECT_EQ(AppVar->SvrDBName, "");
  EXPECT_EQ(AppVar->SvrHost, "");
  EXPECT_EQ(AppVar->DBName, db.DatabasePath());
  // Two clicks: on, then off again; each written at once.
  EXPECT_FALSE(AppVar->IsDetailLog.v());
  EXPECT_EQ(Ini("SPFClient", "IsDetailLog"), "False");
  EXPECT_EQ(Ini("DBConfig_00012", "SvrDBName"), "<none>");
}

// The immediate boxes write their key at once and keep it after a cancel.
TEST_F(AppConfigTest, ImmediateOptionsSurviveCancel) {
  TAppConfig dlg(false);
  dlg.show();
  dlg.chkDetailLog->click();
  EXPECT_TRUE(TvqLib::DetailLogEnabled);
  EXPECT_EQ(Ini("SPFClient", "IsDetailLog"), "True");
  dlg.chkNewOrderTips->click();
  EXPECT_EQ(AppVar->IsNewOrderTips.v(), 0);
  EXPECT_EQ(Ini("SPFClient", "IsNewOrderTips"), "0");
  dlg.edtUploadPageSize->setValue(99);
  dlg.lblNOClick();
  EXPECT_TRUE(AppVar->IsDetailLog.v());
  EXPECT_EQ(AppVar->UploadPageSize.v(), 20);
  EXPECT_EQ(Ini("SPFClient", "UploadPageSize"), "<none>");
}

// In server mode the stored account set comes from the server's answer, not from a list item
// kept from before; the list is refilled empty for a product without one.
TEST_F(AppConfigTest, ServerModeTakesAccountSetFromServer) {
  WriteServerSection("旧帐套", "old_db");
  TAppConfig dlg(false);
  dlg.show();
  Choose(dlg, "00029");
  ASSERT_EQ(dlg.cbbSvrDB->count(), 1);
  EXPECT_EQ(dlg.cbbSvrDB->currentText().toStdString(), "旧帐套(old_db)");
  Choose(dlg, "00039");
  EXPECT_EQ(dlg.cbbSvrDB->count(), 0);
  Choose(dlg, "00029");
  dlg.lblOKClick();
  ASSERT_EQ(messages, std::vector<std::string>{});
  EXPECT_EQ(dlg.FiResult, 1);
  EXPECT_EQ(AppVar->SoftVer, "00029");
  EXPECT_EQ(AppVar->SvrDBTitle, "总部");
  EXPECT_EQ(AppVar->SvrDBName, db.DatabasePath());
  EXPECT_EQ(AppVar->DBHost, "127.0.0.1,1433");
  EXPECT_EQ(AppVar->DBName, db.DatabasePath());
  EXPECT_EQ(Ini("DBConfig_00029", "SvrDBName"), db.DatabasePath());
  EXPECT_EQ(Ini("DBConfig_00029", "SvrDBTitle"), "总部");
  EXPECT_EQ(Ini("SPFClient", "SoftVer"), "00029");
}

// "测试连接" checks the panel, the address and the port, takes the WSDL box at once, asks the
// server and shows the account set and the member-service address.
TEST_F(AppConfigTest, ServerTest) {
  WriteServerSection();
  TAppConfig dlg(false);
  dlg.show();
  dlg.lblSvrTestClick();
  EXPECT_EQ(messages, std::vector<std::string>{"消息|请切换选择一下软件版本！"});
  Choose(dlg, "00029");
  dlg.chkSvrVIPConn->setChecked(true);
  dlg.lblSvrTestClick();
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[1], "消息|连接服务器[127.0.0.1," + std::to_string(soap.Port()) + "]成功！");
  EXPECT_EQ(dlg.cbbSvrDB->currentText().toStdString(), "总部(" + db.DatabasePath() + ")");
  EXPECT_EQ(dlg.edtVIPSvrHost->text().toStdString(), "http://vq.example.net:8080/" + db.DatabasePath());
  EXPECT_TRUE(dlg.chkSvrVIPConn->isChecked());
  EXPECT_TRUE(dlg.lblSvrTest->isEnabled());
  EXPECT_EQ(logView->Count("[软件设置] 获取帐套信息[127.0.0.1]..."), 1u);
  EXPECT_EQ(logView->Count("[软件设置] 帐套RDA端口：8080"), 1u);

  soap.SetRdaPort("0");
  dlg.lblSvrTestClick();
  EXPECT_FALSE(dlg.chkSvrVIPConn->isChecked());
  EXPECT_EQ(dlg.edtVIPSvrHost->text().toStdString(), "http://vq.example.net:0/" + db.DatabasePath());

  dlg.chkSvrUseWSDL->setChecked(true);
  dlg.lblSvrTestClick();
  EXPECT_TRUE(AppVar->SvrUseWSDL);
  dlg.lblNOClick();
  EXPECT_FALSE(AppVar->SvrUseWSDL);
}

// A member-service host that the server returns but the check refuses is kept: the address field
// names it with the reason, and the save stores it with the box unticked.
TEST_F(AppConfigTest, RefusedMemberHostIsKeptAndNamed) {
  WriteServerSection();
  soap.SetServiceAddr("192.168.1.20");
  TAppConfig dlg(false);
  dlg.show();
  Choose(dlg, "00029");
  dlg.chkSvrVIPConn->setChecked(true);
  QTest::mouseClick(dlg.lblSvrTest, Qt::LeftButton, {}, dlg.lblSvrTest->rect().center());
  EXPECT_EQ(dlg.edtVIPSvrHost->text().toStdString(), "服务地址有误：192.168.1.20需设置外网地址");
  EXPECT_FALSE(dlg.chkSvrVIPConn->isChecked());
  dlg.lblOKClick();
  EXPECT_EQ(dlg.FiResult, 1);
  EXPECT_EQ(AppVar->SvrVIPHost, "192.168.1.20");
  EXPECT_EQ(Ini("DBConfig_00029", "SvrVIPHost"), "192.168.1.20");
  EXPECT_FALSE(AppVar->SvrVIPConnOK.v());
}

// An account-set name, title or member-service host with a line break from the server is refused
// with a log line before anything is saved: written, it would add keys and sections of its own.
TEST_F(AppConfigTest, ServerTextWithLineBreakIsRefused) {
  const std::string injected = "x\r\n[Login]\r\nSoftId=99";
  const struct {
    const char* name;
    vqtest::FakeSoapService::DBParm parm;
    std::string serviceAddr;
  } cases[] = {
      {"title", {"true", "127.0.0.1", db.DatabasePath(), "总部" + injected, "sa", "0", "1433"}, "vq.example.net"},
      {"name", {"true", "127.0.0.1", "shop\n[Login]", "总部", "sa", "0", "1433"}, "vq.example.net"},
      {"member host", {"true", "127.0.0.1", db.DatabasePath(), "总部", "sa", "0", "1433"}, "vq.example.net" + injected},
  };
  for (const auto& c : cases) {
    WriteServerSection("旧帐套", "old_db");
    soap.SetDBParm(c.parm);
    soap.SetServiceAddr(c.serviceAddr);
    messages.clear();
    logView->Clear();
    TAppConfig dlg(false);
    dlg.show();
    Choose(dlg, "00029");
    dlg.chkSvrVIPConn->setChecked(true);
    const std::string softIdBefore = Ini("Login", "SoftId");
    dlg.lblOKClick();
    EXPECT_EQ(messages, std::vector<std::string>{"消息|连接软件服务器失败，服务器返回的帐套信息含有换行符"}) << c.name;
    EXPECT_EQ(logView->Count("[软件设置] 连接软件服务器失败，服务器返回的帐套信息含有换行符："), 1u) << c.name;
    EXPECT_EQ(dlg.FiResult, -1) << c.name;
    dlg.lblNOClick();
    EXPECT_EQ(Ini("DBConfig_00029", "SvrDBTitle"), "旧帐套") << c.name;
    EXPECT_EQ(Ini("DBConfig_00029", "SvrDBName"), "old_db") << c.name;
    EXPECT_EQ(Ini("Login", "SoftId"), softIdBefore) << c.name;
  }
}

// The locked dialog disables the database part and the member-service box, and still saves.
TEST_F(AppConfigTest, LockedDialog) {
  WriteServerSection("总部", "old_db");
  AppVar->SoftVer = "00029";
  TSPfApp::CfgDBLoad("");
  TAppConfig dlg(true);
  dlg.show();
  for (QWidget* w : std::initializer_list<QWidget*>{dlg.cbbSoftVer, dlg.edtDBHost, dlg.edtDBUser, dlg.edtDBPwd,
                                                    dlg.edtDBName, dlg.edtSvrHost, dlg.edtSvrPort, dlg.cbbSvrDB,
                                                    dlg.lblSvrTest, dlg.edtAuthHost, dlg.edtAuthPort,
                                                    dlg.edtAuthDBName, dlg.edtAuthDBId, dlg.dtpPullStartDate,
                                                    dlg.chkSvrVIPConn})
    EXPECT_FALSE(w->isEnabled()) << w->metaObject()->className();
  EXPECT_TRUE(dlg.edtUploadPageSize->isEnabled());
  EXPECT_EQ(dlg.edtVIPSvrHost->text().toStdString(), "不支持外网实时金卡服务");
  dlg.edtUploadPageSize->setValue(40);
  dlg.lblOKClick();
  EXPECT_EQ(dlg.FiResult, 1);
  EXPECT_EQ(AppVar->UploadPageSize.v(), 40);
  EXPECT_EQ(soap.Requests().empty(), false);
  dlg.EnableConfig(true);
  EXPECT_TRUE(dlg.cbbSoftVer->isEnabled());
  EXPECT_FALSE(dlg.chkSvrVIPConn->isEnabled());
}

// Ctrl and a double-click on the background toggle the pull start date, which is saved only
// while shown.
TEST_F(AppConfigTest, HiddenPullStartDate) {
  TAppConfig dlg(false);
  dlg.show();
  dlg.pnlBackDblClick(false);
  EXPECT_TRUE(dlg.dtpPullStartDate->isHidden());
  dlg.dtpPullStartDate->setDate(QDate(2021, 3, 4));
  dlg.lblOKClick();
  EXPECT_EQ(AppVar->PullStartDate.v(), 0.0);

  TAppConfig again(false);
  again.show();
  QMouseEvent dbl(QEvent::MouseButtonDblClick, QPointF(5, 300), QPointF(5, 300), Qt::LeftButton, Qt::LeftButton,
                  Qt::ControlModifier);
  QApplication::sendEvent(again.pnlContent, &dbl);
  EXPECT_FALSE(again.dtpPullStartDate->isHidden());
  again.dtpPullStartDate->setDate(QDate(2021, 3, 4));
  again.lblOKClick();
  EXPECT_EQ(Ini("SPFClient", "PullStartDate"), "2021-03-04 00:00:00");
}

// A stored code outside the list shows no product; a save then takes the direct path and stores
// an empty product code, so the agent still counts as not configured.
TEST_F(AppConfigTest, UnknownProductSavesEmptyCode) {
  AppVar->SoftVer = "12345";
  TAppConfig dlg(false);
  dlg.show();
  EXPECT_EQ(dlg.cbbSoftVer->currentIndex(), -1);
  EXPECT_EQ(AppVar->SoftVerName, "");
  dlg.lblOKClick();
  EXPECT_EQ(messages, std::vector<std::string>{});
  EXPECT_EQ(dlg.FiResult, 1);
  EXPECT_EQ(AppVar->SoftVer, "");
  EXPECT_EQ(Ini("SPFClient", "SoftVer"), "");
}

// A hosted-mode save asks the server for the configured account set and keeps the configured
// account-set name and id.
TEST_F(AppConfigTest, HostedSaveKeepsConfiguredAccountSet) {
  WriteIni("[DBConfig_00050]\r\nSvrHost=127.0.0.1\r\nSvrPort=" + std::to_string(soap.Port()) +
           "\r\nSvrDBName=hosted\r\nSvrDBId=abc\r\n");
  NewEngine();
  SPfApp = app.get();
  soap.SetDBParm({"true", "127.0.0.1", db.DatabasePath(), "托管", "sa", "0", "1433"});
  TAppConfig dlg(false);
  dlg.show();
  Choose(dlg, "00050");
  EXPECT_EQ(dlg.edtAuthHost->text().toStdString(), "127.0.0.1");
  EXPECT_EQ(dlg.edtAuthPort->text().toStdString(), std::to_string(soap.Port()));
  EXPECT_EQ(dlg.edtAuthDBName->text().toStdString(), "hosted");
  EXPECT_EQ(dlg.edtAuthDBId->text().toStdString(), "abc");
  dlg.chkAuthUseWSDL->setChecked(false);
  dlg.lblOKClick();
  ASSERT_EQ(messages, std::vector<std::string>{});
  EXPECT_EQ(dlg.FiResult, 1);
  EXPECT_EQ(AppVar->DBMode, 2);
  EXPECT_EQ(AppVar->SvrDBName, "hosted");
  EXPECT_EQ(AppVar->SvrDBId, "abc");
  EXPECT_EQ(AppVar->DBName, db.DatabasePath());
  ASSERT_FALSE(soap.Requests().empty());
  EXPECT_NE(soap.Requests().front().Body.find(">hosted<"), std::string::npos);
  EXPECT_EQ(Ini("DBConfig_00050", "SvrDBId"), "abc");
}

struct HostedRoadCase {
  const char* Code;
  const char* DBId;       // typed into the hosted panel
  bool LoginAccepted;     // the database carries id "DB07"
};

// A shop on a hosted product configures the agent in the hosted panel alone: it chooses the
// product, types the server, port, account-set name and id, saves, and the login then reaches
// the account set through the server and accepts it only by the typed id.
TEST_F(AppConfigTest, HostedPanelSaveThenLogin) {
  ASSERT_TRUE(db.RunTsql("insert into sys_t_system(sys_var_id,sys_var_value) values('hq_clearround','DB07')"));
  server.SetDefault(kLoginPath, LoginReply(true, "1"));
  soap.SetDBParm({"true", "127.0.0.1", db.DatabasePath(), "托管", "sa", "0", "1433"});
  for (const char* code : {"00050", "00040"}) WritePackage(code, {});
  const HostedRoadCase cases[] = {{"00050", "db07", true}, {"00040", "DB08", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Code);
    messages.clear();
    AppDM->FDConnection.Close();
    TAppConfig dlg(false);
    dlg.show();
    ChooseByKeys(dlg, c.Code);
    ASSERT_TRUE(dlg.pnlAuthConfig->isVisible());
    EXPECT_EQ(dlg.edtAuthHost->text().toStdString(), "127.0.0.1");
    EXPECT_EQ(dlg.edtAuthPort->text().toStdString(), "9011");
    Type(dlg.edtAuthHost, " 127.0.0.1 ");
    Type(dlg.edtAuthPort, QString::number(soap.Port()));
    Type(dlg.edtAuthDBName, "shop_db");
    Type(dlg.edtAuthDBId, c.DBId);
    const std::size_t asked = soap.Requests().size();
    Click(dlg.lblOK);
    ASSERT_EQ(messages, std::vector<std::string>{});
    EXPECT_EQ(dlg.FiResult, 1);
    ASSERT_GT(soap.Requests().size(), asked);
    EXPECT_NE(soap.Requests()[asked].Body.find(">shop_db<"), std::string::npos);
    const std::string sect = std::string("DBConfig_") + c.Code;
    EXPECT_EQ(Ini("SPFClient", "SoftVer"), c.Code);
    EXPECT_EQ(Ini(sect, "SvrHost"), "127.0.0.1");
    EXPECT_EQ(Ini(sect, "SvrPort"), std::to_string(soap.Port()));
    EXPECT_EQ(Ini(sect, "SvrDBName"), "shop_db");
    EXPECT_EQ(Ini(sect, "SvrDBId"), c.DBId);

    AppDM->FDConnection.Close();  // as at the next program start
    TAppLogin login;
    login.show();
    Type(login.edtSoftId, "123");
    Type(login.edtPwd, "pw");
    Click(login.lblOK);
    EXPECT_EQ(login.FiResult, c.LoginAccepted ? 1 : -1);
    EXPECT_EQ(AppDM->FDConnection.Connected(), c.LoginAccepted);
    if (!c.LoginAccepted) {
      EXPECT_NE(login.lblHint->text().toStdString().find("当前帐套Id跟托管配置帐套Id不一致"), std::string::npos)
          << login.lblHint->text().toStdString();
    }
    login.close();
  }
}

// Long values show the start of their text, in the open and in the locked dialog.
TEST_F(AppConfigTest, LongValuesShowTheirStart) {
  const std::string longPath = "/srv/shop/data/backoffice-" + std::string(80, 'x') + "/backoffice.db";
  WriteIni("[DBConfig_00050]\r\nSvrHost=backoffice-" + std::string(60, 'h') +
           ".example.net\r\nSvrPort=9011\r\nSvrDBName=" + longPath +
           "\r\nSvrDBId=abc\r\nSvrVIPHost=vip.example.net\r\nSvrVIPPort=8080\r\n");
  for (const bool locked : {false, true}) {
    SCOPED_TRACE(locked);
    AppVar->SoftVer = "00050";
    TSPfApp::CfgDBLoad("");
    TAppConfig dlg(locked);
    dlg.show();
    for (QLineEdit* edit : {dlg.edtAuthHost, dlg.edtAuthDBName, dlg.edtVIPSvrHost}) {
      ASSERT_GT(QFontMetrics(edit->font()).horizontalAdvance(edit->text()), edit->width());
      // The field scrolls to keep its cursor in sight: at 0, it draws the text's start.
      EXPECT_EQ(edit->cursorPosition(), 0) << edit->text().toStdString();
    }
    EXPECT_FALSE(vqtest::SaveScreenshot(dlg, locked ? "config_hosted_long_locked" : "config_hosted_long").empty());
    dlg.lblNOClick();
  }
}

// Every caption's text starts within the section margin (where the section heads start) and
// fits its label.
TEST_F(AppConfigTest, CaptionsKeepTheSectionMargin) {
  TAppConfig dlg(false);
  dlg.show();
  Choose(dlg, "00012");
  for (const char* text : {"延时启动：", "拉取时每页：", "上传时每页：", "金卡服务地址：", "对接软件版本："}) {
    SCOPED_TRACE(text);
    QLabel* caption = nullptr;
    for (QLabel* label : dlg.pnlContent->findChildren<QLabel*>())
      if (label->text() == QString(text)) caption = label;
    ASSERT_NE(caption, nullptr);
    const int advance = QFontMetrics(caption->font()).horizontalAdvance(caption->text());
    ASSERT_LE(advance, caption->width());
    const int textLeft =
        (caption->alignment() & Qt::AlignRight) ? caption->geometry().right() + 1 - advance : caption->x();
    EXPECT_GE(textLeft, 20);
  }
}

// Screenshots of the dialog in each database mode.
TEST_F(AppConfigTest, Screenshots) {
  WriteServerSection("总部", "old_db");
  for (const auto& [code, name] : std::vector<std::pair<std::string, std::string>>{
           {"00012", "config_direct"}, {"00029", "config_server"}, {"00050", "config_hosted"}}) {
    TAppConfig dlg(false);
    dlg.show();
    Choose(dlg, code);
    EXPECT_FALSE(vqtest::SaveScreenshot(dlg, name).empty());
    dlg.lblNOClick();
  }
  // The locked dialog of a logged-in agent: its database part greyed.
  AppVar->SoftVer = "00029";
  TSPfApp::CfgDBLoad("");
  TAppConfig locked(true);
  locked.show();
  EXPECT_FALSE(vqtest::SaveScreenshot(locked, "config_locked").empty());
  locked.lblNOClick();
}

}  // namespace
}  // namespace tessaly
