#include "foundation/DateTime.h"

#include <gtest/gtest.h>

#include "support/FakeClock.h"

namespace {

using tessaly::TDateParts;
using tessaly::TDateTime;

TDateTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
  return tessaly::EncodeDateTime({y, mo, d, h, mi, s, ms});
}

// Known serials: the zero date, leap days, dates before the zero date (negative, time forward).
TEST(DateTime, EncodeGivesTheKnownSerials) {
  struct Case {
    TDateParts parts;
    TDateTime serial;
  } cases[] = {
      {{1899, 12, 30, 0, 0, 0, 0}, 0.0},
      {{1899, 12, 31, 0, 0, 0, 0}, 1.0},
      {{1900, 1, 1, 0, 0, 0, 0}, 2.0},
      {{1900, 3, 1, 0, 0, 0, 0}, 61.0},  // 1900 has no 29 February
      {{2000, 2, 29, 0, 0, 0, 0}, 36585.0},
      {{2020, 7, 17, 9, 0, 0, 0}, 44029.375},
      {{2020, 7, 17, 18, 0, 0, 0}, 44029.75},
      {{1899, 12, 29, 6, 0, 0, 0}, -1.25},
      {{1899, 12, 28, 18, 0, 0, 0}, -2.75},
      {{1, 1, 1, 0, 0, 0, 0}, -693593.0},
      {{9999, 12, 31, 0, 0, 0, 0}, 2958465.0},
  };
  for (const auto& c : cases) {
    TDateTime got = 123;
    ASSERT_TRUE(tessaly::TryEncodeDateTime(c.parts, got)) << c.serial;
    EXPECT_DOUBLE_EQ(got, c.serial);
  }
}

// Impossible parts are refused and leave the output alone; EncodeDateTime then gives zero.
TEST(DateTime, ImpossiblePartsAreRefused) {
  const TDateParts bad[] = {
      {2019, 2, 29, 0, 0, 0, 0}, {1900, 2, 29, 0, 0, 0, 0}, {2020, 4, 31, 0, 0, 0, 0},
      {2020, 13, 1, 0, 0, 0, 0}, {2020, 0, 1, 0, 0, 0, 0},  {2020, 1, 0, 0, 0, 0, 0},
      {0, 1, 1, 0, 0, 0, 0},     {10000, 1, 1, 0, 0, 0, 0}, {2020, 1, 1, 24, 0, 0, 0},
      {2020, 1, 1, 0, 60, 0, 0}, {2020, 1, 1, 0, 0, 60, 0}, {2020, 1, 1, 0, 0, 0, 1000},
      {2020, 1, 1, -1, 0, 0, 0},
  };
  for (const auto& p : bad) {
    TDateTime out = 7.5;
    EXPECT_FALSE(tessaly::TryEncodeDateTime(p, out)) << p.year << "-" << p.month << "-" << p.day;
    EXPECT_EQ(out, 7.5);
    EXPECT_EQ(tessaly::EncodeDateTime(p), 0.0);
  }
}

// Decode inverts encode to the millisecond, for leap days, negative dates and the last instant of a day.
TEST(DateTime, EncodeDecodeRoundTripKeepsMilliseconds) {
  const TDateParts cases[] = {
      {2020, 7, 17, 9, 41, 7, 52},   {2000, 2, 29, 23, 59, 59, 999}, {1899, 12, 30, 0, 0, 0, 1},
      {1899, 12, 29, 6, 30, 0, 500}, {1600, 2, 29, 12, 0, 0, 0},     {1, 1, 1, 0, 0, 0, 0},
      {9999, 12, 31, 23, 59, 59, 999}, {2024, 12, 31, 0, 0, 0, 0},   {2021, 3, 1, 13, 5, 9, 7},
  };
  for (const auto& p : cases) {
    const TDateParts back = tessaly::DecodeDateTime(tessaly::EncodeDateTime(p));
    EXPECT_EQ(back.year, p.year);
    EXPECT_EQ(back.month, p.month);
    EXPECT_EQ(back.day, p.day);
    EXPECT_EQ(back.hour, p.hour);
    EXPECT_EQ(back.minute, p.minute);
    EXPECT_EQ(back.second, p.second);
    EXPECT_EQ(back.msec, p.msec) << p.year << "-" << p.month << "-" << p.day;
  }
}

