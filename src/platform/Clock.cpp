#include "platform/Clock.h"

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/SerialDate.h"

namespace platform {
namespace {

std::atomic<IClock*> g_clock{nullptr};

RealClock& TheRealClock() {
  static RealClock real;
  return real;
}

}  // namespace

double RealClock::Now() { return LocalNowSerial(); }

std::int64_t RealClock::TickMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void RealClock::SleepMs(int ms) {
  if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void SetClock(IClock* clock) { g_clock.store(clock, std::memory_order_release); }

IClock& GetClock() {
  IClock* c = g_clock.load(std::memory_order_acquire);
  return c != nullptr ? *c : TheRealClock();
}

}  // namespace platform
