#pragma once
// Trimming as the programs' text helpers did it: every character up to the blank (control
// characters and NULs included) goes at both ends. Those are all single bytes in UTF-8, so
// cutting bytes never splits a character.
#include <string>
#include <string_view>

namespace tessaly {

[[nodiscard]] inline std::string TrimControls(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= 0x20) ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= 0x20) --e;
  return std::string(s.substr(b, e - b));
}

}  // namespace tessaly
