#pragma once
// A clock for the setup core's tests: sleeps cost no real time, they move the tick and "now"
// forward by the pause and are recorded, so a test sees exactly which waits a step made.
#include <cstdint>
#include <mutex>
#include <vector>

#include "setup/core/SetupClock.h"

namespace vqtest {

class SetupFakeClock final : public orvane::IClock {
 public:
  // 2020-07-17 09:00:00 local.
  static constexpr orvane::TDateTime kDefaultStart = 44029.375;

  [[nodiscard]] orvane::TDateTime Now() override {
    std::lock_guard<std::mutex> hold(lock_);
    return start_ + static_cast<double>(elapsedMs_) / 86'400'000.0;
  }
  [[nodiscard]] std::int64_t TickMs() override {
    std::lock_guard<std::mutex> hold(lock_);
    return 1'000'000 + elapsedMs_;
  }
  void SleepMs(int ms) override {
    std::lock_guard<std::mutex> hold(lock_);
    sleeps_.push_back(ms);
    if (ms > 0) elapsedMs_ += ms;
  }

  void SetNow(orvane::TDateTime now) {
    std::lock_guard<std::mutex> hold(lock_);
    start_ = now - static_cast<double>(elapsedMs_) / 86'400'000.0;
  }
  // The pauses asked for, in order (zero and negative ones included).
  [[nodiscard]] std::vector<int> Sleeps() const {
    std::lock_guard<std::mutex> hold(lock_);
    return sleeps_;
  }
  [[nodiscard]] std::int64_t ElapsedMs() const {
    std::lock_guard<std::mutex> hold(lock_);
    return elapsedMs_;
  }

 private:
  mutable std::mutex lock_;
  orvane::TDateTime start_ = kDefaultStart;  // guarded by lock_
  std::int64_t elapsedMs_ = 0;               // guarded by lock_
  std::vector<int> sleeps_;                  // guarded by lock_
};

// Installs a setup clock for the life of the object, then restores the real one.
class ScopedSetupClock {
 public:
  explicit ScopedSetupClock(orvane::IClock& clock) { orvane::SetClock(&clock); }
  ~ScopedSetupClock() { orvane::SetClock(nullptr); }
  ScopedSetupClock(const ScopedSetupClock&) = delete;
  ScopedSetupClock& operator=(const ScopedSetupClock&) = delete;
};

}  // namespace vqtest
