#include <gtest/gtest.h>

#include "setup/core/VqLib.h"
#include "support/SetupFakeClock.h"

namespace {

using orvane::TvqLib;

// Record fields read and set as the configuration writes them.
TEST(VqLibText, ReadsAndSetsRecordFields) {
  EXPECT_EQ(TvqLib::GetTagValue("a:1;b:2;", "b:", ';'), "2");
  EXPECT_EQ(TvqLib::GetTagValue("a:1;b:2;", "c:", ';'), "a:1");
  EXPECT_EQ(TvqLib::GetTagValue("a:1;b:2;", "", ';'), "a:1");
  EXPECT_EQ(TvqLib::GetTagValue("a:1;b:2", "b:", ';'), "2");
  EXPECT_EQ(TvqLib::SetTagValue("a:1;b:2;", "b:", ';', "9"), "a:1;b:9;");
  EXPECT_EQ(TvqLib::SetTagValue("a:1;b:2;", "c:", ';', "9"), "a:1;b:2;;c:9");
  EXPECT_EQ(TvqLib::SetTagValue("a:1;b:2;", "", ';', "9"), "9;a:1;b:2;");
}

// The ellipsis keeps texts up to head + tail - 2 GBK bytes whole and never splits a character.
TEST(VqLibText, EllipsisCountsGbkBytes) {
  const std::string fifty(50, 'a');
  const std::string fiftyOne = std::string(16, 'h') + std::string(35, 't');
  const std::string cn = "正在删除文件：C:\\Program Files\\应用程序\\数据\\日志文件.txt";  // 57 GBK bytes
  struct Case {
    std::string text;
    int head;
    int tail;
    std::string expected;
  } cases[] = {
      {fifty, 16, 36, fifty},
      {fiftyOne, 16, 36, std::string(16, 'h') + "..." + std::string(35, 't')},
      {cn, 16, 36, "正在删除文件：C:...am Files\\应用程序\\数据\\日志文件.txt"},
      {"一二三四五六七八九十一二三四五六七八九十一二三四五六", 16, 36,
       "一二三四五六七八...十一二三四五六七八九十一二三四五六"},
      {"a一二三四五六七八九十一二三四五六七八九十一二三四五六", 16, 36,
       "a一二三四五六七...十一二三四五六七八九十一二三四五六"},
      {"ab", 1, 1, "a..."},
      {"", 16, 36, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(TvqLib::EllipsisText(c.text, c.head, c.tail), c.expected) << c.text;
}

// Sizes in words: nothing up to 1024 bytes, then the largest unit that is above 1024 of the next.
TEST(VqLibText, SizeTextPicksTheUnit) {
  struct Case {
    const char* format;
    std::int64_t bytes;
    const char* expected;
  } cases[] = {
      {"#0.00", -5, "0"},
      {"#0.00", 1024, "0"},
      {"#0.00", 1025, "1.00 KB"},
      {"#0.00", 1048576, "1024.00 KB"},
      {"#0.00", 1048577, "1.00 MB"},
      {"#0", 5LL * 1024 * 1024 * 1024, "5 GB"},
      {"#0.00", 1536LL * 1024 * 1024 * 1024, "1.50 TB"},
      {"#0", 3 * 1024 + 512, "4 KB"},
      // Exact halves round away from zero.
      {"#0", 2560, "3 KB"},
      {"#0", 2LL * 1024 * 1024 + 512 * 1024, "3 MB"},
      {"#0.0", 1280, "1.3 KB"},
      {"#0.00", 1024 * 1024 + 128 * 1024, "1.13 MB"},
      {"#0.00", 3LL * 1024 * 1024 * 1024 + 640LL * 1024 * 1024, "3.63 GB"},
      {"#0", 4608, "5 KB"},
  };
  for (const Case& c : cases) EXPECT_EQ(TvqLib::SizeText(c.format, c.bytes), c.expected) << c.bytes;
}

// The stamp is the local date-time's seconds from 1970, less eight hours.
TEST(VqLibText, UnixStampFromTheLocalClock) {
  vqtest::SetupFakeClock clock;
  vqtest::ScopedSetupClock use(clock);
  struct Case {
    orvane::TDateTime now;
    const char* expected;
  } cases[] = {
      {25569.0, "-28800"},       {25569.0 + 8.0 / 24, "0"},
      {44029.375, "1594947600"}, {44029.375 + 0.9 / 86400, "1594947600"},
      {45000.5, "1678852800"},
  };
  for (const Case& c : cases) {
    clock.SetNow(c.now);
    EXPECT_EQ(TvqLib::UnixStamp(), c.expected) << c.now;
  }
}

// Small text helpers, as tables.
TEST(VqLibText, PathAndRepeatHelpers) {
  EXPECT_EQ(TvqLib::IncludeBackslash("C:\\a\\\\b"), "C:\\a\\b\\");
  EXPECT_EQ(TvqLib::IncludeBackslash("C:\\a\\"), "C:\\a\\");
  EXPECT_EQ(TvqLib::IncludeBackslash("\\\\\\\\server\\share"), "\\server\\share\\");
  EXPECT_EQ(TvqLib::LastPathPart("C:\\a\\b.exe", '\\'), "b.exe");
  EXPECT_EQ(TvqLib::LastPathPart("name", '\\'), "name");
  EXPECT_EQ(TvqLib::LastPathPart("C:\\a\\b.exe", '\\', ".e"), "b.");
  EXPECT_EQ(TvqLib::ReplaceAllText("aaaa", "aa", "a"), "a");
  EXPECT_EQ(TvqLib::ReplaceAllText("a-b-c", "-", "+"), "a+b+c");
  EXPECT_EQ(TvqLib::ReplaceAllText("ab", "b", "bb"), "abb");  // would never end: once
  EXPECT_EQ(TvqLib::ReplaceAllText("ab", "", "x"), "ab");
  EXPECT_EQ(TvqLib::RepeatText("=", 3), "===");
  EXPECT_EQ(TvqLib::RepeatText("ab", 0), "");
  EXPECT_EQ(TvqLib::RepeatText("ab", -2), "");
  EXPECT_EQ(TvqLib::AnsiCharCount("ab中文c"), 5);
  EXPECT_EQ(TvqLib::AnsiCharCount(""), 0);
  EXPECT_EQ(TvqLib::IfThen<std::string>(true, "y", "n"), "y");
  EXPECT_EQ(TvqLib::IfThen(false, 1, 2), 2);
}

}  // namespace
