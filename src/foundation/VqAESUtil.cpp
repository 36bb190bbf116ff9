// OpenSSL's low-level AES block functions give exactly the expanded-key-per-call shape this
// layer works in.
#define OPENSSL_SUPPRESS_DEPRECATED
#include "foundation/VqAESUtil.h"

#include <cstring>
#include <sstream>

#include "foundation/VqCipherCommon.h"
#include "platform/Hex.h"
#include "platform/TextCodec.h"

namespace tessaly {
namespace {

constexpr std::int64_t kBlock = AES_BLOCK_SIZE;

int KeyBits(int KeySize) {
  switch (KeySize) {
    case kAesKeySize128: return 128;
    case kAesKeySize192: return 192;
    case kAesKeySize256: return 256;
    default: return 0;
  }
}

// The key bytes in a zero-filled buffer of the key size.
std::string KeyBuffer(const std::string& key, int bits) {
  std::string buf(static_cast<std::size_t>(bits / 8), '\0');
  std::memcpy(buf.data(), key.data(), std::min(buf.size(), key.size()));
  return buf;
}

void ReadBlock(std::istream& src, unsigned char* buf, std::int64_t n) {
  src.read(reinterpret_cast<char*>(buf), n);
  if (src.gcount() != n) throw EStreamError("Stream read error");
}

void WriteBlock(std::ostream& dst, const unsigned char* buf) {
  dst.write(reinterpret_cast<const char*>(buf), kBlock);
  if (!dst) throw EStreamError("Stream write error");
}

}  // namespace

std::string NormalizeLineBreaks(const std::string& text, int type) {
  switch (type) {
    case 0: return ReplaceLineBreaks(text, "\r\n");
    case 2: return ReplaceLineBreaks(text, "\r");
    case 3: return ReplaceLineBreaks(text, "");
    default: return ReplaceLineBreaks(text, "\n");
  }
}

std::string HexTextToBytes(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); i += 2) {
    const std::size_t n = std::min<std::size_t>(2, text.size() - i);
    int v = 0;
    for (std::size_t k = 0; k < n; ++k) {
      const int d = platform::HexDigitValue(text[i + k]);
      if (d < 0) throw std::invalid_argument("'" + text.substr(i, n) + "' is not a valid hexadecimal value");
      v = v * 16 + d;
    }
    out += static_cast<char>(v);
  }
  return out;
}

void AesEcbEncryptStream(std::istream& src, std::int64_t count, const AES_KEY& key, std::ostream& dst) {
  std::int64_t left = CipherStreamLength(src, count);
  unsigned char in[kBlock], out[kBlock];
  while (left > 0) {
    const std::int64_t n = std::min(left, kBlock);
    std::memset(in, 0, sizeof in);
    ReadBlock(src, in, n);
    AES_encrypt(in, out, &key);
    WriteBlock(dst, out);
    left -= n;
  }
}

void AesEcbDecryptStream(std::istream& src, std::int64_t count, const AES_KEY& key, std::ostream& dst) {
  std::int64_t left = CipherStreamLength(src, count);
  if (left % kBlock != 0) throw EAESError("Invalid buffer size for decryption");
  unsigned char in[kBlock], out[kBlock];
  for (; left > 0; left -= kBlock) {
    ReadBlock(src, in, kBlock);
    AES_decrypt(in, out, &key);
    WriteBlock(dst, out);
  }
}

void AesEcbEncryptStreamKey(std::istream& src, std::int64_t count, const std::string& key, int KeySize,
                            std::ostream& dst) {
  const int bits = KeyBits(KeySize);
  if (bits == 0) return;
  const std::string buf = KeyBuffer(key, bits);
  AES_KEY expanded;
  AES_set_encrypt_key(reinterpret_cast<const unsigned char*>(buf.data()), bits, &expanded);
  AesEcbEncryptStream(src, count, expanded, dst);
}

void AesEcbDecryptStreamKey(std::istream& src, std::int64_t count, const std::string& key, int KeySize,
                            std::ostream& dst) {
  const int bits = KeyBits(KeySize);
  if (bits == 0) return;
  const std::string buf = KeyBuffer(key, bits);
  AES_KEY expanded;
  AES_set_decrypt_key(reinterpret_cast<const unsigned char*>(buf.data()), bits, &expanded);
  AesEcbDecryptStream(src, count, expanded, dst);
}

std::string AesEncryptToHex(const std::string& Value, const std::string& Key, int KeySize, bool NormalizeValue,
                            int ValueLineBreakType, bool NormalizeKey, int KeyLineBreakType) {
  const std::string key = AsciiBytes(NormalizeKey ? NormalizeLineBreaks(Key, KeyLineBreakType) : Key);
  const std::string value = NormalizeValue ? NormalizeLineBreaks(Value, ValueLineBreakType) : Value;
  std::istringstream src(platform::Utf8ToCp936(value));
  std::ostringstream dst;
  AesEcbEncryptStreamKey(src, 0, key, KeySize, dst);
  return platform::HexOfBytes(dst.str(), platform::HexCase::Upper);
}

std::string AesDecryptFromHex(const std::string& HexText, const std::string& Key, int KeySize, bool NormalizeResult,
                              int ResultLineBreakType, bool NormalizeKey, int KeyLineBreakType) {
  const std::string key = AsciiBytes(NormalizeKey ? NormalizeLineBreaks(Key, KeyLineBreakType) : Key);
  std::istringstream src(HexTextToBytes(HexText));
  std::ostringstream dst;
  AesEcbDecryptStreamKey(src, 0, key, KeySize, dst);
  const std::string text = platform::Cp936ToUtf8(dst.str());
  return NormalizeResult ? NormalizeLineBreaks(text, ResultLineBreakType) : text;
}

}  // namespace tessaly
