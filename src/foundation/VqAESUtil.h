#pragma once
// AES in ECB mode over streams, and the hex text layer above it. Plain texts travel in code page
// 936, keys as ASCII bytes. Blocks are zero-padded; decrypted text keeps the zero bytes of its
// last block. No shared state: any thread.
#include <openssl/aes.h>

#include <cstdint>
#include <istream>
#include <ostream>
#include <stdexcept>
#include <string>

namespace tessaly {

// Cipher text of a length that is not a multiple of 16.
class EAESError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A short read ("Stream read error") or a failed write ("Stream write error").
class EStreamError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// KeySize 0, 1, 2: 128-, 192-, 256-bit keys.
constexpr int kAesKeySize128 = 0;
constexpr int kAesKeySize192 = 1;
constexpr int kAesKeySize256 = 2;

// Line-break folding: type 0 CR LF, 1 LF, 2 CR, 3 removed, any other LF. A text without CR and
// LF comes back unchanged.
[[nodiscard]] std::string NormalizeLineBreaks(const std::string& text, int type);
// Hex pairs (either case) to bytes; a single last digit is read alone. Throws
// std::invalid_argument for a pair that is not hexadecimal.
[[nodiscard]] std::string HexTextToBytes(const std::string& text);

// Stream operations with an expanded key. The length rule of CipherStreamLength; a final partial
// block is zero-filled before it is encrypted. Decryption throws EAESError for a length that is
// not a multiple of 16; both throw EStreamError for short reads and failed writes.
void AesEcbEncryptStream(std::istream& src, std::int64_t count, const AES_KEY& key, std::ostream& dst);
void AesEcbDecryptStream(std::istream& src, std::int64_t count, const AES_KEY& key, std::ostream& dst);

// The key (its first bytes, zero-filled to the size) expanded, then the stream operation.
// Any other KeySize encrypts or decrypts nothing.
void AesEcbEncryptStreamKey(std::istream& src, std::int64_t count, const std::string& key, int KeySize,
                            std::ostream& dst);
void AesEcbDecryptStreamKey(std::istream& src, std::int64_t count, const std::string& key, int KeySize,
                            std::ostream& dst);

// Text to upper-case hex cipher text: ((n - 1) / 16 + 1) * 16 bytes for n ANSI bytes, empty for
// an empty text. The normalize flags fold the value's or key's line breaks first.
[[nodiscard]] std::string AesEncryptToHex(const std::string& Value, const std::string& Key, int KeySize,
                                          bool NormalizeValue, int ValueLineBreakType, bool NormalizeKey,
                                          int KeyLineBreakType);
// Hex cipher text back to text, the zero bytes of the last block included as NUL characters.
[[nodiscard]] std::string AesDecryptFromHex(const std::string& HexText, const std::string& Key, int KeySize,
                                            bool NormalizeResult, int ResultLineBreakType, bool NormalizeKey,
                                            int KeyLineBreakType);

}  // namespace tessaly
