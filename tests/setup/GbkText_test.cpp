#include "setup/core/GbkText.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/TextCodec.h"

namespace {

// Byte counts are those of the GBK form: Chinese two, ASCII one, an unmappable character one.
TEST(GbkTextTest, CountsGbkBytes) {
  struct Case {
    std::string text;
    std::size_t bytes;
  };
  const Case cases[] = {
      {"", 0}, {"abc", 3}, {"中文", 4}, {"a中b", 4}, {"😀", 1}, {"Ä", 1}, {"€", 1},
  };
  for (const Case& c : cases) EXPECT_EQ(orvane::GbkByteCount(c.text), c.bytes) << c.text;
}

// Cuts keep whole characters: a limit that falls inside a two-byte character drops it.
TEST(GbkTextTest, HeadAndTailNeverSplitACharacter) {
  struct Case {
    std::string text;
    std::size_t max;
    std::string head;
    std::string tail;
  };
  const Case cases[] = {
      {"abc", 5, "abc", "abc"},        {"abc", 0, "", ""},          {"a中文b", 1, "a", "b"},
      {"a中文b", 2, "a", "b"},         {"a中文b", 3, "a中", "文b"}, {"a中文b", 4, "a中", "文b"},
      {"a中文b", 5, "a中文", "中文b"}, {"中文", 3, "中", "文"},     {"x😀中", 2, "x😀", "中"},
      {"x😀中", 3, "x😀", "😀中"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(orvane::GbkHead(c.text, c.max), c.head) << c.text << " " << c.max;
    EXPECT_EQ(orvane::GbkTail(c.text, c.max), c.tail) << c.text << " " << c.max;
  }
}

// On raw GBK bytes a lead byte takes its trail byte, even when the trail looks like ASCII.
TEST(GbkTextTest, FitLengthOnRawBytes) {
  const std::string gbk = platform::Utf8ToCp936("a中b");  // 61 D6 D0 62
  ASSERT_EQ(gbk.size(), 4U);
  EXPECT_EQ(orvane::GbkFitLength(gbk, 0), 0U);
  EXPECT_EQ(orvane::GbkFitLength(gbk, 1), 1U);
  EXPECT_EQ(orvane::GbkFitLength(gbk, 2), 1U);
  EXPECT_EQ(orvane::GbkFitLength(gbk, 3), 3U);
  EXPECT_EQ(orvane::GbkFitLength(gbk, 99), 4U);
  // "@" (0x40) is a valid trail byte: the pair 0x81 0x40 is one character.
  EXPECT_EQ(orvane::GbkFitLength("\x81\x40x", 1), 0U);
  EXPECT_EQ(orvane::GbkFitLength("\x81\x40x", 2), 2U);
  // A lone lead byte at the end counts alone.
  EXPECT_EQ(orvane::GbkFitLength("ab\x81", 3), 3U);
}

}  // namespace
