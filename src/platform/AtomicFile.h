#pragma once
// Replacing a whole file so that a crash leaves either the old or the new contents, never a mix.
#include <string>
#include <string_view>

namespace platform {

// True when `path` exists and may not be written: no write permission bit (the Windows read-only
// attribute, which binds administrators too) or no write access for this user.
[[nodiscard]] bool IsReadOnlyFile(const std::string& path);

// Writes `bytes` to a temporary file beside `path`, flushes it to disk and renames it over
// `path`. A symbolic link of a host path is followed, so the link stays; one inside the machine
// is replaced, never written through (platform/MachinePath.h). An existing file keeps its
// permission bits. A Windows error code, with `path` untouched, when the file is read-only
// (kErrorAccessDenied), the path is refused or any step fails; kErrorSuccess otherwise.
[[nodiscard]] long ReplaceFileContents(const std::string& path, std::string_view bytes);

}  // namespace platform
