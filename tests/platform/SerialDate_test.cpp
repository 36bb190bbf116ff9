#include "platform/SerialDate.h"

#include <gtest/gtest.h>

#include <cmath>
#include <ctime>

namespace {

using platform::SerialDateParts;

// Serial numbers count days from 1899-12-30; before it the fraction still runs forward.
TEST(SerialDate, EncodeDecode) {
  struct Case {
    SerialDateParts parts;
    double serial;
  };
  const Case cases[] = {
      {{1899, 12, 30, 0, 0, 0, 0}, 0.0},    {{1899, 12, 29, 6, 0, 0, 0}, -1.25},
      {{1970, 1, 1, 0, 0, 0, 0}, 25569.0},  {{2000, 2, 29, 12, 0, 0, 0}, 36585.5},
      {{9999, 12, 31, 0, 0, 0, 0}, 2958465.0}, {{1, 1, 1, 0, 0, 0, 0}, -693593.0},
  };
  for (const Case& c : cases) {
    double out = 0;
    ASSERT_TRUE(platform::TryEncodeSerialDate(c.parts, out)) << c.serial;
    EXPECT_DOUBLE_EQ(out, c.serial);
    const SerialDateParts back = platform::DecodeSerialDate(out);
    EXPECT_EQ(back.year, c.parts.year);
    EXPECT_EQ(back.month, c.parts.month);
    EXPECT_EQ(back.day, c.parts.day);
    EXPECT_EQ(back.hour, c.parts.hour);
  }
  double untouched = 7;
  EXPECT_FALSE(platform::TryEncodeSerialDate({2001, 2, 29, 0, 0, 0, 0}, untouched));
  EXPECT_FALSE(platform::TryEncodeSerialDate({2001, 1, 1, 0, 0, 60, 0}, untouched));
  EXPECT_FALSE(platform::TryEncodeSerialDate({0, 1, 1, 0, 0, 0, 0}, untouched));
  EXPECT_EQ(untouched, 7);
  // A hair below midnight rounds to the next day.
  EXPECT_EQ(platform::DecodeSerialDate(1.0 - 1e-10).day, 31);
}

// "Now" is the local wall clock: its date and time agree with localtime (allowing a tick).
TEST(SerialDate, LocalNowIsTheLocalWallClock) {
  const time_t before = time(nullptr);
  const double now = platform::LocalNowSerial();
  tm local{};
  localtime_r(&before, &local);
  double expected = 0;
  ASSERT_TRUE(platform::TryEncodeSerialDate({local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                                             local.tm_min, local.tm_sec > 59 ? 59 : local.tm_sec, 0},
                                            expected));
  EXPECT_GE(now, expected - 1e-9);
  EXPECT_LT(now - expected, 5.0 / 86400.0);
}

}  // namespace
