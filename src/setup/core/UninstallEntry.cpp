// The uninstall entry under HKEY_LOCAL_MACHINE and its mirror file in the install folder, the
// stored module list, the install location, and the uninstaller's self-deletion. The entry lives
// in the 64-bit view; the 32-bit view (Wow6432Node) is only read as a fallback and cleaned up.
#include <exception>

#include "platform/FileOps.h"
#include "platform/Profile.h"
#include "platform/Registry.h"
#include "platform/TextCodec.h"
#include "platform/WinError.h"
#include "setup/core/IniFiles.h"
#include "setup/core/InstallItemsText.h"
#include "setup/core/RegistryRead.h"
#include "setup/core/SafeFileName.h"
#include "setup/core/SetupDateTime.h"
#include "setup/core/SetupFiles.h"
#include "setup/core/SetupLog.h"
#include "setup/core/TagValue.h"
#include "setup/core/VqApp.h"
#include "setup/core/VqLib.h"
#include "setup/core/WinErrorText.h"

namespace orvane {
namespace {

using platform::RegKey;
using platform::RegRoot;
using platform::RegView;

constexpr const char* kMirrorSection = "Uninstall";

// How the closing report names the entry's key.
std::string KeyShown(const TvqApp& app) { return "HKEY_LOCAL_MACHINE\\" + app.UninstallKey(); }

std::uint32_t NumberOr(const std::string& text, std::uint32_t def) {
  if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos) return def;
  return static_cast<std::uint32_t>(std::stoul(text));
}

}  // namespace

std::string TvqApp::UninstallKey() const {
  return "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{" + Main.AppGuid + "}";
}

std::string TvqApp::AppIdRefusal() const {
  return SafeFileName(Main.AppId) ? std::string() : "安装配置有误，AppId不能用作文件名：" + Main.AppId;
}

// An AppId that is no file name names no file (the wizard refuses it at start): the mirror is
// then the Windows folder, which takes no writes, and the uninstaller is not extracted.
std::string TvqApp::MirrorFile() const {
  return AppIdRefusal().empty() ? InstallPath + "Uninstall" + Main.AppId + ".dat" : std::string();
}

// The uninstaller is placed like any file of the product: out of the package into the temporary
// folder, then copied (or moved) into place. A package without it fails; an uninstaller that
// cannot be replaced (held open or running) is noted like any file that could not be placed.
bool TvqApp::ExtractUninstaller(std::string& error) {
  error = AppIdRefusal();
  if (!error.empty()) return false;
  std::string temp;
  if (!ExtractPackFile(error, Main.AppUninstExeFile, false, "", temp)) return false;
  if (error.empty()) {
    std::string placeError;
    (void)PlaceFile(placeError, ModeTitle(Mode), "", temp, InstallPath + "Uninstall" + Main.AppId + ".exe", "1", 0);
  }
  if (!temp.empty()) (void)TvqLib::DeleteFileRetry(temp, 3, 30);
  return true;
}

// Every value goes to the mirror file and to the key on its own, so one refused write loses
// only that value; a failed mirror file or key counts once among the flow's failed files.
void TvqApp::WriteUninstallEntry() {
  TIniFile mirror(MirrorFile());
  RegKey key;
  const bool open = RegKey::Create(RegRoot::LocalMachine, UninstallKey(), RegView::Force64, key) == 0;
  bool mirrorFailed = false;
  bool keyFailed = !open;
  if (!open) WriteSetupLog("写入注册表卸载信息时，打开注册表键失败：" + UninstallKey());
  const auto toMirror = [&](const char* name, const std::string& value) {
    try {
      mirror.WriteString(kMirrorSection, name, value);
    } catch (const std::exception& e) {
      if (!mirrorFailed) WriteSetupLog(std::string("写入卸载信息出错：") + e.what());
      mirrorFailed = true;
    }
  };
  const auto toKey = [&](const char* name, long result) {
    if (result == 0) return;
    WriteSetupLog(std::string("写入注册表卸载信息失败：") + name);
    keyFailed = true;
  };
  const auto text = [&](const char* name, const std::string& value) {
    toMirror(name, value);
    if (open) toKey(name, key.WriteString(name, value));
  };
  const auto textOnce = [&](const char* name, const std::string& value) {
    if (!mirror.ReadString(kMirrorSection, name, "").empty()) return;
    std::string current;
    if (open && key.ReadString(name, current) == 0 && !current.empty()) return;
    text(name, value);
  };
  const auto number = [&](const char* name, std::uint32_t value) {
    toMirror(name, std::to_string(value));
    if (open) toKey(name, key.WriteDword(name, value));
  };
  const std::string uninstaller = InstallPath + "uninstall" + Main.AppId + ".exe";
  const std::string items = JoinCommaText(ModuleList);
  text("ProductGuid", Main.AppGuid);
  text("DisplayIcon", uninstaller);
  text("DisplayName", Main.AppTitle);
  text("DisplayVersion", Main.AppVersion);
  text("Publisher", Main.AppCompany);
  textOnce("RegCompany", "Microsoft");
  textOnce("RegOwner", "Microsoft");
  text("URLInfoAbout", Main.AppHomepage);
  number("Version", 0x010A0000);
  number("MajorVersion", NumberOr(GetTagValue(Main.AppVersion, "", '.'), 1));
  number("MinorVersion", NumberOr(GetTagValue(Main.AppVersion, ".", '.'), 10));
  number("NoRepair", 1);
  number("Language", 2052);
  const TDateParts today = DecodeDateTime(GetClock().Now());
  char date[16];
  std::snprintf(date, sizeof date, "%04d%02d%02d", today.year, today.month, today.day);
  text("InstallDate", date);
  text("InstallLocation", InstallPath);
  text("InstallSource", ProgramPath());
  toMirror("InstallItems", ProfileValueOf(items));
  if (open) toKey("InstallItems", key.WriteString("InstallItems", items));
  text("UninstallString", uninstaller);
  if (mirrorFailed) NoteFailedFile(RelativeToInstallPath(MirrorFile()));
  if (keyFailed) NoteFailedKey(KeyShown(*this));
}

