// Reply bodies in the charset their Content-Type declares, as UTF-8.
#include <string>
#include <utility>

#include "foundation/VqNetUtilTransfer.h"
#include "platform/TextCodec.h"

namespace tessaly::netdetail {

namespace {

// The charset parameter of a Content-Type value, lower-cased and unquoted; empty when none.
std::string DeclaredCharset(const std::string& contentType) {
  const std::string lower = platform::AsciiLower(contentType);
  const std::size_t at = lower.find("charset=");
  if (at == std::string::npos) return {};
  std::string value = lower.substr(at + 8);
  const std::size_t end = value.find(';');
  if (end != std::string::npos) value.resize(end);
  value = platform::TrimBlanks(value);
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
  return value;
}

std::string Latin1ToUtf8(const std::string& bytes) {
  std::string out;
  out.reserve(bytes.size() * 2);
  for (const char ch : bytes) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x80) {
      out += ch;
    } else {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

}  // namespace

std::string DecodeReplyBody(std::string&& body, const std::string& contentType) {
  const std::string charset = DeclaredCharset(contentType);
  if (charset == "gbk" || charset == "gb2312" || charset == "gb18030" || charset == "cp936" || charset == "x-gbk") {
    return platform::Cp936ToUtf8(body);
  }
  if (charset == "iso-8859-1" || charset == "latin1" || charset == "iso8859-1") return Latin1ToUtf8(body);
  // Valid UTF-8, the platform's own replies, is handed on as it is: a page near the reply cap
  // is not copied.
  if (platform::IsValidUtf8(body)) return std::move(body);
  return platform::SanitizeUtf8(body);
}

}  // namespace tessaly::netdetail
