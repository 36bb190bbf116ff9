#include "platform/MachinePath.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/file.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <optional>

#include "platform/FileOps.h"
#include "platform/MachinePathName.h"
#include "platform/TextCodec.h"
#include "platform/WinError.h"

namespace platform {
namespace {

std::atomic<unsigned> g_tempCounter{0};

template <typename Call>
int NoEintr(const Call& call) {
  int rc;
  do {
    rc = call();
  } while (rc < 0 && errno == EINTR);
  return rc;
}

void CloseFd(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

// A walk that refuses every link, for kernels without openat2.
int OpenByWalk(int base, const std::string& rel, int flags, int mode) {
  int cur = ::openat(base, ".", O_PATH | O_DIRECTORY | O_CLOEXEC);
  std::size_t start = 0;
  while (cur >= 0) {
    const auto slash = rel.find('/', start);
    if (slash == std::string::npos) break;
    const int next = ::openat(cur, rel.substr(start, slash - start).c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    const int err = errno;
    ::close(cur);
    errno = err;
    cur = next;
    start = slash + 1;
  }
  if (cur < 0) return -1;
  const int fd = ::openat(cur, rel.c_str() + start, flags | O_NOFOLLOW | O_CLOEXEC, mode);
  const int err = errno;
  ::close(cur);
  errno = err;
  return fd;
}

// Opens `rel` (components joined by '/', empty for `base` itself) beneath `base`: links are
// followed but never out of it, and ".." stops at it.
int OpenBeneath(int base, const std::string& rel, int flags, int mode = 0) {
  static std::atomic<bool> noOpenat2{false};
  const std::string name = rel.empty() ? std::string(".") : rel;
  if (!noOpenat2) {
    open_how how{};
    how.flags = static_cast<unsigned long long>(flags | O_CLOEXEC);
    how.mode = (flags & O_CREAT) != 0 ? static_cast<unsigned long long>(mode) : 0;
    how.resolve = RESOLVE_IN_ROOT | RESOLVE_NO_MAGICLINKS;
    const int fd = NoEintr([&] { return static_cast<int>(::syscall(SYS_openat2, base, name.c_str(), &how, sizeof how)); });
    if (fd >= 0 || errno != ENOSYS) return fd;
    noOpenat2 = true;
  }
  return NoEintr([&] { return OpenByWalk(base, name, flags, mode); });
}

// The on-disk spelling of `name` in the folder `dir`, when one entry matches without case.
std::optional<std::string> FindEntry(int dir, const std::string& name) {
  struct stat st {};
  if (::fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) return name;
  const int fd = ::openat(dir, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  DIR* d = ::fdopendir(fd);
  if (d == nullptr) {
    ::close(fd);
    return std::nullopt;
  }
  std::optional<std::string> best;
  while (const dirent* e = ::readdir(d)) {
    const std::string entry = e->d_name;
    // Several spellings can exist side by side here; take the lowest for a stable answer.
    if (SameText(entry, name) && (!best || entry < *best)) best = entry;
  }
  ::closedir(d);
  return best;
}

long FolderError(int err) { return err == ENOENT || err == ENOTDIR || err == ELOOP ? kErrorPathNotFound : ErrorFromErrno(err); }

// Resolves every component of `name` but the last beneath its base: the folder's descriptor
// and the path to it in `rel`, the last name in `last` (on-disk spelling when it exists).
long ResolveFolder(const MachinePathName& name, int base, int& folder, std::string& rel, std::string& last) {
  folder = ::openat(base, ".", O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (folder < 0) return FolderError(errno);
  rel.clear();
  for (std::size_t i = 0; i < name.parts.size(); ++i) {
    const std::string& part = name.parts[i];
    const std::string spelled = name.matchCase ? FindEntry(folder, part).value_or(part) : part;
    if (i + 1 == name.parts.size()) {
      last = spelled;
      return kErrorSuccess;
    }
    rel += spelled + "/";
    const int next = OpenBeneath(base, rel, O_PATH | O_DIRECTORY);
    const int err = errno;
    CloseFd(folder);
    if (next < 0) return FolderError(err);
    folder = next;
  }
  return kErrorAccessDenied;
}

std::string BaseName(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string DirName(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? std::string("/") : path.substr(0, slash);
}

// An unconfined host path: a link at the last component is followed, so it stays a link.
long ResolveHost(const std::string& host, int& folder, std::string& last) {
  std::string path = host;
  struct stat st {};
  if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    if (char* real = ::realpath(path.c_str(), nullptr)) {
      path = real;
      std::free(real);
    }
  }
  last = BaseName(path);
  if (last.empty() || last == "." || last == "..") return kErrorAccessDenied;
  folder = ::open(DirName(path).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  return folder < 0 ? FolderError(errno) : kErrorSuccess;
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = ENOSPC;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

}  // namespace

MachinePath::~MachinePath() {
  CloseFd(folder_);
  CloseFd(base_);
}

MachinePath::MachinePath(MachinePath&& other) noexcept
    : folder_(other.folder_), base_(other.base_), rel_(std::move(other.rel_)), name_(std::move(other.name_)),
      host_(std::move(other.host_)), confined_(other.confined_) {
  other.folder_ = -1;
  other.base_ = -1;
}

MachinePath& MachinePath::operator=(MachinePath&& other) noexcept {
  if (this != &other) {
    CloseFd(folder_);
    CloseFd(base_);
    folder_ = other.folder_;
    base_ = other.base_;
    rel_ = std::move(other.rel_);
    name_ = std::move(other.name_);
    host_ = std::move(other.host_);
    confined_ = other.confined_;
    other.folder_ = -1;
    other.base_ = -1;
  }
  return *this;
}

long MachinePath::Resolve(std::string_view path, PathUse use, MachinePath& out) {
  out = MachinePath();
  MachinePathName name;
  if (const long rc = ParseMachinePath(path, use, name); rc != kErrorSuccess) return rc;
  out.host_ = name.host;
  if (name.kind == MachinePathName::Kind::kHost) return ResolveHost(name.host, out.folder_, out.name_);
  if (name.parts.empty()) return kErrorAccessDenied;
  out.confined_ = true;
  out.base_ = ::open(name.base.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (out.base_ < 0) return kErrorPathNotFound;
  const long rc = ResolveFolder(name, out.base_, out.folder_, out.rel_, out.name_);
  out.rel_ += out.name_;
  return rc;
}

bool MachinePath::Stat(struct stat& st) const {
  return ::fstatat(folder_, name_.c_str(), &st, confined_ ? AT_SYMLINK_NOFOLLOW : 0) == 0;
}

int MachinePath::Open(int flags, int mode) const {
  const int extra = O_CLOEXEC | (confined_ ? O_NOFOLLOW : 0);
  return NoEintr([&] { return ::openat(folder_, name_.c_str(), flags | extra, mode); });
}

int MachinePath::OpenFollowing(int flags) const {
  if (!confined_) return Open(flags);
  return OpenBeneath(base_, rel_, flags);
}

MachineFolder::~MachineFolder() { CloseFd(fd_); }

MachineFolder::MachineFolder(MachineFolder&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }

MachineFolder& MachineFolder::operator=(MachineFolder&& other) noexcept {
  if (this != &other) {
    CloseFd(fd_);
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

long MachineFolder::Open(std::string_view path, PathUse use, MachineFolder& out) {
  out = MachineFolder();
  MachinePathName name;
  if (const long rc = ParseMachinePath(path, use, name); rc != kErrorSuccess) return rc;
  if (name.kind == MachinePathName::Kind::kBeneath && name.parts.empty()) {
    out.fd_ = ::open(name.base.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    return out.fd_ < 0 ? FolderError(errno) : kErrorSuccess;
  }
  MachinePath resolved;
  if (const long rc = MachinePath::Resolve(path, use, resolved); rc != kErrorSuccess) return rc;
  return Open(resolved, out);
}

long MachineFolder::Open(const MachinePath& at, MachineFolder& out) {
  out = MachineFolder();
  out.fd_ = at.Open(O_RDONLY | O_DIRECTORY | O_NONBLOCK);
  return out.fd_ < 0 ? FolderError(errno) : kErrorSuccess;
}

long MachineFolder::OpenSub(const std::string& name, MachineFolder& out) const {
  out = MachineFolder();
  out.fd_ = NoEintr([&] { return ::openat(fd_, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC); });
  return out.fd_ < 0 ? FolderError(errno) : kErrorSuccess;
}

std::vector<MachineFolder::Entry> MachineFolder::List() const {
  std::vector<Entry> entries;
  const int fd = ::openat(fd_, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return entries;
  DIR* d = ::fdopendir(fd);
  if (d == nullptr) {
    ::close(fd);
    return entries;
  }
  while (const dirent* e = ::readdir(d)) {
    const std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    bool isFolder = e->d_type == DT_DIR;
    if (e->d_type == DT_UNKNOWN) {
      struct stat st {};
      isFolder = ::fstatat(fd_, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
    }
    entries.push_back({name, isFolder});
  }
  ::closedir(d);
  return entries;
}

long MachineFolder::DeleteFileAt(const std::string& name) const { return DeleteEntryAt(fd_, name); }

long MachineFolder::RemoveFolderAt(const std::string& name) const {
  return ::unlinkat(fd_, name.c_str(), AT_REMOVEDIR) == 0 ? kErrorSuccess : ErrorFromErrno(errno);
}

bool IsHeldAt(int folder, const std::string& name) {
  const int fd = ::openat(folder, name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
  if (fd < 0) return false;
  const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
  ::close(fd);
  return held;
}

long DeleteEntryAt(int folder, const std::string& name) {
  struct stat st {};
  if (::fstatat(folder, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return ErrorFromErrno(errno);
  if (S_ISDIR(st.st_mode)) return kErrorAccessDenied;
  if (S_ISREG(st.st_mode) && (st.st_mode & S_IWUSR) == 0) return kErrorAccessDenied;
  if (S_ISREG(st.st_mode) && IsHeldAt(folder, name)) return kErrorSharingViolation;
  return ::unlinkat(folder, name.c_str(), 0) == 0 ? kErrorSuccess : ErrorFromErrno(errno);
}

long CreateOneFolder(std::string_view path) {
  MachinePath at;
  if (const long rc = MachinePath::Resolve(path, PathUse::kChange, at); rc != kErrorSuccess) return rc;
  return ::mkdirat(at.folder(), at.name().c_str(), 0777) == 0 ? kErrorSuccess : FolderError(errno);
}

long RemoveEmptyFolder(std::string_view path) {
  MachinePath at;
  if (const long rc = MachinePath::Resolve(path, PathUse::kChange, at); rc != kErrorSuccess) return rc;
  return ::unlinkat(at.folder(), at.name().c_str(), AT_REMOVEDIR) == 0 ? kErrorSuccess : FolderError(errno);
}

long CreateMachineFolders(std::string_view path) {
  MachinePathName name;
  if (const long rc = ParseMachinePath(path, PathUse::kChange, name); rc != kErrorSuccess) return rc;
  if (name.kind == MachinePathName::Kind::kHost) {
    std::error_code ec;
    std::filesystem::create_directories(name.host, ec);
    if (ec) return FolderError(ec.value());
    return std::filesystem::is_directory(name.host, ec) ? kErrorSuccess : kErrorAlreadyExists;
  }
  const int base = ::open(name.base.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (base < 0) return kErrorPathNotFound;
  long rc = kErrorSuccess;
  std::string rel;
  int cur = ::openat(base, ".", O_PATH | O_DIRECTORY | O_CLOEXEC);
  for (std::size_t i = 0; i < name.parts.size() && rc == kErrorSuccess; ++i) {
    const std::string spelled = name.matchCase ? FindEntry(cur, name.parts[i]).value_or(name.parts[i]) : name.parts[i];
    if (::mkdirat(cur, spelled.c_str(), 0777) != 0 && errno != EEXIST) rc = FolderError(errno);
    rel += spelled + "/";
    CloseFd(cur);
    if (rc != kErrorSuccess) break;
    cur = OpenBeneath(base, rel, O_PATH | O_DIRECTORY);
    if (cur < 0) rc = errno == ENOTDIR && i + 1 == name.parts.size() ? kErrorAlreadyExists : FolderError(errno);
  }
  CloseFd(cur);
  ::close(base);
  return rc;
}

namespace {

// The host path a descriptor was opened at, as the kernel keeps it; empty when unknown.
std::string DescriptorPath(int fd) {
  char buf[PATH_MAX];
  const ssize_t n = ::readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), buf, sizeof buf - 1);
  return n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : std::string();
}

}  // namespace

std::string ResolvedFilePath(std::string_view path, PathUse use, long& error) {
  MachinePath resolved;
  error = MachinePath::Resolve(path, use, resolved);
  if (error != kErrorSuccess) return {};
  const int fd = resolved.OpenFollowing(O_PATH);
  struct stat st {};
  if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    error = fd < 0 && errno != ENOENT ? ErrorFromErrno(errno) : kErrorFileNotFound;
    if (fd >= 0) ::close(fd);
    return {};
  }
  std::string real = DescriptorPath(fd);
  ::close(fd);
  if (real.empty()) error = kErrorFileNotFound;
  return real;
}

namespace {

// RealFilePath for a file (`file`) or a folder on the way to one.
std::string RealPathOf(std::string_view path, PathUse use, bool file, long& error) {
  MachinePath at;
  error = MachinePath::Resolve(path, use, at);
  if (error == kErrorPathNotFound) {
    // The folder is not there either: the nearest folder that is, with the names below it.
    const auto sep = path.find_last_of("\\/");
    if (sep == std::string_view::npos) return {};
    const std::string folder = RealPathOf(path.substr(0, sep), use, false, error);
    return folder.empty() ? folder : folder + "/" + std::string(path.substr(sep + 1));
  }
  if (error != kErrorSuccess) return {};
  const int fd = at.OpenFollowing(O_PATH);
  if (fd >= 0) {
    struct stat st {};
    const bool fits = ::fstat(fd, &st) == 0 && (file ? S_ISREG(st.st_mode) : S_ISDIR(st.st_mode));
    std::string real = fits ? DescriptorPath(fd) : std::string();
    ::close(fd);
    error = real.empty() ? kErrorFileNotFound : kErrorSuccess;
    return real;
  }
  struct stat st {};
  // Nothing resolved, yet something stands at the name: a link leading nowhere on the drive.
  if (errno != ENOENT || at.Stat(st) || errno != ENOENT) {
    error = kErrorFileNotFound;
    return {};
  }
  std::string real = DescriptorPath(at.folder());
  error = real.empty() ? kErrorPathNotFound : kErrorSuccess;
  return real.empty() ? real : real + "/" + at.name();
}

}  // namespace

std::string RealFilePath(std::string_view path, PathUse use, long& error) {
  error = CheckMachinePath(path, use);
  return error == kErrorSuccess ? RealPathOf(path, use, true, error) : std::string();
}

long ReplaceAt(const MachinePath& path, std::string_view bytes, bool sync, const struct stat* model) {
  struct stat existing {};
  const bool keepMode = model == nullptr && path.Stat(existing) && S_ISREG(existing.st_mode);
  const std::string temp = path.name() + ".~" + std::to_string(::getpid()) + "." + std::to_string(++g_tempCounter);
  const int fd = ::openat(path.folder(), temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0) return ErrorFromErrno(errno);
  bool ok = WriteAll(fd, bytes);
  if (ok && (keepMode || model != nullptr)) ok = ::fchmod(fd, (model != nullptr ? model->st_mode : existing.st_mode) & 07777) == 0;
  if (ok && model != nullptr) {
    const timespec times[2] = {model->st_atim, model->st_mtim};
    ok = ::futimens(fd, times) == 0;
  }
  if (ok && sync) ok = ::fsync(fd) == 0;
  int err = ok ? 0 : errno;
  if (::close(fd) != 0 && ok) {
    ok = false;
    err = errno;
  }
  if (ok && ::renameat(path.folder(), temp.c_str(), path.folder(), path.name().c_str()) != 0) {
    ok = false;
    err = errno;
  }
  if (!ok) {
    ::unlinkat(path.folder(), temp.c_str(), 0);
    return ErrorFromErrno(err);
  }
  if (sync) {
    const int dir = ::openat(path.folder(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
      (void)::fsync(dir);
      ::close(dir);
    }
  }
  return kErrorSuccess;
}

}  // namespace platform
