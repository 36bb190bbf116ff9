#pragma once
// The worker thread TUploadWorker: the uploader and the puller are two instances of it.
//
// Where the parts live:
//   AppServiceWorker.cpp  - creation, destruction, the thread loop and the stop handshake
//   AppServiceUpload.cpp  - the upload cycle: catalogue walk, change detection, passes, paging,
//                           retries and checkpoints
//   AppServicePage.cpp    - the JSON of one page, the member-points page and the field hook
//   AppServicePulls.cpp   - the three pull routines of the puller
//
// Ownership: the engine object creates both workers once AppVar, AppDM and SpfSvrSDK exist, and
// frees them before those go. A worker owns its connection and its query objects; nobody else
// touches them.
//
// Threads: the constructor starts the thread; the destructor sets the terminate flag and joins
// before anything is freed. Everything else runs on the worker's own thread. Shared state is read
// through the holders of AppVar; the engine state word AppVar->UploadState is written under the
// class-wide lock that also guards the count of started workers.
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "engine/DbConnection.h"
#include "engine/DbQuery.h"
#include "foundation/DateTime.h"
#include "foundation/VqDataset.h"
#include "foundation/VqObjectUtil.h"

namespace tessaly {

// A tip raised by a worker; type 1 is a new order. Called on the worker's thread.
using TOnTips = std::function<void(int aType, const std::string& aTips)>;

class TUploadWorker {
 public:
  // Starts the thread at once; it idles until the state word asks for work.
  TUploadWorker(bool aPullWorker, TOnTips aOnTips);
  // Stops the thread and waits for it, then frees the queries and closes the connection.
  virtual ~TUploadWorker();
  TUploadWorker(const TUploadWorker&) = delete;
  TUploadWorker& operator=(const TUploadWorker&) = delete;

  // Sets the terminate flag without waiting: the thread ends after its current page or tick.
  void Terminate() { FTerminated = true; }
  // Waits until the thread has ended (after Terminate). The destructor does both.
  void WaitFor();

  // The thread's id as the log lines show it.
  [[nodiscard]] const std::string& ThreadIdText() const { return FThreadIdText; }

 private:
  // --- thread loop and stop handshake (AppServiceWorker.cpp) ---
  void Execute();
  // The first active tick: connect, read the catalogue, join the started workers.
  void StartWork();
  // A failed start: the state word goes to 0, or to a stop when another worker has started.
  void FailStart();
  // The work of an active tick; true when the loop must end.
  bool DoWork();
  // Step 3 of a tick: the stop request and the cleanup after a stop or a failed start.
  void StopHandshake();
  [[nodiscard]] bool Terminated() const { return FTerminated.load(); }
  // The terminate flag, or the exit of the program.
  [[nodiscard]] bool ExitSeen() const;
  // The terminate flag, or a stop request.
  [[nodiscard]] bool StopSeen() const;

  // --- upload cycle (AppServiceUpload.cpp) ---
  // One run over the catalogue.
  void UploadAll();
  [[nodiscard]] bool CanUpload(const std::string& aTransType, const std::string& aTransTable, int aSoftDist) const;
  // The row of the catalogue being uploaded.
  struct TTransRow {
    std::string TransType;
    std::string TransTable;
    std::string TableName;
    std::string Table2Name;
    int SoftDist = 1;
    int TransTag = 0;
    std::string DeleteSql;
    std::string UpdateSql;
    std::string Label;  // "[" + TransTable + "]"
  };
  // The checkpoint of one pass and the newest change the database reports.
  struct TChange {
    bool Read = false;  // false: the checkpoint could not be read; skip the pass
    bool Changed = false;
    std::int64_t LastChange = -1;
    TDateTime LastDate = 0.0;
    std::int64_t NewChange = 0;
    TDateTime NewDate = 0.0;
  };
  [[nodiscard]] TChange DetectChange(const TTransRow& aRow, const std::string& aType, const std::string& aChangeTable);
  // Both return false when a stop was seen. aFinished: every delete of the table was read and
  // accepted (or there was none); otherwise the update pass must wait for the next cycle, or a
  // row deleted and inserted again would be sent before its older delete.
  bool DeletePass(const TTransRow& aRow, bool& aFinished);
  bool UpdatePass(const TTransRow& aRow);
  // Pages the rows in qryData; false when a stop was seen.
  bool UploadTable(const TTransRow& aRow, bool aIsDelete, const TChange& aChange);
  // The checkpoint after a page ending before row aNextRow (0-based, < RecordCount): the value
  // of the page's last row, one less when aNextRow holds the same value.
  [[nodiscard]] std::int64_t PageCheckpoint(int aField, int aNextRow);
  // One attempt; clears FTableOk on any failure.
  bool PostPage(const std::string& aPageLabel, const std::string& aPageText);

  // --- page contents (AppServicePage.cpp) ---
  // The page text of a points page in which no member changed; not a failure of the page.
  static constexpr const char* kNoPointsChange = "无积分变动";
  using TVipChanges = std::vector<std::pair<std::string, std::string>>;  // member number, points
  // The page text of rows [aFirst, aFirst + aCount) of qryData. On failure aText holds the
  // reason and the result is false. aCachePending receives the member-points changes that
  // must be applied once the platform accepts the page.
  bool PageJSON(const TTransRow& aRow, bool aIsDelete, int aFirst, int aCount, std::string& aText,
                TVipChanges& aCachePending);
  bool VipIntegralToJSON(const std::string& aTransTable, int aFirst, int aCount, std::string& aText,
                         TVipChanges& aCachePending);
  // The field hook of the page rows (a TOnDatasetFiledToJSON).
  static void DoFieldToJSON(IVqDataset& aDataset, const std::string& aTableName, const std::string& aFieldName,
                            TVqVariant& aValue);
  // Applies accepted member-points changes to the cache (the one place that writes it) and saves
  // the cache file.
  static void ApplyVipIntegral(const TVipChanges& aChanges);

  // --- pulls (AppServicePulls.cpp); each run ends early when ExitSeen() turns true ---
  void PullPosOrders();
  void PullAppletOrders();
  void PullVipInfo();

  // "[工作线程] " + aText through TvqLib::Log at level 9; an empty text as an empty line.
  void Log(const std::string& aText, bool aIsLog = false);

  // The count of started workers of all instances, and the lock that guards it and every
  // write of the state word by a worker.
  static std::mutex FStartedLock;
  static int FStartedCount;  // guarded by FStartedLock

  // Members in declared order; all below belong to the worker's thread once it runs.
  TDbConnection FConn;
  TDbQuery qryTable;
  TDbQuery qryData;
  const bool FIsPullWorker;
  bool FIsSoftVerUploaded = false;
  bool FIsVipSrvCfgUploaded = false;
  const TOnTips FOnTips;

  // Local state of the thread loop.
  bool FStarted = false;
  int FUploadCounter = 0;
  int FVipCounter = 0;
  int FOrderCounter = 0;
  // Per cycle and per table state of the uploader.
  int FPageCount = 0;
  bool FTableOk = false;
  std::string FBranchNo;

  std::atomic<bool> FTerminated{false};
  std::string FThreadIdText;  // set by the constructor; the thread never reads it
  std::thread FThread;        // last: started in the constructor body, after every member exists
};

}  // namespace tessaly
