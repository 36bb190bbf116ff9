#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "foundation/Logger.h"
#include "foundation/VqNetUtil.h"
#include "support/CapturedLogView.h"
#include "support/FakeClock.h"
#include "support/FakePlatformServer.h"
#include "support/TempDir.h"

namespace {

namespace net = tessaly::TVqNet;
using vqtest::FakeReply;

// The fake clock, counting its TickMs calls: a request takes one as it starts and one once its
// answer is in, so a test can wait until a request has measured its time.
class TickCountingClock final : public tessaly::IClock {
 public:
  explicit TickCountingClock(vqtest::FakeClock& inner) : inner_(inner) {}
  tessaly::TDateTime Now() override { return inner_.Now(); }
  std::int64_t TickMs() override {
    const std::int64_t tick = inner_.TickMs();
    {
      std::lock_guard<std::mutex> guard(lock_);
      ++ticks_;
    }
    changed_.notify_all();
    return tick;
  }
  void SleepMs(int ms) override { inner_.SleepMs(ms); }
  int Ticks() {
    std::lock_guard<std::mutex> guard(lock_);
    return ticks_;
  }
  // False only when the hang guard passes first.
  bool WaitForTicks(int count) {
    std::unique_lock<std::mutex> guard(lock_);
    return changed_.wait_for(guard, std::chrono::seconds(10), [&] { return ticks_ >= count; });
  }

 private:
  vqtest::FakeClock& inner_;
  std::mutex lock_;
  std::condition_variable changed_;
  int ticks_ = 0;  // guarded by lock_
};

// The message-pumping variants with a counting pump and a clock whose sleeps cost a twentieth of
// their time, or nothing at all, so the whole wait bound passes at once while a held answer is
// still on its way. Every test lets
// its request threads finish (their timing line is their last use of clock and logger) before
// the clock and logger go.
class VqNetSync : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { dir_ = std::make_unique<vqtest::TempProgramDir>(); }
  static void TearDownTestSuite() { dir_.reset(); }
  void SetUp() override {
    clock_.SetSleepMode(vqtest::FakeClock::SleepMode::Scaled, 0.05);
    logger_.SetEnabled(true);
    logger_.SetLogShower(view_);
    tessaly::Logger.store(&logger_);
    tessaly::SetNetMessagePump([this] {
      ++pumps_;
      if (onPump_) onPump_(pumps_.load());
    });
  }
  void TearDown() override {
    tessaly::SetNetMessagePump({});
    tessaly::Logger.store(nullptr);
    tessaly::NetClientMode = 1;
    tessaly::NetSyncMode = 1;
    tessaly::NetMainThreadId = std::thread::id();
    tessaly::NetConnectTimeout = 15000;
    tessaly::NetReadTimeout = 600000;
  }

  static inline std::unique_ptr<vqtest::TempProgramDir> dir_;
  vqtest::FakeClock clock_;
  TickCountingClock countingClock_{clock_};
  vqtest::ScopedClock useClock_{countingClock_};
  tessaly::TLogger logger_;
  std::shared_ptr<vqtest::CapturedLogView> view_ = std::make_shared<vqtest::CapturedLogView>();
  std::atomic<int> pumps_{0};
  std::function<void(int)> onPump_;  // set before a request, read by the pump on this thread
  vqtest::FakePlatformServer server_;
};

// Each variant hands back its transport's result and answer, pumping while it waits.
TEST_F(VqNetSync, VariantsReturnTheTransportsAnswer) {
  tessaly::NetClientMode = 0;
  server_.SetDefault("g", FakeReply::Json("{\"g\":1}"));
  server_.SetDefault("404", FakeReply::Status(404));
  std::string answer;
  EXPECT_EQ(net::SyncGet(server_.url("g"), answer), 1);
  EXPECT_EQ(answer, "{\"g\":1}");
  EXPECT_EQ(net::SyncPost(server_.url("g"), "a=1 2", answer), 1);
  EXPECT_EQ(answer, "{\"g\":1}");
  // The failure text carries the clock time the request took; the first pump waits until the
  // request has taken its end time, so no pause of this thread lies inside it.
  const int ticks = countingClock_.Ticks();
  onPump_ = [&](int) { ASSERT_TRUE(countingClock_.WaitForTicks(ticks + 2)); };
  EXPECT_EQ(net::SyncPost(server_.url("404"), "a=1", answer), 0);
  onPump_ = nullptr;
  EXPECT_EQ(answer, "网络错误HTTP/1.1 404 Not Found");
  EXPECT_EQ(net::SyncPostStream(server_.url("g"), "x y", "", "", answer, "text/xml"), 1);
  EXPECT_GE(pumps_.load(), 4);

  const auto all = server_.Requests();
  ASSERT_EQ(all.size(), 4u);
  EXPECT_EQ(all[1].body, "a=1+2");
  EXPECT_EQ(all[3].body, "x y");
  EXPECT_FALSE(all[3].hasHeader("Content-Type"));  // the content type is not passed on
  ASSERT_TRUE(view_->WaitFor("", 1, 10000));       // the GET's line: its thread is done
}

