#include "platform/MachineInfo.h"

#include <unistd.h>

#include <climits>
#include <cstdlib>

#include "platform/MachineRoot.h"
#include "platform/Profile.h"

namespace platform {
namespace {

std::string Setting(const char* key, const char* def) {
  return GetPrivateProfileString("Machine", key, def, MachineRoot() + "/machine.ini");
}

int IntSetting(const char* key, int def) {
  const std::string text = Setting(key, "");
  char* end = nullptr;
  const long v = std::strtol(text.c_str(), &end, 10);
  return (text.empty() || *end != '\0') ? def : static_cast<int>(v);
}

}  // namespace

bool IsWin64Machine() { return IntSetting("Win64", 1) != 0; }

bool IsAdministrator() { return IntSetting("Admin", 1) != 0; }

WindowsVersion GetWindowsVersion() {
  WindowsVersion v;
  v.productName = Setting("ProductName", "Windows 10 Pro");
  v.currentVersion = Setting("CurrentVersion", "6.3");
  v.major = IntSetting("MajorVersion", 10);
  v.minor = IntSetting("MinorVersion", 0);
  v.build = IntSetting("CurrentBuild", 19045);
  v.productType = IntSetting("ProductType", 1);
  v.suiteMask = IntSetting("SuiteMask", 0x100);
  v.servicePack = IntSetting("ServicePack", 0);
  v.serverR2 = IntSetting("ServerR2", 0);
  return v;
}

WindowsVersion GetLegacyWindowsVersion() {
  WindowsVersion v = GetWindowsVersion();
  if (v.major > 6 || (v.major == 6 && v.minor > 2)) {
    v.major = 6;
    v.minor = 2;
    v.build = 9200;
  }
  return v;
}

int NativeProcessorArchitecture() { return IsWin64Machine() ? 9 : 0; }

DotNetSetup GetDotNetSetup() {
  DotNetSetup d;
  d.release4 = IntSetting("DotNet4Release", 528040);
  d.legacy35 = IntSetting("DotNet35", 0) != 0;
  return d;
}

std::string ComputerName() {
  char buf[HOST_NAME_MAX + 1] = {};
  if (::gethostname(buf, sizeof buf - 1) != 0) return std::string();
  std::string name(buf);
  if (name.size() > 15) name.resize(15);
  return name;
}

}  // namespace platform
