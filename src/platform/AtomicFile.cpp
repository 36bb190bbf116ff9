#include "platform/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <filesystem>

namespace platform {
namespace {

std::atomic<unsigned> g_counter{0};

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

void SyncFolder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  (void)::fsync(fd);
  ::close(fd);
}

}  // namespace

bool IsReadOnlyFile(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return false;
  return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(path.c_str(), W_OK) != 0;
}

bool ReplaceFileContents(const std::string& path, std::string_view bytes) {
  std::error_code ec;
  std::string target = path;
  if (std::filesystem::is_symlink(path, ec)) {
    const auto resolved = std::filesystem::canonical(path, ec);
    if (ec) return false;
    target = resolved.string();
  }
  if (IsReadOnlyFile(target)) return false;
  struct stat st {};
  const bool existed = ::stat(target.c_str(), &st) == 0;

  const std::string temp = target + ".~" + std::to_string(::getpid()) + "." + std::to_string(++g_counter);
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  bool ok = WriteAll(fd, bytes);
  if (ok && existed) ok = ::fchmod(fd, st.st_mode & 07777) == 0;
  if (ok) ok = ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  if (ok) ok = ::rename(temp.c_str(), target.c_str()) == 0;
  if (!ok) {
    ::unlink(temp.c_str());
    return false;
  }
  SyncFolder(std::filesystem::path(target).parent_path().string());
  return true;
}

}  // namespace platform
