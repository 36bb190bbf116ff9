#include "platform/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/MachinePath.h"
#include "platform/WinError.h"

namespace platform {
namespace {

bool IsReadOnlyAt(const MachinePath& at) {
  struct stat st {};
  if (!at.Stat(st) || S_ISLNK(st.st_mode)) return false;
  return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::faccessat(at.folder(), at.name().c_str(), W_OK, 0) != 0;
}

}  // namespace

bool IsReadOnlyFile(const std::string& path) {
  MachinePath at;
  return MachinePath::Resolve(path, PathUse::kRead, at) == kErrorSuccess && IsReadOnlyAt(at);
}

long ReplaceFileContents(const std::string& path, std::string_view bytes) {
  MachinePath at;
  if (const long rc = MachinePath::Resolve(path, PathUse::kChange, at); rc != kErrorSuccess) return rc;
  if (IsReadOnlyAt(at)) return kErrorAccessDenied;
  return ReplaceAt(at, bytes, true);
}

}  // namespace platform
