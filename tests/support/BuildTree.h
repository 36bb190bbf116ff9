#pragma once
// Files this build made (programs, stand-ins, libraries), for tests that use the real ones.
#include <string>

namespace vqtest {

// Host path of `relative` (e.g. "src/shell/Tessaly") below the build folder that ctest names in
// VQ_TEST_BINARY_DIR; below the current folder when it is not set.
[[nodiscard]] std::string BuildFile(const std::string& relative);

}  // namespace vqtest
