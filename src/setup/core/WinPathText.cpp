#include "setup/core/WinPathText.h"

namespace orvane {

std::string ExtractFileName(std::string_view path) {
  const std::size_t sep = path.find_last_of("\\:");
  return std::string(sep == std::string_view::npos ? path : path.substr(sep + 1));
}

std::string ExtractFileExt(std::string_view path) {
  const std::string name = ExtractFileName(path);
  const std::size_t dot = name.rfind('.');
  return dot == std::string::npos ? std::string() : name.substr(dot);
}

}  // namespace orvane
