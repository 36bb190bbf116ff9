#include "support/TempRoot.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <random>
#include <stdexcept>

namespace vqtest {
namespace {

// Opens the folder `name` in `at` for removing what it holds, first giving it back the owner's
// rights a test took away (an unreadable or read-only folder); -1 when it is no folder.
int OpenToEmpty(int at, const char* name) noexcept {
  int dir = ::openat(at, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (dir < 0 && errno == EACCES && ::fchmodat(at, name, S_IRWXU, 0) == 0)
    dir = ::openat(at, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (dir >= 0) ::fchmod(dir, S_IRWXU);
  return dir;
}

// Empties the open folder `dir`. Entries removed during a scan may hide others from it, so the
// scan repeats until one removes nothing.
void RemoveBelow(int dir) noexcept {
  for (bool removed = true; removed;) {
    removed = false;
    if (::lseek(dir, 0, SEEK_SET) != 0) return;
    alignas(dirent64) char buffer[2048];
    for (ssize_t n; (n = ::getdents64(dir, buffer, sizeof buffer)) > 0;) {
      for (ssize_t at = 0; at < n;) {
        const auto* entry = reinterpret_cast<const dirent64*>(buffer + at);
        at += entry->d_reclen;
        const char* name = entry->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
        if (::unlinkat(dir, name, 0) == 0) {
          removed = true;
          continue;
        }
        const int sub = OpenToEmpty(dir, name);
        if (sub < 0) continue;
        RemoveBelow(sub);
        ::close(sub);
        if (::unlinkat(dir, name, AT_REMOVEDIR) == 0) removed = true;
      }
    }
  }
}

class TempRoot {
 public:
  TempRoot() : owner_(::getpid()) {
    path_ = MakeUniqueFolder(std::filesystem::temp_directory_path().string(), "vqtest-run.");
    abortPath_ = path_.c_str();
    abortOwner_ = owner_;
    struct sigaction action {};
    action.sa_handler = OnAbort;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGABRT, &action, nullptr);
  }
  ~TempRoot() {
    abortPath_ = nullptr;
    if (::getpid() == owner_) RemoveTree(path_.c_str());
  }
  TempRoot(const TempRoot&) = delete;
  TempRoot& operator=(const TempRoot&) = delete;

  [[nodiscard]] const std::string& path() const { return path_; }

 private:
  static void OnAbort(int signal) {
    const int saved = errno;
    if (abortPath_ != nullptr && ::getpid() == abortOwner_) RemoveTree(abortPath_);
    errno = saved;
    // The abort goes on as it would have without us (core dump, exit status).
    ::signal(signal, SIG_DFL);
    ::raise(signal);
  }

  pid_t owner_;
  std::string path_;
  static inline const char* volatile abortPath_ = nullptr;
  static inline volatile pid_t abortOwner_ = 0;
};

}  // namespace

std::string MakeUniqueFolder(const std::string& parent, const std::string& prefix) {
  static std::mutex lock;
  static std::mt19937 random{std::random_device{}()};
  const std::string base = (parent.empty() || parent.back() != '/' ? parent + "/" : parent) + prefix;
  int error = EEXIST;
  for (int attempt = 0; attempt < 100 && error == EEXIST; ++attempt) {
    char suffix[9];
    {
      std::lock_guard<std::mutex> guard(lock);
      std::snprintf(suffix, sizeof suffix, "%08x", static_cast<unsigned>(random()));
    }
    const std::string path = base + suffix;
    if (::mkdir(path.c_str(), S_IRWXU) == 0) return path;
    error = errno;
  }
  throw std::runtime_error("cannot make a folder in " + parent + ": " + std::strerror(error));
}

const std::string& ProcessTempRoot() {
  static const TempRoot root;
  return root.path();
}

void RemoveTree(const char* path) noexcept {
  if (::unlink(path) == 0) return;
  const int dir = OpenToEmpty(AT_FDCWD, path);
  if (dir < 0) return;
  RemoveBelow(dir);
  ::close(dir);
  ::rmdir(path);
}

}  // namespace vqtest