// A value a hair below midnight rounds to the next day rather than to 23:59:59.1000.
TEST(DateTime, DecodeRoundsToTheMillisecondAcrossMidnight) {
  const TDateTime almost = At(2020, 7, 17) + 1.0 - 1e-10;
  const TDateParts p = tessaly::DecodeDateTime(almost);
  EXPECT_EQ(p.day, 18);
  EXPECT_EQ(p.hour, 0);
  EXPECT_EQ(p.msec, 0);
  EXPECT_DOUBLE_EQ(tessaly::DateOf(almost), At(2020, 7, 18));
  EXPECT_DOUBLE_EQ(tessaly::TimeOf(almost), 0.0);
}

// DateOf and TimeOf split both positive and negative values; the time of day is never negative.
TEST(DateTime, DateOfAndTimeOf) {
  EXPECT_DOUBLE_EQ(tessaly::DateOf(44029.75), 44029.0);
  EXPECT_DOUBLE_EQ(tessaly::TimeOf(44029.75), 0.75);
  EXPECT_DOUBLE_EQ(tessaly::DateOf(-1.25), -1.0);
  EXPECT_DOUBLE_EQ(tessaly::TimeOf(-1.25), 0.25);
  EXPECT_DOUBLE_EQ(tessaly::EncodeTime(18, 0, 0, 0), 0.75);
  EXPECT_DOUBLE_EQ(tessaly::EncodeDate(2020, 7, 17), 44029.0);
}

