#include "setup/core/SetupClock.h"

#include <atomic>
#include <chrono>
#include <ctime>
#include <thread>

namespace orvane {
namespace {

std::atomic<IClock*> g_clock{nullptr};

// Days from 1899-12-30 to 1970-01-01.
constexpr double kUnixEpochDays = 25569.0;

TRealClock& RealClock() {
  static TRealClock real;
  return real;
}

}  // namespace

TDateTime TRealClock::Now() {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  tm local{};
  localtime_r(&ts.tv_sec, &local);
  // A leap second shows as :59 so the day fraction stays below one.
  if (local.tm_sec > 59) local.tm_sec = 59;
  // timegm of the local broken-down time gives the local wall clock as seconds since 1970.
  const std::int64_t localSeconds = static_cast<std::int64_t>(timegm(&local));
  const std::int64_t localMs = localSeconds * 1000 + ts.tv_nsec / 1'000'000;
  return kUnixEpochDays + static_cast<double>(localMs) / 86'400'000.0;
}

std::int64_t TRealClock::TickMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void TRealClock::SleepMs(int ms) {
  if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void SetClock(IClock* clock) { g_clock.store(clock, std::memory_order_release); }

IClock& GetClock() {
  IClock* c = g_clock.load(std::memory_order_acquire);
  return c != nullptr ? *c : RealClock();
}

}  // namespace orvane
