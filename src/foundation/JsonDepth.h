#pragma once
// The nesting limit for JSON from outside. Parsing is iterative, but writing, copying and walking
// a parsed tree recurse once per level, so a reply nested thousands deep would end the process
// on stack overflow. Every text from outside is checked before it is parsed. Pure functions.
#include <string_view>

namespace tessaly {

// Far above any real reply (platform pages nest fewer than ten levels).
inline constexpr int kJsonMaxDepth = 512;

// True when no array or object of aText lies deeper than kJsonMaxDepth (brackets inside strings
// do not count). Any text is accepted; one that is no JSON is left for the parser to refuse.
[[nodiscard]] bool JsonDepthWithinLimit(std::string_view aText);
// Throws std::runtime_error "JSON nested deeper than 512 levels" when JsonDepthWithinLimit fails.
void RequireJsonDepthWithinLimit(std::string_view aText);

}  // namespace tessaly
