#pragma once
// The setup program's text cipher for encrypted configuration values: the GBK bytes of the text,
// prefixed with their length (4 bytes, little-endian), encrypted with AES-128 in ECB mode with
// the last block filled up with zero bytes, written as upper-case hexadecimal. The key is the
// first 16 GBK bytes of the key text, filled up with zero bytes. The configuration supplies the
// key text; the program holds none. Thread-safe, no state.
#include <stdexcept>
#include <string>
#include <string_view>

namespace orvane {

// A hexadecimal text with a pair that is not hexadecimal.
class EConvertError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A cipher text that cannot be decrypted ("Invalid buffer size for decryption").
class ECipherError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TVqAlgLib {
 public:
  TVqAlgLib() = delete;

  // UTF-8 plain text and key text in, cipher text out.
  [[nodiscard]] static std::string EncryptText(std::string_view plain, std::string_view key);
  // Cipher text (either case) and key text in, UTF-8 plain text out. Throws EConvertError for bad
  // hexadecimal and ECipherError when the blocks are not whole; a wrong key gives garbage, not an
  // error. A stated length beyond the decrypted bytes gives all of them.
  [[nodiscard]] static std::string DecryptText(std::string_view cipher, std::string_view key);

  // Pairs of digits of either case to bytes; a single digit at the end is one byte of its own.
  [[nodiscard]] static std::string HexToBytes(std::string_view hex);
  [[nodiscard]] static std::string BytesToHex(std::string_view bytes);
};

}  // namespace orvane
