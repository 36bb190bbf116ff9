#pragma once
// The lines of a text as the programs' string lists take them: CR LF, a lone CR and a lone LF
// each end a line, and a break at the very end opens no new line (so "" gives no lines).
#include <string>
#include <string_view>
#include <vector>

namespace platform {

[[nodiscard]] std::vector<std::string> SplitTextLines(std::string_view aText);

// Whether aText holds a CR or an LF.
[[nodiscard]] bool HasLineBreak(std::string_view aText);
// aText for one log line: each CR written as \r and each LF as \n.
[[nodiscard]] std::string LineBreaksShown(std::string_view aText);

}  // namespace platform
