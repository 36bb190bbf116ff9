#pragma once
// The world of a worker thread test: a program folder whose Tessaly.ini points the platform
// client at a fake platform server, a back-office database on the T-SQL test driver with the
// agent's fixture schema, the settings-and-state object, the database module and the platform
// client as the engine object would set them, a fake clock (instant sleeps by default) and a
// capture of every log line.
//
// Header only: it builds on the engine library, which test_support does not link.
//
// The workers a test makes go into `workers`; TearDown frees them first, so their threads end
// before the clock, the globals and the database go. Waits take a real-time hang guard, not a
// timing.
#include <gtest/gtest.h>

#include <chrono>
#include <clocale>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "engine/AppDMUtil.h"
#include "engine/AppServiceUtil.h"
#include "engine/AppSvrSDK.h"
#include "engine/AppVarUtil.h"
#include "foundation/Clock.h"
#include "foundation/Logger.h"
#include "foundation/VqLibUtil.h"
#include "foundation/VqNetUtil.h"
#include "support/AgentSchema.h"
#include "support/CapturedLogView.h"
#include "support/FakeClock.h"
#include "support/FakePlatformServer.h"
#include "support/MachineRootFixture.h"
#include "support/TempDir.h"
#include "support/TestDbParams.h"
#include "support/TestOdbc.h"

namespace vqtest {

// One row of the sync catalogue (spf_t_trans_table).
struct CatalogueRow {
  std::string transTable;
  std::string tableName;
  std::string updateSql;
  std::string deleteSql;
  std::string transType = "BI";
  int transTag = 0;                 // 1: changes found by date
  std::optional<int> softDist = 0;  // nullopt: NULL
  std::string table2Name;
  int transState = 1;
};

class WorkerFixture : public ::testing::Test {
 protected:
  static constexpr const char* kUploadPath = "UpTable.ashx";

  void SetUp() override {
    std::setlocale(LC_ALL, "C.UTF-8");
    tessaly::NetClientMode = 0;
    WriteFileBytes(machine.programDir() + "Tessaly.ini", "[SPFClient]\r\nSpfHostUrl=" + server.baseUrl() + "\r\n");
    logger = std::make_unique<tessaly::TLogger>();
    logger->SetLogFilenamePer("Tessaly");
    logger->SetEnabled(true);
    logView = std::make_shared<CapturedLogView>();
    logger->SetLogShower(logView);
    tessaly::Logger.store(logger.get());
    tessaly::TvqLib::DetailLogEnabled = true;

    tessaly::SetClock(&clock);
    tessaly::AppVar = &appVar;
    appVar.SoftId.v(5);
    appVar.SoftVer = "00008";
    appVar.DBDistributed = 1;
    ApplyAgentSchema(db);
    dm.FDConnection.SetParams(MainParams());
    tessaly::AppDM = &dm;
    tessaly::SpfSvrSDK = &sdk;
    server.SetDefault(kUploadPath, Accepted());
  }

  void TearDown() override {
    workers.clear();
    tessaly::SpfSvrSDK = nullptr;
    tessaly::AppDM = nullptr;
    tessaly::AppVar = nullptr;
    tessaly::SetClock(nullptr);
    tessaly::TvqLib::DetailLogEnabled = false;
    tessaly::Logger.store(nullptr);
    tessaly::NetClientMode = 1;
  }

  [[nodiscard]] tessaly::TDbParams MainParams() const {
    return TestDriverParams(db.DatabasePath());
  }

  // The platform's acceptance of a page, and its refusal.
  [[nodiscard]] static FakeReply Accepted() { return FakeReply::Json("{\"bResult\":true,\"errMsg\":\"\"}"); }
  [[nodiscard]] static FakeReply Refused(const std::string& errMsg = "refused") {
    return FakeReply::Json("{\"bResult\":false,\"errMsg\":\"" + errMsg + "\"}");
  }

  // Adds a catalogue row for the current product, after the rows added before.
  void AddCatalogue(const CatalogueRow& row) {
    const auto quote = [](const std::string& s) {
      std::string out = "'";
      for (char c : s) out += c == '\'' ? std::string("''") : std::string(1, c);
      return out + "'";
    };
    const auto optional = [&](const std::string& s) { return s.empty() ? std::string("NULL") : quote(s); };
    ++catalogueIndex_;
    std::string error;
    ASSERT_TRUE(db.Exec(
        "insert into spf_t_trans_table(trans_index,soft_ver,trans_state,soft_dist,trans_type,trans_table,"
        "table_name,table2_name,trans_tag,get_delete_sql,get_update_sql) values(" +
            std::to_string(catalogueIndex_) + "," + quote(appVar.SoftVer) + "," + std::to_string(row.transState) + "," +
            (row.softDist ? std::to_string(*row.softDist) : std::string("NULL")) + "," + quote(row.transType) + "," +
            quote(row.transTable) + "," + quote(row.tableName) + "," + optional(row.table2Name) + "," +
            std::to_string(row.transTag) + "," + optional(row.deleteSql) + "," + optional(row.updateSql) + ")",
        &error))
        << error;
  }

