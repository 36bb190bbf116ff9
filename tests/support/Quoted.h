#pragma once
// A path as one argument of a command line a test builds.
#include <string>

namespace vqtest {

// `path` in double quotes: TMPDIR, and so every test folder, may hold blanks.
[[nodiscard]] inline std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

}  // namespace vqtest
