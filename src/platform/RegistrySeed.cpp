// What a fresh registry store holds: the keys and values our programs expect any Windows
// machine to have.
#include <initializer_list>
#include <string>
#include <utility>

#include "platform/MachineInfo.h"
#include "platform/MachineRoot.h"
#include "platform/RegistryStore.h"
#include "platform/WinError.h"

namespace platform::regstore {
namespace {

long Key(Connection& c, RegRoot root, const std::string& path, std::int64_t& id) {
  return Resolve(c, RootId(root), SplitKeyPath(path), true, id);
}

long Dwords(Connection& c, const std::string& path, std::initializer_list<std::pair<const char*, int>> values) {
  std::int64_t id = 0;
  long rc = Key(c, RegRoot::LocalMachine, path, id);
  for (const auto& [name, value] : values) {
    if (rc == kErrorSuccess) rc = PutValue(c, id, name, kTypeDword, {}, value);
  }
  return rc;
}

// The .NET Framework setup keys under `software`.
long SeedDotNet(Connection& c, const std::string& software) {
  const DotNetSetup d = GetDotNetSetup();
  const std::string ndp = software + "\\Microsoft\\NET Framework Setup\\NDP\\";
  long rc = kErrorSuccess;
  if (d.release4 > 0) {
    for (const char* sub : {"v4\\Full", "v4\\Client"}) {
      if (rc == kErrorSuccess) rc = Dwords(c, ndp + sub, {{"Install", 1}, {"Servicing", 0}, {"Release", d.release4}});
    }
  }
  if (d.legacy35) {
    if (rc == kErrorSuccess) rc = Dwords(c, ndp + "v2.0.50727", {{"Install", 1}, {"SP", 2}});
    if (rc == kErrorSuccess) rc = Dwords(c, ndp + "v3.0", {{"Install", 1}, {"SP", 2}});
    if (rc == kErrorSuccess) rc = Dwords(c, ndp + "v3.0\\Setup", {{"InstallSuccess", 1}});
    if (rc == kErrorSuccess) rc = Dwords(c, ndp + "v3.5", {{"Install", 1}, {"SP", 1}});
  }
  return rc;
}

// The system keys that tell the kind of Windows and processor.
long SeedSystem(Connection& c, const WindowsVersion& v) {
  std::int64_t id = 0;
  long rc = Key(c, RegRoot::LocalMachine, "SYSTEM\\CurrentControlSet\\Control\\ProductOptions", id);
  const char* type = v.productType == 1 ? "WinNT" : v.productType == 2 ? "LanmanNT" : "ServerNT";
  if (rc == kErrorSuccess) rc = PutValue(c, id, "ProductType", kTypeString, type, 0);
  if (rc == kErrorSuccess)
    rc = Key(c, RegRoot::LocalMachine, "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment", id);
  const char* arch = NativeProcessorArchitecture() == 9 ? "AMD64" : "x86";
  if (rc == kErrorSuccess) rc = PutValue(c, id, "PROCESSOR_ARCHITECTURE", kTypeString, arch, 0);
  if (rc == kErrorSuccess) rc = Key(c, RegRoot::LocalMachine, "SYSTEM\\CurrentControlSet\\Services", id);
  return rc;
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
  if (rc == kErrorSuccess) rc = SeedDotNet(c, software);
  return rc;
}

}  // namespace

long Seed(Connection& c) {
  const WindowsVersion v = GetWindowsVersion();
  long rc = SeedMachine(c, "SOFTWARE", v);
  if (rc == kErrorSuccess && IsWin64Machine()) rc = SeedMachine(c, "SOFTWARE\\Wow6432Node", v);
  if (rc == kErrorSuccess) rc = SeedSystem(c, v);
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
