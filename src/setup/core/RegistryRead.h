#pragma once
// Registry reads of the setup program: the root key a configuration names by text, and a string
// value read in a chosen view (the engine keeps its uninstall entry and its configuration items
// in the 64-bit view, which the library's reads in the default view do not see).
#include <optional>
#include <string>

#include "platform/Registry.h"

namespace orvane {

// The root that a root name selects, compared without case. HKEY_PERFORMANCE_DATA and
// HKEY_DYN_DATA exist by name only, so nothing opens under them (nullopt); every other name,
// "HKEY_LOCAL_MACHINE" included, selects HKEY_LOCAL_MACHINE.
[[nodiscard]] std::optional<platform::RegRoot> RegRootByName(const std::string& name);

// The value, or "" when the key or the value is missing; `opened` (when given) tells whether
// the key opened.
[[nodiscard]] std::string ReadRegString(platform::RegRoot root, const std::string& path, const std::string& name,
                                        platform::RegView view, bool* opened = nullptr);

// A value under the root a root name selects, read in `view` without creating keys; a machine
// value missing there is the current user's copy. "" when neither holds it.
[[nodiscard]] std::string ReadNamedRegValue(const std::string& rootName, const std::string& path,
                                            const std::string& name, platform::RegView view);

}  // namespace orvane
