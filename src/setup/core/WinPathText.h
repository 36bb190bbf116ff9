#pragma once
// Pieces of Windows path texts as the configuration writes them ("C:\dir\name.ext"): the file
// name is the text after the last "\" or ":", the extension its last "." and what follows.
// Pure text work; nothing touches the disk.
#include <string>
#include <string_view>

namespace orvane {

[[nodiscard]] std::string ExtractFileName(std::string_view path);
// With its dot (".jpg"); empty when the file name has no dot.
[[nodiscard]] std::string ExtractFileExt(std::string_view path);

}  // namespace orvane
