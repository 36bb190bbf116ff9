// Upload throughput and memory: one sync table of ten columns with 10^3, 10^4 and 10^5 changed
// rows (10^6 as well with --million_rows), at the default page size and a larger
// one.
//
//   UploadWorker  the upload worker's whole cycle (catalogue, change detection, query, pages,
//                 posts, page and table checkpoints) against the test driver database and the
//                 fake platform, pauses costing nothing;
//   BarePipeline  the same query, then per page only the JSON, the signature and the form post;
//   PageJson      only the page texts of an opened query, by the direct writer (writer:1) and by
//                 the tree writer it replaced (writer:0), without and with a field hook;
//   QueryOpen     only the opening of the upload query, which fetches every row;
//   FormBody      only the form bodies of the posts, from their page texts;
//   PullReply     one pull of a mini-program order page of 8 MB and of one just under the reply
//                 cap: received, logged and read into its records.
//
// Each iteration sends every row afresh. Only the upload itself is timed (manual time): making
// the table, clearing the checkpoints and the stop handshake are not. bench/README.md explains
// the counters.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "HeapCounter.h"
#include "OdbcRig.h"
#include "UploadBenchWorld.h"
#include "engine/AppObjectsUtil.h"
#include "engine/AppPullReply.h"
#include "engine/DbQuery.h"
#include "foundation/JSONHelperUtil.h"
#include "foundation/VqLibText.h"
#include "foundation/VqLibUtil.h"
#include "foundation/VqNetUtil.h"
#include "support/FullPullPage.h"
#include "support/TreePageWriter.h"

