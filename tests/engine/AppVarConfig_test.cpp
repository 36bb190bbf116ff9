#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "engine/AppUtil.h"
#include "engine/AppVarUtil.h"
#include "engine/DMUnit.h"
#include "foundation/DateTime.h"
#include "foundation/VqLibUtil.h"
#include "support/MachineRootFixture.h"
#include "support/TempDir.h"

namespace tessaly {
namespace {

// A fresh machine with an empty program folder and a settings-and-state object of its own.
class AppVarConfig : public ::testing::Test {
 protected:
  void SetUp() override {
    AppVar = var_.get();
    IsDMSqlLog = false;
    IsDebugMemory = false;
  }
  void TearDown() override {
    AppVar = nullptr;
    IsDMSqlLog = false;
    IsDebugMemory = false;
    TvqLib::DetailLogEnabled = false;
  }

  [[nodiscard]] std::string Dir() const { return machine_.programDir(); }
  void WriteIni(const std::string& text) const { vqtest::WriteFileBytes(Dir() + "Tessaly.ini", text); }
  void WriteBackOffice(const std::string& text) const {
    vqtest::WriteFileBytes(Dir() + "vqdunmere_pro.ini", "[app_env]\r\n" + text);
  }
  [[nodiscard]] std::string Key(const std::string& sect, const std::string& key) const {
    return TvqLib::IniRead(sect, key, "<missing>");
  }
  // A new object loaded from the files, as at the next start-up.
  TAppVar& Reload() {
    var_ = std::make_unique<TAppVar>();
    AppVar = var_.get();
    TSPfApp::CfgLoad();
    return *var_;
  }
  // The key names of a section of Tessaly.ini, in file order.
  [[nodiscard]] std::vector<std::string> KeysOf(const std::string& sect) const {
    std::vector<std::string> keys;
    const std::string text = vqtest::ReadFileBytes(Dir() + "Tessaly.ini");
    bool inside = false;
    std::size_t pos = 0;
    while (pos < text.size()) {
      std::size_t end = text.find('\n', pos);
      if (end == std::string::npos) end = text.size();
      std::string line = text.substr(pos, end - pos);
      pos = end + 1;
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (!line.empty() && line.front() == '[') {
        inside = line == "[" + sect + "]";
      } else if (inside && line.find('=') != std::string::npos) {
        keys.push_back(line.substr(0, line.find('=')));
      }
    }
    return keys;
  }

