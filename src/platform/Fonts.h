#pragma once
// AddFontResource: a font file is registered for this session from where it lies, without being
// copied. The session's font list is <machine root>/run/fonts.list (one Windows or host path a
// line, each once) and the file is added to this process's fontconfig configuration, so text
// drawn here can use it at once. Nothing is written outside the machine root. Thread-safe.
#include <string>

namespace platform {

// The number of fonts (faces) the file added; 0 when it holds none or cannot be read.
[[nodiscard]] int AddFontResource(const std::string& path);
// The session's font list, in the order the fonts were added.
[[nodiscard]] std::string SessionFontList();

}  // namespace platform
