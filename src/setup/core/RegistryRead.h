#pragma once
// A string value read in a chosen registry view: the engine keeps its uninstall entry and its
// configuration items in the 64-bit view, which the library's reads (default view) do not see.
#include <string>

#include "platform/Registry.h"

namespace orvane {

// The value, or "" when the key or the value is missing; `opened` (when given) tells whether
// the key opened.
[[nodiscard]] std::string ReadRegString(platform::RegRoot root, const std::string& path, const std::string& name,
                                        platform::RegView view, bool* opened = nullptr);

}  // namespace orvane
