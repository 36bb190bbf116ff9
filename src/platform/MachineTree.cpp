#include "platform/MachineTree.h"

#include <fcntl.h>
#include <unistd.h>

#include <climits>
#include <vector>

#include "platform/FileOps.h"
#include "platform/WinError.h"

namespace platform {
namespace {

void DeleteContents(const MachineFolder& dir, const TreeFileRemover& removeFile) {
  std::vector<std::string> subfolders;
  for (const MachineFolder::Entry& entry : dir.List()) {
    if (entry.isFolder) {
      subfolders.push_back(entry.name);
    } else {
      removeFile(dir, entry.name);
    }
  }
  for (const std::string& name : subfolders) {
    MachineFolder sub;
    if (dir.OpenSub(name, sub) == kErrorSuccess) DeleteContents(sub, removeFile);
    (void)dir.RemoveFolderAt(name);
  }
}

std::string RealPathOf(int fd) {
  char buf[PATH_MAX];
  const ssize_t n = ::readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), buf, sizeof buf - 1);
  return n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : std::string();
}

}  // namespace

long DeleteMachineTree(std::string_view path, const TreeFileRemover& removeFile, const TreeGuard& guard) {
  std::string trimmed(path);
  while (trimmed.size() > 3 && (trimmed.back() == '\\' || trimmed.back() == '/')) trimmed.pop_back();
  MachinePath at;
  if (const long rc = MachinePath::Resolve(trimmed, PathUse::kChange, at); rc != kErrorSuccess) return rc;
  struct stat st {};
  if (!at.Stat(st)) return kErrorPathNotFound;
  if (S_ISLNK(st.st_mode)) return ::unlinkat(at.folder(), at.name().c_str(), 0) == 0 ? kErrorSuccess : kErrorAccessDenied;
  MachineFolder dir;
  if (const long rc = MachineFolder::Open(at, dir); rc != kErrorSuccess) return rc;
  if (guard && !guard(RealPathOf(dir.fd()))) return kErrorAccessDenied;
  DeleteContents(dir, removeFile);
  (void)::unlinkat(at.folder(), at.name().c_str(), AT_REMOVEDIR);
  return kErrorSuccess;
}

}  // namespace platform
