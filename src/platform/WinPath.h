#pragma once
// Windows paths on this host. "X:\a\b" (either separator after the drive) lives at
// <machine root>/drive_x/a/b. Components that exist on disk are matched without case and take
// their on-disk spelling; the first missing one and all after it keep the caller's spelling.
// "." and ".." are resolved as Windows does. A drive-relative "X:name" lives under the drive's
// root, the current folder of every drive. Anything that is not a drive path (a '/'-path, a
// relative name, an address) passes unchanged. Thread-safe.
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// True for "X:" followed by nothing, '\' or '/'.
[[nodiscard]] bool IsDrivePath(std::string_view path);
// The host path of `path` (see above).
[[nodiscard]] std::string HostPath(std::string_view path);
// The Windows form of a host path that lies inside a drive folder of the machine root
// ("<root>/drive_c/Program Files/x" -> "C:\Program Files\x"); nullopt for any other path.
[[nodiscard]] std::optional<std::string> WindowsPathOf(std::string_view hostPath);

}  // namespace platform
