// Form encoding of post bodies and URL decoding of platform-client answers.
#include <cstddef>
#include <string>
#include <string_view>

#include "foundation/VqNetUtil.h"
#include "platform/Hex.h"

namespace tessaly::TVqNet {

namespace {

bool KeptInForm(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '*' || c == '-' ||
         c == '.' || c == '_';
}

// The form encoding of aText, written to `out` when kWrite (which then has room for it); returns
// its length. As fields, each line of aText (ended by CR, LF or CRLF; a last empty line is no
// line) is one field, joined by "&", whose first "=" parts name and value. Sizing and writing
// are one routine, so the buffer is always of the right size.
template <bool kWrite>
std::size_t Encode(std::string_view aText, bool aAsFields, char* out) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::size_t n = 0;
  const auto put = [&](char c) {
    if constexpr (kWrite) out[n] = c;
    ++n;
  };
  std::size_t lines = 0;  // lines ended so far
  bool inLine = false;
  bool named = false;  // the line's first "=" has been written
  for (std::size_t i = 0; i < aText.size(); ++i) {
    const auto c = static_cast<unsigned char>(aText[i]);
    if (aAsFields && (c == '\r' || c == '\n')) {
      if (!inLine && lines > 0) put('&');
      ++lines;
      inLine = false;
      if (c == '\r' && i + 1 < aText.size() && aText[i + 1] == '\n') ++i;
      continue;
    }
    if (aAsFields && !inLine) {
      if (lines > 0) put('&');
      inLine = true;
      named = false;
    }
    if (KeptInForm(c)) {
      put(static_cast<char>(c));
    } else if (c == ' ') {
      put('+');
    } else if (aAsFields && c == '=' && !named) {
      put('=');
      named = true;
    } else {
      put('%');
      put(kHex[c >> 4]);
      put(kHex[c & 0xF]);
    }
  }
  return n;
}

std::string Encoded(std::string_view aText, bool aAsFields) {
  std::string out(Encode<false>(aText, aAsFields, nullptr), '\0');
  (void)Encode<true>(aText, aAsFields, out.data());
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
