#include <gtest/gtest.h>

#include "foundation/DateTime.h"
#include "foundation/VqLibUtil.h"
#include "platform/Registry.h"
#include "support/FakeClock.h"
#include "support/MachineRootFixture.h"

namespace {

using namespace tessaly;

TDateTime At(int y, int mo, int d, int h, int mi, int s, int ms = 0) {
  return EncodeDate(y, mo, d) + EncodeTime(h, mi, s, ms);
}

// After the start-up's SetDateFormat GetFormat gives the agent's form with the 24-hour clock.
TEST(VqLibDates, FormatsAfterSetDateFormat) {
  TvqLib::SetDateFormat();
  EXPECT_EQ(TvqLib::GetFormat(At(2020, 3, 5, 14, 7, 9)), "2020-03-05 14:07:09");
  EXPECT_EQ(TvqLib::GetFormat(At(2020, 3, 5, 0, 0, 0, 999)), "2020-03-05 00:00:00");
}

// Time stamps from the local clock: milliseconds wrapped to 32 bits for platform "10", local
// seconds less eight hours for the others.
TEST(VqLibDates, TimestampsFromTheLocalClock) {
  vqtest::FakeClock clock(At(2020, 3, 5, 14, 7, 9, 250));
  vqtest::ScopedClock scoped(clock);
  const std::int64_t localSeconds = 1583417229;  // 2020-03-05 14:07:09 read as UTC
  const std::int64_t ms = localSeconds * 1000 + 250;
  EXPECT_EQ(TvqLib::GetTimestampValue("10"), static_cast<std::int32_t>(static_cast<std::uint32_t>(ms)));
  EXPECT_EQ(TvqLib::GetTimestampValue("1"), localSeconds - 28800);
  EXPECT_EQ(TvqLib::GetTimestamp("2"), std::to_string(localSeconds - 28800));
  EXPECT_EQ(TvqLib::GetDatetime(localSeconds - 28800), At(2020, 3, 5, 14, 7, 9));
}

// Dates combined with times of day; unparsable times fall back.
TEST(VqLibDates, CombinesDatesAndTimes) {
  vqtest::FakeClock clock(At(2020, 3, 5, 14, 7, 9));
  vqtest::ScopedClock scoped(clock);
  EXPECT_EQ(TvqLib::GetDatetime(std::string("08:30:15")), At(2020, 3, 5, 8, 30, 15));
  EXPECT_EQ(TvqLib::GetDatetime(std::string("25:00")), At(2020, 3, 5, 14, 7, 9));
  const TDateTime day = At(2019, 12, 31, 23, 0, 0);
  EXPECT_EQ(TvqLib::GetDatetime(day, At(2001, 1, 1, 6, 5, 4, 900)), At(2019, 12, 31, 6, 5, 4));
  EXPECT_EQ(TvqLib::GetDatetime(day, "7:08"), At(2019, 12, 31, 7, 8, 0));
  EXPECT_EQ(TvqLib::GetDatetime(day, "late"), day);
}

// The machine's default date forms land where Windows keeps them.
TEST(VqLibDates, SetSysDateFormat) {
  vqtest::MachineRootFixture machine;
  TvqLib::SetSysDateFormat();
  platform::RegKey key;
  ASSERT_EQ(platform::RegKey::Open(platform::RegRoot::CurrentUser, "Control Panel\\International",
                                   platform::RegAccess::Read, platform::RegView::Default, key),
            0);
  std::string v;
  ASSERT_EQ(key.ReadString("sShortDate", v), 0);
  EXPECT_EQ(v, "yyyy-MM-dd");
  ASSERT_EQ(key.ReadString("sTimeFormat", v), 0);
  EXPECT_EQ(v, "HH:mm:ss");
}

}  // namespace
