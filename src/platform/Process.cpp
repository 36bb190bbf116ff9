#include "platform/Process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>
#include <thread>

#include "platform/FileOps.h"
#include "platform/MachinePath.h"
#include "platform/MachineRoot.h"
#include "platform/ProgramInfo.h"
#include "platform/WinError.h"
#include "platform/WinPath.h"

extern char** environ;

namespace platform {
namespace {

std::string BaseName(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

int ExitCodeOf(int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

bool HasExtension(const std::string& path) {
  const auto sep = path.find_last_of("\\/");
  const auto dot = path.find_last_of('.');
  return dot != std::string::npos && (sep == std::string::npos || dot > sep);
}

// The host file a program resolves to through the gate; it must lie inside the machine's drives.
std::optional<std::string> ExistingProgram(const std::string& candidate) {
  long error = 0;
  const std::string host = ResolvedFilePath(candidate, PathUse::kRead, error);
  if (!host.empty() && WindowsPathOf(host)) return host;
  return std::nullopt;
}

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view text) {
  std::vector<std::string> args;
  std::string cur;
  bool inArg = false;
  bool quoted = false;
  std::size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (!quoted && (c == ' ' || c == '\t')) {
      if (inArg) args.push_back(cur);
      cur.clear();
      inArg = false;
      ++i;
      continue;
    }
    inArg = true;
    if (c == '\\') {
      std::size_t n = 0;
      while (i < text.size() && text[i] == '\\') {
        ++n;
        ++i;
      }
      if (i < text.size() && text[i] == '"') {
        cur.append(n / 2, '\\');
        if (n % 2 == 1) {
          cur += '"';
          ++i;
        }
      } else {
        cur.append(n, '\\');
      }
    } else if (c == '"') {
      if (quoted && i + 1 < text.size() && text[i + 1] == '"') {
        cur += '"';
        i += 2;
      } else {
        quoted = !quoted;
        ++i;
      }
    } else {
      cur += c;
      ++i;
    }
  }
  if (inArg) args.push_back(cur);
  return args;
}

ChildProcess::~ChildProcess() { Detach(); }

ChildProcess::ChildProcess(ChildProcess&& other) noexcept
    : pid_(other.pid_), done_(other.done_), exitCode_(other.exitCode_) {
  other.pid_ = 0;
}

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept {
  if (this != &other) {
    Detach();
    pid_ = other.pid_;
    done_ = other.done_;
    exitCode_ = other.exitCode_;
    other.pid_ = 0;
  }
  return *this;
}

bool ChildProcess::Start(const std::string& hostProgram, const std::vector<std::string>& args,
                         const std::string& workDir, ChildProcess& out, std::string& error) {
  // Only the agent's host programs are looked up on the host's PATH.
  const bool search = hostProgram.find('/') == std::string::npos;
  if (search && MachineConfinement()) {
    error = SystemErrorText(kErrorFileNotFound);
    return false;
  }
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(hostProgram.c_str()));
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attr;
  posix_spawn_file_actions_init(&actions);
  posix_spawnattr_init(&attr);
  for (int fd = 0; fd <= 2; ++fd) posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", fd == 0 ? O_RDONLY : O_WRONLY, 0);
  if (!workDir.empty()) posix_spawn_file_actions_addchdir_np(&actions, workDir.c_str());
  sigset_t none;
  sigset_t defaults;
  sigemptyset(&none);
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  sigaddset(&defaults, SIGTERM);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setsigdefault(&attr, &defaults);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

