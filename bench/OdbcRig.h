#pragma once
// The ODBC calls of the benchmark program are wrapped: inside them the heap counts as the rig's
// (HeapCounter.h), and each is timed, so that the agent's time can be told apart from the test
// driver's: commits (SQLEndTran) apart, as they are the test database's latency, and every
// other call together. A checkpoint write (the checkpoint upsert and the commit after it) is
// timed as well, so the benchmark can tell which share of a page it takes.
//
// Threads: any thread; the totals are atomic.
#include <cstdint>

namespace tessaly::bench {

struct TCheckpointTime {
  double Seconds = 0;  // spent in checkpoint writes since the program started
  std::int64_t Writes = 0;
};

[[nodiscard]] TCheckpointTime CheckpointTime();

struct TCommitTime {
  double Seconds = 0;  // spent in commits (SQLEndTran) of any statement since the program started
  std::int64_t Commits = 0;
};

[[nodiscard]] TCommitTime CommitTime();

// Seconds spent inside the driver's calls other than commits, since the program started. A call
// the driver makes to an entry point while inside another counts once.
[[nodiscard]] double DriverCallSeconds();

}  // namespace tessaly::bench
