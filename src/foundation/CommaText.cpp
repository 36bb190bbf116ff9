#include "foundation/CommaText.h"

namespace tessaly {

namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

}  // namespace

std::vector<std::string> SplitCommaText(std::string_view aText) {
  std::vector<std::string> items;
  std::size_t p = 0;
  const std::size_t n = aText.size();
  auto skipBlanks = [&] {
    while (p < n && IsBlank(aText[p])) ++p;
  };
  skipBlanks();
  while (p < n) {
    std::string item;
    if (aText[p] == '"') {
      ++p;
      while (p < n) {
        if (aText[p] == '"') {
          if (p + 1 < n && aText[p + 1] == '"') {
            item += '"';
            p += 2;
            continue;
          }
          ++p;
          break;
        }
        item += aText[p++];
      }
    } else {
      const std::size_t start = p;
      while (p < n && !IsBlank(aText[p]) && aText[p] != ',') ++p;
      item = std::string(aText.substr(start, p - start));
    }
    items.push_back(std::move(item));
    skipBlanks();
    if (p < n && aText[p] == ',') {
      ++p;
      if (p == n) items.emplace_back();
      skipBlanks();
    }
  }
  return items;
}

}  // namespace tessaly
