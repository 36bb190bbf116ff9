#include "foundation/Clock.h"

#include <gtest/gtest.h>

#include <thread>

#include "support/FakeClock.h"

namespace {

using vqtest::FakeClock;

tessaly::TDateTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
  return tessaly::EncodeDateTime({y, mo, d, h, mi, s, ms});
}

// Installing a clock redirects GetClock for the process; nullptr brings the real clock back.
TEST(Clock, SetClockInstallsAndRestores) {
  tessaly::IClock& real = tessaly::GetClock();
  FakeClock fake;
  {
    vqtest::ScopedClock use(fake);
    EXPECT_EQ(&tessaly::GetClock(), &fake);
  }
  EXPECT_EQ(&tessaly::GetClock(), &real);
  EXPECT_NE(dynamic_cast<tessaly::TRealClock*>(&real), nullptr);
}

// The real clock's now agrees with the C library's local time, and its tick never goes back.
TEST(Clock, RealClockIsLocalTimeAndMonotonic) {
  tessaly::TRealClock real;
  const time_t before = time(nullptr);
  const tessaly::TDateTime now = real.Now();
  const time_t after = time(nullptr);
  tm lb{}, la{};
  localtime_r(&before, &lb);
  localtime_r(&after, &la);
  const auto Serial = [](const tm& t) {
    return At(t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec > 59 ? 59 : t.tm_sec);
  };
  EXPECT_GE(now, Serial(lb));
  EXPECT_LT(now, Serial(la) + 1.0 / 86400);
  const auto t1 = real.TickMs();
  real.SleepMs(0);
  real.SleepMs(-5);
  EXPECT_GE(real.TickMs(), t1);
}

// Instant sleeps cost no real time and move now and the tick by the pause, across midnight too.
TEST(Clock, FakeInstantSleepAdvancesTime) {
  FakeClock clock(At(2020, 7, 17, 23, 59, 59, 700));
  const auto t0 = clock.TickMs();
  clock.SleepMs(300);
  clock.SleepMs(1000);
  EXPECT_EQ(clock.TickMs() - t0, 1300);
  EXPECT_DOUBLE_EQ(clock.Now(), At(2020, 7, 18, 0, 0, 1, 0));
  EXPECT_EQ(clock.SleepCalls(), 2);
  EXPECT_EQ(clock.SleptMs(), 1300);
}

// SetNow moves the date only; AdvanceMs moves both, including over dates before the zero date.
TEST(Clock, FakeSetNowAndAdvance) {
  FakeClock clock;
  const auto t0 = clock.TickMs();
  clock.SetNow(At(1899, 12, 29, 23, 0, 0, 0));
  EXPECT_EQ(clock.TickMs(), t0);
  clock.AdvanceMs(2 * 3600 * 1000);
  EXPECT_DOUBLE_EQ(clock.Now(), At(1899, 12, 30, 1, 0, 0, 0));
  clock.AdvanceMs(-3 * 3600 * 1000);
  EXPECT_DOUBLE_EQ(clock.Now(), At(1899, 12, 29, 22, 0, 0, 0));
  EXPECT_EQ(clock.TickMs() - t0, -3600 * 1000);
}

// A manual sleep holds its thread until the test moves the clock past its end.
TEST(Clock, FakeManualSleepWaitsForTheTest) {
  FakeClock clock;
  clock.SetSleepMode(FakeClock::SleepMode::Manual);
  bool woke = false;
  std::thread sleeper([&] {
    clock.SleepMs(1000);
    woke = true;
  });
  ASSERT_TRUE(clock.WaitForSleepers(1));
  clock.AdvanceMs(999);
  EXPECT_EQ(clock.Sleepers(), 1);
  clock.AdvanceMs(1);
  sleeper.join();
  EXPECT_TRUE(woke);
  EXPECT_EQ(clock.Sleepers(), 0);
}

// Leaving manual mode releases every sleeper, so a test can always end its threads.
TEST(Clock, FakeLeavingManualReleasesSleepers) {
  FakeClock clock;
  clock.SetSleepMode(FakeClock::SleepMode::Manual);
  std::thread a([&] { clock.SleepMs(5000); });
  std::thread b([&] { clock.SleepMs(60000); });
  ASSERT_TRUE(clock.WaitForSleepers(2));
  clock.SetSleepMode(FakeClock::SleepMode::Instant);
  a.join();
  b.join();
  EXPECT_EQ(clock.SleepCalls(), 2);
  EXPECT_TRUE(clock.WaitForSleepCalls(2));
}

// A scaled sleep still moves the fake time by the whole pause.
TEST(Clock, FakeScaledSleepAdvancesByThePause) {
  FakeClock clock;
  clock.SetSleepMode(FakeClock::SleepMode::Scaled, 0.001);
  const auto t0 = clock.TickMs();
  clock.SleepMs(1000);
  EXPECT_EQ(clock.TickMs() - t0, 1000);
}

}  // namespace
