#pragma once
// The setup program's one clock: local "now", a monotonic tick and sleeps. The engine, the
// library's waits and the package threads ask GetClock(), so tests install a clock whose sleeps
// cost nothing and whose time they step.
#include <cstdint>

namespace orvane {

// Days since 1899-12-30 00:00 local time; the fraction is the time of day.
using TDateTime = double;

class IClock {
 public:
  virtual ~IClock() = default;
  // Local date-time, to the millisecond.
  [[nodiscard]] virtual TDateTime Now() = 0;
  // Monotonic milliseconds from an arbitrary start; only differences count.
  [[nodiscard]] virtual std::int64_t TickMs() = 0;
  // Blocks the calling thread for about `ms` milliseconds (nothing for ms <= 0).
  virtual void SleepMs(int ms) = 0;
};

// The system's clocks: the local time zone, steady_clock, this_thread::sleep_for.
class TRealClock final : public IClock {
 public:
  [[nodiscard]] TDateTime Now() override;
  [[nodiscard]] std::int64_t TickMs() override;
  void SleepMs(int ms) override;
};

// Installs `clock` for the process; nullptr restores the real clock. The caller keeps ownership;
// swap it only while no other thread is inside a clock call (start-up, test set-up, tear-down).
void SetClock(IClock* clock);
// The installed clock. Safe from any thread.
[[nodiscard]] IClock& GetClock();

}  // namespace orvane
