// The uninstall flow: removes the files of the modules marked for removal, keeps every group a
// remaining module still uses, runs the uninstall actions, deletes the removed modules' shortcuts
// and then rewrites the stored module list or, when nothing is left, removes the uninstall entry.
#include <unistd.h>

#include <exception>

#include "platform/FileOps.h"
#include "platform/MachinePath.h"
#include "platform/TextCodec.h"
#include "platform/WinPath.h"
#include "setup/core/ConfigRecords.h"
#include "setup/core/FileTargets.h"
#include "setup/core/InstallItemsText.h"
#include "setup/core/SetupFiles.h"
#include "setup/core/SetupLog.h"
#include "setup/core/SetupUi.h"
#include "setup/core/TagValue.h"
#include "setup/core/VqApp.h"
#include "setup/core/VqLang.h"
#include "setup/core/VqLib.h"
#include "setup/core/WinPathText.h"

namespace orvane {
namespace {

constexpr int kStatusPauseMs = 300;
constexpr int kAfterKillMs = 300;

// A line put by name: a name already listed (without case) takes the new line where it stands.
void PutByName(TLineList& list, const std::string& line) {
  const std::string name = LineName(line);
  for (std::string& existing : list) {
    if (platform::SameText(LineName(existing), name)) {
      existing = line;
      return;
    }
  }
  list.push_back(line);
}

// Only an empty folder goes, and never a drive's root: here a drive exists only while its
// folder does.
void RemoveFolderWhenEmpty(const std::string& folder) {
  int files = 0;
  TvqLib::CountFiles(files, folder);
  if (files == 0 && folder.size() > 3) (void)platform::RemoveEmptyFolder(folder);
}

void StepProgress() {
  IProgress& progress = GetProgress();
  progress.SetPosition(progress.GetPosition() + 1);
}

// Ends a running program that is about to be deleted: only a process of this very file, and
// never the running setup program.
void EndProgramOf(TvqApp& app, const std::string& file, const std::string& fileName) {
  if (!platform::SameText(ExtractFileExt(file), ".exe") || platform::SameText(file, ProgramPath()) ||
      !TvqLib::IsProgramRunning(file))
    return;
  const TvqLang& lang = app.Lang();
  app.ShowSetupStatus(lang.GetText("IDS_CHECK,IDS_APP") + fileName + lang.GetText("IDS_RUNNING") + "," +
                          lang.GetText("IDS_CLOSING") + "...",
                      0);
  (void)TvqLib::KillProgram(file);
  TvqLib::Delay(kAfterKillMs);
}

// The stored module list with every module removed now flagged "setup:0". An empty stored list
// counts every module as installed, so the rebuild starts from the module list, all installed.
TLineList RemainingItems(TvqApp& app) {
  TLineList stored = SplitCommaText(app.ReadInstallItems());
  if (stored.empty()) {
    for (const std::string& line : app.ModuleList)
      stored.push_back(LineName(line) + "=" + SetTagValue(LineValue(line), "setup:", ';', "1"));
  }
  TLineList result;
  for (const std::string& line : stored) {
    const std::string name = LineName(line);
    if (name.empty()) {
      result.push_back(line);
      continue;
    }
    const auto current = FindLineValue(app.ModuleList, name);
    const bool removed = current && ParseModuleLine(name + "=" + *current).setup;
    PutByName(result, removed ? name + "=" + SetTagValue(LineValue(line), "setup:", ';', "0") : line);
  }
  return result;
}

bool AnyInstalled(const TLineList& items) {
  for (const std::string& line : items) {
    if (ParseModuleLine(line).setup) return true;
  }
  return false;
}

}  // namespace

TLineList TvqApp::GroupsToRemove(bool removeSelected) {
  TLineList groups, removal, kept;
  ReadConfigSection("file_group", groups);
  for (const std::string& line : ModuleList) {
    const TModuleRecord module = ParseModuleLine(line);
    if (!IsModuleInstalled(module.key)) continue;
    TLineList moduleGroups;
    ReadConfigSection(module.key + "_filegroup", moduleGroups);
    for (const std::string& id : ModuleGroupIds(moduleGroups)) {
      const auto record = FindLineValue(groups, id);
      if (record) PutByName(module.setup == removeSelected ? removal : kept, id + "=" + *record);
    }
  }
  for (std::string& line : removal) {
    if (FindLineValue(kept, LineName(line))) line = LineName(line) + "= ";
  }
  return removal;
}

bool TvqApp::RunUninstall(std::string& error) {
  ClearFailedFiles();
  const TvqLang& lang = Lang();
  const std::string waiting = "," + lang.GetText("IDS_PLEASEWAITING") + "...";
  ShowSetupStatus(lang.GetText("IDS_READY,IDS_UNINSTALL") + waiting, kStatusPauseMs);
  IProgress& progress = GetProgress();
  progress.SetPosition(0);

  const TLineList removal = GroupsToRemove(true);
  int files = 0;
  for (const std::string& line : removal) files += CountConfigSection(LineName(line) + "_files");
  progress.SetMax(files);
  progress.SetPosition(0);

  if (CollectUninstallExecs() > 0) {
    ShowSetupStatus(lang.GetText("IDS_RUNNING,IDS_UNINSTALL,IDS_TASK") + waiting, kStatusPauseMs);
    (void)RunUninstallExecs();
  }

  for (const std::string& line : removal) {
    if (platform::TrimBlanks(LineValue(line)).empty()) continue;
    const TFileGroupRecord group = ParseFileGroupLine(line);
    (void)UninstallFileGroup(error, group.group_title, group.group_name, group.key);
  }

  const TLineList remaining = RemainingItems(*this);

  for (const std::string& line : ModuleList) {
    const TModuleRecord module = ParseModuleLine(line);
    if (!module.setup) continue;
    ShowSetupStatus(module.Caption() + lang.GetText("IDS_DELETEDESKTOPICON") + "...", 0);
    DeleteDesktopShortcuts(module.key);
    ShowSetupStatus(module.Caption() + lang.GetText("IDS_DELETESTARTMENU") + "...", 0);
    DeleteStartMenuShortcuts(module.key);
  }

  if (AnyInstalled(remaining))
    SaveInstallItems(JoinCommaText(remaining));
  else
    RemoveUninstallEntry();
  // The entry tells what is left either way: the flow ends well, and the user learns which files
  // stayed from its error text.
  (void)ReportFailedFiles(error, lang.GetText("IDS_UNINSTALL"));
  return true;
}

// A file that is refused or cannot be deleted is counted in FailedFiles and named in the
// flow's closing report; the group goes on.
bool TvqApp::UninstallFileGroup(std::string& error, const std::string& groupTitle, const std::string& /*groupName*/,
                                const std::string& groupId) {
  const TvqLang& lang = Lang();
  const std::string failedText = lang.GetText("IDS_UNINSTALL,IDS_FILE,IDS_FIALED");
  const auto failed = [&](const std::string& file, const std::string& logEntry) {
    WriteSetupLog(logEntry);
    error = failedText + ":" + file;
    ShowSetupStatus(error, 0);
    NoteFailedFile(file);
  };
  std::string lastFolder;
  ShowSetupStatus(lang.GetText("IDS_UNINSTALL") + groupTitle + "," + lang.GetText("IDS_PLEASEWAITING") + "...",
                  kStatusPauseMs);
  TLineList lines;
  ReadConfigSection(groupId + "_files", lines);
  for (const std::string& line : lines) {
    // The fields are read from the lower-cased record; the source path keeps its case.
    const TFileRecord record = ParseFileLine(LineName(line) + "=" + platform::AsciiLower(LineValue(line)));
    if (!record.tag_uninstall) continue;
    const std::string fileName = record.TargetFileName();
    const std::string file = TvqLib::ReplaceAllText(ExpandPathPlaceholders(record.dst_path) + fileName, "\\\\", "\\");
    try {
      if (!IsSafeTarget(FolderOf(file), fileName)) {
        // Never delete outside the folder a record names, whatever the record says.
        failed(file, "拒绝卸载文件，路径不安全：" + file);
      } else {
        ShowSetupStatus(lang.GetText("IDS_UNINSTALL") + ":" + TvqLib::EllipsisText(file, 16, 36), 0);
        if (FileExists(file)) {
          EndProgramOf(*this, file, fileName);
          if (platform::DeleteFile(file) != 0) failed(file, "卸载文件失败：" + file);
        }
        // A folder is looked at once, right after its first file of the group.
        if (FolderOf(file) != lastFolder) {
          lastFolder = FolderOf(file);
          RemoveFolderWhenEmpty(lastFolder);
        }
      }
    } catch (const std::exception& e) {
      error = failedText + ":" + e.what() + "," + lang.GetText("IDS_FILE") + ":" + file;
      ShowSetupStatus(failedText + ":" + TvqLib::EllipsisText(file, 8, 16), 0);
      WriteSetupLog("卸载文件失败：" + file + "，出错：" + e.what());
      NoteFailedFile(file);
    }
    StepProgress();
    TvqLib::Delay(Main.AppInstalFileSleeptime);
  }
  return true;
}

}  // namespace orvane