std::string TvqApp::ReadInstallItems() {
  std::string result = JoinCommaText(ModuleList);
  // Read without the INI class's value cut: a long module list must come back whole.
  const std::string stored = platform::GetPrivateProfileString(kMirrorSection, "InstallItems", "", MirrorFile(),
                                                               platform::ProfileCodePage::Ansi);
  if (!stored.empty()) return stored;
  for (const RegView view : {RegView::Force64, RegView::Default}) {
    bool opened = false;
    const std::string value = ReadRegString(RegRoot::LocalMachine, UninstallKey(), "InstallItems", view, &opened);
    if (opened) return value;
  }
  WriteSetupLog("读取注册表安装信息时，打开注册表键失败：" + UninstallKey());
  return result;
}

bool TvqApp::IsModuleInstalled(const std::string& moduleKey) const {
  if (InstalledItems.empty()) return true;
  const auto record = FindLineValue(InstalledItems, moduleKey);
  return record && IsFlagSet(GetTagValue(platform::TrimBlanks(*record), "setup:", ';'));
}

void TvqApp::SaveInstallItems(const std::string& commaText) {
  try {
    TIniFile(MirrorFile()).WriteString(kMirrorSection, "InstallItems", ProfileValueOf(commaText));
  } catch (const std::exception& e) {
    WriteSetupLog(std::string("保存安装信息出错：") + e.what());
    // The mirror file is read first: its stale list would outlive the flow unless the user is told.
    NoteFailedFile(RelativeToInstallPath(MirrorFile()));
  }
  RegKey key;
  if (RegKey::Create(RegRoot::LocalMachine, UninstallKey(), RegView::Force64, key) != 0 ||
      key.WriteString("InstallItems", commaText) != 0) {
    WriteSetupLog("保存注册表安装信息时，打开注册表键失败：" + UninstallKey());
    NoteFailedKey(KeyShown(*this));
  }
}

bool TvqApp::ReadInstallLocation() {
  bool opened = false;
  std::string value =
      ReadRegString(RegRoot::LocalMachine, UninstallKey(), "InstallLocation", RegView::Force64, &opened);
  if (!opened) WriteSetupLog("读取注册表安装路径时，打开注册表键失败：" + UninstallKey());
  if (value.empty()) {
    value = ReadRegString(RegRoot::LocalMachine, UninstallKey(), "InstallLocation", RegView::Default, &opened);
    WriteSetupLog("读取注册表安装路径时，再次读取：" + UninstallKey() + (value.empty() ? "失败" : "成功") +
                  "：Path=" + value);
  }
  if (value.empty()) value = TIniFile(MirrorFile()).ReadString(kMirrorSection, "InstallLocation", "");
  if (value.empty() || !FolderExists(value)) return false;
  InstallPath = TvqLib::IncludeBackslash(value);
  TempPath = InstallPath + "temp\\";
  return true;
}

// Each part goes on its own: the key's location is emptied first, so that a key that survives no
// longer reads as installed; the key of either view and the mirror file that stay are logged and
// named in the flow's closing report.
void TvqApp::RemoveUninstallEntry() {
  RegKey key;
  if (RegKey::Create(RegRoot::LocalMachine, UninstallKey(), RegView::Force64, key) == 0)
    (void)key.WriteString("InstallLocation", "");
  bool keyFailed = false;
  for (const RegView view : {RegView::Force64, RegView::Force32}) {
    RegKey existing;
    if (RegKey::Open(RegRoot::LocalMachine, UninstallKey(), platform::RegAccess::Read, view, existing) != 0) continue;
    const long rc = RegKey::DeleteKey(RegRoot::LocalMachine, UninstallKey(), view);
    if (rc == 0) continue;
    WriteSetupLog("删除注册表卸载信息失败：" + UninstallKey() + "，" + WinErrorText(rc));
    keyFailed = true;
  }
  const std::string mirror = MirrorFile();
  const long rc = mirror.empty() ? platform::kErrorFileNotFound : platform::DeleteFile(mirror);
  if (rc != 0 && rc != platform::kErrorFileNotFound) {
    WriteSetupLog("删除卸载信息文件失败：" + mirror + "，" + WinErrorText(rc));
    NoteFailedFile(RelativeToInstallPath(mirror));
  }
  if (keyFailed) NoteFailedKey(KeyShown(*this));
}

}  // namespace orvane
