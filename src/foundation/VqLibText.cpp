// Digests, Base64, the fixed-key scrambler and the file-to-text helpers of TvqLib.
#include <openssl/evp.h>
#include <openssl/hmac.h>

#include <fstream>
#include <iterator>
#include <stdexcept>

#include "foundation/Base64Util.h"
#include "foundation/VqLibText.h"
#include "foundation/VqLibTextTrim.h"
#include "platform/Hex.h"
#include "platform/TextCodec.h"

namespace tessaly::TvqLib {
namespace {

constexpr char kScramblerKey[] = "quorvandel";
constexpr std::size_t kScramblerKeyLen = sizeof kScramblerKey - 1;

std::string Hex(const unsigned char* p, std::size_t n) {
  return platform::HexOfBytes(std::string_view(reinterpret_cast<const char*>(p), n), platform::HexCase::Lower);
}

std::string Digest(const EVP_MD* md, const std::string& data) {
  unsigned char buf[EVP_MAX_MD_SIZE];
  unsigned int len = 0;
  if (EVP_Digest(data.data(), data.size(), buf, &len, md, nullptr) != 1)
    throw std::runtime_error("digest failed");
  return Hex(buf, len);
}

// The character a single byte gives in the ANSI code page.
std::string AnsiCharOf(unsigned char b) {
  if (b < 0x80) return std::string(1, static_cast<char>(b));
  return platform::Cp936ToUtf8(std::string(1, static_cast<char>(b)));
}

std::string Scramble(const std::string& aData, bool dropZero) {
  try {
    const std::u16string units = platform::Utf8ToUtf16(aData);
    std::string out;
    for (std::size_t i = 0; i < units.size(); ++i) {
      const unsigned k = static_cast<unsigned char>(kScramblerKey[i % kScramblerKeyLen]);
      const unsigned c = units[i] & 0xFFu;
      const auto b = static_cast<unsigned char>((k + 256 - c) % 256);
      if (b == 0 && dropZero) continue;
      out += AnsiCharOf(b);
    }
    return out;
  } catch (...) {
    return std::string();
  }
}

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot open file " + path);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) throw std::runtime_error("cannot read file " + path);
  return bytes;
}

}  // namespace

std::string GetMd5(const std::string& aSrc) { return Digest(EVP_md5(), aSrc); }
std::string StrSha1(const std::string& aSrc) { return Digest(EVP_sha1(), aSrc); }
std::string StrSha2(const std::string& aSrc) { return Digest(EVP_sha256(), aSrc); }

std::string GetHMd5(const std::string& aSrc, const std::string& aKey) {
  unsigned char buf[EVP_MAX_MD_SIZE];
  unsigned int len = 0;
  if (HMAC(EVP_md5(), aKey.data(), static_cast<int>(aKey.size()),
           reinterpret_cast<const unsigned char*>(aSrc.data()), aSrc.size(), buf, &len) == nullptr)
    throw std::runtime_error("HMAC-MD5 failed");
  return Hex(buf, len);
}

std::string ToBase64(const std::string& aData) { return EncodeBase64Text(aData); }
std::string FoBase64(const std::string& aBase64) { return DecodeBase64Text(aBase64); }

std::string StrToXOR(const std::string& aData) { return Scramble(aData, true); }
std::string StrFoXOR(const std::string& aData) { return Scramble(aData, false); }

std::string GetImgBase64(const std::string& aImgFile) { return EncodeBase64Bytes(ReadWholeFile(aImgFile)); }

std::string GetImgBytes(const std::string& aImgFile) {
  const std::string bytes = ReadWholeFile(aImgFile);
  std::string out;
  out.reserve(bytes.size() * 4);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (i > 0) out += ',';
    out += std::to_string(static_cast<unsigned char>(bytes[i]));
  }
  return out;
}

bool GetImgFromBytes(const std::string& aData, const std::string& aImgFile) {
  const std::string list = TrimControls(aData);
  std::string bytes;
  std::size_t start = 0;
  while (!list.empty() && start <= list.size()) {
    std::size_t comma = list.find(',', start);
    if (comma == std::string::npos) comma = list.size();
    const std::string item = TrimControls(std::string_view(list).substr(start, comma - start));
    int value = 0;
    try {
      std::size_t used = 0;
      value = std::stoi(item, &used);
      if (used != item.size()) value = 0;
    } catch (...) {
      value = 0;
    }
    bytes += static_cast<char>(value & 0xFF);
    start = comma + 1;
  }
  std::ofstream out(aImgFile, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out.flush());
}

}  // namespace tessaly::TvqLib
