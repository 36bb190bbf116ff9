#pragma once
// Comma texts as the programs' string lists read them: items are separated by commas and by
// blanks and control characters; an item in double quotes is taken whole ("" inside stands for
// one "). Two commas in a row give an empty item, as does a comma at the end.
#include <string>
#include <string_view>
#include <vector>

namespace tessaly {

[[nodiscard]] std::vector<std::string> SplitCommaText(std::string_view aText);

}  // namespace tessaly
