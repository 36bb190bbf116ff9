// The engine object's login: connection, current enterprise id, schema upgrade, branch number,
// password hash, platform login, the data-clear rule, the member-points cache of the enterprise,
// and the automatic login.
#include <nlohmann/json.hpp>

#include <filesystem>
#include <optional>

#include "SPfAppFixture.h"

namespace tessaly {
namespace {

using vqtest::UpgradeRow;

class SPfAppLogin : public SPfAppFixture {
 protected:
  [[nodiscard]] nlohmann::json LastLoginJson() const {
    const auto sent = JsonSent(kLoginPath);
    return sent.empty() ? nlohmann::json() : nlohmann::json::parse(sent.back());
  }
  [[nodiscard]] std::optional<std::string> StoredDataClear(int softId) {
    return db.Value("select sys_value from spf_t_sys_system where softid=" + std::to_string(softId) +
                    " and sys_id='DataClearFlag'");
  }
  // The agent's own system table, as its first login leaves it.
  void EnsureSysTable() {
    ASSERT_TRUE(db.Exec("create table if not exists spf_t_sys_system(softid int NOT NULL, sys_id varchar(20) NOT NULL, "
                        "sys_name varchar(100), sys_value varchar(254), sys_memo varchar(254), sys_flag int DEFAULT 0, "
                        "last_date datetime, last_change int DEFAULT 0, PRIMARY KEY(softid, sys_id))"));
  }
  void StoreDataClear(int softId, const std::string& value) {
    EnsureSysTable();
    ASSERT_TRUE(db.Exec("insert into spf_t_sys_system(softid,sys_id,sys_name,sys_value,sys_memo,sys_flag,"
                        "last_change) values(" +
                        std::to_string(softId) + ",'DataClearFlag','','" + value + "','',0,1)"));
  }
  void AddCheckpoints(int softId) {
    for (const char* type : {"BI", "D-BI", "CFG"})
      ASSERT_TRUE(db.Exec("insert into spf_t_trans_record(softid,trans_type,table_name,last_change) values(" +
                          std::to_string(softId) + ",'" + type + "','bi_item',9)"));
  }
};

// An enterprise id of 0 or less is refused before any database or platform work.
TEST_F(SPfAppLogin, RefusesEnterpriseIdNotAboveZero) {
  for (int id : {0, -4}) {
    EXPECT_FALSE(app->Login(id, "1001", "pw", result));
    EXPECT_EQ(result, "平台帐号不能小于或等于零");
  }
  EXPECT_FALSE(AppDM->FDConnection.Connected());
  EXPECT_TRUE(server.Requests().empty());
}

// A full login connects, records the current enterprise id in a database that has no system
// table yet, upgrades the schema, sends the branch number of the enterprise logging in, the
// salted password hash and the account-set id, and then keeps the login's state.
TEST_F(SPfAppLogin, LogsInEndToEnd) {
  ASSERT_TRUE(db.Exec("insert into sys_t_system(sys_var_id,sys_var_value) values('hq_clearround','R-77')"));
  db.SetScalarText("fn_spf_soft_get_branch_no", "0007", "123");
  WritePackage("00012", {{1, "2020071700000001", "TB", "spf_t_probe", "create table spf_t_probe(id int)"}});
  server.Enqueue(kLoginPath, LoginReply(true, "3"));

  ASSERT_TRUE(app->Login(123, "1002", "secret", result)) << result;

  const auto json = LastLoginJson();
  EXPECT_EQ(json["softid"], 123);
  EXPECT_EQ(json["branch_no"], "0007");
  EXPECT_EQ(json["oper_id"], "1002");
  EXPECT_EQ(json["oper_pw"], TvqLib::GetMd5("KQsecret7290"));
  EXPECT_EQ(json["soft_database_id"], "R-77");
  EXPECT_TRUE(server.RequestsTo(kLoginPath).front().signatureValid);

  EXPECT_EQ(AppVar->SoftId.v(), 123);
  EXPECT_EQ(AppVar->BranchNo.v(), "0007");
  EXPECT_EQ(AppVar->OperId, "1002");
  EXPECT_EQ(AppVar->DBDistributed, 2);
  EXPECT_EQ(db.Value("select sys_value from spf_t_sys_system where sys_id='CurrSoftId'"), "123");
  EXPECT_EQ(db.Value("select count(*) from sqlite_master where name in ('spf_t_probe','spf_t_common_probe')"), "2");
  EXPECT_EQ(StoredDataClear(123), "3");
}

// An empty password is sent as an empty hash, not as the hash of the two salts.
TEST_F(SPfAppLogin, EmptyPasswordSendsEmptyHash) {
  server.Enqueue(kLoginPath, LoginReply(true, "1"));
  ASSERT_TRUE(app->Login(5, "1001", "", result)) << result;
  EXPECT_EQ(LastLoginJson()["oper_pw"], "");
}

// Products outside family 1 ask for no branch number and send an empty one.
TEST_F(SPfAppLogin, OtherFamilySendsEmptyBranch) {
  AppVar->SoftModel = 2;
  db.FailStatements("%fn_spf_soft_get_branch_no%", "must not be asked");
  server.Enqueue(kLoginPath, LoginReply(true, "1"));
  ASSERT_TRUE(app->Login(5, "1001", "pw", result)) << result;
  EXPECT_EQ(LastLoginJson()["branch_no"], "");
  EXPECT_EQ(AppVar->BranchNo.v(), "");
}

// The steps before the platform stop the login with their reason and leave the login state of
// the enterprise before it in place.
TEST_F(SPfAppLogin, FailuresBeforeThePlatformKeepTheOldState) {
  AppVar->SoftId.v(8);
  db.SetScalarText("fn_spf_soft_get_branch_no", std::nullopt);
  EXPECT_FALSE(app->Login(5, "1001", "pw", result));
  EXPECT_EQ(result, "查询门店编号失败未取到当前门店编号");

  db.SetScalarText("fn_spf_soft_get_branch_no", "0001");
  std::filesystem::remove(machine.programDir() + "data/99999.dat");
  EXPECT_FALSE(app->Login(5, "1001", "pw", result));
  EXPECT_EQ(result.rfind("数据升级文件不存在：", 0), 0u) << result;

  EXPECT_TRUE(server.RequestsTo(kLoginPath).empty());
  EXPECT_EQ(AppVar->SoftId.v(), 8);
}

// A refused platform login reports the platform's reason, or the fixed text when it gives
// none; the login state stays as it was.
TEST_F(SPfAppLogin, PlatformRefusal) {
  AppVar->SoftId.v(8);
  server.Enqueue(kLoginPath, LoginReply(false, "", "密码错误"));
  server.Enqueue(kLoginPath, LoginReply(false, ""));
  EXPECT_FALSE(app->Login(5, "1001", "pw", result));
  EXPECT_EQ(result, "密码错误");
  EXPECT_FALSE(app->Login(5, "1001", "pw", result));
  EXPECT_EQ(result, "自助平台登录失败");
  EXPECT_EQ(AppVar->SoftId.v(), 8);
  EXPECT_EQ(AppVar->OperId, "");
}

struct DataClearCase {
  const char* name;
  std::optional<std::string> stored;  // nullopt: no stored number
  std::string platform;
  bool cleared;
  std::optional<std::string> storedAfter;
};

// The checkpoints (all but CFG) are cleared once each time the platform's number rises above a
// stored number above zero; a reply without a number keeps the stored number.
TEST_F(SPfAppLogin, DataClearRule) {
  const DataClearCase cases[] = {
      {"rise", "3", "4", true, "4"},
      {"same", "4", "4", false, "4"},
      {"lower", "4", "2", false, "2"},
      {"first login", std::nullopt, "7", false, "7"},
      {"stored zero", "0", "7", false, "7"},
      {"not a number", "4", "x9", false, "4"},
      {"empty", "4", "", false, "4"},
      {"stored not a number", "abc", "5", false, "5"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(db.Exec("delete from spf_t_trans_record"));
    EnsureSysTable();
    ASSERT_TRUE(db.Exec("delete from spf_t_sys_system where sys_id='DataClearFlag'"));
    AddCheckpoints(5);
    AddCheckpoints(6);
    if (c.stored) StoreDataClear(5, *c.stored);
    server.Enqueue(kLoginPath, LoginReply(true, c.platform));
    ASSERT_TRUE(app->Login(5, "1001", "pw", result)) << result;
    const std::vector<std::string> all = {"5|BI|bi_item", "5|CFG|bi_item", "5|D-BI|bi_item",
                                          "6|BI|bi_item", "6|CFG|bi_item", "6|D-BI|bi_item"};
    const std::vector<std::string> kept = {"5|CFG|bi_item", "6|CFG|bi_item"};
    EXPECT_EQ(Checkpoints(), c.cleared ? kept : all);
    EXPECT_EQ(StoredDataClear(5), c.storedAfter);
  }
}

// A clear that fails makes the login fail with the reason, and keeps the stored number so
// that the next login clears again.
TEST_F(SPfAppLogin, FailedDataClearFailsTheLogin) {
  AddCheckpoints(5);
  StoreDataClear(5, "3");
  db.FailStatements("delete from spf_t_trans_record%", "disk full");
  server.Enqueue(kLoginPath, LoginReply(true, "4"));
  EXPECT_FALSE(app->Login(5, "1001", "pw", result));
  EXPECT_EQ(result.rfind("！！执行开业清库失败：", 0), 0u) << result;
  EXPECT_NE(result.find("disk full"), std::string::npos) << result;
  EXPECT_EQ(StoredDataClear(5), "3");
  EXPECT_EQ(Checkpoints().size(), 3u);

  db.ClearFailures();
  server.Enqueue(kLoginPath, LoginReply(true, "4"));
  ASSERT_TRUE(app->Login(5, "1001", "pw", result)) << result;
  EXPECT_EQ(Checkpoints(), std::vector<std::string>{"5|CFG|bi_item"});
  EXPECT_EQ(StoredDataClear(5), "4");
}

// The upgrade stamp belongs to the enterprise logging in: after the first login of a fresh
// installation (stored id 0), a second login does not run the product's scripts again.
TEST_F(SPfAppLogin, UpgradeStampFollowsTheEnterpriseLoggingIn) {
  ASSERT_EQ(AppVar->SoftId.v(), 0);
  WritePackage("00012", {{1, "2020071700000001", "TB", "spf_t_once", "create table spf_t_once(id int)"}});
  server.SetDefault(kLoginPath, LoginReply(true, "1"));
  ASSERT_TRUE(app->Login(123, "1001", "pw", result)) << result;
  ASSERT_TRUE(app->Login(123, "1001", "pw", result)) << result;
  EXPECT_TRUE(db.Value("select sys_value from spf_t_sys_system where softid=123 and sys_id='DBLastUpdateVer'"));
}

// A login that changes the enterprise id brings that enterprise's member-points cache and
// saves the cache of the one before into its own folder.
TEST_F(SPfAppLogin, NewEnterpriseBringsItsPointsCache) {
  server.SetDefault(kLoginPath, LoginReply(true, "1"));
  ASSERT_TRUE(app->Login(5, "1001", "pw", result)) << result;
  AppVar->VipIntegralList.Add("V001", "10");
  std::filesystem::create_directories(machine.programDir() + "User/6");
  vqtest::WriteFileBytes(TSPfApp::VipIntegralFile(6), "V900=77\r\n");

  ASSERT_TRUE(app->Login(6, "1001", "pw", result)) << result;
  EXPECT_EQ(AppVar->VipIntegralList.Count(), 1);
  EXPECT_EQ(AppVar->VipIntegralList.GetValue("V900"), "77");
  EXPECT_EQ(vqtest::ReadFileBytes(TSPfApp::VipIntegralFile(5)), "V001=10\r\n");

  // No file for the next enterprise: its cache starts empty, nothing of the last one stays.
  ASSERT_TRUE(app->Login(7, "1001", "pw", result)) << result;
  EXPECT_EQ(AppVar->VipIntegralList.Count(), 0);

  // The same enterprise again keeps the cache in memory.
  AppVar->VipIntegralList.Add("V002", "3");
  ASSERT_TRUE(app->Login(7, "1001", "pw", result)) << result;
  EXPECT_EQ(AppVar->VipIntegralList.GetValue("V002"), "3");
}

struct AutoCase {
  const char* name;
  bool autoStart;
  std::string softVer;
  std::string arg;
  std::string loginSection;
  bool loggedIn;
};

// The automatic login needs the autorun entry, a product code, "-auto" in any case, a
// remembered password and an enterprise id above zero; it logs in as operator 1001 with the
// remembered password.
TEST_F(SPfAppLogin, AutoLoginConditions) {
  const std::string pw = "OperPwd=" + TvqLib::ToBase64("abc") + "\r\n";
  const AutoCase cases[] = {
      {"all set", true, "00012", "-AUTO", "SoftId=123\r\nSavePassword=1\r\n" + pw, true},
      {"default remember", true, "00012", "-auto", "SoftId=123\r\n" + pw, true},
      {"no autorun", false, "00012", "-auto", "SoftId=123\r\n" + pw, false},
      {"no product", true, "", "-auto", "SoftId=123\r\n" + pw, false},
      {"no argument", true, "00012", "", "SoftId=123\r\n" + pw, false},
      {"other argument", true, "00012", "-autox", "SoftId=123\r\n" + pw, false},
      {"not remembered", true, "00012", "-auto", "SoftId=123\r\nSavePassword=0\r\n" + pw, false},
      {"no id", true, "00012", "-auto", pw, false},
      {"id zero", true, "00012", "-auto", "SoftId=0\r\n" + pw, false},
      {"id no number", true, "00012", "-auto", "SoftId=abc\r\n" + pw, false},
  };
  server.SetDefault(kLoginPath, LoginReply(true, "1"));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WriteIni("[Login]\r\n" + c.loginSection);
    const std::size_t before = server.RequestsTo(kLoginPath).size();
    AppVar->AutoStart = c.autoStart;
    AppVar->SoftVer = c.softVer;
    EXPECT_EQ(app->AutoLogin(c.arg), c.loggedIn);
    const auto sent = JsonSent(kLoginPath);
    ASSERT_EQ(sent.size(), before + (c.loggedIn ? 1 : 0));
    if (c.loggedIn) {
      const auto json = nlohmann::json::parse(sent.back());
      EXPECT_EQ(json["softid"], 123);
      EXPECT_EQ(json["oper_id"], "1001");
      EXPECT_EQ(json["oper_pw"], TvqLib::GetMd5("KQabc7290"));
    }
  }
}

// A refused automatic login is logged with its reason.
TEST_F(SPfAppLogin, AutoLoginFailureIsLogged) {
  WriteIni("[Login]\r\nSoftId=9\r\n");
  AppVar->AutoStart = true;
  server.Enqueue(kLoginPath, LoginReply(false, "", "停用"));
  EXPECT_FALSE(app->AutoLogin("-auto"));
  EXPECT_EQ(logView->Count("[APP] [自动登录]停用"), 1u);
}

}  // namespace
}  // namespace tessaly