  // The change number the back office reports for a table (product codes 00008 and 00009).
  void SetMaxChange(const std::string& table, int change) {
    std::string error;
    ASSERT_TRUE(db.Exec("insert or replace into vq_tab_tabledesc(table_name,max_change) values('" + table + "'," +
                            std::to_string(change) + ")",
                        &error))
        << error;
  }
  // The newest delete number of a table, read by the delete pass (same products).
  void AddDeleteChange(const std::string& table, int change) {
    std::string error;
    ASSERT_TRUE(db.Exec(
        "insert into bi_t_datadelete(table_name,local_change) values('" + table + "'," + std::to_string(change) + ")",
        &error))
        << error;
  }

  // A stored checkpoint of the current enterprise: change number, or nullopt when none.
  [[nodiscard]] std::optional<int> Checkpoint(const std::string& type, const std::string& table) {
    const auto value =
        db.Value("select last_change from spf_t_trans_record where softid=" + std::to_string(appVar.SoftId.v()) +
                 " and trans_type='" + type + "' and table_name='" + table + "'");
    if (!value) return std::nullopt;
    return std::stoi(*value);
  }
  void SetCheckpoint(const std::string& type, const std::string& table, int change,
                     const std::string& date = "1899-12-30 00:00:00.000") {
    std::string error;
    ASSERT_TRUE(
        db.Exec("insert or replace into spf_t_trans_record(softid,trans_type,table_name,last_change,"
                "last_date) values(" +
                    std::to_string(appVar.SoftId.v()) + ",'" + type + "','" + table + "'," + std::to_string(change) +
                    ",'" + date + "')",
                &error))
        << error;
  }

  // Makes a worker (running at once) and keeps it until TearDown.
  tessaly::TUploadWorker& AddWorker(bool pullWorker, tessaly::TOnTips onTips = {}) {
    workers.push_back(std::make_unique<tessaly::TUploadWorker>(pullWorker, std::move(onTips)));
    return *workers.back();
  }

  // Polls `condition` until it holds; false when `guardMs` of real time pass first.
  [[nodiscard]] static bool WaitUntil(const std::function<bool()>& condition, int guardMs = 20000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(guardMs);
    while (!condition()) {
      if (std::chrono::steady_clock::now() > end) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
  }
  [[nodiscard]] bool WaitState(int state, int guardMs = 20000) {
    return WaitUntil([&] { return appVar.UploadState.v() == state; }, guardMs);
  }
  // Until `count` log lines hold `part`.
  [[nodiscard]] bool WaitLog(const std::string& part, std::size_t count = 1, int guardMs = 20000) {
    return logView->WaitFor(part, count, guardMs);
  }

  // The page texts posted to the upload path, in order.
  [[nodiscard]] std::vector<std::string> PostedPages() const {
    std::vector<std::string> out;
    for (const auto& request : server.RequestsTo(kUploadPath)) out.push_back(request.field("json"));
    return out;
  }
  // The rows of the pages posted under member `member`, parsed, in order.
  [[nodiscard]] std::vector<nlohmann::ordered_json> PostedRows(const std::string& member) const {
    std::vector<nlohmann::ordered_json> out;
    for (const auto& page : PostedPages()) {
      const auto json = nlohmann::ordered_json::parse(page, nullptr, false);
      if (json.is_object() && json.contains(member) && json[member].is_array())
        for (const auto& row : json[member]) out.push_back(row);
    }
    return out;
  }

  MachineRootFixture machine;
  FakePlatformServer server;
  TestOdbc db;
  FakeClock clock;
  tessaly::TAppVar appVar;
  tessaly::TAppDM dm;
  tessaly::TVqSpfSvrSDK sdk;
  std::unique_ptr<tessaly::TLogger> logger;
  std::shared_ptr<CapturedLogView> logView;
  std::vector<std::unique_ptr<tessaly::TUploadWorker>> workers;

 private:
  int catalogueIndex_ = 0;
};

}  // namespace vqtest
