#include "setup/core/InstallItemsText.h"

namespace orvane {
namespace {

// An empty line is quoted too: bare, a list of one empty line would read back as no lines.
bool NeedsQuotes(std::string_view line) {
  if (line.empty()) return true;
  for (const char c : line)
    if (static_cast<unsigned char>(c) <= ' ' || c == '"' || c == ',') return true;
  return false;
}

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

}  // namespace

std::string JoinCommaText(const TLineList& lines) {
  std::string out;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) out += ',';
    if (!NeedsQuotes(lines[i])) {
      out += lines[i];
      continue;
    }
    out += '"';
    for (const char c : lines[i]) {
      if (c == '"') out += '"';
      out += c;
    }
    out += '"';
  }
  return out;
}

TLineList SplitCommaText(std::string_view text) {
  text = text.substr(0, text.find('\0'));  // the text ends at a NUL, as a C string does
  TLineList lines;
  std::size_t p = 0;
  const auto skipBlanks = [&] {
    while (p < text.size() && IsBlank(text[p])) ++p;
  };
  skipBlanks();
  while (p < text.size()) {
    std::string item;
    if (text[p] == '"') {
      ++p;
      while (p < text.size()) {
        if (text[p] == '"') {
          if (p + 1 < text.size() && text[p + 1] == '"') {
            item += '"';
            p += 2;
            continue;
          }
          ++p;
          break;
        }
        item += text[p++];
      }
    } else {
      const std::size_t start = p;
      while (p < text.size() && !IsBlank(text[p]) && text[p] != ',') ++p;
      item.assign(text.substr(start, p - start));
    }
    lines.push_back(std::move(item));
    skipBlanks();
    if (p < text.size() && text[p] == ',') {
      if (p + 1 == text.size()) lines.emplace_back();
      ++p;
      skipBlanks();
    }
  }
  return lines;
}

std::string ProfileValueOf(std::string_view text) {
  const bool enclosed = text.size() >= 2 && (text.front() == '"' || text.front() == '\'') && text.back() == text.front();
  return enclosed ? "\"" + std::string(text) + "\"" : std::string(text);
}

}  // namespace orvane
