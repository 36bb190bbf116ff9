#include "setup/core/SetupFiles.h"

#include <sys/stat.h>

#include "platform/ProgramInfo.h"
#include "platform/WinPath.h"

namespace orvane {

std::string FolderOf(std::string_view path) {
  const std::size_t sep = path.rfind('\\');
  return sep == std::string_view::npos ? std::string() : std::string(path.substr(0, sep + 1));
}

bool FileExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(platform::HostPath(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool FolderExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(platform::HostPath(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string ProgramPath() {
  const std::string file = platform::ProgramFile();
  return platform::WindowsPathOf(file).value_or(file);
}

}  // namespace orvane
