#pragma once
// The ODBC calls of the benchmark program are wrapped: inside them the heap counts as the rig's
// (HeapCounter.h), and a checkpoint write (the checkpoint upsert and the commit after it) is
// timed, so the benchmark can tell which share of a page it takes, as is every commit, so that
// the agent's time can be told apart from the test database's commit latency.
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

}  // namespace tessaly::bench
