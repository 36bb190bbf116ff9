#pragma once
// The one clock of a process: local "now", a monotonic tick and sleeps. Everything that reads
// the time, waits or pauses asks GetClock(), so tests can install a clock they step or scale.
// Each program names it in its own namespace (tessaly::IClock, orvane::IClock).
#include <cstdint>

namespace platform {

class IClock {
 public:
  virtual ~IClock() = default;
  // Local date-time as a serial date (platform/SerialDate.h), to the millisecond.
  [[nodiscard]] virtual double Now() = 0;
  // Monotonic milliseconds from an arbitrary start; differences are what count.
  [[nodiscard]] virtual std::int64_t TickMs() = 0;
  // Blocks the calling thread for about `ms` milliseconds (nothing for ms <= 0).
  virtual void SleepMs(int ms) = 0;
};

// The system's clocks: the local time zone, steady_clock, this_thread::sleep_for.
class RealClock final : public IClock {
 public:
  [[nodiscard]] double Now() override;
  [[nodiscard]] std::int64_t TickMs() override;
  void SleepMs(int ms) override;
};

// Installs `clock` for the whole process; nullptr restores the real clock. The caller keeps
// ownership, and the clock must outlive every thread that may still be using it: swap it only
// while no other thread runs clock calls (start-up, test set-up and tear-down).
void SetClock(IClock* clock);
// The installed clock. Safe from any thread.
[[nodiscard]] IClock& GetClock();

}  // namespace platform
