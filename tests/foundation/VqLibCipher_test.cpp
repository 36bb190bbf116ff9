#include "foundation/VqLibCipher.h"

#include <gtest/gtest.h>

#include <string>

namespace tessaly {
namespace {

// AESEncrypt gives upper-case hex of whole 16-byte blocks of the ANSI text.
TEST(VqLibCipher, AesHexLengths) {
  const std::pair<std::string, std::size_t> cases[] = {
      {"", 0}, {std::string(15, 'x'), 32}, {std::string(16, 'x'), 32}, {std::string(17, 'x'), 64},
  };
  for (const auto& [text, digits] : cases) EXPECT_EQ(TvqLib::AESEncrypt(text, "key").size(), digits);
}

// AESDecrypt returns the text with LF line breaks, trimmed, the zero fill gone.
TEST(VqLibCipher, AesRoundTrip) {
  const std::string cipher = TvqLib::AESEncrypt("  会员\r\n积分\r ", "0123456789abcdef");
  EXPECT_EQ(TvqLib::AESDecrypt(cipher, "0123456789abcdef"), "会员\n积分");
}

// A cipher text of 15 bytes, or one that is no hex, makes AESDecrypt return an empty text.
TEST(VqLibCipher, AesBadInputGivesEmptyText) {
  EXPECT_EQ(TvqLib::AESDecrypt(std::string(30, 'A'), "key"), "");
  EXPECT_EQ(TvqLib::AESDecrypt("not hex at all!!", "key"), "");
}

// DESEncrypt and DESDecrypt round-trip with CR LF line breaks; garbage decrypts to an empty text.
TEST(VqLibCipher, DesRoundTrip) {
  const std::string cipher = TvqLib::DESEncrypt("门店\n密码", "deskey12");
  EXPECT_EQ(TvqLib::DESDecrypt(cipher, "deskey12"), "门店\r\n密码");
  EXPECT_EQ(TvqLib::DESDecrypt("@@@@", "deskey12"), "");
}

}  // namespace
}  // namespace tessaly
