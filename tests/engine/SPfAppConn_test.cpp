// The engine object's connection to the back-office database in the three database modes, its
// account-set check, the engine start and stop, and the member-service registration.
#include <cstdlib>
#include <filesystem>

#include <nlohmann/json.hpp>

#include "SPfAppFixture.h"
#include "foundation/VqAlgLibrary.h"
#include "support/FakeSoapService.h"
#include "support/RefusedPort.h"
#include "support/alglib_standin/VqAlgStandin.h"

namespace tessaly {
namespace {

class SPfAppConn : public SPfAppFixture {
 protected:
  // The stand-in of the outside algorithm library, which decrypts the server's login values.
  void LoadAlgLibrary() {
    const char* bin = std::getenv("VQ_TEST_BINARY_DIR");
    ASSERT_NE(bin, nullptr) << "run through ctest, which names the build folder";
    std::filesystem::copy_file(std::string(bin) + "/" + vqtest::kAlgStandinRelativePath,
                               machine.programDir() + "libVqAlglibrary.so",
                               std::filesystem::copy_options::overwrite_existing);
    std::string erro;
    ASSERT_TRUE(LoadVqAlgLibrary(erro)) << erro;
  }
  // Modes 1 and 2: the back-office server hands out this database with encrypted login values.
  void ServeDatabase(const std::string& database) {
    vqtest::FakeSoapService::DBParm parm;
    parm.ServerName = "127.0.0.1";
    parm.Port = "1433";
    parm.Database = database;
    parm.LogName = TvqLib::GetVqEncrypt("sa_srv");
    parm.LogPass = TvqLib::GetVqEncrypt("pw_srv");
    soap.SetDBParm(parm);
  }
  void UseMode(int mode) {
    AppVar->SoftVer = mode == TDBMode::Server ? "00029" : "00050";
    AppVar->DBMode = mode;
    AppVar->SvrHost = "127.0.0.1";
    AppVar->SvrPort = soap.Port();
  }
  void SetAccountSetId(const std::string& id) {
    ASSERT_TRUE(db.Exec("insert or replace into sys_t_system(sys_var_id,sys_var_value) values('hq_clearround','" +
                        id + "')"));
  }

