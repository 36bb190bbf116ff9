// Upload throughput: one sync table of ten columns with 10^3, 10^4 and 10^5 changed rows, at
// the default page size and a larger one.
//
//   UploadWorker  the upload worker's whole cycle (catalogue, change detection, query, pages,
//                 posts, page and table checkpoints) against the test driver database and the
//                 fake platform, pauses costing nothing;
//   BarePipeline  the same query, then per page only the JSON, the signature and the form post.
//
// Each iteration sends every row afresh. Only the upload itself is timed (manual time): making
// the table, clearing the checkpoints and the stop handshake are not. Counters: rows_per_s and
// s_per_row, which should stay flat as the rows grow.
#include <benchmark/benchmark.h>

#include <chrono>
#include <string>

#include "UploadBenchWorld.h"
#include "engine/DbQuery.h"
#include "foundation/JSONHelperUtil.h"
#include "foundation/VqLibText.h"
#include "foundation/VqNetUtil.h"

namespace tessaly::bench {
namespace {

// The platform's signature salt: md5 = MD5(salt + request JSON).
constexpr const char* kSignSalt = "@7290";

using TBenchClock = std::chrono::steady_clock;

[[nodiscard]] double SecondsSince(TBenchClock::time_point start) {
  return std::chrono::duration<double>(TBenchClock::now() - start).count();
}

void SetRowCounters(benchmark::State& state, int rows) {
  state.counters["rows_per_s"] = benchmark::Counter(rows, benchmark::Counter::kIsIterationInvariantRate);
  state.counters["s_per_row"] =
      benchmark::Counter(rows, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
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
  for (auto _ : state) {
    world.ResetCheckpoints();
    const auto start = TBenchClock::now();
    const bool ended = world.StartAndAwaitCycle();
    state.SetIterationTime(SecondsSince(start));
    const bool stopped = world.Stop();
    if (!ended || !stopped || world.Failures() > 0 || world.Checkpoint(table) != rows) {
      const std::string why = "the cycle did not upload every row: " + world.FirstFailure();
      state.SkipWithError(why.c_str());
      break;
    }
  }
  world.DropWorker();
  SetRowCounters(state, rows);
}

// Opens the query, then encodes, signs and posts it page by page; false with the reason at the
// first failure.
bool BareUpload(TUploadBenchWorld& world, TDbConnection& conn, TDbQuery& query, const std::string& table,
                const std::string& sql, const std::string& url, int rows, int pageSize, std::string& why) {
  if (!world.DM().SqlOpen(why, query, sql, &conn)) return false;
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
  TDbQuery query;
  std::string why;
  if (!world.DM().CheckConn(why, &conn)) {
    state.SkipWithError(why.c_str());
    return;
  }
  for (auto _ : state) {
    const auto start = TBenchClock::now();
    const bool ok = BareUpload(world, conn, query, table, sql, url, rows, pageSize, why);
    state.SetIterationTime(SecondsSince(start));
    if (!ok) {
      why = "a page was not accepted: " + why;
      state.SkipWithError(why.c_str());
      break;
    }
  }
  SetRowCounters(state, rows);
}

void UploadArgs(benchmark::internal::Benchmark* b) {
  b->ArgNames({"rows", "page"});
  for (const int page : {20, 200})
    for (const int rows : {1000, 10000, 100000}) b->Args({rows, page});
  b->UseManualTime()->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_UploadWorker)->Apply(UploadArgs);
BENCHMARK(BM_BarePipeline)->Apply(UploadArgs);

}  // namespace
}  // namespace tessaly::bench

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  // The worker's thread and the engine's globals end before the statics do.
  tessaly::bench::TUploadBenchWorld::Release();
  benchmark::Shutdown();
  return 0;
}
