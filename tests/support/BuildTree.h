#pragma once
// Files this build made (programs, stand-ins, libraries), for tests that use the real ones.
#include <string>

namespace vqtest {

// The build folder: the one ctest names in VQ_TEST_BINARY_DIR, else the build folder that holds
// the running test program, so a test program also runs on its own.
[[nodiscard]] std::string BuildFolder();
// Host path of `relative` (e.g. "src/shell/Tessaly") below the build folder.
[[nodiscard]] std::string BuildFile(const std::string& relative);

}  // namespace vqtest
