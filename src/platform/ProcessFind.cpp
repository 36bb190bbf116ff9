#include "platform/ProcessFind.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <optional>
#include <sstream>
#include <vector>

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

std::string ReadLink(const std::string& link) {
  char buf[PATH_MAX];
  const ssize_t n = ::readlink(link.c_str(), buf, sizeof buf - 1);
  if (n <= 0) return {};
  std::string target(buf, static_cast<std::size_t>(n));
  constexpr std::string_view kDeleted = " (deleted)";
  if (target.size() > kDeleted.size() &&
      target.compare(target.size() - kDeleted.size(), kDeleted.size(), kDeleted) == 0)
    target.resize(target.size() - kDeleted.size());
  return target;
}

// The "#!" line of a program file: its interpreter and the one argument the kernel passes.
struct Shebang {
  std::string interpreter;
  std::string argument;
};

std::optional<Shebang> ReadShebang(const std::string& host) {
  struct stat st {};
  // A regular file only: opening a pipe named in some command line could block.
  if (::stat(host.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  const int fd = ::open(host.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  char buf[256];
  const ssize_t n = ::read(fd, buf, sizeof buf);
  ::close(fd);
  if (n < 2 || buf[0] != '#' || buf[1] != '!') return std::nullopt;
  std::string line(buf + 2, static_cast<std::size_t>(n) - 2);
  line = line.substr(0, line.find('\n'));
  constexpr const char* kBlanks = " \t\r";
  const auto start = line.find_first_not_of(kBlanks);
  if (start == std::string::npos) return std::nullopt;
  const auto end = std::min(line.find_first_of(kBlanks, start), line.size());
  Shebang result{line.substr(start, end - start), std::string()};
  const auto argStart = line.find_first_not_of(kBlanks, end);
  if (argStart != std::string::npos)
    result.argument = line.substr(argStart, line.find_last_not_of(kBlanks) + 1 - argStart);
  return result;
}

// The machine's "#!" program that process `pid`, whose image `exe` lies outside the machine,
// runs. The kernel starts the interpreter as the "#!" line names it, with the line's argument,
// if any, and then the script's path as it was started (always absolute here); "#!/usr/bin/env
// NAME" leaves NAME and the path. Only that exact command line counts: a host program that
// names the script anywhere else (an editor, a shell running another script) runs none.
std::string ScriptOf(int pid, const std::string& exe) {
  std::string cmdline;
  if (ReadFileBytes("/proc/" + std::to_string(pid) + "/cmdline", cmdline) != 0) return {};
  std::vector<std::string> args;
  for (std::size_t start = 0; start < cmdline.size() && args.size() < 3;) {
    const auto end = std::min(cmdline.find('\0', start), cmdline.size());
    args.push_back(cmdline.substr(start, end - start));
    start = end + 1;
  }
  for (std::size_t at = 1; at < args.size(); ++at) {
    const std::string& script = args[at];
    if (script.empty() || script[0] != '/' || !WindowsPathOf(script)) continue;
    const auto shebang = ReadShebang(script);
    if (!shebang) continue;
    std::error_code ec;
    const bool direct = args[0] == shebang->interpreter &&
                        (shebang->argument.empty() ? at == 1 : at == 2 && args[1] == shebang->argument) &&
                        std::filesystem::equivalent(shebang->interpreter, exe, ec) && !ec;
    const bool throughEnv = at == 1 && std::filesystem::path(shebang->interpreter).filename() == "env" &&
                            !shebang->argument.empty() && args[0] == shebang->argument;
    if (direct || throughEnv) return script;
  }
  return {};
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
  const std::string exe = ReadLink("/proc/" + std::to_string(pid) + "/exe");
  if (exe.empty()) return {};
  if (auto win = WindowsPathOf(exe)) return *win;
  const std::string script = ScriptOf(pid, exe);
  return script.empty() ? std::string() : WindowsPathOf(script).value_or(std::string());
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
  // Folders compare as the file functions read them: separators, "." and ".." resolved.
  const std::string wantFolder = want.folder.empty() ? std::string() : HostPath(want.folder + "\\");
  for (const int pid : ProcessIds()) {
    const std::string image = ProcessImagePath(pid);
    if (image.empty()) continue;
    const SplitPath have = Split(image);
    if (!SameText(have.name, want.name)) continue;
    if (!want.folder.empty() && !SameText(HostPath(have.folder + "\\"), wantFolder)) continue;
    return pid;
  }
  return 0;
}

bool KillProcess(int pid) {
  if (ProcessImagePath(pid).empty()) return false;
  return ::kill(pid, SIGKILL) == 0;
}

}  // namespace platform
