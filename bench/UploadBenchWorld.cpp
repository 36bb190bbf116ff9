#include "UploadBenchWorld.h"

#include <algorithm>
#include <chrono>
#include <clocale>
#include <functional>
#include <stdexcept>
#include <thread>
#include <utility>
#include <vector>

#include "HeapCounter.h"
#include "foundation/Clock.h"
#include "foundation/VqLibUtil.h"
#include "foundation/VqNetUtil.h"
#include "support/AgentSchema.h"
#include "support/TempDir.h"
#include "support/TestDbParams.h"

namespace tessaly::bench {
namespace {

// The engine's waits are short; a guard only keeps a broken run from hanging for ever.
constexpr int kGuardMs = 600000;
constexpr const char* kCycleEnd = "[上传]全部表数据上传完成";
constexpr const char* kAccepted = "{\"bResult\":true,\"errMsg\":\"\"}";

// Polls `condition` until it holds; false when `guardMs` of real time pass first.
bool WaitUntil(const std::function<bool()>& condition, int guardMs) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(guardMs);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  return true;
}

void MustExec(vqtest::TestOdbc& db, const std::string& sql) {
  std::string error;
  if (!db.Exec(sql, &error)) throw std::runtime_error(error + " in: " + sql);
}

}  // namespace

void TCycleLogView::QueueLine(const std::string& line) {
  const bool end = line.find(kCycleEnd) != std::string::npos;
  const bool failure = line.find("失败") != std::string::npos || line.find("出错") != std::string::npos;
  if (!end && !failure) return;
  {
    std::lock_guard<std::mutex> guard(lock_);
    cycleEnds_ += end ? 1 : 0;
    if (failure && failures_++ == 0) firstFailure_ = line;
  }
  changed_.notify_all();
}

std::size_t TCycleLogView::CycleEnds() const {
  std::lock_guard<std::mutex> guard(lock_);
  return cycleEnds_;
}

std::size_t TCycleLogView::Failures() const {
  std::lock_guard<std::mutex> guard(lock_);
  return failures_;
}

std::string TCycleLogView::FirstFailure() const {
  std::lock_guard<std::mutex> guard(lock_);
  return firstFailure_;
}

void TCycleLogView::ClearFailures() {
  std::lock_guard<std::mutex> guard(lock_);
  failures_ = 0;
  firstFailure_.clear();
}

bool TCycleLogView::WaitCycleEnd(std::size_t ends, int guardMs) const {
  std::unique_lock<std::mutex> guard(lock_);
  return changed_.wait_for(guard, std::chrono::milliseconds(guardMs), [&] {
    return cycleEnds_ > ends || failures_ > 0;
  }) && cycleEnds_ > ends;
}

TUploadBenchWorld* TUploadBenchWorld::instance_ = nullptr;

TUploadBenchWorld& TUploadBenchWorld::Get() {
  if (!instance_) instance_ = new TUploadBenchWorld();
  return *instance_;
}

void TUploadBenchWorld::Release() {
  delete instance_;
  instance_ = nullptr;
}

TUploadBenchWorld::TUploadBenchWorld() {
  std::setlocale(LC_ALL, "C.UTF-8");
  NetClientMode = 0;  // as the engine object sets it
  ServeReply(kAccepted);
  logger_ = std::make_unique<TLogger>();
  logger_->SetLogFilenamePer("Tessaly");
  logger_->SetEnabled(true);
  logView_ = std::make_shared<TCycleLogView>();
  logger_->SetLogShower(logView_);
  Logger.store(logger_.get());
  TvqLib::DetailLogEnabled = false;  // the settings' default

  SetClock(&clock_);
  AppVar = &appVar_;
  appVar_.SoftId.v(5);
  appVar_.SoftVer = "00008";
  appVar_.DBDistributed = 1;
  // Only the first active tick of a start runs a cycle.
  appVar_.UploadWaitTime.v(1000000);
  vqtest::ApplyAgentSchema(db_);
  dm_.FDConnection.SetParams(vqtest::TestDriverParams(db_.DatabasePath()));
  AppDM = &dm_;
  SpfSvrSDK = &sdk_;
}

TUploadBenchWorld::~TUploadBenchWorld() {
  worker_.reset();
  SpfSvrSDK = nullptr;
  AppDM = nullptr;
  AppVar = nullptr;
  SetClock(nullptr);
  Logger.store(nullptr);
  NetClientMode = 1;
}

void TUploadBenchWorld::ServeReply(std::string reply) {
  // The stand-in's thread and what it reads belong to the rig; it keeps no pages.
  const TRigScope rig;
  server_.reset();
  server_ = std::make_unique<TLeanPlatform>(std::move(reply), kChangeColumn);
  vqtest::WriteFileBytes(machine_.programDir() + "Tessaly.ini",
                         "[SPFClient]\r\nSpfHostUrl=" + server_->BaseUrl() + "\r\n");
}

