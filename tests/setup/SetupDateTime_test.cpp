#include "setup/core/SetupDateTime.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

using orvane::TDateParts;

// Encoding counts days from 1899-12-30 and rejects impossible dates and times.
TEST(SetupDateTimeTest, EncodeAndDecode) {
  struct Case {
    TDateParts parts;
    std::optional<double> value;
  };
  const Case cases[] = {
      {{1899, 12, 30, 0, 0, 0, 0}, 0.0},
      {{1970, 1, 1, 0, 0, 0, 0}, 25569.0},
      {{2020, 7, 17, 12, 0, 0, 0}, 44029.5},
      {{2024, 2, 29, 6, 0, 0, 0}, 45351.25},
      {{2023, 2, 29, 0, 0, 0, 0}, std::nullopt},
      {{2020, 13, 1, 0, 0, 0, 0}, std::nullopt},
      {{2020, 1, 1, 24, 0, 0, 0}, std::nullopt},
      {{2020, 1, 1, 0, 60, 0, 0}, std::nullopt},
  };
  for (const Case& c : cases) {
    const auto got = orvane::EncodeDateTime(c.parts);
    ASSERT_EQ(got.has_value(), c.value.has_value()) << c.parts.year << "-" << c.parts.month;
    if (!got) continue;
    EXPECT_DOUBLE_EQ(*got, *c.value);
    const TDateParts back = orvane::DecodeDateTime(*got);
    EXPECT_EQ(back.year, c.parts.year);
    EXPECT_EQ(back.month, c.parts.month);
    EXPECT_EQ(back.day, c.parts.day);
    EXPECT_EQ(back.hour, c.parts.hour);
  }
  const TDateParts ms = orvane::DecodeDateTime(*orvane::EncodeDateTime({2020, 7, 17, 23, 59, 59, 999}));
  EXPECT_EQ(ms.second, 59);
  EXPECT_EQ(ms.msec, 999);
}

// The text forms parse back; anything but the program's forms is refused.
TEST(SetupDateTimeTest, TextForms) {
  const double when = *orvane::EncodeDateTime({2020, 7, 5, 9, 5, 3, 0});
  EXPECT_EQ(orvane::DateTimeText(when), "2020-07-05 09:05:03");
  EXPECT_EQ(orvane::DateText(when), "2020-07-05");
  EXPECT_EQ(orvane::TimeText(when), "09:05:03");
  struct Case {
    std::string text;
    bool ok;
  };
  const Case dateTimes[] = {
      {"2020-07-05 09:05:03", true}, {"2020-7-5 9:5:3", true}, {" 2020-07-05 09:05 ", true},
      {"2020-07-05", true},          {"2020/07/05", false},    {"2020-07-05 25:00:00", false},
      {"2020-07-05T09:05:03", false}, {"", false},             {"20200-01-01", false},
      {"2020-07-05 09:05:03:01", false},
  };
  for (const Case& c : dateTimes) EXPECT_EQ(orvane::ParseDateTime(c.text).has_value(), c.ok) << c.text;
  EXPECT_DOUBLE_EQ(*orvane::ParseDateTime("2020-7-5 9:5:3"), when);
  EXPECT_FALSE(orvane::ParseDate("2020-07-05 09:05").has_value());
  EXPECT_FALSE(orvane::ParseTime("9").has_value());
  EXPECT_NEAR(*orvane::ParseTime("12:00"), 0.5, 1e-12);
}

}  // namespace
