// INI and registry helpers of the setup library; the root key is given by its name.
#include <optional>

#include "platform/Profile.h"
#include "platform/Registry.h"
#include "platform/TextCodec.h"
#include "platform/WinError.h"
#include "setup/core/VqLib.h"

namespace orvane {
namespace {

using platform::RegAccess;
using platform::RegKey;
using platform::RegRoot;
using platform::RegView;

// HKEY_PERFORMANCE_DATA and HKEY_DYN_DATA exist by name only: nothing opens under them here.
std::optional<RegRoot> RootByName(const std::string& name) {
  if (platform::SameText(name, "HKEY_CLASSES_ROOT")) return RegRoot::ClassesRoot;
  if (platform::SameText(name, "HKEY_CURRENT_USER")) return RegRoot::CurrentUser;
  if (platform::SameText(name, "HKEY_USERS")) return RegRoot::Users;
  if (platform::SameText(name, "HKEY_CURRENT_CONFIG")) return RegRoot::CurrentConfig;
  if (platform::SameText(name, "HKEY_PERFORMANCE_DATA") || platform::SameText(name, "HKEY_DYN_DATA"))
    return std::nullopt;
  return RegRoot::LocalMachine;
}

std::string ReadString(RegRoot root, const std::string& key, const std::string& valueName) {
  RegKey k;
  std::string value;
  if (RegKey::Open(root, key, RegAccess::Read, RegView::Default, k) != platform::kErrorSuccess) return {};
  if (k.ReadString(valueName, value) != platform::kErrorSuccess) value.clear();
  return value;
}

// A bare file name lies in the setup program's folder.
std::string IniPath(const std::string& file) {
  return file.find_first_of("\\/") == std::string::npos ? TvqLib::GetExeFolder() + file : file;
}

}  // namespace

void TvqLib::WriteIniValue(const std::string& file, const std::string& section, const std::string& name,
                           const std::string& value) {
  const std::string path = IniPath(file);
  if (!platform::WritePrivateProfileString(section, name, value, path, platform::ProfileCodePage::Ansi))
    throw EVqLibError("Unable to write to " + path);
}

std::string TvqLib::ReadIniValue(const std::string& file, const std::string& section, const std::string& name,
                                 const std::string& def) {
  return platform::GetPrivateProfileString(section, name, def, IniPath(file), platform::ProfileCodePage::Ansi);
}

std::string TvqLib::ReadRegValue(const std::string& rootName, const std::string& key, const std::string& valueName,
                                 const std::string& def) {
  const auto root = RootByName(rootName);
  std::string value = root ? ReadString(*root, key, valueName) : std::string();
  // The user's copy of a machine value; read where it is, never creating a key.
  if (value.empty() && platform::SameText(rootName, "HKEY_LOCAL_MACHINE"))
    value = ReadString(RegRoot::CurrentUser, key, valueName);
  return value.empty() ? def : value;
}

int TvqLib::ReadRegInt(const std::string& rootName, const std::string& key, const std::string& valueName, int def) {
  const auto root = RootByName(rootName);
  RegKey k;
  std::uint32_t value = 0;
  if (!root || RegKey::Open(*root, key, RegAccess::Write, RegView::Force64, k) != platform::kErrorSuccess ||
      k.ReadDword(valueName, value) != platform::kErrorSuccess)
    return def;
  return static_cast<int>(value);
}

void TvqLib::WriteRegValue(const std::string& rootName, const std::string& key, const std::string& valueName,
                           const std::string& value) {
  const auto root = RootByName(rootName);
  RegKey k;
  if (!root || RegKey::Create(*root, key, RegView::Force64, k) != platform::kErrorSuccess) return;
  const long rc = k.WriteString(valueName, value);
  if (rc != platform::kErrorSuccess) throw EVqLibError(platform::SystemErrorText(rc));
}

bool TvqLib::DeleteRegKey(const std::string& rootName, const std::string& key) {
  const auto root = RootByName(rootName);
  // The key goes in the view its subkeys were found in, so no empty key is left behind.
  return root && RegKey::DeleteKey(*root, key, RegView::Force64) == platform::kErrorSuccess;
}

// The setup program is a 32-bit program: on 64-bit Windows its autorun values belong to the
// 32-bit view's Run key; 32-bit Windows has no such key and reads the plain one.
void TvqLib::SetAutoRun(const std::string& valueName, const std::string& value) {
  const std::string key = IsWin64() ? "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run"
                                    : "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
  WriteRegValue("HKEY_LOCAL_MACHINE", key, valueName, value);
}

std::string TvqLib::GetShellFolder(const std::string& valueName) {
  const std::string key = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
  RegKey k;
  std::string value;
  if (RegKey::Open(RegRoot::LocalMachine, key, RegAccess::Write, RegView::Default, k) == platform::kErrorSuccess ||
      RegKey::Open(RegRoot::LocalMachine, key, RegAccess::Read, RegView::Default, k) == platform::kErrorSuccess) {
    if (k.ReadString(valueName, value) != platform::kErrorSuccess) value.clear();
  }
  if (value.empty()) value = ReadString(RegRoot::CurrentUser, key, valueName);
  while (!value.empty() && value.back() == '\\') value.pop_back();
  return value;
}

}  // namespace orvane
