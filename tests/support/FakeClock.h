#pragma once
// A clock for tests: "now" and the tick are set and stepped by the test, and sleeps either cost
// nothing (Instant: the clock jumps forward by the pause), cost a fraction of the pause in real
// time (Scaled), or block until the test moves the clock past their end (Manual). WaitForSleepers
// and WaitForSleepCalls let a test meet a sleeping thread without guessing durations.
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <thread>

#include "foundation/Clock.h"

namespace vqtest {

class FakeClock final : public tessaly::IClock {
 public:
  enum class SleepMode { Instant, Scaled, Manual };

  // Starts at `start` (default 2020-07-17 09:00:00.000), tick 1 000 000, Instant sleeps.
  explicit FakeClock(tessaly::TDateTime start = DefaultStart());
  // Releases any thread still in a Manual sleep; threads using the clock must be joined first.
  ~FakeClock() override;

  [[nodiscard]] tessaly::TDateTime Now() override;
  [[nodiscard]] std::int64_t TickMs() override;
  void SleepMs(int ms) override;

  // Moves "now" only; the tick is not touched (a clock change by the user).
  void SetNow(tessaly::TDateTime now);
  // Moves "now" and the tick forward together and wakes Manual sleepers that are due.
  void AdvanceMs(std::int64_t ms);
  // Scaled sleeps wait ms * scale real milliseconds. Leaving Manual wakes every sleeper.
  void SetSleepMode(SleepMode mode, double scale = 0.0);

  [[nodiscard]] int SleepCalls() const;        // SleepMs calls so far, any mode
  [[nodiscard]] std::int64_t SleptMs() const;  // sum of the pauses asked for
  // The same sum for the calling thread only, so a test is not misled by workers that share
  // the clock.
  [[nodiscard]] std::int64_t SleptMsOnThisThread() const;
  [[nodiscard]] int Sleepers() const;          // threads blocked in a Manual sleep now

  // Block until `count` threads sit in a Manual sleep / until SleepMs was called `calls` times
  // in all. False only when `guardMs` of real time pass first (a hang guard, not a timing).
  [[nodiscard]] bool WaitForSleepers(int count, int guardMs = 10000);
  [[nodiscard]] bool WaitForSleepCalls(int calls, int guardMs = 10000);

  [[nodiscard]] static tessaly::TDateTime DefaultStart();

 private:
  void AdvanceLocked(std::int64_t ms);  // needs lock_

  mutable std::mutex lock_;
  std::condition_variable changed_;  // any change of the fields below
  std::int64_t nowMs_ = 0;           // guarded by lock_; linear milliseconds since the zero date
  std::int64_t tick_ = 1'000'000;    // guarded by lock_
  SleepMode mode_ = SleepMode::Instant;  // guarded by lock_
  double scale_ = 0.0;                   // guarded by lock_
  int sleepCalls_ = 0;                   // guarded by lock_
  std::int64_t sleptMs_ = 0;             // guarded by lock_
  std::map<std::thread::id, std::int64_t> sleptByThread_;  // guarded by lock_
  int sleepers_ = 0;                     // guarded by lock_
};

// Installs a clock for the process for the life of the object, then restores the real one.
class ScopedClock {
 public:
  explicit ScopedClock(tessaly::IClock& clock) { tessaly::SetClock(&clock); }
  ~ScopedClock() { tessaly::SetClock(nullptr); }
  ScopedClock(const ScopedClock&) = delete;
  ScopedClock& operator=(const ScopedClock&) = delete;
};

}  // namespace vqtest
