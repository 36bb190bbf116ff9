#include "setup/core/VqAlgLib.h"

#include <openssl/evp.h>

#include <array>
#include <cstdint>
#include <memory>

#include "platform/Hex.h"
#include "platform/TextCodec.h"

namespace orvane {
namespace {

constexpr std::size_t kBlock = 16;
using TKey = std::array<unsigned char, kBlock>;

TKey MakeKey(std::string_view keyText) {
  TKey key{};
  const std::string gbk = platform::Utf8ToCp936(keyText);
  for (std::size_t i = 0; i < gbk.size() && i < key.size(); ++i) key[i] = static_cast<unsigned char>(gbk[i]);
  return key;
}

// Runs AES-128-ECB without padding over whole blocks.
std::string Aes(const TKey& key, const std::string& in, bool encrypt) {
  std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> ctx(EVP_CIPHER_CTX_new(), EVP_CIPHER_CTX_free);
  if (!ctx || EVP_CipherInit_ex(ctx.get(), EVP_aes_128_ecb(), nullptr, key.data(), nullptr, encrypt ? 1 : 0) != 1)
    throw ECipherError("AES-128 is not available");
  EVP_CIPHER_CTX_set_padding(ctx.get(), 0);
  std::string out(in.size(), '\0');
  int len = 0;
  if (!in.empty() && EVP_CipherUpdate(ctx.get(), reinterpret_cast<unsigned char*>(out.data()), &len,
                                      reinterpret_cast<const unsigned char*>(in.data()),
                                      static_cast<int>(in.size())) != 1)
    throw ECipherError("AES-128 failed");
  return out;
}

}  // namespace

std::string TVqAlgLib::EncryptText(std::string_view plain, std::string_view key) {
  std::string bytes = platform::Utf8ToCp936(plain);
  const auto length = static_cast<std::uint32_t>(bytes.size());
  std::string out;
  for (int i = 0; i < 4; ++i) out += static_cast<char>((length >> (8 * i)) & 0xFF);
  bytes.resize((bytes.size() + kBlock - 1) / kBlock * kBlock, '\0');
  out += Aes(MakeKey(key), bytes, true);
  return BytesToHex(out);
}

std::string TVqAlgLib::DecryptText(std::string_view cipher, std::string_view key) {
  const std::string bytes = HexToBytes(cipher);
  std::uint32_t length = 0;
  for (std::size_t i = 0; i < 4 && i < bytes.size(); ++i)
    length |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i])) << (8 * i);
  const std::string body = bytes.size() > 4 ? bytes.substr(4) : std::string();
  if (body.size() % kBlock != 0) throw ECipherError("Invalid buffer size for decryption");
  std::string plain = Aes(MakeKey(key), body, false);
  if (length < plain.size()) plain.resize(length);
  return platform::Cp936ToUtf8(plain);
}

std::string TVqAlgLib::HexToBytes(std::string_view hex) {
  std::string out;
  out.reserve(hex.size() / 2 + 1);
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    const std::string_view pair = hex.substr(i, 2);
    int value = 0;
    for (const char c : pair) {
      const int digit = platform::HexDigitValue(static_cast<unsigned char>(c));
      if (digit < 0) throw EConvertError("'" + std::string(pair) + "' is not a valid hexadecimal number");
      value = value * 16 + digit;
    }
    out += static_cast<char>(value);
  }
  return out;
}

std::string TVqAlgLib::BytesToHex(std::string_view bytes) {
  return platform::HexOfBytes(bytes, platform::HexCase::Upper);
}

}  // namespace orvane
