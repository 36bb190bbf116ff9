#pragma once
// The world of the upload benchmark: a program folder whose Tessaly.ini points the platform
// client at the lean platform stand-in (LeanPlatform.h), a back-office database on the T-SQL test driver with the
// agent's fixture schema, the settings-and-state object, the database module and the platform
// client as the engine object sets them, a clock whose pauses cost nothing, and a logger whose
// view reports the end of a cycle.
//
// One world per process (Get()); Release() frees it before the program ends, so the worker's
// thread ends before the clock, the globals and the database go.
//
// Threads: the benchmark thread drives the world; the upload worker runs on its own thread and
// only reaches the world through the engine's globals and the log view.
#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <set>
#include <string>

#include "LeanPlatform.h"
#include "engine/AppDMUtil.h"
#include "engine/AppServiceUtil.h"
#include "engine/AppSvrSDK.h"
#include "engine/AppVarUtil.h"
#include "foundation/LogView.h"
#include "foundation/Logger.h"
#include "support/FakeClock.h"
#include "support/MachineRootFixture.h"
#include "support/TestOdbc.h"

namespace tessaly::bench {

// Counts the view lines that end a cycle and those that report a refused or failed page, and
// wakes the waiting benchmark thread.
class TCycleLogView final : public ILogView {
 public:
  [[nodiscard]] bool IsMemo() const override { return true; }
  [[nodiscard]] std::string ClassName() const override { return "TMemo"; }
  void QueueLine(const std::string& line) override;

  [[nodiscard]] std::size_t CycleEnds() const;
  [[nodiscard]] std::size_t Failures() const;
  // The first failure line since the last ClearFailures; empty when none.
  [[nodiscard]] std::string FirstFailure() const;
  void ClearFailures();
  // Blocks until more than `ends` cycles have ended; false at the first failure (a cycle with
  // failed pages may end without a line outside detailed logging) or after `guardMs`.
  [[nodiscard]] bool WaitCycleEnd(std::size_t ends, int guardMs) const;

 private:
  mutable std::mutex lock_;
  mutable std::condition_variable changed_;  // a cycle ended
  std::size_t cycleEnds_ = 0;                // guarded by lock_
  std::size_t failures_ = 0;                 // guarded by lock_
  std::string firstFailure_;                 // guarded by lock_
};

class TUploadBenchWorld {
 public:
  static constexpr const char* kUploadPath = "UpTable.ashx";
  static constexpr int kColumns = 10;
  // The column that numbers the rows 1, 2, ... in change order.
  static constexpr const char* kChangeColumn = "trans_last_change";

  [[nodiscard]] static TUploadBenchWorld& Get();
  static void Release();

  // Makes the table of `rows` changed rows unless it exists, makes it the only table of the
  // catalogue, sets the page size, gives the platform a fresh stand-in that accepts every page,
  // and forgets earlier failures. Returns the table's name.
  std::string PrepareTable(int rows, int pageSize);
  // The update query of a table as the catalogue holds it, and with no checkpoint stored.
  [[nodiscard]] static std::string UpdateSql(const std::string& table);
  [[nodiscard]] static std::string FirstUploadSql(const std::string& table);

  // Makes the upload worker and runs one start and stop with nothing to send, so that its
  // connection is open before anything is timed. False when the start or the stop hangs.
  [[nodiscard]] bool StartWorker(const std::string& table, int rows);
  // Frees the worker (its thread ends); an idle worker must not spin beside other benchmarks.
  void DropWorker();

  // Removes every checkpoint, so the next cycle sends every row again.
  void ResetCheckpoints();
  // Starts the engine and waits until its cycle has ended (the worker keeps running); false
  // when a page failed or no cycle ended within the guard.
  [[nodiscard]] bool StartAndAwaitCycle();
  // Asks the engine to stop and waits for the stop to complete.
  [[nodiscard]] bool Stop();
  // The stored change-number checkpoint of a table; -1 when there is none.
  [[nodiscard]] int Checkpoint(const std::string& table);

  [[nodiscard]] std::size_t Failures() const { return logView_->Failures(); }
  [[nodiscard]] std::string FirstFailure() const { return logView_->FirstFailure(); }
  [[nodiscard]] std::string UploadUrl() const { return server_->BaseUrl() + kUploadPath; }
  // What the platform has received since PrepareTable (or ServeReply).
  [[nodiscard]] TReceived Received() const { return server_->Received(); }
  // CPU seconds the stand-in spent on the requests since PrepareTable.
  [[nodiscard]] double StandInSeconds() const { return server_->ServerSeconds(); }
  // Gives the platform a fresh stand-in that answers every request with `reply`.
  void ServeReply(std::string reply);
  [[nodiscard]] TAppDM& DM() { return dm_; }
  // The test database's commit latency now: the median time of a one-row update committed on a
  // connection of the rig's own, in milliseconds.
  [[nodiscard]] double CommitLatencyMs();

 private:
  TUploadBenchWorld();
  ~TUploadBenchWorld();
  TUploadBenchWorld(const TUploadBenchWorld&) = delete;
  TUploadBenchWorld& operator=(const TUploadBenchWorld&) = delete;

  void SetCheckpoint(const std::string& table, int change);
  void MakeTable(const std::string& table, int rows);

  // Members in the order they must be made; the worker goes first in the destructor.
  vqtest::MachineRootFixture machine_;
  std::unique_ptr<TLeanPlatform> server_;
  vqtest::TestOdbc db_;
  vqtest::FakeClock clock_;
  TAppVar appVar_;
  TAppDM dm_;
  TVqSpfSvrSDK sdk_;
  std::unique_ptr<TLogger> logger_;
  std::shared_ptr<TCycleLogView> logView_;
  std::set<std::string> tables_;  // the row tables made so far
  std::unique_ptr<TUploadWorker> worker_;
  TDbConnection probe_;  // the rig's connection for the commit latency

  static TUploadBenchWorld* instance_;
};

}  // namespace tessaly::bench
