// What a fresh registry store holds: the keys and values our programs expect any Windows
// machine to have.
#include <string>

#include "platform/MachineInfo.h"
#include "platform/MachineRoot.h"
#include "platform/RegistryStore.h"
#include "platform/WinError.h"

namespace platform::regstore {
namespace {

long Key(Connection& c, RegRoot root, const std::string& path, std::int64_t& id) {
  return Resolve(c, RootId(root), SplitKeyPath(path), true, id);
}

// The machine-wide keys, seeded once under `software` ("SOFTWARE" or its 32-bit view).
long SeedMachine(Connection& c, const std::string& software, const WindowsVersion& v) {
  std::int64_t id = 0;
  long rc = Key(c, RegRoot::LocalMachine, software + "\\Microsoft\\Windows\\CurrentVersion\\Run", id);
  if (rc == kErrorSuccess)
    rc = Key(c, RegRoot::LocalMachine, software + "\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", id);
  for (const KnownFolder& f : KnownFolders()) {
    if (rc == kErrorSuccess && f.machineValue != nullptr)
      rc = PutValue(c, id, f.machineValue, kTypeString, f.windowsPath, 0);
  }
  if (rc == kErrorSuccess) rc = Key(c, RegRoot::LocalMachine, software + "\\Microsoft\\Windows NT\\CurrentVersion", id);
  const std::string build = std::to_string(v.build);
  if (rc == kErrorSuccess) rc = PutValue(c, id, "ProductName", kTypeString, v.productName, 0);
  if (rc == kErrorSuccess) rc = PutValue(c, id, "CurrentVersion", kTypeString, v.currentVersion, 0);
  if (rc == kErrorSuccess) rc = PutValue(c, id, "CurrentBuild", kTypeString, build, 0);
  if (rc == kErrorSuccess) rc = PutValue(c, id, "CurrentBuildNumber", kTypeString, build, 0);
  if (rc == kErrorSuccess) rc = PutValue(c, id, "CurrentMajorVersionNumber", kTypeDword, {}, v.major);
  if (rc == kErrorSuccess) rc = PutValue(c, id, "CurrentMinorVersionNumber", kTypeDword, {}, v.minor);
  return rc;
}

}  // namespace

long Seed(Connection& c) {
  const WindowsVersion v = GetWindowsVersion();
  long rc = SeedMachine(c, "SOFTWARE", v);
  if (rc == kErrorSuccess && IsWin64Machine()) rc = SeedMachine(c, "SOFTWARE\\Wow6432Node", v);
  std::int64_t id = 0;
  if (rc == kErrorSuccess) rc = Key(c, RegRoot::CurrentUser, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", id);
  // The one user of this machine keeps the public folders as its own.
  if (rc == kErrorSuccess)
    rc = Key(c, RegRoot::CurrentUser, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", id);
  for (const KnownFolder& f : KnownFolders()) {
    if (rc == kErrorSuccess && f.userValue != nullptr) rc = PutValue(c, id, f.userValue, kTypeString, f.windowsPath, 0);
  }
  return rc;
}

}  // namespace platform::regstore