  vqtest::FakeSoapService soap;
};

// Mode 0 connects with the settings' address, login and database and reads the account-set id.
TEST_F(SPfAppConn, DirectModeUsesTheSettings) {
  SetAccountSetId("R-1");
  ASSERT_TRUE(app->GetConnDB(result)) << result;
  EXPECT_TRUE(AppDM->FDConnection.Connected());
  const TDbParams params = AppDM->FDConnection.Params();
  EXPECT_EQ(params.Value("Server"), "127.0.0.1,1433");
  EXPECT_EQ(params.Value("User_Name"), "sa");
  EXPECT_EQ(params.Value("Password"), "test");
  EXPECT_EQ(params.Value("Database"), db.DatabasePath());
  EXPECT_EQ(AppVar->DBId, "R-1");
  EXPECT_TRUE(soap.Requests().empty());
}

// An open main connection is used as it is, without a new connect.
TEST_F(SPfAppConn, OpenConnectionIsKept) {
  ASSERT_TRUE(app->GetConnDB(result)) << result;
  AppVar->DBHost = "";  // would fail a new connect
  EXPECT_TRUE(app->GetConnDB(result)) << result;
  EXPECT_EQ(AppDM->FDConnection.Params().Value("Server"), "127.0.0.1,1433");
}

// A database that cannot be reached gives the fixed text with the reason.
TEST_F(SPfAppConn, UnreachableDatabase) {
  db.SetLinkLost(true);
  EXPECT_FALSE(app->GetConnDB(result));
  EXPECT_EQ(result.rfind("软件帐套连接失败，", 0), 0u) << result;
  EXPECT_EQ(logView->Count("[APP] " + result), 1u);
}

// Mode 1 asks the server without a database name and connects with what it hands out: its
// address with the port, the decrypted login, and the database, which becomes DBName and
// SvrDBName.
TEST_F(SPfAppConn, ServerModeTakesParametersFromTheServer) {
  LoadAlgLibrary();
  UseMode(TDBMode::Server);
  AppVar->SvrDBName = "ignored_name";
  ServeDatabase(db.DatabasePath());
  ASSERT_TRUE(app->GetConnDB(result)) << result;
  const TDbParams params = AppDM->FDConnection.Params();
  EXPECT_EQ(params.Value("Server"), "127.0.0.1,1433");
  EXPECT_EQ(params.Value("User_Name"), "sa_srv");
  EXPECT_EQ(params.Value("Password"), "pw_srv");
  EXPECT_EQ(params.Value("Database"), db.DatabasePath());
  EXPECT_EQ(AppVar->DBName, db.DatabasePath());
  EXPECT_EQ(AppVar->SvrDBName, db.DatabasePath());
  ASSERT_EQ(soap.Requests().size(), 1u);
  EXPECT_EQ(soap.Requests()[0].Body.find("ignored_name"), std::string::npos);
}

// A server that fails gives the fixed text, CR LF and its message.
TEST_F(SPfAppConn, ServerFailure) {
  UseMode(TDBMode::Server);
  soap.AnswerFault("no account set");
  EXPECT_FALSE(app->GetConnDB(result));
  EXPECT_EQ(result.rfind("连接服务器失败，请检查服务器地址！\r\n", 0), 0u) << result;
  EXPECT_NE(result.find("no account set"), std::string::npos) << result;
  EXPECT_FALSE(AppDM->FDConnection.Connected());
}

// A database name with a line break from the server is refused with a log line before it
// reaches the settings or a connection, and the settings file keeps its sections.
TEST_F(SPfAppConn, ServerDatabaseNameWithLineBreakIsRefused) {
  LoadAlgLibrary();
  UseMode(TDBMode::Hosted);
  AppVar->SvrDBName = "shop_db";
  ServeDatabase("shop_db\n[Login]\nSoftId=99");
  EXPECT_FALSE(app->GetConnDB(result));
  EXPECT_EQ(result, "连接服务器失败，服务器返回的帐套库名含有换行符");
  EXPECT_EQ(logView->Count("[APP] 连接服务器失败，服务器返回的帐套库名含有换行符：shop_db\\n[Login]\\nSoftId=99"), 1u);
  EXPECT_EQ(AppVar->SvrDBName, "shop_db");
  EXPECT_FALSE(AppDM->FDConnection.Connected());
  app->CfgDBSave();
  EXPECT_EQ(TvqLib::IniRead("Login", "SoftId", "none"), "none");
}

struct AccountSetCase {
  const char* name;
  std::string expected;  // SvrDBId
  std::string actual;    // the id in the database
  bool accepted;
};

// Mode 2 asks for the configured account set and accepts the database only when its id equals
// SvrDBId, case ignored; a refused one is closed again, so the engine cannot start on it.
TEST_F(SPfAppConn, HostedModeChecksTheAccountSetId) {
  LoadAlgLibrary();
  const AccountSetCase cases[] = {
      {"same", "AB12", "AB12", true},
      {"case ignored", "ab12", "AB12", true},
      {"both empty", "", "", true},
      {"other id", "AB13", "AB12", false},
      {"empty expected", "", "AB12", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    AppDM->FDConnection.Close();
    UseMode(TDBMode::Hosted);
    AppVar->SvrDBName = "shop_db";
    AppVar->SvrDBId = c.expected;
    SetAccountSetId(c.actual);
    ServeDatabase(db.DatabasePath());
    result.clear();
    EXPECT_EQ(app->GetConnDB(result), c.accepted) << result;
    EXPECT_NE(soap.Requests().back().Body.find("shop_db"), std::string::npos);
    EXPECT_EQ(AppDM->FDConnection.Connected(), c.accepted);
    if (!c.accepted) {
      EXPECT_EQ(result, "当前帐套Id跟托管配置帐套Id不一致");
      EXPECT_EQ(logView->Count("当前帐套Id跟托管配置帐套Id不一致 -服务器帐套Id：" + c.expected + "，当前帐套Id：" +
                               c.actual + " -当前帐套：127.0.0.1,1433," + db.DatabasePath()),
                1u);
      AppVar->UploadState.v(TUploadState::Stopped);
      app->Start(result);
      EXPECT_EQ(AppVar->UploadState.v(), TUploadState::Stopped);
    }
  }
}

// A start with the database out of reach reports the connection error and leaves the state
// word as it was.
TEST_F(SPfAppConn, StartWithoutDatabaseKeepsTheState) {
  db.SetLinkLost(true);
  AppVar->UploadState.v(TUploadState::StoppedAfterStop);
  app->Start(result);
  EXPECT_EQ(result.rfind("软件帐套连接失败，", 0), 0u) << result;
  EXPECT_EQ(AppVar->UploadState.v(), TUploadState::StoppedAfterStop);
}

// Start asks for 1, the workers answer 2; Stop asks for 4, and the handshake ends in 5 only
// once both started workers have stopped. A second start runs on the open connection.
TEST_F(SPfAppConn, StartAndStopHandshake) {
  AppVar->PullSelfCollect.v(false);
  AppVar->DBDistributed = 2;
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    result.clear();
    app->Start(result);
    EXPECT_EQ(result, "");
    ASSERT_TRUE(WaitState(TUploadState::Running));
    ASSERT_TRUE(WaitLog("[工作线程] 工作线程开启成功.", 2u * (round + 1)));
    std::string untouched = "kept";
    app->Stop(untouched);
    EXPECT_EQ(untouched, "kept");
    ASSERT_TRUE(WaitState(TUploadState::StoppedAfterStop));
    EXPECT_EQ(logView->Count("[工作线程] 工作线程已停止."), 2u * (round + 1));
    AppVar->UploadState.v(TUploadState::Stopped);
  }
}

class SPfAppVipSvr : public SPfAppConn {
 protected:
  void SetUp() override {
    SPfAppConn::SetUp();
    ASSERT_TRUE(app->GetConnDB(result)) << result;
    AppVar->SoftId.v(5);
    AppVar->SoftVer = "00029";
    AppVar->DBName = "shop01";
    AppVar->SvrVIPHost = "127.0.0.1";
    AppVar->SvrVIPPort = server.port();
    AppVar->SvrVIPConnOK.v(true);
    ASSERT_TRUE(db.Exec("insert into sys_t_system(sys_var_id,sys_var_value) values('vqrda_key',' K-9 ')"));
    server.SetDefault(kVipCfgPath, Accepted());
    server.SetDefault("shop01/GetSysParm/", vqtest::FakeReply::Json("{}"));
  }
  [[nodiscard]] nlohmann::json LastConfig() const {
    const auto sent = JsonSent(kVipCfgPath);
    return sent.empty() ? nlohmann::json() : nlohmann::json::parse(sent.back());
  }
};

// With the member query on and the service answering, the platform is told the service's
// address, the trimmed key and the database.
TEST_F(SPfAppVipSvr, RegistersTheMemberService) {
  ASSERT_TRUE(app->CheckVIPSvrConfig(result)) << result;
  EXPECT_EQ(server.RequestsTo("shop01/GetSysParm/").size(), 1u);
  const auto json = LastConfig();
  EXPECT_EQ(json["softid"], 5);
  EXPECT_EQ(json["pc_url"], "http://127.0.0.1:" + std::to_string(server.port()) + "/shop01");
  EXPECT_EQ(json["pc_key"], "K-9");
  EXPECT_EQ(json["pc_db"], "shop01");
  EXPECT_EQ(json["oper_status"], 1);
  EXPECT_TRUE(AppVar->SvrVIPConnOK.v());
  EXPECT_EQ(logView->Count("[APP] 开启金卡服务会员实时查询OK"), 1u);
}

struct CancelCase {
  const char* name;
  std::function<void(vqtest::TestOdbc&)> setup;
  std::string reason;
};

// Each missing piece switches the member query off and cancels it with its reason.
TEST_F(SPfAppVipSvr, CancelsWithTheReason) {
  const CancelCase cases[] = {
      {"no key", [](vqtest::TestOdbc& d) { ASSERT_TRUE(d.Exec("delete from sys_t_system")); }, "访问密钥未设置"},
      {"no host", [](vqtest::TestOdbc&) { AppVar->SvrVIPHost = ""; }, "地址未设置"},
      {"no port", [](vqtest::TestOdbc&) { AppVar->SvrVIPPort = 0; }, "端口未设置"},
      {"service down", [](vqtest::TestOdbc&) { AppVar->SvrVIPPort = vqtest::RefusedPort(); }, "测试连接金卡服务"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    AppVar->SvrVIPHost = "127.0.0.1";
    AppVar->SvrVIPPort = server.port();
    AppVar->SvrVIPConnOK.v(true);
    ASSERT_TRUE(db.Exec("insert or replace into sys_t_system(sys_var_id,sys_var_value) values('vqrda_key','K-9')"));
    c.setup(db);
    ASSERT_TRUE(app->CheckVIPSvrConfig(result)) << result;
    const auto json = LastConfig();
    EXPECT_EQ(json["oper_status"], 0);
    EXPECT_EQ(json["pc_url"], "");
    EXPECT_EQ(json["pc_key"], "");
    EXPECT_EQ(json["pc_db"], "");
    EXPECT_FALSE(AppVar->SvrVIPConnOK.v());
    EXPECT_EQ(logView->Count("[APP] 金卡服务" + c.reason + "，取消开启会员实时查询"), 1u);
  }
}

// Off: the products with the service are cancelled with an empty reason, the others send nothing.
TEST_F(SPfAppVipSvr, SwitchedOff) {
  AppVar->SvrVIPConnOK.v(false);
  ASSERT_TRUE(app->CheckVIPSvrConfig(result));
  EXPECT_EQ(LastConfig()["oper_status"], 0);
  EXPECT_EQ(logView->Count("[APP] 金卡服务，取消开启会员实时查询"), 1u);

  AppVar->SoftVer = "00012";
  const std::size_t before = server.RequestsTo(kVipCfgPath).size();
  EXPECT_TRUE(app->CheckVIPSvrConfig(result));
  EXPECT_EQ(server.RequestsTo(kVipCfgPath).size(), before);
}

// A refused registration or cancel fails with the platform's message.
TEST_F(SPfAppVipSvr, PlatformRefusals) {
  server.Enqueue(kVipCfgPath, vqtest::FakeReply::Json("{\"bResult\":false,\"errMsg\":\"busy\"}"));
  EXPECT_FALSE(app->CheckVIPSvrConfig(result));
  EXPECT_EQ(result, "开启金卡服务会员实时查询出错：busy");

  AppVar->SvrVIPPort = 0;
  server.Enqueue(kVipCfgPath, vqtest::FakeReply::Json("{\"bResult\":false,\"errMsg\":\"busy\"}"));
  EXPECT_FALSE(app->CheckVIPSvrConfig(result));
  EXPECT_EQ(result, "金卡服务端口未设置置，取消开启会员实时查询出错：busy");
}

// The products whose back office offers the member service, compared exactly.
TEST(SPfAppCanSetVIPSvr, Products) {
  for (const char* code : {"00029", "00050", "00039", "00040"}) EXPECT_TRUE(TSPfApp::CanSetVIPSvr(code)) << code;
  for (const char* code : {"00012", "00008", "0029", "00029 ", ""}) EXPECT_FALSE(TSPfApp::CanSetVIPSvr(code)) << code;
}

}  // namespace
}  // namespace tessaly
