#include "platform/FileOps.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cmath>

#include "platform/TextCodec.h"
#include "platform/WinError.h"
#include "platform/WinPath.h"

namespace platform {
namespace {

std::atomic<unsigned> g_tempCounter{0};

bool IsExeName(const std::string& path) {
  return path.size() >= 4 && SameText(std::string_view(path).substr(path.size() - 4), ".exe");
}

void MarkExecutableIfExe(const std::string& host) {
  if (!IsExeName(host)) return;
  struct stat st {};
  if (::stat(host.c_str(), &st) == 0) (void)::chmod(host.c_str(), (st.st_mode & 07777) | 0111);
}

// True when some FileHold keeps the file open: an exclusive lock cannot be had.
bool IsHeldHost(const std::string& host) {
  const int fd = ::open(host.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
  ::close(fd);
  return held;
}

bool ReadOnlyHost(const std::string& host) {
  struct stat st {};
  return ::stat(host.c_str(), &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & S_IWUSR) == 0;
}

bool ExistsHost(const std::string& host) {
  struct stat st {};
  return ::lstat(host.c_str(), &st) == 0;
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

// Copies the bytes of `source` into a new file beside `target`; returns its path in `temp`.
long CopyToTemp(const std::string& source, const std::string& target, std::string& temp) {
  const int in = OpenCloexec(source, O_RDONLY);
  if (in < 0) return ErrorFromErrno(errno);
  struct stat st {};
  (void)::fstat(in, &st);
  temp = target + ".~cp" + std::to_string(::getpid()) + "." + std::to_string(++g_tempCounter);
  const int out = OpenCloexec(temp, O_WRONLY | O_CREAT | O_EXCL, 0666);
  if (out < 0) {
    const long rc = ErrorFromErrno(errno);
    ::close(in);
    return rc;
  }
  long rc = kErrorSuccess;
  char buf[65536];
  for (;;) {
    const ssize_t n = ::read(in, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) rc = ErrorFromErrno(errno);
    if (n <= 0) break;
    rc = WriteAllTo(out, std::string_view(buf, static_cast<std::size_t>(n)));
    if (rc != kErrorSuccess) break;
  }
  // A copy keeps the source's permission bits and write time, as CopyFile does.
  if (rc == kErrorSuccess) (void)::fchmod(out, st.st_mode & 07777);
  const timespec times[2] = {st.st_atim, st.st_mtim};
  if (rc == kErrorSuccess) (void)::futimens(out, times);
  if (::close(out) != 0 && rc == kErrorSuccess) rc = ErrorFromErrno(errno);
  ::close(in);
  if (rc != kErrorSuccess) ::unlink(temp.c_str());
  return rc;
}

// MoveFile, or MoveFileEx with MOVEFILE_REPLACE_EXISTING when `replace`.
long MoveFileAs(const std::string& source, const std::string& target, bool replace) {
  const std::string from = HostPath(source);
  const std::string to = HostPath(target);
  if (!ExistsHost(from)) return kErrorFileNotFound;
  if (IsHeldHost(from) || (replace && IsHeldHost(to))) return kErrorSharingViolation;
  if (replace && ReadOnlyHost(to)) return kErrorAccessDenied;
  const int rc = replace ? ::rename(from.c_str(), to.c_str())
                         : ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE);
  if (rc != 0) return ErrorFromErrno(errno);
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
  fd_ = OpenCloexec(HostPath(path), O_RDONLY);
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

bool GetReadOnly(const std::string& path) { return ReadOnlyHost(HostPath(path)); }

long SetReadOnly(const std::string& path, bool readOnly) {
  const std::string host = HostPath(path);
  struct stat st {};
  if (::stat(host.c_str(), &st) != 0) return ErrorFromErrno(errno);
  const mode_t mode = readOnly ? (st.st_mode & 07777 & ~static_cast<mode_t>(0222)) : ((st.st_mode & 07777) | S_IWUSR);
  return ::chmod(host.c_str(), mode) == 0 ? kErrorSuccess : ErrorFromErrno(errno);
}

long GetFileTimes(const std::string& path, double& accessTime, double& writeTime) {
  struct stat st {};
  if (::stat(HostPath(path).c_str(), &st) != 0) return ErrorFromErrno(errno);
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
  const timespec times[2] = {toSpec(accessTime), toSpec(writeTime)};
  return ::utimensat(AT_FDCWD, HostPath(path).c_str(), times, 0) == 0 ? kErrorSuccess : ErrorFromErrno(errno);
}

long CopyFileOver(const std::string& source, const std::string& target) {
  const std::string from = HostPath(source);
  const std::string to = HostPath(target);
  if (ReadOnlyHost(to)) return kErrorAccessDenied;
  if (IsHeldHost(to)) return kErrorSharingViolation;
  std::string temp;
  const long rc = CopyToTemp(from, to, temp);
  if (rc != kErrorSuccess) return rc;
  if (::rename(temp.c_str(), to.c_str()) != 0) {
    const long err = ErrorFromErrno(errno);
    ::unlink(temp.c_str());
    return err;
  }
  MarkExecutableIfExe(to);
  return kErrorSuccess;
}

long MoveFileNoReplace(const std::string& source, const std::string& target) {
  return MoveFileAs(source, target, false);
}

long MoveFileReplace(const std::string& source, const std::string& target) {
  return MoveFileAs(source, target, true);
}

long DeleteFile(const std::string& path) {
  const std::string host = HostPath(path);
  struct stat st {};
  if (::lstat(host.c_str(), &st) != 0) return ErrorFromErrno(errno);
  if (S_ISDIR(st.st_mode)) return kErrorAccessDenied;
  if (ReadOnlyHost(host)) return kErrorAccessDenied;
  if (IsHeldHost(host)) return kErrorSharingViolation;
  return ::unlink(host.c_str()) == 0 ? kErrorSuccess : ErrorFromErrno(errno);
}

long ReadFileBytes(const std::string& path, std::string& out) {
  out.clear();
  const int fd = OpenCloexec(HostPath(path), O_RDONLY);
  if (fd < 0) return ErrorFromErrno(errno);
  char buf[65536];
  long rc = kErrorSuccess;
  for (;;) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) rc = ErrorFromErrno(errno);
    if (n <= 0) break;
    out.append(buf, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return rc;
}

long WriteFileBytes(const std::string& path, std::string_view bytes, bool append) {
  const std::string host = HostPath(path);
  if (ReadOnlyHost(host)) return kErrorAccessDenied;
  if (IsHeldHost(host)) return kErrorSharingViolation;
  const int fd = OpenCloexec(host, O_WRONLY | O_CREAT | (append ? O_APPEND : O_TRUNC), 0666);
  if (fd < 0) return ErrorFromErrno(errno);
  long rc = WriteAllTo(fd, bytes);
  if (::close(fd) != 0 && rc == kErrorSuccess) rc = ErrorFromErrno(errno);
  if (rc == kErrorSuccess) MarkExecutableIfExe(host);
  return rc;
}

}  // namespace platform
