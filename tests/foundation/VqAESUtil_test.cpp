#include "foundation/VqAESUtil.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace tessaly {
namespace {

std::string Bytes(std::initializer_list<int> v) {
  std::string s;
  for (const int b : v) s += static_cast<char>(b);
  return s;
}

std::string Encrypt(std::istream& src, std::int64_t count, const std::string& key, int size) {
  std::ostringstream dst;
  AesEcbEncryptStreamKey(src, count, key, size, dst);
  return dst.str();
}

// The block cipher is AES per FIPS-197 (its appendix C vectors for the three key sizes).
TEST(VqAESUtil, Fips197Vectors) {
  const std::string plain = Bytes({0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0xaa, 0xbb, 0xcc,
                                   0xdd, 0xee, 0xff});
  std::string key;
  for (int i = 0; i < 32; ++i) key += static_cast<char>(i);
  const std::pair<int, std::string> cases[] = {
      {kAesKeySize128, "69c4e0d86a7b0430d8cdb78070b4c55a"},
      {kAesKeySize192, "dda97ca4864cdfe06eaf70a0ec0d7191"},
      {kAesKeySize256, "8ea2b7ca516745bfeafc49904b496089"},
  };
  for (const auto& [size, hex] : cases) {
    std::istringstream src(plain);
    const std::string cipher = Encrypt(src, 0, key, size);
    std::string lower;
    for (const char c : cipher) {
      static const char d[] = "0123456789abcdef";
      lower += d[static_cast<unsigned char>(c) >> 4];
      lower += d[static_cast<unsigned char>(c) & 15];
    }
    EXPECT_EQ(lower, hex) << size;
    std::istringstream back(cipher);
    std::ostringstream out;
    AesEcbDecryptStreamKey(back, 0, key, size, out);
    EXPECT_EQ(out.str(), plain);
  }
  std::istringstream src(plain);
  EXPECT_EQ(Encrypt(src, 0, key, 3), "");  // an unknown key size does nothing
}

// A final partial block is zero-filled; count 0 rewinds, another count stops at the stream's end.
TEST(VqAESUtil, PartialBlocksAndCounts) {
  const std::string key = "0123456789abcdef";
  std::istringstream padded(std::string("abc") + std::string(13, '\0'));
  const std::string expected = Encrypt(padded, 0, key, kAesKeySize128);

  std::istringstream tail("XXXabc");
  tail.seekg(3);
  EXPECT_EQ(Encrypt(tail, 100, key, kAesKeySize128), expected);

  std::istringstream whole("XXXabc");
  whole.seekg(3);
  std::istringstream whole2("XXXabc");
  EXPECT_EQ(Encrypt(whole, 0, key, kAesKeySize128), Encrypt(whole2, 0, key, kAesKeySize128));
  EXPECT_NE(Encrypt(whole2, 0, key, kAesKeySize128), expected);
}

// Cipher text of n ANSI bytes is ((n - 1) / 16 + 1) * 16 bytes, in upper-case hex.
TEST(VqAESUtil, HexLengths) {
  const std::pair<std::string, std::size_t> cases[] = {
      {"", 0}, {std::string(15, 'a'), 32}, {std::string(16, 'a'), 32}, {std::string(17, 'a'), 64},
      {"会员积分同步平台", 32},  // 8 characters, 16 bytes in code page 936
  };
  for (const auto& [text, digits] : cases) {
    const std::string hex = AesEncryptToHex(text, "key", kAesKeySize128, false, 1, false, 1);
    EXPECT_EQ(hex.size(), digits) << text;
    EXPECT_EQ(hex.find_first_not_of("0123456789ABCDEF"), std::string::npos);
  }
}

// Decryption gives the ANSI text back with the zero fill of its last block.
TEST(VqAESUtil, HexRoundTripKeepsZeroFill) {
  const std::string hex = AesEncryptToHex("会员abc", "secret", kAesKeySize128, false, 1, false, 1);
  EXPECT_EQ(AesDecryptFromHex(hex, "secret", kAesKeySize128, false, 1, false, 1),
            "会员abc" + std::string(9, '\0'));
  // Keys longer than the key size use their first bytes only.
  EXPECT_EQ(AesEncryptToHex("x", "0123456789abcdef", kAesKeySize128, false, 1, false, 1),
            AesEncryptToHex("x", "0123456789abcdefMORE", kAesKeySize128, false, 1, false, 1));
}

// Bad cipher texts raise the layer's errors.
TEST(VqAESUtil, DecryptErrors) {
  try {
    (void)AesDecryptFromHex(std::string(30, 'A'), "k", kAesKeySize128, false, 1, false, 1);
    FAIL() << "no error";
  } catch (const EAESError& e) {
    EXPECT_STREQ(e.what(), "Invalid buffer size for decryption");
  }
  EXPECT_THROW((void)AesDecryptFromHex("ZZ" + std::string(30, 'A'), "k", kAesKeySize128, false, 1, false, 1),
               std::invalid_argument);
}

// Hex pairs in either case, a single last digit read alone.
TEST(VqAESUtil, HexTextToBytes) {
  EXPECT_EQ(HexTextToBytes("0aFf1"), Bytes({0x0a, 0xff, 0x01}));
  EXPECT_EQ(HexTextToBytes(""), "");
  EXPECT_THROW((void)HexTextToBytes("0g"), std::invalid_argument);
}

// Line breaks fold to LF (CR LF, then LF CR, then CR) before taking the asked form.
TEST(VqAESUtil, NormalizeLineBreaksTable) {
  const std::string mixed = "a\r\nb\n\rc\rd\ne";
  const std::pair<int, std::string> cases[] = {
      {0, "a\r\nb\r\nc\r\nd\r\ne"}, {1, "a\nb\nc\nd\ne"}, {2, "a\rb\rc\rd\re"}, {3, "abcde"}, {9, "a\nb\nc\nd\ne"},
  };
  for (const auto& [type, expected] : cases) EXPECT_EQ(NormalizeLineBreaks(mixed, type), expected) << type;
  EXPECT_EQ(NormalizeLineBreaks("plain", 3), "plain");
}

}  // namespace
}  // namespace tessaly
