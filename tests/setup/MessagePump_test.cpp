#include "setup/core/MessagePump.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "support/SetupFakeClock.h"

namespace {

class CountingPump final : public orvane::IMessagePump {
 public:
  void ProcessMessages() override { ++calls; }
  bool Terminating() override { return terminating; }
  std::atomic<int> calls{0};
  std::atomic<bool> terminating{false};
};

class MessagePumpTest : public ::testing::Test {
 protected:
  void SetUp() override { orvane::SetMessagePump(&pump_); }
  void TearDown() override { orvane::SetMessagePump(nullptr); }
  vqtest::SetupFakeClock clock_;
  vqtest::ScopedSetupClock scoped_{clock_};
  CountingPump pump_;
};

// A wait is cut into 100 ms slices plus the remainder, and the window is served after each sleep.
TEST_F(MessagePumpTest, WaitSlicesAndPumpsAfterEverySleep) {
  struct Case {
    int ms;
    std::vector<int> sleeps;
    int pumps;
  };
  const Case cases[] = {
      {0, {}, 0},
      {-50, {}, 0},
      {1, {1}, 1},
      {100, {100, 0}, 2},
      {250, {100, 100, 50}, 3},
      {1500, {100, 100, 100, 100, 100, 100, 100, 100, 100, 100, 100, 100, 100, 100, 100, 0}, 16},
  };
  for (const Case& c : cases) {
    vqtest::SetupFakeClock clock;
    vqtest::ScopedSetupClock scoped(clock);
    pump_.calls = 0;
    orvane::PumpWait(c.ms);
    EXPECT_EQ(clock.Sleeps(), c.sleeps) << c.ms;
    EXPECT_EQ(pump_.calls.load(), c.pumps) << c.ms;
    EXPECT_EQ(clock.ElapsedMs(), c.ms > 0 ? c.ms : 0) << c.ms;
  }
}

// A package thread waiting through the same helper sleeps but never runs the window's pump.
TEST_F(MessagePumpTest, OtherThreadsNeverRunThePump) {
  std::thread worker([] {
    orvane::PumpWait(300);
    orvane::ProcessMessages();
  });
  worker.join();
  EXPECT_EQ(pump_.calls.load(), 0);
  EXPECT_EQ(clock_.ElapsedMs(), 300);
  orvane::ProcessMessages();
  EXPECT_EQ(pump_.calls.load(), 1);
}

// Termination is the installed pump's answer, seen from any thread; without a pump it is false.
TEST_F(MessagePumpTest, TerminatingFollowsThePump) {
  EXPECT_FALSE(orvane::AppTerminating());
  pump_.terminating = true;
  bool seen = false;
  std::thread([&] { seen = orvane::AppTerminating(); }).join();
  EXPECT_TRUE(seen);
  orvane::SetMessagePump(nullptr);
  EXPECT_FALSE(orvane::AppTerminating());
  orvane::ProcessMessages();
  EXPECT_EQ(pump_.calls.load(), 0);
}

}  // namespace