  vqtest::MachineRootFixture machine_;
  std::unique_ptr<TAppVar> var_ = std::make_unique<TAppVar>();
};

// Without a settings file every value is the settings' default and no database section is read.
TEST_F(AppVarConfig, NoSettingsFileGivesDefaults) {
  TAppVar& a = Reload();
  EXPECT_EQ(a.SoftVer, "");
  EXPECT_EQ(a.SoftVerName, "");
  EXPECT_EQ(a.SoftModel, 0);
  EXPECT_EQ(a.SoftId.v(), 0);
  EXPECT_FALSE(a.AutoStart);
  EXPECT_EQ(a.AutoStartWaitTime, 5000);
  EXPECT_EQ(a.UploadPageSize.v(), 20);
  EXPECT_EQ(a.PullPageSize.v(), 10);  // the file's default replaces the object's 20
  EXPECT_EQ(a.UploadVipintegralFlag.v(), 0);
  EXPECT_TRUE(a.PullSelfCollect.v());
  EXPECT_FALSE(a.PullWXApplet.v());
  EXPECT_EQ(a.PullStartDate.v(), 0.0);
  EXPECT_EQ(a.IsNewOrderTips.v(), 1);
  EXPECT_FALSE(a.IsDetailLog.v());
  EXPECT_FALSE(a.IsHQBranchTransAll.v());
  EXPECT_EQ(a.UploadWaitTime.v(), 60);
  EXPECT_EQ(a.DownloadWaitTime.v(), 10);
  EXPECT_EQ(a.UploadState.v(), TUploadState::Stopped);
  EXPECT_EQ(a.DBMode, 0);
  EXPECT_EQ(a.DBHost, "");  // CfgDBLoad does nothing without a product code
  EXPECT_EQ(a.DBUser, "");
  EXPECT_EQ(a.DBName, "");
  EXPECT_FALSE(a.SvrVIPConnOK.v());
  EXPECT_FALSE(IsDMSqlLog);
  EXPECT_FALSE(IsDebugMemory);
  EXPECT_FALSE(std::filesystem::exists(Dir() + "Tessaly.ini"));
}

// Every key CfgSave writes comes back unchanged through CfgLoad (mode 0 product).
TEST_F(AppVarConfig, SaveLoadRoundTripOfEveryKey) {
  TAppVar& a = *var_;
  a.SoftVer = "00012";
  a.SoftVerName = "连锁版";
  a.SoftModel = 1;
  a.SoftId.v(12345);
  a.AutoStartWaitTime = 8000;
  a.UploadPageSize.v(55);
  a.UploadVipintegralFlag.v(1);
  a.PullPageSize.v(33);
  a.PullSelfCollect.v(false);
  a.PullWXApplet.v(true);
  a.PullStartDate.v(EncodeDateTime({2021, 3, 4, 15, 16, 17, 0}));
  a.IsNewOrderTips.v(0);
  a.IsDetailLog.v(true);
  a.IsHQBranchTransAll.v(true);
  a.DBMode = 0;
  a.DBHost = "db.local,1444";
  a.DBUser = "shop";
  a.DBPwd = "p@ss=;#";
  a.DBName = "shopdb";
  a.SvrVIPHost = "vip.local";
  a.SvrVIPPort = 8123;
  a.SvrVIPConnOK.v(true);
  a.DBDistributed = 2;
  TSPfApp::CfgSave();

  TAppVar& b = Reload();
  EXPECT_EQ(b.SoftVer, "00012");
  EXPECT_EQ(b.SoftVerName, "连锁版");
  EXPECT_EQ(b.SoftModel, 1);
  EXPECT_EQ(b.SoftId.v(), 12345);
  EXPECT_EQ(b.AutoStartWaitTime, 8000);
  EXPECT_EQ(b.UploadPageSize.v(), 55);
  EXPECT_EQ(b.UploadVipintegralFlag.v(), 1);
  EXPECT_EQ(b.PullPageSize.v(), 33);
  EXPECT_FALSE(b.PullSelfCollect.v());
  EXPECT_TRUE(b.PullWXApplet.v());
  EXPECT_EQ(b.PullStartDate.v(), EncodeDate(2021, 3, 4));  // stored as the start of the day
  EXPECT_EQ(b.IsNewOrderTips.v(), 0);
  EXPECT_TRUE(b.IsDetailLog.v());
  EXPECT_TRUE(b.IsHQBranchTransAll.v());
  EXPECT_EQ(b.DBMode, 0);
  EXPECT_EQ(b.DBHost, "db.local,1444");
  EXPECT_EQ(b.DBUser, "shop");
  EXPECT_EQ(b.DBPwd, "p@ss=;#");
  EXPECT_EQ(b.DBName, "shopdb");
  EXPECT_EQ(b.SvrVIPHost, "vip.local");
  EXPECT_EQ(b.SvrVIPPort, 8123);
  EXPECT_TRUE(b.SvrVIPConnOK.v());
  EXPECT_EQ(b.DBDistributed, 0);  // written, never read
  EXPECT_EQ(Key("DBConfig_00012", "DBDistributed"), "2");

  EXPECT_EQ(Key("SPFClient", "PullStartDate"), "2021-03-04 00:00:00");
  EXPECT_EQ(Key("SPFClient", "PullSelfCollect"), "False");
  EXPECT_EQ(Key("SPFClient", "PullWXApplet"), "True");
  EXPECT_EQ(Key("SPFClient", "AutoStart"), "False");
}

// The database keys of modes 1 and 2 round-trip, and each mode writes only its own keys.
TEST_F(AppVarConfig, ServerModesRoundTripTheirOwnKeys) {
  struct Case {
    const char* code;
    int mode;
  };
  for (const Case c : {Case{"00029", 1}, Case{"00040", 2}}) {
    SCOPED_TRACE(c.code);
    var_ = std::make_unique<TAppVar>();
    AppVar = var_.get();
    TAppVar& a = *var_;
    a.SoftVer = c.code;
    a.DBMode = c.mode;
    a.SvrHost = "srv-" + std::string(c.code);
    a.SvrPort = 9011;
    a.SvrDBTitle = "帐套一";
    a.SvrDBName = "acct_01";
    a.SvrDBId = "AB12";
    a.SvrUseWSDL = true;
    a.DBHost = "not,saved";
    TSPfApp::CfgSave();

    TAppVar& b = Reload();
    const std::string sect = std::string("DBConfig_") + c.code;
    EXPECT_EQ(b.DBMode, c.mode);
    EXPECT_EQ(b.SvrHost, "srv-" + std::string(c.code));
    EXPECT_EQ(b.SvrPort, 9011);
    EXPECT_EQ(b.SvrDBName, "acct_01");
    EXPECT_EQ(Key(sect, "DBHost"), "<missing>");
    EXPECT_EQ(Key(sect, "DBPwd"), "<missing>");
    if (c.mode == 1) {
      EXPECT_EQ(b.SvrDBTitle, "帐套一");
      EXPECT_TRUE(b.SvrUseWSDL);
      EXPECT_EQ(b.SvrDBId, "");
      EXPECT_EQ(Key(sect, "SvrDBId"), "<missing>");
    } else {
      EXPECT_EQ(b.SvrDBId, "AB12");
      EXPECT_EQ(b.SvrDBTitle, "");
      EXPECT_FALSE(b.SvrUseWSDL);
      EXPECT_EQ(Key(sect, "SvrDBTitle"), "<missing>");
      EXPECT_EQ(Key(sect, "SvrUseWSDL"), "<missing>");
    }
  }
}

// CfgSave writes section SPFClient in its fixed key order; the keys only a person writes stay out.
TEST_F(AppVarConfig, SaveWritesClientSectionInOrder) {
  var_->PullStartDate.v(EncodeDate(2020, 1, 2));
  TSPfApp::CfgSave();
  const std::vector<std::string> expected{
      "SoftVer",        "SoftVerName",       "SoftModel",         "SoftId",
      "AutoStart",      "AutoStartWaitTime", "UploadPageSize",    "UploadVipintegralFlag",
      "PullPageSize",   "PullSelfCollect",   "PullWXApplet",      "PullStartDate",
      "IsNewOrderTips", "IsDetailLog",       "IsHQBranchTransAll"};
  EXPECT_EQ(KeysOf("SPFClient"), expected);
}

// Booleans read "True"/"False" in any case or a number (0 false, any other true); other text
// gives the default, so each case is checked against both defaults.
TEST_F(AppVarConfig, BooleanForms) {
  struct Case {
    const char* text;
    bool whenDefTrue;   // PullSelfCollect, default True
    bool whenDefFalse;  // PullWXApplet, default False
  };
  const Case cases[] = {
      {"TRUE", true, true}, {"true", true, true}, {"False", false, false}, {"fALSE", false, false},
      {"0", false, false},  {"5", true, true},    {"-1", true, true},      {" 1 ", true, true},
      {"", true, false},    {"yes", true, false}, {"1x", true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("value '") + c.text + "'");
    WriteIni(std::string("[SPFClient]\r\nPullSelfCollect=") + c.text + "\r\nPullWXApplet=" + c.text +
             "\r\nIsDMSqlLog=" + c.text + "\r\n");
    TAppVar& a = Reload();
    EXPECT_EQ(a.PullSelfCollect.v(), c.whenDefTrue);
    EXPECT_EQ(a.PullWXApplet.v(), c.whenDefFalse);
    EXPECT_EQ(IsDMSqlLog.load(), c.whenDefFalse);
  }
}

// Hand-edited page sizes below 1 load as 1 (they divide the work into pages); unreadable ones
// give the default.
TEST_F(AppVarConfig, PageSizesAreAtLeastOne) {
  struct Case {
    const char* text;
    int upload;
    int pull;
  };
  for (const Case& c : {Case{"0", 1, 1}, Case{"-5", 1, 1}, Case{"7", 7, 7}, Case{"abc", 20, 10}, Case{"", 20, 10},
                        Case{"99999999999", 20, 10}}) {
    SCOPED_TRACE(c.text);
    WriteIni(std::string("[SPFClient]\r\nUploadPageSize=") + c.text + "\r\nPullPageSize=" + c.text + "\r\n");
    TAppVar& a = Reload();
    EXPECT_EQ(a.UploadPageSize.v(), c.upload);
    EXPECT_EQ(a.PullPageSize.v(), c.pull);
  }
}

// The person-written switches IsDMSqlLog and IsDebugMemory follow the file at every load.
TEST_F(AppVarConfig, LoadSetsProcessSwitches) {
  WriteIni("[SPFClient]\r\nIsDMSqlLog=True\r\nIsDebugMemory=1\r\n");
  (void)Reload();
  EXPECT_TRUE(IsDMSqlLog);
  EXPECT_TRUE(IsDebugMemory);
  WriteIni("[SPFClient]\r\nIsDMSqlLog=false\r\n");
  (void)Reload();
  EXPECT_FALSE(IsDMSqlLog);
  EXPECT_FALSE(IsDebugMemory);
}

// The detailed-logging switch follows IsDetailLog at a save, never at a load.
TEST_F(AppVarConfig, DetailLogSwitchFollowsSaveOnly) {
  TvqLib::DetailLogEnabled = true;
  WriteIni("[SPFClient]\r\nIsDetailLog=False\r\n");
  TAppVar& a = Reload();
  EXPECT_TRUE(TvqLib::DetailLogEnabled);
  TSPfApp::CfgSave();
  EXPECT_FALSE(TvqLib::DetailLogEnabled);
  a.IsDetailLog.v(true);
  TSPfApp::CfgSave();
  EXPECT_TRUE(TvqLib::DetailLogEnabled);
}

// AutoStart comes from the autorun entry; the file's AutoStart key plays no part.
TEST_F(AppVarConfig, AutoStartFollowsTheAutorunEntry) {
  WriteIni("[SPFClient]\r\nAutoStart=True\r\n");
  EXPECT_FALSE(Reload().AutoStart);
  ASSERT_TRUE(TvqLib::SetAutoStart("VqSPFTransClient", true));
  WriteIni("[SPFClient]\r\nAutoStart=False\r\n");
  EXPECT_TRUE(Reload().AutoStart);
}

// A zero start date at save keeps the earlier date in the file, and the next load restores it;
// an unreadable date loads as zero.
TEST_F(AppVarConfig, PullStartDateZeroKeepsFileValue) {
  WriteIni("[SPFClient]\r\nPullStartDate=2019-05-06 00:00:00\r\n");
  TAppVar& a = Reload();
  EXPECT_EQ(a.PullStartDate.v(), EncodeDate(2019, 5, 6));
  a.PullStartDate.v(0);
  TSPfApp::CfgSave();
  EXPECT_EQ(Key("SPFClient", "PullStartDate"), "2019-05-06 00:00:00");
  EXPECT_EQ(Reload().PullStartDate.v(), EncodeDate(2019, 5, 6));

  WriteIni("[SPFClient]\r\nPullStartDate=06/05/2019 xx\r\n");
  EXPECT_EQ(Reload().PullStartDate.v(), 0.0);
}

// Passwords are stored as Base64 of their UTF-8 bytes; an empty one as an empty value.
TEST_F(AppVarConfig, PasswordsAreBase64OfUtf8) {
  var_->SoftVer = "00008";
  var_->DBPwd = "密码Ab1";
  TSPfApp::CfgDBSave();
  EXPECT_EQ(Key("DBConfig_00008", "DBPwd"), "5a+G56CBQWIx");
  var_->DBPwd = "changed";
  TSPfApp::CfgDBLoad("");
  EXPECT_EQ(var_->DBPwd, "密码Ab1");

  var_->DBPwd = "";
  TSPfApp::CfgDBSave();
  EXPECT_EQ(Key("DBConfig_00008", "DBPwd"), "");
  EXPECT_NE(vqtest::ReadFileBytes(Dir() + "Tessaly.ini").find("DBPwd=\r\n"), std::string::npos);
  TSPfApp::CfgDBLoad("");
  EXPECT_EQ(var_->DBPwd, "");
}

// The product code decides the database mode and, for listed codes, the family; a stored
// family survives for the other codes.
TEST_F(AppVarConfig, ProductCodeTableOnLoad) {
  struct Case {
    const char* code;
    int fileModel;
    int mode;
    int model;
  };
  const Case cases[] = {
      {"00012", 0, 0, 1}, {"00008", 0, 0, 1}, {"00009", 0, 0, 0},  {"00009", 3, 0, 3},
      {"00029", 0, 1, 2}, {"00039", 0, 1, 2}, {"00050", 0, 2, 2},  {"00040", 3, 2, 2},
      {"12345", 3, 0, 3}, {"0012", 0, 0, 0},  {"000120", 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.code) + "/" + std::to_string(c.fileModel));
    WriteIni(std::string("[SPFClient]\r\nSoftVer=") + c.code + "\r\nSoftModel=" + std::to_string(c.fileModel) + "\r\n");
    TAppVar& a = Reload();
    EXPECT_EQ(a.DBMode, c.mode);
    EXPECT_EQ(a.SoftModel, c.model);
    EXPECT_EQ(TSPfApp::GetDBMode(a.SoftVer), c.mode);
  }
}

// Connection defaults of modes 0 and 1 from the back-office settings file and the product.
TEST_F(AppVarConfig, DatabaseDefaults) {
  struct Case {
    const char* name;
    const char* code;
    const char* section;     // DBConfig_<code> content, CR LF lines
    const char* backOffice;  // nullptr: no back-office file
    const char* dbHost;
    const char* dbName;
    const char* svrHost;
    int svrPort;
  };
  const Case cases[] = {
      {"account set 3", "00012", "", "Server_ip=10.0.0.5\r\nserver_port=1500\r\nnow_use=3\r\n", "10.0.0.5,1500",
       "vqhalvik_03", "", 0},
      {"account set 123", "00012", "", "Server_ip=10.0.0.5\r\nserver_port=1500\r\nnow_use=123\r\n", "10.0.0.5,1500",
       "vqhalvik_23", "", 0},
      {"database named", "00012", "", "datebase=shop_x\r\nnow_use=3\r\n", "127.0.0.1,1433", "shop_x", "", 0},
      {"empty back-office file", "00012", "", "", "127.0.0.1,1433", "vqhalvik_01", "", 0},
      {"no back-office file", "00008", "", nullptr, "127.0.0.1,1433", "vqcorvath_01", "", 0},
      {"now_use only for 00012", "00008", "", "now_use=3\r\n", "127.0.0.1,1433", "vqcorvath_01", "", 0},
      {"stored host wins", "00012", "DBHost=h,1\r\nDBName=d\r\n", "Server_ip=10.0.0.5\r\nnow_use=3\r\n", "h,1", "d", "",
       0},
      {"unknown code", "77777", "", nullptr, "127.0.0.1,1433", "", "", 0},
      {"server product", "00029", "", "Server_ip=srv01\r\nserver_port=9011\r\n", "", "", "srv01", 9011},
      {"server product, stored host", "00029", "SvrHost=mine\r\nSvrPort=77\r\n",
       "Server_ip=srv01\r\nserver_port=9011\r\n", "", "", "mine", 77},
      {"hosted product, no defaults", "00050", "", "Server_ip=srv01\r\nserver_port=9011\r\n", "", "", "", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(Dir() + "vqdunmere_pro.ini");
    if (c.backOffice) WriteBackOffice(c.backOffice);
    WriteIni(std::string("[SPFClient]\r\nSoftVer=") + c.code + "\r\n[DBConfig_" + c.code + "]\r\n" + c.section);
    TAppVar& a = Reload();
    EXPECT_EQ(a.DBHost, c.dbHost);
    EXPECT_EQ(a.DBName, c.dbName);
    EXPECT_EQ(a.DBUser, a.DBMode == 0 ? "sa" : "");
    EXPECT_EQ(a.SvrHost, c.svrHost);
    EXPECT_EQ(a.SvrPort, c.svrPort);
  }
}

// Choosing another product loads its section and keeps the fields of the other modes.
TEST_F(AppVarConfig, SwitchingProductKeepsOtherModesFields) {
  WriteIni(
      "[SPFClient]\r\nSoftVer=00029\r\n"
      "[DBConfig_00029]\r\nSvrHost=srv01\r\nSvrPort=9011\r\nSvrDBTitle=T1\r\nSvrDBName=acct\r\n"
      "SvrUseWSDL=True\r\nSvrVIPHost=vip\r\nSvrVIPPort=81\r\nSvrVIPConnOK=True\r\n");
  TAppVar& a = Reload();
  ASSERT_EQ(a.SvrHost, "srv01");

  TSPfApp::CfgDBLoad("00012");
  EXPECT_EQ(a.SoftVer, "00029");
  EXPECT_EQ(a.DBMode, 0);
  EXPECT_EQ(a.DBHost, "127.0.0.1,1433");
  EXPECT_EQ(a.DBUser, "sa");
  EXPECT_EQ(a.DBName, "vqhalvik_01");
  EXPECT_EQ(a.SvrHost, "srv01");
  EXPECT_EQ(a.SvrPort, 9011);
  EXPECT_EQ(a.SvrDBTitle, "T1");
  EXPECT_EQ(a.SvrDBName, "acct");
  EXPECT_TRUE(a.SvrUseWSDL);
  // The member-service keys belong to every mode, so they follow the new product.
  EXPECT_EQ(a.SvrVIPHost, "");
  EXPECT_EQ(a.SvrVIPPort, 0);
  EXPECT_FALSE(a.SvrVIPConnOK.v());

  TSPfApp::CfgDBLoad("00029");
  EXPECT_EQ(a.DBMode, 1);
  EXPECT_EQ(a.DBHost, "127.0.0.1,1433");
  EXPECT_EQ(a.SvrVIPHost, "vip");
}

// The member-points cache loads from the stored enterprise's folder and saves into the
// current one; a missing file leaves the list as it was.
TEST_F(AppVarConfig, MemberPointsCacheFollowsSoftId) {
  vqtest::WriteFileBytes(Dir() + "User/7/VIPIntegral.dat", "V001=120\r\nV002=5\r\n");
  WriteIni("[SPFClient]\r\nSoftId=7\r\n");
  TAppVar& a = Reload();
  ASSERT_EQ(a.VipIntegralList.Count(), 2);
  EXPECT_EQ(a.VipIntegralList.GetValue("V001"), "120");

  a.SoftId.v(8);
  a.VipIntegralList.Update("V002", "9");
  TSPfApp::CfgSave();
  EXPECT_EQ(vqtest::ReadFileBytes(Dir() + "User/8/VIPIntegral.dat"), "V001=120\r\nV002=9\r\n");
  EXPECT_EQ(vqtest::ReadFileBytes(Dir() + "User/7/VIPIntegral.dat"), "V001=120\r\nV002=5\r\n");

  var_->VipIntegralList.Add("kept", "1");
  WriteIni("[SPFClient]\r\nSoftId=9\r\n");
  TSPfApp::CfgLoad();
  EXPECT_EQ(var_->VipIntegralList.GetValue("kept"), "1");
}

}  // namespace
}  // namespace tessaly
