#pragma once
// Where the running program lives and which version it is.
#include <string>

namespace platform {

// Full path of the running program file (from /proc/self/exe), unless a test replaced it.
[[nodiscard]] std::string ProgramFile();
// Folder of ProgramFile(), ending with '/'.
[[nodiscard]] std::string ProgramDir();
// The one seam for in-process tests: pretend the program file is `path` (its folder then holds
// the program's settings, data/ and log/). Call before anything reads the program folder.
void SetProgramFileForTests(const std::string& path);

// The program version "major.minor.release.build", taken from the build's project version.
[[nodiscard]] std::string ProgramVersion();

}  // namespace platform
