// TvqLib's registry access and the autorun entry.
#include <optional>

#include "foundation/VqLibUtil.h"
#include "platform/MachineInfo.h"
#include "platform/ProgramInfo.h"
#include "platform/Registry.h"
#include "platform/WinError.h"
#include "platform/WinPath.h"

namespace tessaly::TvqLib {
namespace {

using platform::kErrorFileNotFound;
using platform::kErrorSuccess;
using platform::RegKey;

constexpr const char* kRunKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kRunKey32 = "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run";

platform::RegRoot Root(int aRoot) {
  switch (aRoot) {
    case 0: return platform::RegRoot::ClassesRoot;
    case 1: return platform::RegRoot::CurrentUser;
    case 3: return platform::RegRoot::Users;
    case 4: return platform::RegRoot::CurrentConfig;
    default: return platform::RegRoot::LocalMachine;
  }
}

std::optional<RegKey> OpenForRead(const std::string& aKey, int aRoot) {
  RegKey key;
  if (RegKey::Open(Root(aRoot), aKey, platform::RegAccess::Read, platform::RegView::Default, key) != kErrorSuccess)
    return std::nullopt;
  return key;
}

std::optional<RegKey> OpenForWrite(const std::string& aKey, int aRoot) {
  RegKey key;
  if (RegKey::Open(Root(aRoot), aKey, platform::RegAccess::Write, platform::RegView::Force64, key) != kErrorSuccess)
    return std::nullopt;
  return key;
}

std::string Quoted(const std::string& aKey, const std::string& aName) {
  return "[" + aKey + "]字段“" + aName + "”";
}

// The path the autorun entry starts: what Windows would show for the program file.
std::string AutoStartData() {
  const std::string file = platform::ProgramFile();
  return platform::WindowsPathOf(file).value_or(file) + " -auto";
}

}  // namespace

bool RegExists(const std::string& aKey, const std::string& aName, int aRoot) {
  const auto key = OpenForRead(aKey, aRoot);
  if (!key) return false;
  platform::RegType type{};
  const long rc = key->QueryType(aName, type);
  if (rc == kErrorSuccess) return true;
  if (rc != kErrorFileNotFound)
    Log("判断注册表" + Quoted(aKey, aName) + "是否存在失败：" + platform::SystemErrorText(rc), true);
  return false;
}

std::string RegRead(const std::string& aKey, const std::string& aName, const std::string& aDefValue, int aRoot) {
  const auto key = OpenForRead(aKey, aRoot);
  if (!key) return aDefValue;
  std::string value;
  const long rc = key->ReadString(aName, value);
  if (rc == kErrorSuccess) return value;
  if (rc == kErrorFileNotFound) return std::string();
  Log("读取注册表" + Quoted(aKey, aName) + "值失败：" + platform::SystemErrorText(rc), true);
  return aDefValue;
}

bool RegWrite(const std::string& aKey, const std::string& aName, const std::string& aValue, int aRoot) {
  const auto key = OpenForWrite(aKey, aRoot);
  if (!key) return false;
  const long rc = key->WriteString(aName, aValue);
  if (rc == kErrorSuccess) return true;
  Log("写入注册表" + Quoted(aKey, aName) + "字符串“" + aValue + "”失败：" + platform::SystemErrorText(rc), true);
  return false;
}

bool RegDelete(const std::string& aKey, const std::string& aName, int aRoot) {
  const auto key = OpenForWrite(aKey, aRoot);
  if (!key) return false;
  long rc = key->DeleteValue(aName);
  if (rc == kErrorFileNotFound) rc = kErrorSuccess;
  if (rc == kErrorSuccess) rc = key->DeleteSubKey(aName);
  if (rc == kErrorFileNotFound) rc = kErrorSuccess;
  if (rc == kErrorSuccess) return true;
  Log("删除注册表" + Quoted(aKey, aName) + "失败：" + platform::SystemErrorText(rc), true);
  return false;
}

bool IsWin64() { return platform::IsWin64Machine(); }

bool GetAutoStart(const std::string& aAppName) {
  return RegExists(kRunKey, aAppName, 2) || RegExists(kRunKey32, aAppName, 2);
}

bool SetAutoStart(const std::string& aAppName, bool aIsAutoStart) {
  if (aIsAutoStart) return RegWrite(IsWin64() ? kRunKey32 : kRunKey, aAppName, AutoStartData(), 2);
  bool ok32View = true;
  if (IsWin64()) {
    ok32View = RegDelete(kRunKey32, aAppName, 2);
    if (ok32View) {
      Log("取消开机启动成功[64]");
    } else {
      Log("取消开机启动失败[64]", true);
    }
  }
  const bool okNative = RegDelete(kRunKey, aAppName, 2);
  if (okNative) {
    Log("取消开机启动成功[32]");
  } else {
    Log("取消开机启动失败[32]", true);
  }
  // A value left in either key would still start the program.
  return ok32View && okNative;
}

}  // namespace tessaly::TvqLib