// Every token of the programs' formats, including minutes after an hour and a copied remainder.
TEST(DateTime, FormatTokens) {
  const TDateTime dt = At(2020, 3, 5, 14, 7, 9, 52);
  struct Case {
    const char* fmt;
    const char* want;
  } cases[] = {
      {"yyyy-MM-dd HH:mm:ss", "2020-03-05 14:07:09"},
      {"yyyy-mm-dd hh:nn:ss.zzz", "2020-03-05 14:07:09.052"},
      {"hh:nn:ss.zzz", "14:07:09.052"},
      {"hh:nn:ss", "14:07:09"},
      {"yyyymmdd", "20200305"},
      {"yyyymmddHH", "2020030514"},
      {"yy/m/d", "20/3/5"},
      {"h:n:s.z", "14:7:9.52"},
      {"hh:mm", "14:07"},   // minutes: an hour token came before
      {"h m", "14 7"},
      {"mm hh mm", "03 14 07"},
      {"HH 'x' T", "14 'x' T"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(tessaly::FormatDateTime(c.fmt, dt), c.want) << c.fmt;
}

// Small hours and years of fewer digits are zero padded; times before the zero date format too.
TEST(DateTime, FormatPadsAndHandlesEarlyDates) {
  EXPECT_EQ(tessaly::FormatDateTime("yyyy-mm-dd hh:nn:ss.zzz", At(5, 1, 2, 3, 4, 5, 6)),
            "0005-01-02 03:04:05.006");
  EXPECT_EQ(tessaly::FormatDateTime("yyyy-mm-dd hh:nn", -1.25), "1899-12-29 06:00");
  EXPECT_EQ(tessaly::FormatDateTime("yyyy-mm-dd hh:nn:ss", 0.0), "1899-12-30 00:00:00");
}

// The accepted text forms and what they give.
TEST(DateTime, ParseAcceptedForms) {
  struct Case {
    const char* text;
    TDateTime want;
  } cases[] = {
      {"2020-03-05", At(2020, 3, 5)},
      {"2020/03/05", At(2020, 3, 5)},
      {"2020-3-5", At(2020, 3, 5)},
      {"  2020-03-05\t", At(2020, 3, 5)},
      {"2020-03-05 14:07", At(2020, 3, 5, 14, 7)},
      {"2020-03-05 14:07:09", At(2020, 3, 5, 14, 7, 9)},
      {"2020-03-05 14:07:09.052", At(2020, 3, 5, 14, 7, 9, 52)},
      {"2020-03-05 14:07:09.5", At(2020, 3, 5, 14, 7, 9, 500)},
      {"2020-03-05 14:07:09.1234567", At(2020, 3, 5, 14, 7, 9, 123)},
      {"2020-03-05  4:07:09", At(2020, 3, 5, 4, 7, 9)},
      {"2000-02-29 23:59:59.999", At(2000, 2, 29, 23, 59, 59, 999)},
      {"1899-12-29 06:00", -1.25},
      {"14:07:09", tessaly::EncodeTime(14, 7, 9, 0)},
      {"14:07", tessaly::EncodeTime(14, 7, 0, 0)},
      {"00:00:00.001", tessaly::EncodeTime(0, 0, 0, 1)},
  };
  for (const auto& c : cases) {
    TDateTime got = -99;
    ASSERT_TRUE(tessaly::TryStrToDateTime(c.text, got)) << c.text;
    EXPECT_DOUBLE_EQ(got, c.want) << c.text;
  }
}

// Malformed texts and impossible dates or times are refused without touching the output.
TEST(DateTime, ParseRefusesTheRest) {
  const char* bad[] = {"",
                       "   ",
                       "2020",
                       "20-03-05",
                       "20200-03-05",
                       "2020-03",
                       "2020-03-05T14:07",
                       "2020-03-05 14",
                       "2020-03-05 14:07:",
                       "2020-03-05 14:07:09.",
                       "2020-03-05 14:07:09 x",
                       "2020-02-30",
                       "2019-02-29",
                       "2020-13-01",
                       "2020-03-05 24:00",
                       "2020-03-05 12:60",
                       "25:00",
                       "12:00:61",
                       "a2020-03-05",
                       "2020.03.05",
                       "-2020-03-05"};
  for (const char* text : bad) {
    TDateTime out = 42;
    EXPECT_FALSE(tessaly::TryStrToDateTime(text, out)) << '"' << text << '"';
    EXPECT_EQ(out, 42) << text;
  }
}

// Parse reads back what the fixed format writes, milliseconds included.
TEST(DateTime, FormatThenParseRoundTrip) {
  for (TDateTime dt :
       {At(2020, 3, 5, 14, 7, 9, 52), At(2000, 2, 29, 0, 0, 0, 1), At(1, 1, 1, 23, 59, 59, 999)}) {
    TDateTime back = 0;
    ASSERT_TRUE(tessaly::TryStrToDateTime(tessaly::FormatDateTime("yyyy-MM-dd HH:mm:ss.zzz", dt), back));
    EXPECT_DOUBLE_EQ(back, dt);
  }
}

// Unix seconds take the local clock as UTC+8 and round down, before 1970 too; the way back
// gives the local date-time again.
TEST(DateTime, UnixSecondsAtUtc8) {
  EXPECT_EQ(tessaly::UnixSecondsOfLocal(At(1970, 1, 1, 8)), 0);
  EXPECT_EQ(tessaly::UnixSecondsOfLocal(At(1970, 1, 1, 8, 0, 1, 999)), 1);
  EXPECT_EQ(tessaly::UnixSecondsOfLocal(At(1970, 1, 1, 7, 59, 59, 500)), -1);
  EXPECT_EQ(tessaly::LocalEpochMilliseconds(At(1970, 1, 1, 0, 0, 1, 250)), 1250);
  EXPECT_DOUBLE_EQ(tessaly::LocalOfUnixSeconds(0), At(1970, 1, 1, 8));
  EXPECT_EQ(tessaly::UnixSecondsOfLocal(tessaly::LocalOfUnixSeconds(1709618829)), 1709618829);
}

// Now() asks the installed process clock.
TEST(DateTime, NowComesFromTheProcessClock) {
  vqtest::FakeClock clock(At(2021, 1, 2, 3, 4, 5, 6));
  vqtest::ScopedClock use(clock);
  EXPECT_DOUBLE_EQ(tessaly::Now(), At(2021, 1, 2, 3, 4, 5, 6));
}

}  // namespace