  pid_t pid = 0;
  const int rc = search ? posix_spawnp(&pid, hostProgram.c_str(), &actions, &attr, argv.data(), environ)
                        : posix_spawn(&pid, hostProgram.c_str(), &actions, &attr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  if (rc != 0) {
    error = std::strerror(rc);
    return false;
  }
  out = ChildProcess();
  out.pid_ = pid;
  return true;
}

bool ChildProcess::Finished(int& exitCode) {
  if (!done_ && pid_ > 0) {
    int status = 0;
    pid_t r;
    do {
      r = ::waitpid(pid_, &status, WNOHANG);
    } while (r < 0 && errno == EINTR);
    if (r == pid_ || r < 0) {
      done_ = true;
      exitCode_ = r < 0 ? -1 : ExitCodeOf(status);
    }
  }
  exitCode = exitCode_;
  return done_;
}

int ChildProcess::Wait() {
  if (!done_ && pid_ > 0) {
    int status = 0;
    pid_t r;
    do {
      r = ::waitpid(pid_, &status, 0);
    } while (r < 0 && errno == EINTR);
    done_ = true;
    exitCode_ = r < 0 ? -1 : ExitCodeOf(status);
  }
  return exitCode_;
}

void ChildProcess::Detach() {
  if (pid_ > 0 && !done_) {
    std::thread([pid = pid_] {
      int status = 0;
      while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
      }
    }).detach();
  }
  pid_ = 0;
  done_ = false;
}

bool StartDetached(const std::string& program, const std::vector<std::string>& args, std::string& error) {
  ChildProcess child;
  if (!ChildProcess::Start(HostPath(program), args, std::string(), child, error)) return false;
  child.Detach();
  return true;
}

std::string ResolveProgram(const std::string& name, std::string& error) {
  error = SystemErrorText(kErrorFileNotFound);
  if (name.empty()) return {};
  std::vector<std::string> candidates;
  const bool bare = name.find_first_of("\\/") == std::string::npos;
  if (IsDrivePath(name) || name[0] == '/') {
    candidates.push_back(name);
  } else {
    std::vector<std::string> folders;
    std::error_code ec;
    if (bare) {
      if (const auto dir = WindowsPathOf(ProgramDir())) folders.push_back(*dir);
    }
    if (const auto cwd = WindowsPathOf(std::filesystem::current_path(ec).string()); cwd && !ec) folders.push_back(*cwd);
    if (bare) {
      folders.push_back(SystemFolder());
      folders.push_back(WindowsFolder());
    }
    for (std::string f : folders) {
      if (f.back() != '\\') f += '\\';
      candidates.push_back(f + name);
    }
  }
  for (const std::string& c : candidates) {
    auto found = ExistingProgram(c);
    if (!found && !HasExtension(c)) found = ExistingProgram(c + ".exe");
    if (found) {
      error.clear();
      return *found;
    }
  }
  return {};
}

std::vector<int> ProcessIds() {
  std::vector<int> ids;
  std::error_code ec;
  for (std::filesystem::directory_iterator it("/proc", ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (!name.empty() && std::all_of(name.begin(), name.end(), [](unsigned char c) { return std::isdigit(c); }))
      ids.push_back(std::stoi(name));
  }
  std::sort(ids.begin(), ids.end());
  return ids;
}

std::string ProcessExeName(int pid) {
  if (pid <= 0) return std::string();
  const std::string dir = "/proc/" + std::to_string(pid);
  char buf[4096];
  const ssize_t n = ::readlink((dir + "/exe").c_str(), buf, sizeof buf - 1);
  if (n > 0) {
    std::string exe(buf, static_cast<std::size_t>(n));
    constexpr std::string_view kDeleted = " (deleted)";
    if (exe.size() > kDeleted.size() && exe.compare(exe.size() - kDeleted.size(), kDeleted.size(), kDeleted) == 0)
      exe.resize(exe.size() - kDeleted.size());
    return BaseName(exe);
  }
  // Another user's process hides its executable link; its command line still names it.
  std::string text;
  if (ReadFileBytes(dir + "/cmdline", text) == 0 && !text.empty() && text[0] != '\0')
    return BaseName(text.substr(0, text.find('\0')));
  (void)ReadFileBytes(dir + "/comm", text);
  return text.substr(0, text.find('\n'));
}

}  // namespace platform
