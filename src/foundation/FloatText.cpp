#include "foundation/FloatText.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string_view>

namespace tessaly {

std::string FormatFloatGeneral(double aValue) {
  if (std::isnan(aValue)) return "NAN";
  if (std::isinf(aValue)) return aValue > 0 ? "INF" : "-INF";
  if (aValue == 0) return "0";
  // d.dddddddddddddde±x: 15 significant digits, rounded, independent of the locale.
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, aValue, std::chars_format::scientific, 14);
  std::string_view sci(buf, static_cast<std::size_t>(res.ptr - buf));
  const bool negative = sci.front() == '-';
  if (negative) sci.remove_prefix(1);
  const std::size_t ePos = sci.find('e');
  std::string digits;
  for (char c : sci.substr(0, ePos))
    if (c != '.') digits += c;
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  const int exp = std::atoi(std::string(sci.substr(ePos + 1)).c_str());

  std::string out = negative ? "-" : "";
  if (exp >= 15 || exp < -5) {
    out += digits[0];
    if (digits.size() > 1) out += "." + digits.substr(1);
    out += "E" + std::to_string(exp);
  } else if (exp < 0) {
    out += "0." + std::string(static_cast<std::size_t>(-exp - 1), '0') + digits;
  } else {
    const auto intLen = static_cast<std::size_t>(exp) + 1;
    if (digits.size() <= intLen) {
      out += digits + std::string(intLen - digits.size(), '0');
    } else {
      out += digits.substr(0, intLen) + "." + digits.substr(intLen);
    }
  }
  return out;
}

}  // namespace tessaly
