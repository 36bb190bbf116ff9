#include "engine/AppDMText.h"

#include <charconv>

#include "engine/AppVarUtil.h"

namespace tessaly {

std::int32_t StrToIntDef(const std::string& aText, std::int32_t aDefault) {
  const char* first = aText.data();
  const char* last = first + aText.size();
  // from_chars takes a minus sign but no plus sign.
  if (first != last && *first == '+' && last - first > 1 && first[1] != '-') ++first;
  std::int32_t value = 0;
  const auto [end, ec] = std::from_chars(first, last, value);
  if (ec != std::errc() || end != last || first == last) return aDefault;
  return value;
}

std::string SoftIdText() { return std::to_string(AppVar->SoftId.v()); }

}  // namespace tessaly
