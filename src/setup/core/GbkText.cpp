#include "setup/core/GbkText.h"

#include <vector>

#include "platform/TextCodec.h"

namespace orvane {
namespace {

struct TChar {
  std::size_t utf8Len;
  std::size_t gbkLen;
};

// Bytes of one UTF-8 sequence starting with `lead`; stray bytes count alone, as the host layer's
// converter turns each of them into one replacement character.
std::size_t Utf8SeqLen(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  if (lead >= 0xE0) return lead <= 0xEF ? 3 : 1;
  if (lead >= 0xC2) return 2;
  return 1;
}

std::vector<TChar> SplitChars(std::string_view utf8) {
  std::vector<TChar> out;
  std::size_t i = 0;
  while (i < utf8.size()) {
    std::size_t n = Utf8SeqLen(static_cast<unsigned char>(utf8[i]));
    if (i + n > utf8.size()) n = 1;
    for (std::size_t k = 1; k < n; ++k) {
      if ((static_cast<unsigned char>(utf8[i + k]) & 0xC0) != 0x80) {
        n = 1;
        break;
      }
    }
    const std::size_t gbk = n == 1 ? 1 : platform::Utf8ToCp936(utf8.substr(i, n)).size();
    out.push_back({n, gbk});
    i += n;
  }
  return out;
}

}  // namespace

std::size_t GbkByteCount(std::string_view utf8) { return platform::Utf8ToCp936(utf8).size(); }

std::size_t GbkFitLength(std::string_view gbk, std::size_t maxBytes) {
  std::size_t i = 0;
  while (i < gbk.size()) {
    const auto b = static_cast<unsigned char>(gbk[i]);
    const std::size_t width = (b >= 0x81 && b <= 0xFE && i + 1 < gbk.size()) ? 2 : 1;
    if (i + width > maxBytes) break;
    i += width;
  }
  return i;
}

std::string GbkHead(std::string_view utf8, std::size_t maxBytes) {
  // A character never takes more GBK bytes than UTF-8 bytes, so a short text fits as it is.
  if (utf8.size() <= maxBytes) return std::string(utf8);
  std::size_t bytes = 0;
  std::size_t end = 0;
  for (const TChar& c : SplitChars(utf8)) {
    if (bytes + c.gbkLen > maxBytes) break;
    bytes += c.gbkLen;
    end += c.utf8Len;
  }
  return std::string(utf8.substr(0, end));
}

std::string GbkTail(std::string_view utf8, std::size_t maxBytes) {
  if (utf8.size() <= maxBytes) return std::string(utf8);
  const std::vector<TChar> chars = SplitChars(utf8);
  std::size_t bytes = 0;
  std::size_t start = utf8.size();
  for (auto it = chars.rbegin(); it != chars.rend(); ++it) {
    if (bytes + it->gbkLen > maxBytes) break;
    bytes += it->gbkLen;
    start -= it->utf8Len;
  }
  return std::string(utf8.substr(start));
}

}  // namespace orvane
