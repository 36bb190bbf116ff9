#include "support/BuildTree.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace vqtest {
namespace {

namespace fs = std::filesystem;

// The build folder that holds the running test program: the nearest folder above it with the
// build's cache file (test programs live below the build folder's root).
std::string BuildFolderOfThisProgram() {
  std::error_code ec;
  const fs::path self = fs::read_symlink("/proc/self/exe", ec);
  if (ec) return ".";
  for (fs::path folder = self.parent_path(); !folder.empty(); folder = folder.parent_path()) {
    if (fs::exists(folder / "CMakeCache.txt", ec)) return folder.string();
    if (folder == folder.root_path()) break;
  }
  return self.parent_path().string();
}

}  // namespace

std::string BuildFolder() {
  const char* build = std::getenv("VQ_TEST_BINARY_DIR");
  if (build != nullptr && *build != '\0') return build;
  static const std::string found = BuildFolderOfThisProgram();
  return found;
}

std::string BuildFile(const std::string& relative) { return BuildFolder() + "/" + relative; }

}  // namespace vqtest
