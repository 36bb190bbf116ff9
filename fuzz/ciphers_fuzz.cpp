// Cipher texts from settings and the back-office server through every decrypting front-end,
// with any key, padding and mode, and the Base64 and hex decoders. Oracles: Base64 and hex
// decode what they encoded; decrypting what was encrypted with the same settings gives the
// text back.
#include <cstdint>
#include <stdexcept>
#include <string>

#include "FuzzInput.h"
#include "foundation/Base64Util.h"
#include "foundation/VqAESUtil.h"
#include "foundation/VqDESText.h"
#include "foundation/VqLibCipher.h"
#include "platform/Hex.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* aData, std::size_t aSize) {
  using namespace tessaly;
  vqfuzz::TFuzzInput in(aData, aSize);
  const std::uint8_t padding = in.Byte() % 7;
  const std::uint8_t mode = in.Byte() % 8;
  const std::uint8_t segment = in.Byte() % 10;
  const std::uint8_t encoding = in.Byte() % 5;
  const std::string key = in.Text();
  const std::string iv = in.Text();
  const std::string text = in.Rest();

  FUZZ_CHECK(DecodeBase64Bytes(EncodeBase64Bytes(text)) == text, text);
  FUZZ_CHECK(Base64ToBytes(BytesToBase64(text)) == text, text);
  (void)DecodeBase64Bytes(text);
  (void)DecodeBase64Text(text);
  FUZZ_CHECK(HexTextToBytes(platform::HexOfBytes(text, platform::HexCase::Upper)) == text, text);
  try {
    (void)HexTextToBytes(text);
  } catch (const std::invalid_argument&) {
    // Not hexadecimal: the documented refusal.
  }

  (void)TvqLib::AESDecrypt(text, key);
  (void)TvqLib::DESDecrypt(text, key);
  (void)DesCbcDecrypt(text, key);
  for (const int keySize : {kAesKeySize128, kAesKeySize192, kAesKeySize256}) {
    try {
      (void)AesDecryptFromHex(text, key, keySize, true, 1, true, 1);
    } catch (const std::invalid_argument&) {
      // Not hexadecimal.
    } catch (const EAESError&) {
      // Not whole blocks.
    }
  }
  const auto textEncoding = static_cast<TDesEncoding>(encoding);
  (void)DesDecryptFromBase64(text, key, textEncoding, TDesEncoding::Ansi, iv, padding, mode, segment, 0, 0);

  // Padding 0 fills with zero bytes and 5 with none, so only the others must give back every
  // byte; ASCII text, which every text encoding keeps.
  bool ascii = true;
  for (const unsigned char c : text) ascii = ascii && c >= 0x20 && c < 0x7F;
  if (ascii && padding >= 1 && padding <= 4 && textEncoding == TDesEncoding::Default) {
    const std::string cipher =
        DesEncryptToBase64(text, key, textEncoding, TDesEncoding::Ansi, iv, padding, mode, segment, 0, 0);
    if (!cipher.empty())
      FUZZ_CHECK(DesDecryptFromBase64(cipher, key, textEncoding, TDesEncoding::Ansi, iv, padding, mode, segment, 0, 0) ==
                     text,
                 cipher);
  }
  return 0;
}
