#include "foundation/JsonDepth.h"

#include <stdexcept>
#include <string>

namespace tessaly {

bool JsonDepthWithinLimit(std::string_view aText) {
  int depth = 0;
  bool inString = false;
  for (std::size_t i = 0; i < aText.size(); ++i) {
    const char c = aText[i];
    if (inString) {
      if (c == '\\')
        ++i;
      else if (c == '"')
        inString = false;
    } else if (c == '"') {
      inString = true;
    } else if (c == '[' || c == '{') {
      if (++depth > kJsonMaxDepth) return false;
    } else if ((c == ']' || c == '}') && depth > 0) {
      --depth;
    }
  }
  return true;
}

void RequireJsonDepthWithinLimit(std::string_view aText) {
  if (!JsonDepthWithinLimit(aText))
    throw std::runtime_error("JSON nested deeper than " + std::to_string(kJsonMaxDepth) + " levels");
}

}  // namespace tessaly
