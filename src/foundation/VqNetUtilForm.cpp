// Form encoding of post bodies and URL decoding of platform-client answers.
#include <cstddef>
#include <string>
#include <vector>

#include "foundation/VqNetUtil.h"
#include "platform/TextCodec.h"

namespace tessaly::TVqNet {

namespace {

bool KeptInForm(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '*' || c == '-' ||
         c == '.' || c == '_';
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// The lines of a text as a string list takes them: CR LF, LF or CR ends a line, and a break at
// the very end adds no empty line.
std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (c != '\r' && c != '\n') {
      ++i;
      continue;
    }
    lines.push_back(text.substr(start, i - start));
    i += (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
    start = i;
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

}  // namespace

std::string FormEncode(const std::string& aText) {
  static constexpr char kHex[] = "0123456789ABCDEF";
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
      out += kHex[c >> 4];
      out += kHex[c & 0x0F];
    }
  }
  return out;
}

std::string FormBody(const std::string& aParam) {
  std::string body;
  bool first = true;
  for (const std::string& line : SplitLines(aParam)) {
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
    } else if (c == '%' && i + 2 < aText.size() && HexValue(aText[i + 1]) >= 0 && HexValue(aText[i + 2]) >= 0) {
      out += static_cast<char>(HexValue(aText[i + 1]) * 16 + HexValue(aText[i + 2]));
      i += 2;
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace tessaly::TVqNet
