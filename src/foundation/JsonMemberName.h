#pragma once
// The member name Obj2JSON gives a record property: the property name with its first letter in
// lower case (ASCII; other names unchanged). Shared by the writer and by the reader that maps
// such members back to their properties.
#include <string>

namespace tessaly {

[[nodiscard]] inline std::string Obj2JSONMemberName(std::string aPropertyName) {
  if (!aPropertyName.empty() && aPropertyName[0] >= 'A' && aPropertyName[0] <= 'Z')
    aPropertyName[0] = static_cast<char>(aPropertyName[0] - 'A' + 'a');
  return aPropertyName;
}

}  // namespace tessaly
