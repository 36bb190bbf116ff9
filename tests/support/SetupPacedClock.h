#pragma once
// A setup clock for tests that run whole flows against real processes and package threads: time
// is the fake clock's (a pause costs what it says only there), but every sleep also yields a
// moment of real time, so a started program can react between two checks and a package thread
// can finish within a flow's bounded polling.
#include <chrono>
#include <thread>

#include "support/SetupFakeClock.h"

namespace vqtest {

class SetupPacedClock final : public orvane::IClock {
 public:
  explicit SetupPacedClock(SetupFakeClock& fake) : fake_(fake) {}

  [[nodiscard]] orvane::TDateTime Now() override { return fake_.Now(); }
  [[nodiscard]] std::int64_t TickMs() override { return fake_.TickMs(); }
  void SleepMs(int ms) override {
    fake_.SleepMs(ms);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }

 private:
  SetupFakeClock& fake_;
};

}  // namespace vqtest
