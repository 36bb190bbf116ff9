#include "engine/AppIniUtil.h"

#include <charconv>
#include <optional>

#include "foundation/VqLibUtil.h"
#include "platform/TextCodec.h"

namespace tessaly {
namespace {

std::optional<std::int32_t> ParseInt(const std::string& aText) {
  const std::string text = platform::TrimBlanks(aText);
  std::int32_t value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (text.empty() || ec != std::errc() || ptr != end) return std::nullopt;
  return value;
}

}  // namespace

std::int32_t AppIniReadInt(const std::string& aSect, const std::string& aName, std::int32_t aDefValue,
                           const std::string& aIniFile) {
  return ParseInt(TvqLib::IniRead(aSect, aName, "", aIniFile)).value_or(aDefValue);
}

bool AppIniReadBool(const std::string& aSect, const std::string& aName, bool aDefValue, const std::string& aIniFile) {
  const std::string text = platform::TrimBlanks(TvqLib::IniRead(aSect, aName, "", aIniFile));
  if (platform::SameText(text, "true")) return true;
  if (platform::SameText(text, "false")) return false;
  const auto number = ParseInt(text);
  return number ? *number != 0 : aDefValue;
}

}  // namespace tessaly
