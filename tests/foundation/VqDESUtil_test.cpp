#define OPENSSL_SUPPRESS_DEPRECATED
#include "foundation/VqDESUtil.h"

#include <gtest/gtest.h>
#include <openssl/des.h>

#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "foundation/Base64Util.h"
#include "foundation/VqDESText.h"

namespace tessaly {
namespace {

const std::string kKey8 = "k3y!D3S#";
const std::string kIv = "iv-bytes";

std::string Crypt(bool encrypt, const std::string& data, const std::string& key, int padding, int mode,
                int segment = 8, bool utf16 = false, const TDesProgressEvent& event = nullptr,
                TDesProgressProc proc = nullptr) {
  std::istringstream in(data);
  std::ostringstream out;
  DesCryptStream(encrypt, &in, &out, 0, key, kIv, padding, mode, segment, utf16, event, proc);
  return out.str();
}

std::string Pkcs5(std::string data) {
  const std::size_t p = 8 - data.size() % 8;
  return data + std::string(p, static_cast<char>(p));
}

// OpenSSL's own CBC over the same key, IV and padded data: single DES and EDE3.
std::string OpenSslCbc(const std::string& padded, const std::string& key) {
  std::vector<unsigned char> out(padded.size());
  DES_cblock iv;
  std::memcpy(iv, kIv.data(), 8);
  DES_key_schedule k1, k2, k3;
  DES_cblock b1, b2, b3;
  std::memcpy(b1, key.data(), 8);
  DES_set_key_unchecked(&b1, &k1);
  const auto* in = reinterpret_cast<const unsigned char*>(padded.data());
  if (key.size() >= 24) {
    std::memcpy(b2, key.data() + 8, 8);
    std::memcpy(b3, key.data() + 16, 8);
    DES_set_key_unchecked(&b2, &k2);
    DES_set_key_unchecked(&b3, &k3);
    DES_ede3_cbc_encrypt(in, out.data(), static_cast<long>(padded.size()), &k1, &k2, &k3, &iv, DES_ENCRYPT);
  } else {
    DES_ncbc_encrypt(in, out.data(), static_cast<long>(padded.size()), &k1, &iv, DES_ENCRYPT);
  }
  return std::string(out.begin(), out.end());
}

// Mode 1 with PKCS#5 padding is exactly OpenSSL's DES-CBC (and DES-EDE3-CBC for 24-byte keys);
// mode 5 gives the same bytes.
TEST(VqDESEngine, CbcMatchesOpenSsl) {
  const std::string key24 = "first8bysecond8bthird8by";
  for (const std::size_t len : {0u, 1u, 7u, 8u, 9u, 16u, 23u}) {
    const std::string data(len, 'q');
    for (const std::string& key : {kKey8, key24}) {
      const std::string expected = OpenSslCbc(Pkcs5(data), key);
      EXPECT_EQ(Crypt(true, data, key, kDesPadPkcs5, kDesModeCbc), expected) << len;
      EXPECT_EQ(Crypt(true, data, key, kDesPadPkcs5b, kDesModeCbc2), expected) << len;
      EXPECT_EQ(Crypt(false, expected, key, kDesPadPkcs5, kDesModeCbc), data) << len;
    }
  }
}

// ECB, CFB and OFB with full 8-byte segments match OpenSSL's 64-bit modes.
TEST(VqDESEngine, EcbCfbOfbMatchOpenSsl) {
  const std::string data = "sixteen bytes!!!plus five";
  DES_cblock kb;
  std::memcpy(kb, kKey8.data(), 8);
  DES_key_schedule ks;
  DES_set_key_unchecked(&kb, &ks);
  const auto* in = reinterpret_cast<const unsigned char*>(data.data());
  std::vector<unsigned char> ref(data.size());

  DES_cblock iv;
  int num = 0;
  std::memcpy(iv, kIv.data(), 8);
  DES_cfb64_encrypt(in, ref.data(), static_cast<long>(data.size()), &ks, &iv, &num, DES_ENCRYPT);
  EXPECT_EQ(Crypt(true, data, kKey8, kDesPadNone, kDesModeCfb), std::string(ref.begin(), ref.end()));

  num = 0;
  std::memcpy(iv, kIv.data(), 8);
  DES_ofb64_encrypt(in, ref.data(), static_cast<long>(data.size()), &ks, &iv, &num);
  EXPECT_EQ(Crypt(true, data, kKey8, kDesPadNone, kDesModeOfb), std::string(ref.begin(), ref.end()));

  std::string ecb;
  for (std::size_t i = 0; i < 16; i += 8) {
    DES_cblock a, b;
    std::memcpy(a, data.data() + i, 8);
    DES_ecb_encrypt(&a, &b, &ks, DES_ENCRYPT);
    ecb.append(reinterpret_cast<const char*>(b), 8);
  }
  EXPECT_EQ(Crypt(true, data.substr(0, 16), kKey8, kDesPadNone, kDesModeEcb), ecb);
}

// Keys under 24 bytes use their first 8 bytes; a 24-byte key whose thirds are equal is single DES.
TEST(VqDESEngine, KeySelection) {
  const std::string data = "key selection text";
  const std::string single = Crypt(true, data, kKey8, kDesPadPkcs5, kDesModeCbc);
  EXPECT_EQ(Crypt(true, data, kKey8 + "ignored!", kDesPadPkcs5, kDesModeCbc), single);
  EXPECT_EQ(Crypt(true, data, kKey8 + kKey8 + kKey8, kDesPadPkcs5, kDesModeCbc), single);
  EXPECT_EQ(Crypt(true, data, kKey8.substr(0, 5), kDesPadPkcs5, kDesModeCbc),
            Crypt(true, data, kKey8.substr(0, 5) + std::string(3, '\0'), kDesPadPkcs5, kDesModeCbc));
  EXPECT_NE(Crypt(true, data, kKey8 + "other 8!" + kKey8, kDesPadPkcs5, kDesModeCbc), single);
}

// Every mode with every padding decrypts back to the data, for lengths around the block size
// and for stream segments shorter than a block.
TEST(VqDESEngine, RoundTripsAllModesAndPaddings) {
  for (const int mode : {0, 1, 2, 3, 4, 5}) {
    for (const int padding : {0, 1, 2, 3, 4, 5}) {
      const bool block = mode == 0 || mode == 1 || mode == 5;
      for (const int segment : {8, 1, 3}) {
        if (block && segment != 8) continue;
        for (std::size_t len = 0; len <= 17; ++len) {
          if (block && padding == kDesPadNone && len % 8 != 0) continue;  // cannot be decrypted
          std::string data;
          for (std::size_t i = 0; i < len; ++i) data += static_cast<char>('A' + i);
          const std::string cipher = Crypt(true, data, kKey8, padding, mode, segment);
          EXPECT_EQ(Crypt(false, cipher, kKey8, padding, mode, segment), data)
              << "mode " << mode << " padding " << padding << " segment " << segment << " len " << len;
        }
      }
    }
  }
}

// Padding bytes as each scheme writes them, seen by decrypting without removing padding.
TEST(VqDESEngine, PaddingBytes) {
  const auto raw = [](int padding) {
    return Crypt(false, Crypt(true, "abcde", kKey8, padding, kDesModeEcb), kKey8, kDesPadNone, kDesModeEcb);
  };
  EXPECT_EQ(raw(kDesPadZero), std::string("abcde\0\0\0", 8));
  EXPECT_EQ(raw(kDesPadPkcs5), "abcde\x03\x03\x03");
  EXPECT_EQ(raw(kDesPadAnsiX923), std::string("abcde\0\0\x03", 8));
  EXPECT_EQ(raw(kDesPadIso10126).substr(7), "\x03");
  // A length that is a multiple of 8 gets a whole block of padding, except with zero padding.
  EXPECT_EQ(Crypt(true, "12345678", kKey8, kDesPadPkcs5, kDesModeCbc).size(), 16u);
  EXPECT_EQ(Crypt(true, "12345678", kKey8, kDesPadZero, kDesModeCbc).size(), 8u);
}

// Zero padding on decryption drops trailing zeros of the last block but keeps a block of zeros whole.
TEST(VqDESEngine, ZeroPaddingKeepsAnAllZeroBlock) {
  const std::string data = std::string("8 bytes!") + std::string(8, '\0');
  const std::string cipher = Crypt(true, data, kKey8, kDesPadZero, kDesModeCbc);
  ASSERT_EQ(cipher.size(), 16u);
  EXPECT_EQ(Crypt(false, cipher, kKey8, kDesPadZero, kDesModeCbc), data);
}

// Progress runs from 0 to the total L + P + 3; setting the cancel flag stops without an error,
// keeping what was written.
TEST(VqDESEngine, ProgressAndCancel) {
  std::vector<std::int64_t> seen;
  std::int64_t total = 0;
  const std::string data(12, 'x');  // P = 4
  Crypt(true, data, kKey8, kDesPadPkcs5, kDesModeCbc, 8, false,
      [&](void* sender, bool&, std::int64_t min, std::int64_t max, std::int64_t pos) {
        EXPECT_EQ(sender, nullptr);
        EXPECT_EQ(min, 0);
        total = max;
        seen.push_back(pos);
      });
  EXPECT_EQ(total, 12 + 4 + 3);
  EXPECT_EQ(seen, (std::vector<std::int64_t>{0, 1, 2, 11, 19}));

  const std::string none =
      Crypt(true, data, kKey8, kDesPadPkcs5, kDesModeCbc, 8, false, nullptr,
          [](bool& cancel, std::int64_t, std::int64_t, std::int64_t) { cancel = true; });
  EXPECT_EQ(none, "");
  const std::string first = Crypt(true, data, kKey8, kDesPadPkcs5, kDesModeCbc, 8, false,
                                [](void*, bool& cancel, std::int64_t, std::int64_t, std::int64_t pos) {
                                  cancel = pos >= 11;
                                });
  EXPECT_EQ(first, Crypt(true, data, kKey8, kDesPadPkcs5, kDesModeCbc).substr(0, 8));
}

// A missing stream is the engine's only error.
TEST(VqDESEngine, MissingStreams) {
  std::istringstream in("x");
  std::ostringstream out;
  EXPECT_THROW(DesCryptStream(true, nullptr, &out, 0, kKey8, kIv, 1, 1, 8, false, nullptr, nullptr),
               std::invalid_argument);
  EXPECT_THROW(DesCryptStream(true, &in, nullptr, 0, kKey8, kIv, 1, 1, 8, false, nullptr, nullptr),
               std::invalid_argument);
}

// The register moves left and takes the new bytes at its end.
TEST(VqDESEngine, ShiftFeedbackRegister) {
  unsigned char reg[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  const unsigned char in[8] = {9, 10, 11, 12, 13, 14, 15, 16};
  ShiftFeedbackRegister(reg, in, 3);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(reg), 8), std::string("\4\5\6\7\x08\x09\x0a\x0b", 8));
}

// The CBC wrappers: trimmed text with CR LF line breaks in UTF-8, the key as IV, a full block of
// eights after a text whose length is a multiple of 8.
TEST(VqDESText, CbcWrappers) {
  const std::string key = "12345678";
  const std::string cipher = DesCbcEncrypt("  会员\n密码 \r\n", key);
  EXPECT_EQ(cipher.find_first_of("\r\n"), std::string::npos);
  EXPECT_EQ(DesCbcDecrypt(cipher, key), "会员\r\n密码");

  std::istringstream in(std::string("会员\r\n密码"));
  std::ostringstream out;
  DesCryptStream(true, &in, &out, 0, key, key, kDesPadPkcs5b, kDesModeCbc, 16, false, nullptr, nullptr);
  EXPECT_EQ(DecodeBase64Bytes(cipher), out.str());

  const std::string eight = DecodeBase64Bytes(DesCbcEncrypt("abcdefgh", key));
  std::istringstream c(eight);
  std::ostringstream raw;
  DesCryptStream(false, &c, &raw, 0, key, key, kDesPadNone, kDesModeCbc, 16, false, nullptr, nullptr);
  EXPECT_EQ(raw.str(), "abcdefgh" + std::string(8, '\x08'));
}

// A key of 24 bytes or more makes the wrappers use triple DES.
TEST(VqDESText, TripleDesKeys) {
  const std::string key24 = "a24-byte key for 3DES!!!";
  const std::string cipher = DesCbcEncrypt("三重", key24);
  EXPECT_NE(cipher, DesCbcEncrypt("三重", key24.substr(0, 8)));
  EXPECT_EQ(DesCbcDecrypt(cipher, key24), "三重");
}

// With UTF-16 text the engine writes whole code units: zero padding may eat the high byte of a
// last ASCII character, and the odd count is rounded up again.
TEST(VqDESText, Utf16TextSurvivesZeroPadding) {
  const std::string cipher = DesEncryptText("a", kKey8, TDesEncoding::Utf16LE, TDesEncoding::Utf8, kIv,
                                            kDesPadZero, kDesModeCbc, 8, 0, 0);
  EXPECT_EQ(DesDecryptBytes(cipher, kKey8, TDesEncoding::Utf16LE, TDesEncoding::Utf8, kIv, kDesPadZero,
                            kDesModeCbc, 8, 0, 0),
            "a");
  // Bytes that are no text of the encoding give an empty text.
  EXPECT_EQ(DesDecryptBytes(Crypt(true, "\xFF\xFE", kKey8, kDesPadPkcs5, kDesModeCbc), kKey8, TDesEncoding::Utf8,
                            TDesEncoding::Utf8, kIv, kDesPadPkcs5, kDesModeCbc, 8, 0, 0),
            "");
}

// Line-break folding with the engine's numbering: 0 leaves the text alone.
TEST(VqDESText, NormalizeLineBreaksExTable) {
  const std::string mixed = "a\r\nb\rc\n";
  const std::pair<int, std::string> cases[] = {
      {0, mixed}, {1, "a\r\nb\r\nc\r\n"}, {2, "a\nb\nc\n"}, {3, "a\rb\rc\r"}, {4, "abc"}, {7, "a\nb\nc\n"},
  };
  for (const auto& [type, expected] : cases) EXPECT_EQ(NormalizeLineBreaksEx(mixed, type), expected) << type;
}

}  // namespace
}  // namespace tessaly
