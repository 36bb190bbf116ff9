#include "foundation/FloatText.h"

#include <charconv>
#include <cmath>

namespace tessaly {

void AppendFloatGeneral(std::string& aOut, double aValue) {
  if (std::isnan(aValue)) {
    aOut += "NAN";
    return;
  }
  if (std::isinf(aValue)) {
    aOut += aValue > 0 ? "INF" : "-INF";
    return;
  }
  if (aValue == 0) {
    aOut += '0';
    return;
  }
  // d.dddddddddddddde±x: 15 significant digits, rounded, independent of the locale.
  char sci[64];
  const char* const end = std::to_chars(sci, sci + sizeof sci, aValue, std::chars_format::scientific, 14).ptr;
  const char* p = sci;
  if (*p == '-') {
    aOut += '-';
    ++p;
  }
  char digits[24];
  std::size_t count = 0;
  for (; *p != 'e'; ++p)
    if (*p != '.') digits[count++] = *p;
  while (count > 1 && digits[count - 1] == '0') --count;
  ++p;  // 'e'
  const bool negativeExp = *p == '-';
  int exp = 0;
  std::from_chars(p + 1, end, exp);
  if (negativeExp) exp = -exp;

  if (exp >= 15 || exp < -5) {
    aOut += digits[0];
    if (count > 1) {
      aOut += '.';
      aOut.append(digits + 1, count - 1);
    }
    aOut += 'E';
    char expText[8];
    aOut.append(expText, std::to_chars(expText, expText + sizeof expText, exp).ptr);
  } else if (exp < 0) {
    aOut += "0.";
    aOut.append(static_cast<std::size_t>(-exp - 1), '0');
    aOut.append(digits, count);
  } else {
    const auto intLen = static_cast<std::size_t>(exp) + 1;
    if (count <= intLen) {
      aOut.append(digits, count);
      aOut.append(intLen - count, '0');
    } else {
      aOut.append(digits, intLen);
      aOut += '.';
      aOut.append(digits + intLen, count - intLen);
    }
  }
}

std::string FormatFloatGeneral(double aValue) {
  std::string out;
  AppendFloatGeneral(out, aValue);
  return out;
}

}  // namespace tessaly
