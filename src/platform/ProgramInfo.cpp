#include "platform/ProgramInfo.h"

#include <unistd.h>

#include <climits>
#include <mutex>

#include "platform/Version.h"

namespace platform {
namespace {

std::mutex g_lock;
std::string g_override;  // guarded by g_lock

std::string ReadSelfExe() {
  char buf[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return std::string();
  return std::string(buf, static_cast<std::size_t>(n));
}

}  // namespace

std::string ProgramFile() {
  {
    std::lock_guard<std::mutex> g(g_lock);
    if (!g_override.empty()) return g_override;
  }
  static const std::string self = ReadSelfExe();
  return self;
}

std::string ProgramDir() {
  const std::string file = ProgramFile();
  const auto slash = file.find_last_of('/');
  return slash == std::string::npos ? std::string("./") : file.substr(0, slash + 1);
}

void SetProgramFileForTests(const std::string& path) {
  std::lock_guard<std::mutex> g(g_lock);
  g_override = path;
}

std::string ProgramVersion() { return VQ_PROGRAM_VERSION; }

}  // namespace platform
