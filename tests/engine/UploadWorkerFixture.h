#pragma once
// The uploader's test world: WorkerFixture plus back-office tables with numbered rows and a way
// to run exactly one upload cycle (each engine start runs one at its first active tick).
#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "support/WorkerFixture.h"

namespace tessaly {

class UploadWorkerTest : public vqtest::WorkerFixture {
 protected:
  void SetUp() override {
    WorkerFixture::SetUp();
    // Only the first active tick of a start runs a cycle.
    appVar.UploadWaitTime.v(1000000);
  }

  // A table of rows "I<n>" with trans_last_change n for n in [from, to].
  void MakeItems(const std::string& table, int from, int to) {
    std::string error;
    ASSERT_TRUE(db.Exec(
        "create table if not exists " + table + "(item_no varchar(20), item_name varchar(60), trans_last_change int)",
        &error))
        << error;
    for (int n = from; n <= to; ++n)
      ASSERT_TRUE(db.Exec("insert into " + table + " values('I" + std::to_string(n) + "','名称" + std::to_string(n) +
                              "'," + std::to_string(n) + ")",
                          &error))
          << error;
    SetMaxChange(table, to);
  }
  // A table whose rows carry the given trans_last_change values, in this order.
  void MakeItemsWithValues(const std::string& table, const std::vector<int>& values) {
    std::string error;
    ASSERT_TRUE(db.Exec("create table " + table + "(item_no varchar(20), item_name varchar(60), trans_last_change int)",
                        &error))
        << error;
    int max = -1, n = 0;
    for (int value : values) {
      ASSERT_TRUE(db.Exec(
          "insert into " + table + " values('R" + std::to_string(++n) + "','x'," + std::to_string(value) + ")", &error))
          << error;
      max = std::max(max, value);
    }
    SetMaxChange(table, max);
  }
  // A change-number catalogue row over such a table.
  void AddItemsCatalogue(const std::string& table, const std::string& transTable = "") {
    vqtest::CatalogueRow row;
    row.transTable = transTable.empty() ? table : transTable;
    row.tableName = table;
    row.updateSql = "select item_no, item_name, trans_last_change from " + table +
                    " where trans_last_change > :last_change order by trans_last_change";
    AddCatalogue(row);
  }

  [[nodiscard]] std::size_t CycleEnds() const {
    return logView->Count("[上传]全部表数据上传完成") + logView->Count("[上传]无数据上传");
  }
  // Starts the engine, waits for one whole cycle and stops again (state 5).
  void RunCycle() {
    if (workers.empty()) AddWorker(false);
    const std::size_t ends = CycleEnds();
    appVar.UploadState.v(TUploadState::StartRequested);
    ASSERT_TRUE(WaitUntil([&] { return CycleEnds() > ends; })) << "no cycle ended";
    appVar.UploadState.v(TUploadState::StopRequested);
    ASSERT_TRUE(WaitState(TUploadState::StoppedAfterStop));
  }

  // trans_last_change of every row posted under `member`, in posting order.
  [[nodiscard]] std::vector<int> PostedChanges(const std::string& member) const {
    std::vector<int> out;
    for (const auto& row : PostedRows(member)) out.push_back(row["trans_last_change"].get<int>());
    return out;
  }
  [[nodiscard]] static std::vector<int> Range(int from, int to) {
    std::vector<int> out;
    for (int n = from; n <= to; ++n) out.push_back(n);
    return out;
  }
};

}  // namespace tessaly
