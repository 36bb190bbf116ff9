#include "setup/core/LineList.h"

#include "platform/TextCodec.h"

namespace orvane {

std::string LineName(std::string_view line) {
  const std::size_t eq = line.find('=');
  return eq == std::string_view::npos ? std::string() : std::string(line.substr(0, eq));
}

std::string LineValue(std::string_view line) {
  const std::size_t eq = line.find('=');
  return eq == std::string_view::npos ? std::string() : std::string(line.substr(eq + 1));
}

std::optional<std::string> FindLineValue(const TLineList& lines, std::string_view name) {
  for (const std::string& line : lines) {
    const std::size_t eq = line.find('=');
    if (eq != std::string::npos && platform::SameText(std::string_view(line).substr(0, eq), name))
      return line.substr(eq + 1);
  }
  return std::nullopt;
}

}  // namespace orvane