namespace tessaly::bench {
namespace {

// The platform's signature salt: md5 = MD5(salt + request JSON).
constexpr const char* kSignSalt = "@7290";
constexpr double kMB = 1024.0 * 1024.0;

using TBenchClock = std::chrono::steady_clock;

[[nodiscard]] double SecondsSince(TBenchClock::time_point start) {
  return std::chrono::duration<double>(TBenchClock::now() - start).count();
}

[[nodiscard]] int PageCount(int rows, int pageSize) { return (rows + pageSize - 1) / pageSize; }

void SetRowCounters(benchmark::State& state, int rows) {
  state.counters["rows_per_s"] = benchmark::Counter(rows, benchmark::Counter::kIsIterationInvariantRate);
  state.counters["s_per_row"] =
      benchmark::Counter(rows, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// The process's peak resident size since the last reset, in bytes; 0 when unknown.
std::int64_t PeakRss() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmHWM:", 0) == 0) return std::strtoll(line.c_str() + 6, nullptr, 10) * 1024;
  return 0;
}

// Starts a new peak resident size at the current one.
void ResetPeakRss() { std::ofstream("/proc/self/clear_refs") << "5"; }

// The heap over one iteration: the most the agent held above what it held before, and apart
// from it the rig's (the test driver's copy of the result, the stand-in) and the whole
// process's peak resident size, which holds both.
class THeapWatch {
 public:
  void Start() {
    base_ = AgentHeap().Live;
    rigBase_ = RigHeap().Live;
    ResetAgentPeak();
    ResetRigPeak();
    ResetPeakRss();
  }
  void Stop() {
    peakAbove_ = std::max(peakAbove_, AgentHeap().Peak - base_);
    rigPeakAbove_ = std::max(rigPeakAbove_, RigHeap().Peak - rigBase_);
    rss_ = std::max(rss_, PeakRss());
  }
  // What the agent still holds above the start (a result kept after its table, say).
  [[nodiscard]] std::int64_t HeldAbove() const { return AgentHeap().Live - base_; }
  [[nodiscard]] std::int64_t PeakAbove() const { return peakAbove_; }
  void Report(benchmark::State& state, int rows) const {
    state.counters["heap_MB"] = static_cast<double>(peakAbove_) / kMB;
    state.counters["heap_B_per_row"] = static_cast<double>(peakAbove_) / rows;
    state.counters["rig_heap_MB"] = static_cast<double>(rigPeakAbove_) / kMB;
    state.counters["rss_MB"] = static_cast<double>(rss_) / kMB;
  }

 private:
  std::int64_t base_ = 0;
  std::int64_t rigBase_ = 0;
  std::int64_t peakAbove_ = 0;
  std::int64_t rigPeakAbove_ = 0;
  std::int64_t rss_ = 0;
};

// What an end-to-end figure holds besides the agent's own work: the time in commits, whose
// latency is the test database's, the time in the test driver's other calls, and the stand-in's
// CPU time, during which the agent waits.
class TShareWatch {
 public:
  explicit TShareWatch(TUploadBenchWorld& world) : world_(world), commitMsBefore_(world.CommitLatencyMs()) {}
  void Start() {
    commits_ = CommitTime().Seconds;
    driver_ = DriverCallSeconds();
    standIn_ = world_.StandInSeconds();
  }
  void Stop(double wallSeconds) {
    wall_ += wallSeconds;
    commitSeconds_ += CommitTime().Seconds - commits_;
    driverSeconds_ += DriverCallSeconds() - driver_;
    standInSeconds_ += world_.StandInSeconds() - standIn_;
  }
  void Report(benchmark::State& state, int rows) {
    const double perRow = 1e6 / static_cast<double>(std::max<std::int64_t>(state.iterations(), 1)) / rows;
    state.counters["commit_ms"] = (commitMsBefore_ + world_.CommitLatencyMs()) / 2;
    state.counters["commit_share"] = wall_ > 0 ? commitSeconds_ / wall_ : 0;
    state.counters["rig_us_per_row"] = driverSeconds_ * perRow;
    state.counters["standin_us_per_row"] = standInSeconds_ * perRow;
    state.counters["agent_us_per_row"] = (wall_ - commitSeconds_ - driverSeconds_ - standInSeconds_) * perRow;
  }

 private:
  TUploadBenchWorld& world_;
  double commitMsBefore_;
  double commits_ = 0;
  double driver_ = 0;
  double standIn_ = 0;
  double wall_ = 0;
  double commitSeconds_ = 0;
  double driverSeconds_ = 0;
  double standInSeconds_ = 0;
};

// Empty when the platform received, between `before` and `after`, every row of one upload of
// `rows` rows in pages of `pageSize`, each once and signed; else what went wrong.
std::string ReceivedWrong(const TReceived& before, const TReceived& after, int rows, int pageSize) {
  if (after.Rejected > before.Rejected) return "the platform refused a request: " + after.FirstRejection;
  const std::size_t pages = after.Requests - before.Requests;
  const std::size_t got = after.Rows - before.Rows;
  if (pages == static_cast<std::size_t>(PageCount(rows, pageSize)) && got == static_cast<std::size_t>(rows)) return {};
  return "the platform received " + std::to_string(got) + " rows in " + std::to_string(pages) + " pages";
}

void BM_UploadWorker(benchmark::State& state) {
  const int rows = static_cast<int>(state.range(0));
  const int pageSize = static_cast<int>(state.range(1));
  auto& world = TUploadBenchWorld::Get();
  const std::string table = world.PrepareTable(rows, pageSize);
  if (!world.StartWorker(table, rows)) {
    state.SkipWithError("the worker did not start");
    world.DropWorker();
    return;
  }
  THeapWatch heap;
  TShareWatch share(world);
  double uploadSeconds = 0;
  double checkpointSeconds = 0;
  std::int64_t checkpointWrites = 0;
  std::int64_t heldAfter = 0;
  for (auto _ : state) {
    world.ResetCheckpoints();
    const TReceived before = world.Received();
    const TCheckpointTime checkpointsBefore = CheckpointTime();
    heap.Start();
    share.Start();
    const auto start = TBenchClock::now();
    const bool ended = world.StartAndAwaitCycle();
    const double seconds = SecondsSince(start);
    state.SetIterationTime(seconds);
    share.Stop(seconds);
    const TCheckpointTime checkpointsAfter = CheckpointTime();
    const bool stopped = world.Stop();
    heap.Stop();
    heldAfter = std::max(heldAfter, heap.HeldAbove());
    uploadSeconds += seconds;
    checkpointSeconds += checkpointsAfter.Seconds - checkpointsBefore.Seconds;
    checkpointWrites += checkpointsAfter.Writes - checkpointsBefore.Writes;
    std::string why = ReceivedWrong(before, world.Received(), rows, pageSize);
    if (!ended || !stopped || world.Failures() > 0 || world.Checkpoint(table) != rows || !why.empty()) {
      why = "the cycle did not upload every row: " + world.FirstFailure() + why;
      state.SkipWithError(why.c_str());
      break;
    }
  }
  world.DropWorker();
  SetRowCounters(state, rows);
  heap.Report(state, rows);
  share.Report(state, rows);
  state.counters["held_after_B"] = static_cast<double>(heldAfter);
  state.counters["ckpt_share"] = uploadSeconds > 0 ? checkpointSeconds / uploadSeconds : 0;
  state.counters["ckpt_us"] =
      checkpointWrites > 0 ? checkpointSeconds * 1e6 / static_cast<double>(checkpointWrites) : 0;
}

// Opens the query, then encodes, signs and posts it page by page; false with the reason at the
// first failure. The query's result is freed on return.
bool BareUpload(TUploadBenchWorld& world, TDbConnection& conn, const std::string& table, const std::string& sql,
                const std::string& url, int rows, int pageSize, std::size_t& resultBytes, std::size_t& jsonBytes,
                std::string& why) {
  TDbQuery query;
  const std::int64_t before = AgentHeap().Live;
  if (!world.DM().SqlOpen(why, query, sql, &conn)) return false;
  resultBytes = static_cast<std::size_t>(AgentHeap().Live - before);
  if (query.RecordCount() != rows) {
    why = "the query found " + std::to_string(query.RecordCount()) + " rows";
    return false;
  }
  for (int first = 0; first < rows; first += pageSize) {
    std::string json;
    if (!TJSONHelper::Dataset2JSON(table, query, first, pageSize, json)) {
      why = json;
      return false;
    }
    jsonBytes += json.size();
    const std::string body = "json=" + json + "\r\nmd5=" + TvqLib::GetMd5(kSignSalt + json);
    std::string reply;
    if (TVqNet::Post(url, body, reply, 1) != 1 || reply.find("\"bResult\":true") == std::string::npos) {
      why = reply;
      return false;
    }
  }
  return true;
}

void BM_BarePipeline(benchmark::State& state) {
  const int rows = static_cast<int>(state.range(0));
  const int pageSize = static_cast<int>(state.range(1));
  auto& world = TUploadBenchWorld::Get();
  const std::string table = world.PrepareTable(rows, pageSize);
  const std::string sql = TUploadBenchWorld::FirstUploadSql(table);
  const std::string url = world.UploadUrl();
  TDbConnection conn;
  std::string why;
  if (!world.DM().CheckConn(why, &conn)) {
    state.SkipWithError(why.c_str());
    return;
  }
  THeapWatch heap;
  TShareWatch share(world);
  std::size_t resultBytes = 0;
  for (auto _ : state) {
    const TReceived before = world.Received();
    std::size_t jsonBytes = 0;
    heap.Start();
    share.Start();
    const auto start = TBenchClock::now();
    const bool ok = BareUpload(world, conn, table, sql, url, rows, pageSize, resultBytes, jsonBytes, why);
    const double seconds = SecondsSince(start);
    state.SetIterationTime(seconds);
    share.Stop(seconds);
    heap.Stop();
    const TReceived after = world.Received();
    if (ok) why = ReceivedWrong(before, after, rows, pageSize);
    if (ok && why.empty() && after.JsonBytes - before.JsonBytes != jsonBytes)
      why = "the platform received other page texts than were sent";
    if (!ok || !why.empty()) {
      why = "the pages did not arrive as sent: " + why;
      state.SkipWithError(why.c_str());
      break;
    }
  }
  SetRowCounters(state, rows);
  heap.Report(state, rows);
  share.Report(state, rows);
  state.counters["result_B_per_row"] = static_cast<double>(resultBytes) / rows;
}

// A prepared table of `rows` rows, its first upload query opened on `conn`; empty, with the
// benchmark skipped, when the database refuses.
std::string OpenUploadTable(benchmark::State& state, int rows, int page, TDbConnection& conn, TDbQuery& query) {
  auto& world = TUploadBenchWorld::Get();
  const std::string table = world.PrepareTable(rows, page);
  std::string why;
  if (!world.DM().CheckConn(why, &conn) ||
      !world.DM().SqlOpen(why, query, TUploadBenchWorld::FirstUploadSql(table), &conn)) {
    state.SkipWithError(why.c_str());
    return {};
  }
  return table;
}

// A field hook that changes nothing, so that only the hook's own cost shows.
void NoChange(IVqDataset&, const std::string&, const std::string&, TVqVariant&) {}

void BM_PageJson(benchmark::State& state) {
  const bool direct = state.range(0) == 1;
  const bool hooked = state.range(1) == 1;
  constexpr int kRows = 10000;
  constexpr int kPage = 200;
  TDbConnection conn;
  TDbQuery query;
  const std::string table = OpenUploadTable(state, kRows, kPage, conn, query);
  if (table.empty()) return;
  const TOnDatasetFiledToJSON hook = hooked ? TOnDatasetFiledToJSON(&NoChange) : TOnDatasetFiledToJSON();
  std::size_t bytes = 0;
  for (auto _ : state) {
    const auto start = TBenchClock::now();
    bytes = 0;
    for (int first = 0; first < kRows; first += kPage) {
      std::string json;
      const bool ok = direct ? TJSONHelper::Dataset2JSON(table, query, first, kPage, json, hook)
                             : vqtest::TreeDataset2JSON(table, query, first, kPage, json, hook);
      if (!ok) {
        state.SkipWithError(json.c_str());
        return;
      }
      bytes += json.size();
    }
    state.SetIterationTime(SecondsSince(start));
  }
  SetRowCounters(state, kRows);
  state.counters["page_bytes"] = static_cast<double>(bytes) / PageCount(kRows, kPage);
}

// Opening the upload query of `range(0)` rows, which fetches every row into the result: the
// agent's share is the time outside the driver's calls.
void BM_QueryOpen(benchmark::State& state) {
  const int rows = static_cast<int>(state.range(0));
  auto& world = TUploadBenchWorld::Get();
  const std::string table = world.PrepareTable(rows, 200);
  TDbConnection conn;
  std::string why;
  if (!world.DM().CheckConn(why, &conn)) {
    state.SkipWithError(why.c_str());
    return;
  }
  double wall = 0;
  double driver = 0;
  for (auto _ : state) {
    const double driverBefore = DriverCallSeconds();
    const auto start = TBenchClock::now();
    TDbQuery query;
    const bool ok = world.DM().SqlOpen(why, query, TUploadBenchWorld::FirstUploadSql(table), &conn);
    const double seconds = SecondsSince(start);
    state.SetIterationTime(seconds);
    wall += seconds;
    driver += DriverCallSeconds() - driverBefore;
    if (!ok || query.RecordCount() != rows) {
      why = "the query did not find every row: " + why;
      state.SkipWithError(why.c_str());
      return;
    }
  }
  const double perRow = 1e6 / static_cast<double>(std::max<std::int64_t>(state.iterations(), 1)) / rows;
  SetRowCounters(state, rows);
  state.counters["rig_us_per_row"] = driver * perRow;
  state.counters["agent_us_per_row"] = (wall - driver) * perRow;
}

// The form bodies of the posts of 10^4 rows in pages of 200, from their page texts.
void BM_FormBody(benchmark::State& state) {
  constexpr int kRows = 10000;
  constexpr int kPage = 200;
  TDbConnection conn;
  TDbQuery query;
  const std::string table = OpenUploadTable(state, kRows, kPage, conn, query);
  if (table.empty()) return;
  std::vector<std::string> params;
  for (int first = 0; first < kRows; first += kPage) {
    std::string json;
    if (!TJSONHelper::Dataset2JSON(table, query, first, kPage, json)) {
      state.SkipWithError(json.c_str());
      return;
    }
    params.push_back("json=" + json + "\r\nmd5=" + TvqLib::GetMd5(kSignSalt + json));
  }
  std::size_t bytes = 0;
  for (auto _ : state) {
    const auto start = TBenchClock::now();
    bytes = 0;
    for (const std::string& param : params) bytes += TVqNet::FormBody(param).size();
    state.SetIterationTime(SecondsSince(start));
  }
  SetRowCounters(state, kRows);
  state.counters["body_bytes"] = static_cast<double>(bytes) / static_cast<double>(params.size());
}

// One pull of a mini-program order page of about `range(0)` MB (63: just under the reply cap):
// the platform client receives it and logs it whole (detailed logging on, as after start-up),
// and it is read into its records, as the puller does.
void BM_PullReply(benchmark::State& state) {
  const std::size_t target = static_cast<std::size_t>(state.range(0)) << 20;
  auto& world = TUploadBenchWorld::Get();
  std::string page;
  {
    const TRigScope rig;
    page = vqtest::FullAppletPage(std::min(target, kNetMaxReplyBytes - (512u << 10)));
  }
  world.ServeReply(page);
  const std::size_t orders = vqtest::FullAppletOrders(page);
  TvqLib::DetailLogEnabled = true;
  THeapWatch heap;
  for (auto _ : state) {
    heap.Start();
    const auto start = TBenchClock::now();
    std::string reply;
    bool ok = SpfSvrSDK->DownloadPOS2(5, "", 10000, 0.0, reply);
    std::string erro;
    {
      TPosRespond2 respond;
      std::vector<bool> missing;
      ok = ok && ReadPullReply(reply, "wxposResult", true, respond, missing, erro) && respond.oResult &&
           respond.oResult->wxposResult.size() == orders;
    }
    state.SetIterationTime(SecondsSince(start));
    heap.Stop();
    if (!ok) {
      erro = "the page was not read whole: " + erro;
      state.SkipWithError(erro.c_str());
      break;
    }
  }
  TvqLib::DetailLogEnabled = false;
  heap.Report(state, static_cast<int>(orders));
  state.counters.erase("heap_B_per_row");
  state.counters["heap_B_per_order"] = static_cast<double>(heap.PeakAbove()) / static_cast<double>(orders);
  state.counters["page_MB"] = static_cast<double>(page.size()) / kMB;
  state.counters["heap_per_page"] = static_cast<double>(heap.PeakAbove()) / static_cast<double>(page.size());
  state.counters["s_per_MB"] =
      benchmark::Counter(static_cast<double>(page.size()) / kMB,
                         benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// Removes "--million_rows" from the arguments; true when it was there.
bool TakeMillionOption(int& argc, char** argv) {
  bool found = false;
  int kept = 1;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--million_rows") == 0)
      found = true;
    else
      argv[kept++] = argv[i];
  }
  argc = kept;
  return found;
}

void Register(bool million) {
  std::vector<std::vector<std::int64_t>> uploads;
  for (const int page : {20, 200})
    for (const int rows : {1000, 10000, 100000}) uploads.push_back({rows, page});
  if (million)
    for (const int page : {20, 200}) uploads.push_back({1000000, page});
  for (auto* fn : {&BM_UploadWorker, &BM_BarePipeline}) {
    auto* b = benchmark::RegisterBenchmark(fn == &BM_UploadWorker ? "BM_UploadWorker" : "BM_BarePipeline", fn);
    b->ArgNames({"rows", "page"});
    for (const auto& args : uploads) b->Args(args);
    b->UseManualTime()->Unit(benchmark::kMillisecond);
  }
  auto* json = benchmark::RegisterBenchmark("BM_PageJson", &BM_PageJson);
  json->ArgNames({"writer", "hook"});
  for (const int writer : {0, 1})
    for (const int hook : {0, 1}) json->Args({writer, hook});
  json->UseManualTime()->Unit(benchmark::kMillisecond);
  auto* open = benchmark::RegisterBenchmark("BM_QueryOpen", &BM_QueryOpen);
  open->ArgNames({"rows"});
  for (const int rows : {10000, 100000}) open->Args({rows});
  open->UseManualTime()->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("BM_FormBody", &BM_FormBody)->UseManualTime()->Unit(benchmark::kMillisecond);
  auto* pull = benchmark::RegisterBenchmark("BM_PullReply", &BM_PullReply);
  pull->ArgNames({"MB"});
  for (const int mb : {8, 63}) pull->Args({mb});
  pull->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
}

}  // namespace
}  // namespace tessaly::bench

int main(int argc, char** argv) {
  const bool million = tessaly::bench::TakeMillionOption(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  tessaly::bench::Register(million);
  benchmark::RunSpecifiedBenchmarks();
  // The worker's thread and the engine's globals end before the statics do.
  tessaly::bench::TUploadBenchWorld::Release();
  benchmark::Shutdown();
  return 0;
}
