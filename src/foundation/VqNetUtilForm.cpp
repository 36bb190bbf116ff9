// Form encoding of post bodies and URL decoding of platform-client answers.
#include <cstddef>
#include <string>
#include <vector>

#include "foundation/TextLines.h"
#include "foundation/VqNetUtil.h"
#include "platform/Hex.h"
#include "platform/TextCodec.h"

namespace tessaly::TVqNet {

namespace {

bool KeptInForm(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '*' || c == '-' ||
         c == '.' || c == '_';
}

}  // namespace

std::string FormEncode(const std::string& aText) {
  std::string out;
  out.reserve(aText.size() * 3);
  for (const char ch : aText) {
    const auto c = static_cast<unsigned char>(ch);
    if (KeptInForm(c)) {
      out += ch;
    } else if (c == ' ') {
      out += '+';
    } else {
      out += '%';
      platform::AppendHex(out, c, 2, platform::HexCase::Upper);
    }
  }
  return out;
}

std::string FormBody(const std::string& aParam) {
  std::string body;
  bool first = true;
  for (const std::string& line : SplitTextLines(aParam)) {
    if (!first) body += '&';
    first = false;
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos) {
      body += FormEncode(line);
    } else {
      body += FormEncode(line.substr(0, eq));
      body += '=';
      body += FormEncode(line.substr(eq + 1));
    }
  }
  return platform::TrimBlanks(body);
}

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
