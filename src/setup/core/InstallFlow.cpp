// The install flow and its two front ends: change (remove the groups of deselected modules,
// then install in mode 1) and repair (install again in mode 2). Every step runs on the UI
// thread; only the payload package is written by a package thread while the flow polls.
#include "platform/Drives.h"
#include "platform/TextCodec.h"
#include "setup/core/ConfigRecords.h"
#include "setup/core/MessagePump.h"
#include "setup/core/SetupLog.h"
#include "setup/core/SetupUi.h"
#include "setup/core/TagValue.h"
#include "setup/core/VqApp.h"
#include "setup/core/VqLang.h"
#include "setup/core/VqLib.h"
#include "setup/core/VqSign.h"

namespace orvane {
namespace {

constexpr int kPackagePolls = 3600;
constexpr int kPackagePollMs = 300;
constexpr int kStatusPauseMs = 300;
constexpr int kMaxDots = 6;

// Sets the value of the line named `name` (without case), appending a line when there is none;
// an empty value removes the line.
void SetLineValue(TLineList& list, const std::string& name, const std::string& value) {
  for (auto it = list.begin(); it != list.end(); ++it) {
    if (!platform::SameText(LineName(*it), name)) continue;
    if (value.empty()) {
      list.erase(it);
    } else {
      *it = name + "=" + value;
    }
    return;
  }
  if (!value.empty()) list.push_back(name + "=" + value);
}

// Every "<app_path>" (any case) replaced by `folder`, then runs of "\" folded to one.
std::string PutInstallFolder(const std::string& text, const std::string& folder) {
  const std::string token = "<app_path>";
  const std::string lower = platform::AsciiLower(text);
  std::string out;
  std::size_t from = 0;
  for (std::size_t at = lower.find(token); at != std::string::npos; at = lower.find(token, from)) {
    out += text.substr(from, at - from) + folder;
    from = at + token.size();
  }
  out += text.substr(from);
  return TvqLib::ReplaceAllText(out, "\\\\", "\\");
}

}  // namespace

std::string TvqApp::ModeTitle(std::uint32_t mode) const {
  if (mode == kModeChange) return lang_->GetText("IDS_CHANGE");
  if (mode == kModeRepair) return lang_->GetText("IDS_REPAIR");
  return lang_->GetText("IDS_INSTALL");
}

bool TvqApp::RunInstall(std::string& error, std::uint32_t mode) {
  ClearFailedFiles();
  return InstallSteps(error, mode);
}

bool TvqApp::RunChange(std::string& error) {
  ClearFailedFiles();
  ShowSetupStatus(Lang().GetText("IDS_READY,IDS_UNINSTALL,IDS_UNNEED,IDS_APP_ITEM") + "," +
                      Lang().GetText("IDS_PLEASEWAITING") + "...",
                  kStatusPauseMs);
  GetProgress().SetPosition(0);
  for (const std::string& line : GroupsToRemove(false)) {
    if (platform::TrimBlanks(LineValue(line)).empty()) continue;
    const TFileGroupRecord group = ParseFileGroupLine(line);
    (void)UninstallFileGroup(error, group.group_title, group.group_name, group.key);
  }
  for (const std::string& line : ModuleList) {
    const std::string record = LineValue(line);
    if (record.find("setup:") == std::string::npos || GetTagValue(record, "setup:", ';') != "0") continue;
    const TModuleRecord module = ParseModuleLine(line);
    ShowSetupStatus(module.Caption() + Lang().GetText("IDS_DELETEDESKTOPICON") + "...", 0);
    DeleteDesktopShortcuts(module.key);
    ShowSetupStatus(module.Caption() + Lang().GetText("IDS_DELETESTARTMENU") + "...", 0);
    DeleteStartMenuShortcuts(module.key);
  }
  return InstallSteps(error, kModeChange);
}

bool TvqApp::RunRepair(std::string& error) {
  ClearFailedFiles();
  return InstallSteps(error, kModeRepair);
}

bool TvqApp::InstallSteps(std::string& error, std::uint32_t mode) {
  // Extraction reads the mode: a repair goes on past files it cannot extract.
  Mode = mode;
  const std::string modeTitle = ModeTitle(mode);
  (void)platform::CreateFolderTree(InstallPath);
  (void)platform::CreateFolderTree(TempPath);
  GetProgress().SetPosition(0);
  if (!WritePayloadPackage(error) || !OpenPackFiles(error)) return false;
  OfferUpgradeMode();

  if (!UpgradeMode && (Main.AppDotNetVer == "35" || Main.AppDotNetVer == "40")) {
    ShowSetupStatus(Lang().GetText("IDS_CHECKING") + ".NetFarmework...", kStatusPauseMs);
    if (!CheckDotNet(error)) return false;
  }
  if (!UpgradeMode) {
    ShowSetupStatus(Lang().GetText("IDS_RUNNING") + modeTitle + Lang().GetText("IDS_TASK") + "," +
                        Lang().GetText("IDS_PLEASEWAITING") + "...",
                    kStatusPauseMs);
    (void)CollectInstallExecs();
    if (!RunInstallExecs(mode, error)) return false;
  }

  CollectInstallGroups();
  // The maximum counts the files that an upgrade passes over as well.
  int files = 0;
  for (const std::string& line : SelectedGroups) files += CountConfigSection(LineName(line) + "_files");
  GetProgress().SetMax(files);
  GetProgress().SetPosition(0);

  TLineList groups;
  ReadConfigSection("file_group", groups);
  for (const std::string& line : SelectedGroups) {
    const std::string id = LineName(line);
    const auto record = FindLineValue(groups, id);
    if (!record) continue;
    const TFileGroupRecord group = ParseFileGroupLine(id + "=" + *record);
    if (UpgradeMode && !group.group_updata) continue;
    if (!InstallFileGroup(error, mode, modeTitle, id, group.group_name, group.group_title)) return false;
  }

  if (!UpgradeMode && Main.AppMsyhfont == "1") {
    ShowSetupStatus(Lang().GetText("IDS_INSTALLING,IDS_FONT") + "," + Lang().GetText("IDS_PLEASEWAITING") + "...",
                    kStatusPauseMs);
    InstallFonts();
  }
  if (!UpgradeMode) {
    std::string uninstallerError;
    if (!ExtractUninstaller(uninstallerError)) {
      error = uninstallerError;
      return false;
    }
    // A repair goes on without the uninstaller it could not extract, and says so at the end.
    if (!uninstallerError.empty()) {
      WriteSetupLog(modeTitle + "提取卸载程序失败：" + uninstallerError);
      NoteFailedFile("Uninstall" + Main.AppId + ".exe");
    }
  }
  WriteUninstallEntry();
  CreateAllShortcuts();
  // Files that were not placed leave a registered product: the flow still ends well, so the
  // wizard configures and finishes it, and the closing report tells the user.
  if (ReportFailedFiles(error, modeTitle)) ShowSetupStatus(Lang().GetText("IDS_APP,IDS_INSTALL,IDS_SUCCESS") + ".", 0);
  return true;
}

// The payload package is written to the cache by a package thread; the flow polls its status
// word (about 0.6 s a pass, some 36 minutes at most).
bool TvqApp::WritePayloadPackage(std::string& error) {
  const std::string writing =
      Lang().GetText("IDS_OUTPUTING,IDS_INSTALL,IDS_PACKAGE") + "," + Lang().GetText("IDS_PLEASEWAITING");
  ShowSetupStatus(writing, kStatusPauseMs);
  Sign().SetValue(-1);
  StartPackThread("soft_pack_files", PackFile);
  for (int poll = 0, dots = 0; poll < kPackagePolls; ++poll, dots = dots == kMaxDots ? 0 : dots + 1) {
    ProcessMessages();
    GetClock().SleepMs(kPackagePollMs);
    if (Sign().GetValue() > 1) {
      ShowSetupStatus(Lang().GetText("IDS_INSTALL,IDS_PACKAGE,IDS_OUTPUT,IDS_SUCCESS") + ".", kStatusPauseMs);
      return true;
    }
    ShowSetupStatus(writing + TvqLib::RepeatText(".", dots), kStatusPauseMs);
  }
  error =
      Lang().GetText("IDS_OUTPUT,IDS_INSTALL,IDS_PACKAGE,IDS_FIALED") + "," + Lang().GetText("IDS_PLEASERETRY") + "...";
  ShowSetupStatus(error, 1500);
  return false;
}

// While the product's main program runs, the user may choose the upgrade mode, which leaves
// the product running and places only the files marked for upgrades.
void TvqApp::OfferUpgradeMode() {
  if (Main.AppUpdataModel != "1" || Main.AppMainSvrFileName.empty()) return;
  if (Main.AppMainSvrFileName.find("<app_path>") != std::string::npos)
    Main.AppMainSvrFileName = PutInstallFolder(Main.AppMainSvrFileName, InstallPath);
  if (!TvqLib::IsProgramRunning(Main.AppMainSvrFileName)) return;
  if (TvqLib::QueryBox(Lang().GetText("IDS_ISUSEUPDATAMODEL"), Lang().GetText("IDS_DAILOG_QUERY")) != kAnswerYes)
    return;
  UpgradeMode = true;
  Main.AppUpdataPath = ExpandPathPlaceholders(Main.AppUpdataPath);
}

void TvqApp::CreateAllShortcuts() {
  for (const std::string& line : ModuleList) {
    const std::string key = LineName(line);
    ShowSetupStatus(key + Lang().GetText("IDS_CREATEDESKTOPICON") + "...", 0);
    CreateDesktopShortcuts(key);
    ShowSetupStatus(key + Lang().GetText("IDS_CREATESTARTMENU") + "...", 0);
    CreateStartMenuShortcuts(key);
  }
  ShowSetupStatus(Lang().GetText("IDS_CREATEDESKTOPICON") + "...", 0);
  CreateDesktopShortcuts("");
  ShowSetupStatus(Lang().GetText("IDS_CREATESTARTMENU") + "...", 0);
  CreateStartMenuShortcuts("");
}

void TvqApp::CollectInstallGroups() {
  SelectedGroups.clear();
  for (const std::string& line : ModuleList) {
    const TModuleRecord module = ParseModuleLine(line);
    if (module.setup) (void)CollectModuleGroups(module.key, SelectedGroups);
  }
}

int TvqApp::CollectModuleGroups(const std::string& moduleKey, TLineList& list) {
  TLineList groups, moduleGroups;
  ReadConfigSection("file_group", groups);
  ReadConfigSection(moduleKey + "_filegroup", moduleGroups);
  int count = 0;
  for (const std::string& id : ModuleGroupIds(moduleGroups)) {
    const auto record = FindLineValue(groups, id);
    if (!record) continue;
    ++count;
    // A group without a name is taken off the list: it is never installed.
    SetLineValue(list, id, ParseFileGroupLine(id + "=" + *record).group_name);
  }
  return count;
}

std::int64_t TvqApp::GetGroupFileSize(const std::string& groupId) {
  TLineList groups;
  ReadConfigSection("file_group", groups);
  const auto record = FindLineValue(groups, groupId);
  return record ? ParseFileGroupLine(groupId + "=" + *record).filesize : 0;
}

}  // namespace orvane
