#pragma once
// File names that come from the setup configuration or a package map and become one component
// of a path. Here "/" separates folders as "\" does, so such a name could leave its folder.
#include <optional>
#include <string>
#include <string_view>

namespace orvane {

// `name` when it is safe as one file name: not empty, not "." or "..", and without "\", "/",
// ":" or control characters. nullopt otherwise.
[[nodiscard]] std::optional<std::string> SafeFileName(std::string_view name);

}  // namespace orvane
