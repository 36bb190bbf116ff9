// Amounts in Chinese upper-case money writing.
#include <string>

#include "foundation/VqLibText.h"
#include "platform/TextCodec.h"

namespace tessaly::TvqLib {
namespace {

const char* const kDigits[] = {"零", "壹", "贰", "叁", "肆", "伍", "陆", "柒", "捌", "玖"};
const char* const kPlaces[] = {"", "拾", "佰", "仟"};
const char* const kDecimals[] = {"角", "分", "厘"};

// The unit of the group of four digits at index g (0 = the lowest): 万, 亿, 兆, then 万兆 and so on.
std::string GroupUnit(std::size_t g) {
  static const char* const kGroups[] = {"万", "亿", "兆"};
  if (g == 0) return std::string();
  std::string unit = kGroups[(g - 1) % 3];
  for (std::size_t k = 0; k < (g - 1) / 3; ++k) unit += "兆";
  return unit;
}

// One 零 stands for each run of zeros between non-zero digits; trailing zeros and groups of
// zeros at the end say nothing.
std::string IntegerPart(const std::string& digits) {
  std::string out;
  bool pendingZero = false;
  bool groupHasDigit = false;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    const std::size_t pos = digits.size() - 1 - i;
    const int d = digits[i] - '0';
    if (d == 0) {
      if (!out.empty()) pendingZero = true;
    } else {
      if (pendingZero) out += kDigits[0];
      pendingZero = false;
      out += kDigits[d];
      out += kPlaces[pos % 4];
      groupHasDigit = true;
    }
    if (pos % 4 == 0) {
      if (groupHasDigit) out += GroupUnit(pos / 4);
      groupHasDigit = false;
    }
  }
  return out;
}

}  // namespace

std::string GetRMB(const std::string& strRmb, std::string& aErro) {
  aErro.clear();
  std::string s = strRmb;
  const std::size_t b = s.find_first_not_of(' ');
  s = b == std::string::npos ? std::string() : s.substr(b, s.find_last_not_of(' ') - b + 1);
  if (s.empty()) return std::string();

  if (s[0] == '.' || (s[0] == '0' && (s.size() < 2 || s[1] != '.'))) {
    aErro = "第1位不能为\"0\"或者是\".\"";
    return std::string();
  }
  const std::u16string units = platform::Utf8ToUtf16(s);
  std::size_t point = std::string::npos;
  for (std::size_t i = 0; i < units.size(); ++i) {
    const char16_t c = units[i];
    if (c == u'.') {
      if (point != std::string::npos) {
        aErro = "太多小数点！";
        return std::string();
      }
      point = i;
    } else if (c < u'0' || c > u'9') {
      aErro = "第" + std::to_string(i + 1) + "位包含非数字字符";
      return std::string();
    }
  }
  // Only ASCII digits and one point remain, so byte positions equal character positions.
  const std::string whole = s.substr(0, point);
  const std::string decimals = point == std::string::npos ? std::string() : s.substr(point + 1);
  if (decimals.size() > 3) {
    aErro = "小数点后位数超过3!";
    return std::string();
  }

  std::string out = IntegerPart(whole);
  const bool hasWhole = !out.empty();
  if (hasWhole) out += "元";
  bool pendingZero = false;
  for (std::size_t i = 0; i < decimals.size(); ++i) {
    const int d = decimals[i] - '0';
    if (d == 0) {
      if (!out.empty()) pendingZero = true;
      continue;
    }
    if (pendingZero) out += kDigits[0];
    pendingZero = false;
    out += kDigits[d];
    out += kDecimals[i];
  }
  return out.empty() ? std::string(kDigits[0]) + "元" : out;
}

}  // namespace tessaly::TvqLib
