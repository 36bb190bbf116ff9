#pragma once
// The ODBC calls of the benchmark program are wrapped: inside them the heap counts as the rig's
// (HeapCounter.h), and a checkpoint write (the checkpoint upsert and the commit after it) is
// timed, so the benchmark can tell which share of a page it takes.
//
// Threads: any thread; the totals are atomic.
#include <cstdint>

namespace tessaly::bench {

struct TCheckpointTime {
  double Seconds = 0;      // spent in checkpoint writes since the program started
  std::int64_t Writes = 0;
};

[[nodiscard]] TCheckpointTime CheckpointTime();

}  // namespace tessaly::bench
