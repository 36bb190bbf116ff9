// INI and registry helpers of the setup library; the root key is given by its name.
#include "platform/Profile.h"
#include "platform/Registry.h"
#include "platform/TextCodec.h"
#include "platform/WinError.h"
#include "setup/core/RegistryRead.h"
#include "setup/core/VqLib.h"

namespace orvane {
namespace {

using platform::RegAccess;
using platform::RegKey;
using platform::RegRoot;
using platform::RegView;

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
  const std::string value = ReadNamedRegValue(rootName, key, valueName, RegView::Default);
  return value.empty() ? def : value;
}

int TvqLib::ReadRegInt(const std::string& rootName, const std::string& key, const std::string& valueName, int def) {
  const auto root = RegRootByName(rootName);
  RegKey k;
  std::uint32_t value = 0;
  // Read-only, so a user who may not write the machine's keys still reads them.
  if (!root || RegKey::Open(*root, key, RegAccess::Read, RegView::Force64, k) != platform::kErrorSuccess ||
      k.ReadDword(valueName, value) != platform::kErrorSuccess)
    return def;
  return static_cast<int>(value);
}

bool TvqLib::WriteRegValue(const std::string& rootName, const std::string& key, const std::string& valueName,
                           const std::string& value) {
  const auto root = RegRootByName(rootName);
  RegKey k;
  if (!root || RegKey::Create(*root, key, RegView::Force64, k) != platform::kErrorSuccess) return false;
  const long rc = k.WriteString(valueName, value);
  if (rc != platform::kErrorSuccess) throw EVqLibError(platform::SystemErrorText(rc));
  return true;
}

bool TvqLib::DeleteRegKey(const std::string& rootName, const std::string& key) {
  const auto root = RegRootByName(rootName);
  // The key goes in the view its subkeys were found in, so no empty key is left behind.
  return root && RegKey::DeleteKey(*root, key, RegView::Force64) == platform::kErrorSuccess;
}

// The setup program is a 32-bit program: on 64-bit Windows its autorun values belong to the
// 32-bit view's Run key; 32-bit Windows has no such key and reads the plain one.
void TvqLib::SetAutoRun(const std::string& valueName, const std::string& value) {
  const std::string key = IsWin64() ? "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run"
                                    : "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
  (void)WriteRegValue("HKEY_LOCAL_MACHINE", key, valueName, value);
}

std::string TvqLib::GetShellFolder(const std::string& valueName) {
  const std::string key = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
  RegKey k;
  std::string value;
  if (RegKey::Open(RegRoot::LocalMachine, key, RegAccess::Write, RegView::Default, k) == platform::kErrorSuccess ||
      RegKey::Open(RegRoot::LocalMachine, key, RegAccess::Read, RegView::Default, k) == platform::kErrorSuccess) {
    if (k.ReadString(valueName, value) != platform::kErrorSuccess) value.clear();
  }
  if (value.empty()) value = ReadRegString(RegRoot::CurrentUser, key, valueName, RegView::Default);
  while (!value.empty() && value.back() == '\\') value.pop_back();
  return value;
}

}  // namespace orvane
