#pragma once
// Small path and file tests of the setup engine over Windows paths ("C:\a\b\"), beside the
// library's helpers (VqLib.h).
#include <string>
#include <string_view>

namespace orvane {

// The text up to and including the last "\" (empty when there is none).
[[nodiscard]] std::string FolderOf(std::string_view path);

[[nodiscard]] bool FileExists(const std::string& path);
[[nodiscard]] bool FolderExists(const std::string& path);

// The program file's Windows path when it lies inside the machine, else its host path.
[[nodiscard]] std::string ProgramPath();

}  // namespace orvane
