#include "platform/TextLines.h"

namespace platform {

std::vector<std::string> SplitTextLines(std::string_view aText) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < aText.size(); ++i) {
    if (aText[i] != '\r' && aText[i] != '\n') continue;
    lines.emplace_back(aText.substr(start, i - start));
    if (aText[i] == '\r' && i + 1 < aText.size() && aText[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < aText.size()) lines.emplace_back(aText.substr(start));
  return lines;
}

bool HasLineBreak(std::string_view aText) { return aText.find_first_of("\r\n") != std::string_view::npos; }

std::string LineBreaksShown(std::string_view aText) {
  std::string out;
  for (const char c : aText) {
    if (c == '\r')
      out += "\\r";
    else if (c == '\n')
      out += "\\n";
    else
      out += c;
  }
  return out;
}

}  // namespace platform
