#pragma once
// The comma text in which the uninstall entry stores the module list (`InstallItems`): lines
// joined by ","; a line that is empty or holds a character of code 32 or below, a double quote or
// a comma is written in double quotes with inner quotes doubled. Reading splits at commas and at blanks
// outside quotes and removes the quoting.
#include <string>
#include <string_view>

#include "setup/core/LineList.h"

namespace orvane {

[[nodiscard]] std::string JoinCommaText(const TLineList& lines);
[[nodiscard]] TLineList SplitCommaText(std::string_view text);

// The profile read strips one pair of enclosing quotes from a value, which would break a comma
// text whose first and last items are quoted: such a value is written inside one more pair, so
// it reads back as written.
[[nodiscard]] std::string ProfileValueOf(std::string_view text);

}  // namespace orvane