double TUploadBenchWorld::CommitLatencyMs() {
  constexpr int kProbes = 21;
  const TRigScope rig;
  std::string why;
  if (!dm_.CheckConn(why, &probe_)) throw std::runtime_error(why);
  MustExec(db_, "create table if not exists bench_commit_probe(n int)");
  if (db_.Value("select count(*) from bench_commit_probe").value_or("0") == "0")
    MustExec(db_, "insert into bench_commit_probe(n) values(0)");
  std::vector<double> ms;
  for (int i = 0; i < kProbes; ++i) {
    const auto start = std::chrono::steady_clock::now();
    if (!dm_.SqlExec(why, "update bench_commit_probe set n = n + 1", &probe_, true)) throw std::runtime_error(why);
    ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
  }
  std::nth_element(ms.begin(), ms.begin() + kProbes / 2, ms.end());
  return ms[kProbes / 2];
}

std::string TUploadBenchWorld::UpdateSql(const std::string& table) {
  return "select item_no, item_subno, item_name, item_clsno, unit_no, price, sale_price, stock_qty, modify_date, "
         "trans_last_change from " +
         table + " where trans_last_change > :last_change order by trans_last_change";
}

std::string TUploadBenchWorld::FirstUploadSql(const std::string& table) {
  std::string sql = UpdateSql(table);
  const std::string name = ":last_change";
  sql.replace(sql.find(name), name.size(), "-1");
  return sql;
}

void TUploadBenchWorld::MakeTable(const std::string& table, int rows) {
  MustExec(db_, "create table " + table +
                    "(item_no varchar(20), item_subno varchar(20), item_name varchar(60), item_clsno varchar(10), "
                    "unit_no varchar(10), price numeric(16,4), sale_price numeric(16,4), stock_qty numeric(16,4), "
                    "modify_date datetime, trans_last_change int)");
  MustExec(db_, "insert into " + table + " with recursive n(i) as (select 1 union all select i + 1 from n where i < " +
                    std::to_string(rows) +
                    ") select 'I' || i, printf('%08d', i), '商品名称' || i, printf('%02d', i % 37), '个', "
                    "(i % 1000) + 0.25, (i % 1000) * 1.5 + 0.99, i % 500, "
                    "strftime('%Y-%m-%d %H:%M:%S.000', '2024-01-01', '+' || (i % 86400) || ' seconds'), i from n");
  // The change number the back office reports for the table.
  MustExec(db_, "insert or replace into vq_tab_tabledesc(table_name,max_change) values('" + table + "'," +
                    std::to_string(rows) + ")");
}

std::string TUploadBenchWorld::PrepareTable(int rows, int pageSize) {
  const std::string table = "bench_item_" + std::to_string(rows);
  if (tables_.insert(table).second) MakeTable(table, rows);
  MustExec(db_, "delete from spf_t_trans_table");
  MustExec(db_,
           "insert into spf_t_trans_table(trans_index,soft_ver,trans_state,soft_dist,trans_type,trans_table,"
           "table_name,trans_tag,get_update_sql) values(1,'" +
               appVar_.SoftVer + "',1,0,'BI','" + table + "','" + table + "',0,'" + UpdateSql(table) + "')");
  appVar_.UploadPageSize.v(pageSize);
  ServeReply(kAccepted);
  logView_->ClearFailures();
  return table;
}

void TUploadBenchWorld::SetCheckpoint(const std::string& table, int change) {
  MustExec(db_,
           "insert or replace into spf_t_trans_record(softid,trans_type,table_name,last_change,last_date) "
           "values(" +
               std::to_string(appVar_.SoftId.v()) + ",'BI','" + table + "'," + std::to_string(change) +
               ",'1899-12-30 00:00:00.000')");
}

void TUploadBenchWorld::ResetCheckpoints() { MustExec(db_, "delete from spf_t_trans_record"); }

int TUploadBenchWorld::Checkpoint(const std::string& table) {
  const auto value =
      db_.Value("select last_change from spf_t_trans_record where softid=" + std::to_string(appVar_.SoftId.v()) +
                " and trans_type='BI' and table_name='" + table + "'");
  return value ? std::stoi(*value) : -1;
}

bool TUploadBenchWorld::StartWorker(const std::string& table, int rows) {
  worker_ = std::make_unique<TUploadWorker>(false, TOnTips{});
  SetCheckpoint(table, rows);  // nothing changed: the cycle of this start sends nothing
  appVar_.UploadState.v(TUploadState::StartRequested);
  if (!WaitUntil([&] { return appVar_.UploadState.v() == TUploadState::Running; }, kGuardMs)) return false;
  return Stop();
}

void TUploadBenchWorld::DropWorker() { worker_.reset(); }

bool TUploadBenchWorld::StartAndAwaitCycle() {
  const std::size_t ends = logView_->CycleEnds();
  appVar_.UploadState.v(TUploadState::StartRequested);
  return logView_->WaitCycleEnd(ends, kGuardMs);
}

bool TUploadBenchWorld::Stop() {
  appVar_.UploadState.v(TUploadState::StopRequested);
  return WaitUntil([&] { return appVar_.UploadState.v() == TUploadState::StoppedAfterStop; }, kGuardMs);
}

}  // namespace tessaly::bench
