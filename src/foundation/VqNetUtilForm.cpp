// Form encoding of post bodies and URL decoding of platform-client answers.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "foundation/VqNetUtil.h"
#include "platform/Hex.h"

namespace tessaly::TVqNet {

namespace {

constexpr bool KeptInForm(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '*' || c == '-' ||
         c == '.' || c == '_';
}

// The encoding of each byte, padded to four bytes so that it is copied whole. A field mark ends
// a line (CR, LF) or parts a field's name from its value ("=") when the text is read as fields.
struct TByteCode {
  char Bytes[4] = {};
  std::uint8_t Width = 0;
  bool FieldMark = false;
};

constexpr std::array<TByteCode, 256> kCodes = [] {
  constexpr char kHex[] = "0123456789ABCDEF";
  std::array<TByteCode, 256> codes{};
  for (unsigned c = 0; c < 256; ++c) {
    TByteCode& code = codes[c];
    if (KeptInForm(static_cast<unsigned char>(c)) || c == ' ') {
      code.Bytes[0] = c == ' ' ? '+' : static_cast<char>(c);
      code.Width = 1;
    } else {
      code.Bytes[0] = '%';
      code.Bytes[1] = kHex[c >> 4];
      code.Bytes[2] = kHex[c & 0xF];
      code.Width = 3;
    }
    code.FieldMark = c == '\r' || c == '\n' || c == '=';
  }
  return codes;
}();

constexpr TByteCode kAmpersand{{'&'}, 1, false};
constexpr TByteCode kEquals{{'='}, 1, false};

// The form encoding of aText, written to `out` when kWrite (which then has room for it and three
// bytes more); returns its length. As fields, each line of aText (ended by CR, LF or CRLF; a last
// empty line is no line) is one field, joined by "&", whose first "=" parts name and value.
// Sizing and writing are one routine, so the buffer is always of the right size.
template <bool kWrite>
std::size_t Encode(std::string_view aText, bool aAsFields, char* out) {
  std::size_t n = 0;
  const auto put = [&](const TByteCode& code) {
    if constexpr (kWrite) std::memcpy(out + n, code.Bytes, sizeof code.Bytes);
    n += code.Width;
  };
  const std::size_t size = aText.size();
  if (!aAsFields) {
    for (const char c : aText) put(kCodes[static_cast<unsigned char>(c)]);
    return n;
  }
  for (std::size_t i = 0; i < size;) {
    if (i > 0) put(kAmpersand);
    bool named = false;  // the line's first "=" has been written
    for (; i < size; ++i) {
      const auto c = static_cast<unsigned char>(aText[i]);
      const TByteCode& code = kCodes[c];
      if (code.FieldMark) {
        if (c != '=') break;
        if (!named) {
          put(kEquals);
          named = true;
          continue;
        }
      }
      put(code);
    }
    if (i < size && aText[i] == '\r' && i + 1 < size && aText[i + 1] == '\n') ++i;
    ++i;
  }
  return n;
}

std::string Encoded(std::string_view aText, bool aAsFields) {
  const std::size_t size = Encode<false>(aText, aAsFields, nullptr);
  std::string out(size + 3, '\0');
  out.resize(Encode<true>(aText, aAsFields, out.data()));
  return out;
}

}  // namespace

std::string FormEncode(const std::string& aText) { return Encoded(aText, false); }

// The body holds no blanks, CR or LF: they are all encoded, so there is nothing to trim.
std::string FormBody(const std::string& aParam) { return Encoded(aParam, true); }

std::string UrlDecode(const std::string& aText) {
  std::string out;
  out.reserve(aText.size());
  for (std::size_t i = 0; i < aText.size(); ++i) {
    const char c = aText[i];
    if (c == '+') {
      out += ' ';
    } else if (c == '%' && i + 2 < aText.size() && platform::HexDigitValue(aText[i + 1]) >= 0 &&
               platform::HexDigitValue(aText[i + 2]) >= 0) {
      out += static_cast<char>(platform::HexDigitValue(aText[i + 1]) * 16 + platform::HexDigitValue(aText[i + 2]));
      i += 2;
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace tessaly::TVqNet
