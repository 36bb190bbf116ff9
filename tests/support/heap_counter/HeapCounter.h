#pragma once
// Heap accounting of the benchmark program. It replaces the global operator new and delete and
// counts the live and the peak bytes of two owners apart:
//   the rig    allocations made inside a TRigScope: the ODBC layer (driver manager and the test
//              driver, which holds a whole result set as SQLite rows where a network driver
//              streams them) and the platform stand-in's threads;
//   the agent  everything else: the engine, its query results, pages, logs and requests.
// Only C++ allocations are counted; C allocations (SQLite's page cache, libcurl's buffers) are
// not. A thread started inside a TRigScope belongs to the rig for its whole life.
//
// Threads: the counters are atomic; any thread may allocate and read them.
#include <cstdint>

namespace tessaly::bench {

// While alive, allocations of this thread count as the rig's (scopes nest).
class TRigScope {
 public:
  TRigScope();
  ~TRigScope();
  TRigScope(const TRigScope&) = delete;
  TRigScope& operator=(const TRigScope&) = delete;
};

struct THeapFigures {
  std::int64_t Live = 0;  // bytes allocated and not yet freed
  std::int64_t Peak = 0;  // the most Live has been since the last ResetAgentPeak
};

[[nodiscard]] THeapFigures AgentHeap();
// Starts a new peak at the current live size.
void ResetAgentPeak();
// The same for the rig.
[[nodiscard]] THeapFigures RigHeap();
void ResetRigPeak();

}  // namespace tessaly::bench
