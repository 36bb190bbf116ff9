#include "platform/FileOps.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>

#include "platform/MachinePath.h"
#include "platform/TextCodec.h"
#include "platform/WinError.h"

namespace platform {
namespace {

bool IsExeName(const std::string& name) {
  return name.size() >= 4 && SameText(std::string_view(name).substr(name.size() - 4), ".exe");
}

void MarkExecutableIfExe(const MachinePath& at) {
  struct stat st {};
  if (IsExeName(at.name()) && at.Stat(st) && S_ISREG(st.st_mode))
    (void)::fchmodat(at.folder(), at.name().c_str(), (st.st_mode & 07777) | 0111, at.confined() ? AT_SYMLINK_NOFOLLOW : 0);
}

bool IsReadOnlyEntry(const MachinePath& at) {
  struct stat st {};
  return at.Stat(st) && S_ISREG(st.st_mode) && (st.st_mode & S_IWUSR) == 0;
}

long ReadAll(int fd, std::string& out) {
  char buf[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return ErrorFromErrno(errno);
    if (n == 0) return kErrorSuccess;
    out.append(buf, static_cast<std::size_t>(n));
  }
}

long WriteAllTo(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return ErrorFromErrno(n < 0 ? errno : ENOSPC);
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return kErrorSuccess;
}

// A file that is a link, or has other names (maybe a host file's), is never changed in place:
// a new file with its contents takes its name first. A link cannot be changed (its target could
// lie anywhere).
long SeparateEntry(const MachinePath& at) {
  struct stat st {};
  if (!at.Stat(st) || !at.confined()) return kErrorSuccess;
  if (S_ISLNK(st.st_mode)) return kErrorAccessDenied;
  if (!S_ISREG(st.st_mode) || st.st_nlink <= 1) return kErrorSuccess;
  const int fd = at.Open(O_RDONLY | O_NONBLOCK);
  if (fd < 0) return ErrorFromErrno(errno);
  std::string bytes;
  long rc = ReadAll(fd, bytes);
  ::close(fd);
  if (rc == kErrorSuccess) rc = ReplaceAt(at, bytes, false, &st);
  return rc;
}

// MoveFile, or MoveFileEx with MOVEFILE_REPLACE_EXISTING when `replace`.
long MoveFileAs(const std::string& source, const std::string& target, bool replace) {
  MachinePath from;
  MachinePath to;
  struct stat st {};
  if (const long rc = MachinePath::Resolve(source, PathUse::kChange, from); rc != kErrorSuccess) return rc;
  if (!from.Stat(st)) return kErrorFileNotFound;
  if (const long rc = MachinePath::Resolve(target, PathUse::kChange, to); rc != kErrorSuccess) return rc;
  if (IsHeldAt(from.folder(), from.name()) || (replace && IsHeldAt(to.folder(), to.name()))) return kErrorSharingViolation;
  if (replace && IsReadOnlyEntry(to)) return kErrorAccessDenied;
  if (::renameat2(from.folder(), from.name().c_str(), to.folder(), to.name().c_str(), replace ? 0 : RENAME_NOREPLACE) != 0)
    return ErrorFromErrno(errno);
  MarkExecutableIfExe(to);
  return kErrorSuccess;
}

}  // namespace

long ErrorFromErrno(int err) {
  switch (err) {
    case 0: return kErrorSuccess;
    case ENOENT: return kErrorFileNotFound;
    case ENOTDIR: return kErrorPathNotFound;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS: return kErrorAccessDenied;
    case ELOOP:
    case EOPNOTSUPP: return kErrorAccessDenied;
    case ENAMETOOLONG: return kErrorFilenameTooLong;
    case EEXIST: return kErrorAlreadyExists;
    case EWOULDBLOCK: return kErrorSharingViolation;
    case ENOSPC: return 112;  // ERROR_DISK_FULL
    default: return kErrorInvalidParameter;
  }
}

int OpenCloexec(const std::string& hostPath, int flags, int mode) {
  int fd;
  do {
    fd = ::open(hostPath.c_str(), flags | O_CLOEXEC, mode);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

FileHold::FileHold(const std::string& path) {
  MachinePath at;
  if (MachinePath::Resolve(path, PathUse::kRead, at) != kErrorSuccess) return;
  fd_ = at.OpenFollowing(O_RDONLY);
  if (fd_ >= 0 && ::flock(fd_, LOCK_SH) != 0) Release();
}

FileHold::~FileHold() { Release(); }

FileHold::FileHold(FileHold&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }

FileHold& FileHold::operator=(FileHold&& other) noexcept {
  if (this != &other) {
    Release();
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

void FileHold::Release() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

bool GetReadOnly(const std::string& path) {
  MachinePath at;
  return MachinePath::Resolve(path, PathUse::kRead, at) == kErrorSuccess && IsReadOnlyEntry(at);
}

long SetReadOnly(const std::string& path, bool readOnly) {
  MachinePath at;
  if (const long rc = MachinePath::Resolve(path, PathUse::kChange, at); rc != kErrorSuccess) return rc;
  if (const long rc = SeparateEntry(at); rc != kErrorSuccess) return rc;
  struct stat st {};
  if (!at.Stat(st)) return ErrorFromErrno(errno);
  const mode_t mode = readOnly ? (st.st_mode & 07777 & ~static_cast<mode_t>(0222)) : ((st.st_mode & 07777) | S_IWUSR);
  const int flags = at.confined() ? AT_SYMLINK_NOFOLLOW : 0;
  return ::fchmodat(at.folder(), at.name().c_str(), mode, flags) == 0 ? kErrorSuccess : ErrorFromErrno(errno);
}

long GetFileTimes(const std::string& path, double& accessTime, double& writeTime) {
  MachinePath at;
  if (const long rc = MachinePath::Resolve(path, PathUse::kRead, at); rc != kErrorSuccess) return rc;
  struct stat st {};
  if (!at.Stat(st)) return ErrorFromErrno(errno);
  accessTime = static_cast<double>(st.st_atim.tv_sec) + st.st_atim.tv_nsec / 1e9;
  writeTime = static_cast<double>(st.st_mtim.tv_sec) + st.st_mtim.tv_nsec / 1e9;
  return kErrorSuccess;
}

long SetFileTimes(const std::string& path, double accessTime, double writeTime) {
  auto toSpec = [](double t) {
    timespec ts{};
    const double whole = std::floor(t);
    ts.tv_sec = static_cast<time_t>(whole);
    ts.tv_nsec = static_cast<long>((t - whole) * 1e9);
    return ts;
  };
  MachinePath at;
  if (const long rc = MachinePath::Resolve(path, PathUse::kChange, at); rc != kErrorSuccess) return rc;
  if (const long rc = SeparateEntry(at); rc != kErrorSuccess) return rc;
  const timespec times[2] = {toSpec(accessTime), toSpec(writeTime)};
  const int flags = at.confined() ? AT_SYMLINK_NOFOLLOW : 0;
  return ::utimensat(at.folder(), at.name().c_str(), times, flags) == 0 ? kErrorSuccess : ErrorFromErrno(errno);
}

long CopyFileOver(const std::string& source, const std::string& target) {
  MachinePath from;
  MachinePath to;
  if (const long rc = MachinePath::Resolve(source, PathUse::kRead, from); rc != kErrorSuccess) return rc;
  if (const long rc = MachinePath::Resolve(target, PathUse::kChange, to); rc != kErrorSuccess) return rc;
  if (IsReadOnlyEntry(to)) return kErrorAccessDenied;
  if (IsHeldAt(to.folder(), to.name())) return kErrorSharingViolation;
  const int in = from.OpenFollowing(O_RDONLY);
  if (in < 0) return ErrorFromErrno(errno);
  struct stat st {};
  std::string bytes;
  long rc = ::fstat(in, &st) == 0 ? ReadAll(in, bytes) : ErrorFromErrno(errno);
  ::close(in);
  // A copy keeps the source's permission bits and write time, as CopyFile does.
  if (rc == kErrorSuccess) rc = ReplaceAt(to, bytes, false, &st);
  if (rc == kErrorSuccess) MarkExecutableIfExe(to);
  return rc;
}

long MoveFileNoReplace(const std::string& source, const std::string& target) {
  return MoveFileAs(source, target, false);
}

long MoveFileReplace(const std::string& source, const std::string& target) {
  return MoveFileAs(source, target, true);
}

long DeleteFile(const std::string& path) {
  MachinePath at;
  if (const long rc = MachinePath::Resolve(path, PathUse::kChange, at); rc != kErrorSuccess) return rc;
  return DeleteEntryAt(at.folder(), at.name());
}

long ReadFileBytes(const std::string& path, std::string& out) {
  out.clear();
  MachinePath at;
  if (const long rc = MachinePath::Resolve(path, PathUse::kRead, at); rc != kErrorSuccess) return rc;
  const int fd = at.OpenFollowing(O_RDONLY);
  if (fd < 0) return ErrorFromErrno(errno);
  const long rc = ReadAll(fd, out);
  ::close(fd);
  return rc;
}

long WriteFileBytes(const std::string& path, std::string_view bytes, bool append) {
  MachinePath at;
  if (const long rc = MachinePath::Resolve(path, PathUse::kChange, at); rc != kErrorSuccess) return rc;
  if (IsReadOnlyEntry(at)) return kErrorAccessDenied;
  if (IsHeldAt(at.folder(), at.name())) return kErrorSharingViolation;
  struct stat st {};
  const int fd = at.Open(O_WRONLY | O_CREAT | O_NONBLOCK | (append ? O_APPEND : 0), 0666);
  long rc = kErrorSuccess;
  if (fd < 0 && errno != ELOOP) return ErrorFromErrno(errno);
  if (fd < 0 || (at.confined() && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_nlink > 1)) {
    // A link, or a file with other names: a new file takes the name, with the old bytes first
    // when appending to a file.
    std::string whole;
    if (fd >= 0 && append) {
      const int in = at.Open(O_RDONLY | O_NONBLOCK);
      rc = in < 0 ? ErrorFromErrno(errno) : ReadAll(in, whole);
      if (in >= 0) ::close(in);
    }
    if (fd >= 0) ::close(fd);
    whole += bytes;
    if (rc == kErrorSuccess) rc = ReplaceAt(at, whole, false);
  } else {
    if (!append && ::ftruncate(fd, 0) != 0) rc = ErrorFromErrno(errno);
    if (rc == kErrorSuccess) rc = WriteAllTo(fd, bytes);
    if (::close(fd) != 0 && rc == kErrorSuccess) rc = ErrorFromErrno(errno);
  }
  if (rc == kErrorSuccess) MarkExecutableIfExe(at);
  return rc;
}

}  // namespace platform
