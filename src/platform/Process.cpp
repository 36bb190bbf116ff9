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
#include <fstream>
#include <thread>

#include "platform/TextCodec.h"
#include "platform/WinPath.h"

extern char** environ;

namespace platform {
namespace {

std::string BaseName(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A program is a file marked executable, or a ".exe" file (whose start then reports why it failed).
bool IsProgramFile(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  const bool exe = path.size() > 4 && SameText(std::string_view(path).substr(path.size() - 4), ".exe");
  return exe || ::access(path.c_str(), X_OK) == 0;
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

bool StartDetached(const std::string& program, const std::vector<std::string>& args, std::string& error) {
  const std::string host = HostPath(program);
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(host.c_str()));
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attr;
  posix_spawn_file_actions_init(&actions);
  posix_spawnattr_init(&attr);
  for (int fd = 0; fd <= 2; ++fd) posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", fd == 0 ? O_RDONLY : O_WRONLY, 0);
  sigset_t none;
  sigset_t defaults;
  sigemptyset(&none);
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setsigdefault(&attr, &defaults);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

  pid_t pid = 0;
  const bool search = host.find('/') == std::string::npos;
  const int rc = search ? posix_spawnp(&pid, host.c_str(), &actions, &attr, argv.data(), environ)
                        : posix_spawn(&pid, host.c_str(), &actions, &attr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  if (rc != 0) {
    error = std::strerror(rc);
    return false;
  }
  std::thread([pid] {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }).detach();
  return true;
}

bool ShellOpen(const std::string& target, const std::string& params, std::string& error) {
  const std::string host = HostPath(target);
  if (IsProgramFile(host)) return StartDetached(host, SplitCommandLine(params), error);
  return StartDetached("xdg-open", {host}, error);
}

std::vector<int> ProcessIds() {
  std::vector<int> ids;
  std::error_code ec;
  for (std::filesystem::directory_iterator it("/proc", ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (!name.empty() && std::all_of(name.begin(), name.end(), [](unsigned char c) { return std::isdigit(c); }))
      ids.push_back(std::stoi(name));
  }
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
  std::ifstream cmdline(dir + "/cmdline", std::ios::binary);
  std::string argv0;
  if (cmdline && std::getline(cmdline, argv0, '\0') && !argv0.empty()) return BaseName(argv0);
  std::ifstream comm(dir + "/comm");
  std::string name;
  std::getline(comm, name);
  return name;
}

}  // namespace platform
