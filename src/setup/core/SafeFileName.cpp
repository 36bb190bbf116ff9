#include "setup/core/SafeFileName.h"

namespace orvane {

std::optional<std::string> SafeFileName(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return std::nullopt;
  for (const char c : name) {
    if (c == '\\' || c == '/' || c == ':' || static_cast<unsigned char>(c) < 32) return std::nullopt;
  }
  return std::string(name);
}

}  // namespace orvane
