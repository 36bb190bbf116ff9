#include "foundation/VqSyncUtil.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace tessaly {
namespace {

// A new holder reads its default; writing v leaves def alone.
TEST(VqSyncValue, DefaultsAndWrites) {
  TVqSyncInt i(7);
  TVqSyncStr s("门店");
  TVqSyncBool b(true);
  TVqSyncDtm d(43831.5);
  EXPECT_EQ(i.v(), 7);
  EXPECT_EQ(s.v(), "门店");
  EXPECT_TRUE(b.v());
  EXPECT_DOUBLE_EQ(d.v(), 43831.5);

  i.v(-3);
  s.v("总店");
  b.v(false);
  d.v(1.25);
  EXPECT_EQ(i.v(), -3);
  EXPECT_EQ(i.def(), 7);
  EXPECT_EQ(s.v(), "总店");
  EXPECT_EQ(s.def(), "门店");
  EXPECT_FALSE(b.v());
  EXPECT_TRUE(b.def());
  EXPECT_DOUBLE_EQ(d.v(), 1.25);
  EXPECT_DOUBLE_EQ(d.def(), 43831.5);
}

// Readers racing two writers of long texts always see one of the two texts whole.
TEST(VqSyncValue, ConcurrentWritersNeverTearAText) {
  const std::string a(4096, 'a');
  std::string b(2048, 'b');
  for (int k = 0; k < 1000; ++k) b += "中";
  TVqSyncStr holder(a);
  std::atomic<int> torn{0};
  std::vector<std::thread> threads;
  threads.emplace_back([&] {
    for (int k = 0; k < 20000; ++k) holder.v(a);
  });
  threads.emplace_back([&] {
    for (int k = 0; k < 20000; ++k) holder.v(b);
  });
  for (int r = 0; r < 2; ++r) {
    threads.emplace_back([&] {
      for (int k = 0; k < 20000; ++k) {
        const std::string seen = holder.v();
        if (seen != a && seen != b) ++torn;
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(torn.load(), 0);
}

// A date-time holder under concurrent writers reads only values that some writer wrote.
TEST(VqSyncValue, ConcurrentDateTimeWrites) {
  TVqSyncDtm holder(0.0);
  std::atomic<int> foreign{0};
  std::thread w1([&] {
    for (int k = 0; k < 20000; ++k) holder.v(44000.25);
  });
  std::thread w2([&] {
    for (int k = 0; k < 20000; ++k) holder.v(-1.75);
  });
  std::thread r([&] {
    for (int k = 0; k < 20000; ++k) {
      const TDateTime seen = holder.v();
      if (seen != 0.0 && seen != 44000.25 && seen != -1.75) ++foreign;
    }
  });
  w1.join();
  w2.join();
  r.join();
  EXPECT_EQ(foreign.load(), 0);
}

}  // namespace
}  // namespace tessaly

namespace {

// Update holds the lock across its read and write: concurrent conditional changes never lose one
// another's writes, where a v() read followed by a v(x) write would.
TEST(VqSyncValue, UpdateIsOneStep) {
  tessaly::TVqSyncInt counter{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&counter] {
      for (int i = 0; i < 5000; ++i) counter.Update([](std::int32_t& v) { ++v; });
    });
  for (auto& th : threads) th.join();
  EXPECT_EQ(counter.v(), 20000);

  tessaly::TVqSyncInt state{4};
  state.Update([](std::int32_t& v) {
    if (v == 1 || v == 2) v = 2;
  });
  EXPECT_EQ(state.v(), 4);  // a stop request is not overwritten
}

}  // namespace
