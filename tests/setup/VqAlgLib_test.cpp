#include "setup/core/VqAlgLib.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <string>

#include "platform/TextCodec.h"

namespace {

using orvane::TVqAlgLib;

// One AES-128-ECB block, computed apart from the code under test.
std::string AesBlock(const std::string& key16, const std::string& block16) {
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  EVP_EncryptInit_ex(ctx, EVP_aes_128_ecb(), nullptr, reinterpret_cast<const unsigned char*>(key16.data()), nullptr);
  EVP_CIPHER_CTX_set_padding(ctx, 0);
  std::string out(16, '\0');
  int len = 0;
  EVP_EncryptUpdate(ctx, reinterpret_cast<unsigned char*>(out.data()), &len,
                    reinterpret_cast<const unsigned char*>(block16.data()), 16);
  EVP_CIPHER_CTX_free(ctx);
  return out;
}

// The fixed vectors: length prefix, zero fill, upper-case hex, and their way back.
TEST(VqAlgLibTest, KnownVectorsBothWays) {
  struct Case {
    std::string plain;
    std::string key;
    std::string cipher;
  };
  const Case cases[] = {
      {"", "k", "00000000"},
      {"", "", "00000000"},
      {"abc", "key", "03000000A77D1248C32AA0A820527B04D22703C2"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TVqAlgLib::EncryptText(c.plain, c.key), c.cipher) << c.plain;
    EXPECT_EQ(TVqAlgLib::DecryptText(c.cipher, c.key), c.plain) << c.cipher;
  }
  EXPECT_EQ(TVqAlgLib::DecryptText("03000000a77d1248c32aa0a820527b04d22703c2", "key"), "abc");
}

// The cipher part is whole blocks of the GBK bytes, and the length counts GBK bytes.
TEST(VqAlgLibTest, BlocksAndLengthFollowGbkBytes) {
  struct Case {
    std::string plain;
    std::string lengthHex;
    std::size_t hexDigits;
  };
  const Case cases[] = {
      {std::string(16, 'a'), "10000000", 8 + 32},
      {std::string(17, 'a'), "11000000", 8 + 64},
      {"中文", "04000000", 8 + 32},
      {std::string(300, 'x'), "2C010000", 8 + 19 * 32},
  };
  for (const Case& c : cases) {
    const std::string cipher = TVqAlgLib::EncryptText(c.plain, "secret");
    EXPECT_EQ(cipher.substr(0, 8), c.lengthHex) << c.plain;
    EXPECT_EQ(cipher.size(), c.hexDigits) << c.plain;
    EXPECT_EQ(TVqAlgLib::DecryptText(cipher, "secret"), c.plain) << c.plain;
  }
}

// The key is the first 16 GBK bytes of the key text, zero-filled; an empty key is all zeros.
TEST(VqAlgLibTest, KeyFromGbkBytes) {
  const std::string gbkKey = platform::Utf8ToCp936("安装密钥");  // 8 bytes
  std::string key16 = gbkKey + std::string(8, '\0');
  const std::string block = std::string("abc") + std::string(13, '\0');
  EXPECT_EQ(TVqAlgLib::EncryptText("abc", "安装密钥"),
            "03000000" + TVqAlgLib::BytesToHex(AesBlock(key16, block)));
  EXPECT_EQ(TVqAlgLib::EncryptText("abc", ""),
            "03000000" + TVqAlgLib::BytesToHex(AesBlock(std::string(16, '\0'), block)));
  EXPECT_EQ(TVqAlgLib::EncryptText("abc", "0123456789abcdefTAIL"), TVqAlgLib::EncryptText("abc", "0123456789abcdef"));
  EXPECT_NE(TVqAlgLib::EncryptText("abc", "0123456789abcde"), TVqAlgLib::EncryptText("abc", "0123456789abcdef"));
}

// Malformed cipher texts raise the two errors callers catch; a wrong key gives garbage, not an error.
TEST(VqAlgLibTest, BadCipherTexts) {
  EXPECT_THROW((void)TVqAlgLib::DecryptText("0300000zA77D", "k"), orvane::EConvertError);
  try {
    (void)TVqAlgLib::DecryptText("03000000A77D", "key");
    FAIL() << "no error";
  } catch (const orvane::ECipherError& e) {
    EXPECT_STREQ(e.what(), "Invalid buffer size for decryption");
  }
  EXPECT_NO_THROW((void)TVqAlgLib::DecryptText("03000000A77D1248C32AA0A820527B04D22703C2", "other"));
  EXPECT_NE(TVqAlgLib::DecryptText("03000000A77D1248C32AA0A820527B04D22703C2", "other"), "abc");
  // Texts too short to hold the length prefix decrypt to nothing instead of reading past the end.
  EXPECT_EQ(TVqAlgLib::DecryptText("", "key"), "");
  EXPECT_EQ(TVqAlgLib::DecryptText("03", "key"), "");
  // A stated length past the decrypted bytes keeps them all.
  const std::string cipher = TVqAlgLib::EncryptText("abc", "key");
  EXPECT_EQ(TVqAlgLib::DecryptText("FF000000" + cipher.substr(8), "key").size(), 16U);
}

// Hex conversion: upper case out, either case in, an odd last digit is a byte of its own.
TEST(VqAlgLibTest, HexConversions) {
  EXPECT_EQ(TVqAlgLib::BytesToHex(std::string("\x00\xab\x7f", 3)), "00AB7F");
  EXPECT_EQ(TVqAlgLib::HexToBytes("00aB7f"), std::string("\x00\xab\x7f", 3));
  EXPECT_EQ(TVqAlgLib::HexToBytes("0aF"), std::string("\x0a\x0f", 2));
  EXPECT_EQ(TVqAlgLib::HexToBytes(""), "");
  EXPECT_THROW((void)TVqAlgLib::HexToBytes("0g"), orvane::EConvertError);
  EXPECT_THROW((void)TVqAlgLib::HexToBytes("00 1"), orvane::EConvertError);
}

}  // namespace
