#include "platform/TextCodec.h"

#include <gtest/gtest.h>

namespace {

// Lengths are UTF-16 units: a BMP character is one, an emoji two, invalid bytes one each.
TEST(TextCodec, Utf16LengthCountsCodeUnits) {
  struct Case {
    std::string text;
    std::size_t units;
  } cases[] = {{"", 0}, {"abc", 3}, {"中文", 2}, {"a\xF0\x9F\x98\x80", 3}, {"\xFF\xFE", 2}};
  for (const auto& c : cases) EXPECT_EQ(platform::Utf16Length(c.text), c.units) << c.text;
}

// UTF-8 -> UTF-16 -> UTF-8 keeps every valid text, surrogate pairs included.
TEST(TextCodec, Utf16RoundTrip) {
  for (std::string s : {"", "plain", "中文 текст", "emoji \xF0\x9F\x98\x80 end"})
    EXPECT_EQ(platform::Utf16ToUtf8(platform::Utf8ToUtf16(s)), s);
  EXPECT_EQ(platform::Utf16Mid("a中\xF0\x9F\x98\x80z", 1, 3), "中\xF0\x9F\x98\x80");
}

// GBK round trip of Chinese text; a character GBK lacks becomes one '?'.
TEST(TextCodec, Cp936RoundTripAndUnmappable) {
  const std::string zh = "门店后台";
  const std::string gbk = platform::Utf8ToCp936(zh);
  EXPECT_EQ(gbk.size(), 8u);
  EXPECT_EQ(platform::Cp936ToUtf8(gbk), zh);
  EXPECT_EQ(platform::Utf8ToCp936("a\xF0\x9F\x98\x80" "b"), "a?b");
  EXPECT_FALSE(platform::IsValidUtf8(gbk));
  EXPECT_TRUE(platform::IsValidUtf8(zh));
}

// Valid UTF-8 passes unchanged; each byte that is not part of a valid sequence becomes U+FFFD.
TEST(TextCodec, SanitizeUtf8ReplacesBadBytes) {
  EXPECT_EQ(platform::SanitizeUtf8("中文 ok"), "中文 ok");
  EXPECT_EQ(platform::SanitizeUtf8("a\xFF\xFE" "b"), "a\xEF\xBF\xBD\xEF\xBF\xBD" "b");
  EXPECT_EQ(platform::SanitizeUtf8(""), "");
}

// UTF-16 bytes in either byte order, surrogate pairs joined, an odd last byte dropped.
TEST(TextCodec, Utf16BytesToUtf8BothByteOrders) {
  using namespace std::string_literals;
  struct Case {
    std::string bytes;
    bool bigEndian;
    std::string text;
  } cases[] = {
      {"a\0\x2D\x4E"s, false, "a中"},
      {"\0a\x4E\x2D"s, true, "a中"},
      {"\x3D\xD8\x00\xDE"s, false, "\xF0\x9F\x98\x80"},
      {"a\0b"s, false, "a"},
      {"\x00\xD8"s, false, "\xEF\xBF\xBD"},
      {""s, true, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(platform::Utf16BytesToUtf8(c.bytes, c.bigEndian), c.text) << c.text;
}

}  // namespace
