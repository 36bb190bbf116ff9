#include "support/FakeClock.h"

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <thread>

namespace vqtest {
namespace {

constexpr std::int64_t kMsPerDay = 86'400'000;

// A TDateTime counts time of day forward from midnight also before the zero date, so the
// value is not linear there; the clock keeps a linear count and converts at the edges.
std::int64_t ToLinear(tessaly::TDateTime dt) {
  const auto total = static_cast<std::int64_t>(std::llround(dt * static_cast<double>(kMsPerDay)));
  const std::int64_t days = total / kMsPerDay;
  return days * kMsPerDay + std::llabs(total) % kMsPerDay;
}

tessaly::TDateTime FromLinear(std::int64_t ms) {
  std::int64_t days = ms / kMsPerDay;
  std::int64_t tod = ms % kMsPerDay;
  if (tod < 0) {
    tod += kMsPerDay;
    --days;
  }
  const double t = static_cast<double>(tod) / static_cast<double>(kMsPerDay);
  return days >= 0 ? static_cast<double>(days) + t : static_cast<double>(days) - t;
}

}  // namespace

// test_support links below foundation, so no foundation function is called here.
tessaly::TDateTime FakeClock::DefaultStart() { return 44029.375; }  // 2020-07-17 09:00

FakeClock::FakeClock(tessaly::TDateTime start) : nowMs_(ToLinear(start)) {}

FakeClock::~FakeClock() { SetSleepMode(SleepMode::Instant); }

tessaly::TDateTime FakeClock::Now() {
  std::lock_guard<std::mutex> g(lock_);
  return FromLinear(nowMs_);
}

std::int64_t FakeClock::TickMs() {
  std::lock_guard<std::mutex> g(lock_);
  return tick_;
}

void FakeClock::SleepMs(int ms) {
  std::unique_lock<std::mutex> g(lock_);
  ++sleepCalls_;
  const std::int64_t pause = ms > 0 ? ms : 0;
  sleptMs_ += pause;
  sleptByThread_[std::this_thread::get_id()] += pause;
  switch (mode_) {
    case SleepMode::Instant:
      AdvanceLocked(pause);
      break;
    case SleepMode::Scaled: {
      const auto real = std::chrono::duration<double, std::milli>(static_cast<double>(pause) * scale_);
      changed_.notify_all();
      g.unlock();
      std::this_thread::sleep_for(real);
      g.lock();
      // Once the test has switched to Manual, only the test moves the clock: a pause that
      // began before the switch must not wake the threads already held.
      if (mode_ != SleepMode::Manual) AdvanceLocked(pause);
      break;
    }
    case SleepMode::Manual: {
      const std::int64_t wake = tick_ + pause;
      ++sleepers_;
      changed_.notify_all();
      changed_.wait(g, [&] { return tick_ >= wake || mode_ != SleepMode::Manual; });
      --sleepers_;
      changed_.notify_all();
      break;
    }
  }
}

void FakeClock::SetNow(tessaly::TDateTime now) {
  std::lock_guard<std::mutex> g(lock_);
  nowMs_ = ToLinear(now);
  changed_.notify_all();
}

void FakeClock::AdvanceMs(std::int64_t ms) {
  std::lock_guard<std::mutex> g(lock_);
  AdvanceLocked(ms);
}

void FakeClock::AdvanceLocked(std::int64_t ms) {
  nowMs_ += ms;
  tick_ += ms;
  changed_.notify_all();
}

void FakeClock::SetSleepMode(SleepMode mode, double scale) {
  std::lock_guard<std::mutex> g(lock_);
  mode_ = mode;
  scale_ = scale;
  changed_.notify_all();
}

int FakeClock::SleepCalls() const {
  std::lock_guard<std::mutex> g(lock_);
  return sleepCalls_;
}

std::int64_t FakeClock::SleptMs() const {
  std::lock_guard<std::mutex> g(lock_);
  return sleptMs_;
}

std::int64_t FakeClock::SleptMsOnThisThread() const {
  std::lock_guard<std::mutex> g(lock_);
  const auto it = sleptByThread_.find(std::this_thread::get_id());
  return it == sleptByThread_.end() ? 0 : it->second;
}

int FakeClock::Sleepers() const {
  std::lock_guard<std::mutex> g(lock_);
  return sleepers_;
}

bool FakeClock::WaitForSleepers(int count, int guardMs) {
  std::unique_lock<std::mutex> g(lock_);
  return changed_.wait_for(g, std::chrono::milliseconds(guardMs), [&] { return sleepers_ >= count; });
}

bool FakeClock::WaitForSleepCalls(int calls, int guardMs) {
  std::unique_lock<std::mutex> g(lock_);
  return changed_.wait_for(g, std::chrono::milliseconds(guardMs), [&] { return sleepCalls_ >= calls; });
}

}  // namespace vqtest
