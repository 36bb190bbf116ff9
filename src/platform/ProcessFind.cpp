#include "platform/ProcessFind.h"

#include <signal.h>
#include <unistd.h>

#include <climits>
#include <sstream>

#include "platform/FileOps.h"
#include "platform/Process.h"
#include "platform/TextCodec.h"
#include "platform/WinPath.h"

namespace platform {
namespace {

struct SplitPath {
  std::string folder;  // without the last separator; empty for a bare name
  std::string name;
};

SplitPath Split(const std::string& path) {
  const auto sep = path.find_last_of("\\/");
  if (sep == std::string::npos) return {std::string(), path};
  return {path.substr(0, sep), path.substr(sep + 1)};
}

}  // namespace

std::string ProcessStartTime(int pid) {
  std::string stat;
  if (pid <= 0 || ReadFileBytes("/proc/" + std::to_string(pid) + "/stat", stat) != 0) return {};
  const auto close = stat.rfind(')');  // the command name may hold blanks and parentheses
  if (close == std::string::npos) return {};
  // Field 22 of the line; fields 3 and on follow the closing parenthesis.
  std::istringstream rest(stat.substr(close + 2));
  std::string field;
  for (int i = 3; i <= 22 && rest >> field; ++i) {
    if (i == 22) return field;
  }
  return {};
}

std::string ProcessImagePath(int pid) {
  if (pid <= 0 || pid == static_cast<int>(::getpid())) return {};
  char buf[PATH_MAX];
  const ssize_t n = ::readlink(("/proc/" + std::to_string(pid) + "/exe").c_str(), buf, sizeof buf - 1);
  if (n <= 0) return {};
  std::string exe(buf, static_cast<std::size_t>(n));
  constexpr std::string_view kDeleted = " (deleted)";
  if (exe.size() > kDeleted.size() && exe.compare(exe.size() - kDeleted.size(), kDeleted.size(), kDeleted) == 0)
    exe.resize(exe.size() - kDeleted.size());
  return WindowsPathOf(exe).value_or(std::string());
}

int FindProgramProcess(const std::string& path) {
  std::string wanted = path;
  if (!path.empty() && path[0] == '/') {
    const auto win = WindowsPathOf(path);
    if (!win) return 0;
    wanted = *win;
  }
  const SplitPath want = Split(wanted);
  if (want.name.empty()) return 0;
  for (const int pid : ProcessIds()) {
    const std::string image = ProcessImagePath(pid);
    if (image.empty()) continue;
    const SplitPath have = Split(image);
    if (!SameText(have.name, want.name)) continue;
    if (!want.folder.empty() && !SameText(have.folder, want.folder)) continue;
    return pid;
  }
  return 0;
}

bool KillProcess(int pid) {
  if (ProcessImagePath(pid).empty()) return false;
  return ::kill(pid, SIGKILL) == 0;
}

}  // namespace platform
