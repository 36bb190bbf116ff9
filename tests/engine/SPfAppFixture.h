#pragma once
// Shared fixture of the engine object's tests: an emulated machine whose program folder holds
// Tessaly.ini (pointing the platform client at a fake platform server and the direct database
// settings at a back-office database on the T-SQL test driver), the upgrade packages in data/,
// a fake clock whose sleeps cost a thousandth of their length, a capture of every log line and
// the engine object itself, created and initialised by SetUp.
//
// The engine connects through the SQL Server driver names it knows, so the fixture adds a
// "SQL Server" entry for the test driver to the process's test odbcinst.ini.
#include <gtest/gtest.h>

#include <chrono>
#include <clocale>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "engine/AppDMUtil.h"
#include "engine/AppUtil.h"
#include "engine/AppVarUtil.h"
#include "foundation/Clock.h"
#include "foundation/Logger.h"
#include "foundation/VqLibText.h"
#include "foundation/VqLibUtil.h"
#include "foundation/VqNetUtil.h"
#include "support/AgentSchema.h"
#include "support/CapturedLogView.h"
#include "support/FakeClock.h"
#include "support/FakePlatformServer.h"
#include "support/MachineRootFixture.h"
#include "support/TempDir.h"
#include "support/TestOdbc.h"
#include "support/UpgradePackage.h"

namespace tessaly {

class SPfAppFixture : public ::testing::Test {
 protected:
  static constexpr const char* kLoginPath = "Login.ashx";
  static constexpr const char* kVipCfgPath = "UpVipSrvConfig.ashx";
  // An upgrade script that may run any number of times.
  static constexpr const char* kCommonScript =
      "if not exists(select 1 from sysobjects where name='spf_t_common_probe') "
      "create table spf_t_common_probe(id int)";

  void SetUp() override {
    std::setlocale(LC_ALL, "C.UTF-8");
    vqtest::RegisterDriverAlias("SQL Server");
    vqtest::ApplyAgentSchema(db);
    db.SetScalarText("fn_spf_soft_get_branch_no", "0001");
    db.SetScalarText("fn_spf_soft_get_distributed", "2");
    WriteIni("");
    WritePackage("99999", {{1, "2020071700000001", "", "probe", kCommonScript}});
    WritePackage("00012", {});

    logger = std::make_unique<TLogger>();
    logger->SetLogFilenamePer("Tessaly");
    logger->SetEnabled(true);
    logView = std::make_shared<vqtest::CapturedLogView>();
    logger->SetLogShower(logView);
    Logger.store(logger.get());
    TvqLib::DetailLogEnabled = true;
    clock.SetSleepMode(vqtest::FakeClock::SleepMode::Scaled, 0.001);
    SetClock(&clock);

    NewEngine();
  }

  void TearDown() override {
    app.reset();
    SetClock(nullptr);
    TvqLib::DetailLogEnabled = false;
    Logger.store(nullptr);
    NetClientMode = 1;
  }

  // A fresh engine object over the current settings file.
  void NewEngine() {
    app.reset();
    app = std::make_unique<TSPfApp>();
    app->Init();
  }

  // Tessaly.ini: product 00012 on the test database, the fake platform, `clientExtra` lines in
  // section SPFClient and `extra` sections after.
  void WriteIni(const std::string& extra, const std::string& clientExtra = "") const {
    vqtest::WriteFileBytes(machine.programDir() + "Tessaly.ini",
                           "[SPFClient]\r\nSoftVer=00012\r\nSpfHostUrl=" + server.baseUrl() + "\r\n" + clientExtra +
                               "\r\n[DBConfig_00012]\r\nDBHost=127.0.0.1,1433\r\nDBUser=sa\r\nDBPwd=" +
                               TvqLib::ToBase64("test") + "\r\nDBName=" + db.DatabasePath() + "\r\n" + extra);
  }

  void WritePackage(const std::string& name, const std::vector<vqtest::UpgradeRow>& rows) const {
    vqtest::WriteUpgradePackage(machine.programDir() + "data/" + name + ".dat", rows);
  }

  // Polls the state word until it holds `state`; false after `guardMs` of real time (a hang
  // guard, not a timing).
  [[nodiscard]] static bool WaitState(int state, int guardMs = 20000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(guardMs);
    while (AppVar->UploadState.v() != state) {
      if (std::chrono::steady_clock::now() > end) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
  }

  // Until `count` log lines hold `part` (same guard).
  [[nodiscard]] bool WaitLog(const std::string& part, std::size_t count = 1, int guardMs = 20000) const {
    return logView->WaitFor(part, count, guardMs);
  }

  // A login reply of the platform.
  static vqtest::FakeReply LoginReply(bool ok, const std::string& dataClear, const std::string& errMsg = "") {
    return vqtest::FakeReply::Json(std::string("{\"bResult\":") + (ok ? "true" : "false") + ",\"errMsg\":\"" +
                                   errMsg + "\",\"oResult\":\"" + dataClear + "\"}");
  }
  static vqtest::FakeReply Accepted() { return vqtest::FakeReply::Json("{\"bResult\":true,\"errMsg\":\"\"}"); }

  // The JSON text of every request to `path`, in order.
  [[nodiscard]] std::vector<std::string> JsonSent(const std::string& path) const {
    std::vector<std::string> out;
    for (const auto& r : server.RequestsTo(path)) out.push_back(r.field("json"));
    return out;
  }

  // Checkpoint rows "softid|type|table", in key order.
  [[nodiscard]] std::vector<std::string> Checkpoints() {
    std::vector<std::string> out;
    for (const auto& row : db.Query("select softid, trans_type, table_name from spf_t_trans_record "
                                    "order by softid, trans_type, table_name"))
      out.push_back(row[0].value_or("") + "|" + row[1].value_or("") + "|" + row[2].value_or(""));
    return out;
  }

  vqtest::MachineRootFixture machine;
  vqtest::FakePlatformServer server;
  vqtest::TestOdbc db;
  vqtest::FakeClock clock;
  std::unique_ptr<TLogger> logger;
  std::shared_ptr<vqtest::CapturedLogView> logView;
  std::unique_ptr<TSPfApp> app;
  std::string result;
};

}  // namespace tessaly
