#pragma once
// Line lists: a section read as lines "name=value" in file order. A line's name is the text
// before its first "=", its value the rest; a line without "=" has no name and matches no
// lookup. Lookups ignore case and take the first matching line.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvane {

using TLineList = std::vector<std::string>;

// Both empty for a line without "=".
[[nodiscard]] std::string LineName(std::string_view line);
[[nodiscard]] std::string LineValue(std::string_view line);
// The value of the first line named `name`; nothing when no line has that name.
[[nodiscard]] std::optional<std::string> FindLineValue(const TLineList& lines, std::string_view name);

}  // namespace orvane