// Without an answer the wait ends after (2 x connect + read) / 100 + 1 rounds, 6301 with the
// initial time-outs, with -1 and the variant's time-out text.
TEST_F(VqNetSync, NoAnswerWithinTheBoundGivesMinusOneAndTheTimeoutText) {
  clock_.SetSleepMode(vqtest::FakeClock::SleepMode::Instant);
  server_.SetDefault("held", FakeReply::Held("go", FakeReply::Json("{}")));
  std::string answer = "old";
  EXPECT_EQ(net::SyncGet(server_.url("held"), answer), -1);
  EXPECT_EQ(answer, "请求服务器超时");
  EXPECT_EQ(pumps_.load(), 6301);
  EXPECT_EQ(clock_.SleepCalls(), 6301);

  pumps_ = 0;
  tessaly::NetConnectTimeout = 20000;
  tessaly::NetReadTimeout = 40000;
  EXPECT_EQ(net::SyncPost(server_.url("held"), "a=1", answer), -1);
  EXPECT_EQ(answer, "提交服务器超时");
  EXPECT_EQ(pumps_.load(), 801);

  server_.Release("go");
  ASSERT_TRUE(view_->WaitFor("", 2, 10000));  // "Net.NetGet" and "Net.NetPost": both threads are done
}

// An answer that arrives after its caller gave up does not become the next call's answer.
TEST_F(VqNetSync, LateAnswerDoesNotReachTheNextCall) {
  clock_.SetSleepMode(vqtest::FakeClock::SleepMode::Instant);
  server_.SetDefault("first", FakeReply::Held("first", FakeReply::Json("{\"late\":true}")));
  server_.SetDefault("second", FakeReply::Held("second", FakeReply::Json("{\"second\":true}")));
  std::string answer;
  ASSERT_EQ(net::SyncGet(server_.url("first"), answer), -1);

  onPump_ = [this](int round) {
    if (round == 1) {
      server_.Release("first");
      ASSERT_TRUE(view_->WaitFor("", 1, 10000));  // the first call's thread has its answer
    } else if (round < 50) {
      // Give a late writer every chance to land while this call is still waiting.
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  };
  pumps_ = 0;
  EXPECT_EQ(net::SyncGet(server_.url("second"), answer), -1);
  EXPECT_EQ(answer, "请求服务器超时");

  onPump_ = nullptr;
  server_.Release("second");
  ASSERT_TRUE(view_->WaitFor("", 2, 10000));
}

// Get, Post and PostStream pump only for a call with a sync tag on NetMainThreadId while
// NetSyncMode is 1; by default no thread is that thread, so nothing pumps.
TEST_F(VqNetSync, DispatchPumpsOnlyOnTheMainThreadWithATag) {
  tessaly::NetClientMode = 0;
  server_.SetDefault("d", FakeReply::Json("{}"));
  struct Case {
    bool mainIsThisThread;
    int syncMode;
    int tag;
    bool pumps;
  };
  const Case cases[] = {
      {false, 1, 1, false}, {true, 1, 1, true}, {true, 1, 0, false}, {true, 0, 1, false}, {true, 2, 7, false},
      {true, 1, -1, true},
  };
  int gets = 0;
  for (const Case& c : cases) {
    tessaly::NetMainThreadId = c.mainIsThisThread ? std::this_thread::get_id() : std::thread::id();
    tessaly::NetSyncMode = c.syncMode;
    std::string answer;
    pumps_ = 0;
    EXPECT_EQ(net::Get(server_.url("d"), answer, c.tag), 1);
    ++gets;
    EXPECT_EQ(pumps_.load() > 0, c.pumps) << "Get main " << c.mainIsThisThread << " mode " << c.syncMode;
    pumps_ = 0;
    EXPECT_EQ(net::Post(server_.url("d"), "a=1", answer, c.tag), 1);
    EXPECT_EQ(pumps_.load() > 0, c.pumps) << "Post main " << c.mainIsThisThread << " mode " << c.syncMode;
    pumps_ = 0;
    EXPECT_EQ(net::PostStream(server_.url("d"), "a", answer, c.tag), 1);
    EXPECT_EQ(pumps_.load() > 0, c.pumps) << "PostStream main " << c.mainIsThisThread;
  }
  ASSERT_TRUE(view_->WaitFor("", static_cast<std::size_t>(gets), 10000));
}

// Without a registered pump the variants simply wait for their answer.
TEST_F(VqNetSync, WithoutAPumpTheVariantsJustWait) {
  tessaly::SetNetMessagePump({});
  tessaly::NetClientMode = 0;
  server_.SetDefault("w", FakeReply::Json("{\"w\":1}"));
  std::string answer;
  EXPECT_EQ(net::SyncGet(server_.url("w"), answer), 1);
  EXPECT_EQ(answer, "{\"w\":1}");
  EXPECT_EQ(pumps_.load(), 0);
  ASSERT_TRUE(view_->WaitFor("", 1, 10000));
}

}  // namespace
