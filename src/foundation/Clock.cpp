#include "foundation/Clock.h"

#include <atomic>
#include <chrono>
#include <ctime>
#include <thread>

namespace tessaly {
namespace {

std::atomic<IClock*> g_clock{nullptr};

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
  TDateParts p;
  p.year = local.tm_year + 1900;
  p.month = local.tm_mon + 1;
  p.day = local.tm_mday;
  p.hour = local.tm_hour;
  p.minute = local.tm_min;
  // A leap second shows as :59 so the parts stay encodable.
  p.second = local.tm_sec > 59 ? 59 : local.tm_sec;
  p.msec = static_cast<int>(ts.tv_nsec / 1'000'000);
  return EncodeDateTime(p);
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

}  // namespace tessaly
