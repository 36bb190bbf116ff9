#include "platform/Hex.h"

#include <gtest/gtest.h>

namespace {

// Digits of either case read back; anything else, including bytes above ASCII, is no digit.
TEST(Hex, DigitValues) {
  EXPECT_EQ(platform::HexDigitValue('0'), 0);
  EXPECT_EQ(platform::HexDigitValue('9'), 9);
  EXPECT_EQ(platform::HexDigitValue('a'), 10);
  EXPECT_EQ(platform::HexDigitValue('F'), 15);
  EXPECT_EQ(platform::HexDigitValue(u'f'), 15);
  for (char32_t c : {U'g', U'G', U'/', U':', U'@', U'`', U' ', U'\xFF', U'\xFF10'})
    EXPECT_EQ(platform::HexDigitValue(c), -1) << static_cast<unsigned>(c);
  EXPECT_EQ(platform::HexDigitValue('\xC3'), -1);
}

// Writers keep leading zeros and the case asked for.
TEST(Hex, WritesFixedWidthInEitherCase) {
  std::string out;
  platform::AppendHex(out, 0x4E2D, 4, platform::HexCase::Upper);
  platform::AppendHex(out, 0x0A, 2, platform::HexCase::Lower);
  platform::AppendHex(out, 0xBEEF, 4, platform::HexCase::Lower);
  EXPECT_EQ(out, "4E2D0abeef");
  EXPECT_EQ(platform::HexOfBytes(std::string("\x00\xFF\x1a", 3), platform::HexCase::Upper), "00FF1A");
  EXPECT_EQ(platform::HexOfBytes(std::string("\x00\xFF\x1a", 3), platform::HexCase::Lower), "00ff1a");
}

}  // namespace
