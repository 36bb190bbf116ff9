// File groups: every configured file of a group taken out of the payload package, checked
// against what is on disk, put into place (and, for the server family, into the update
// folders), with the exec actions of each file around it.
#include <exception>

#include "platform/Drives.h"
#include "platform/TextCodec.h"
#include "setup/core/ConfigRecords.h"
#include "setup/core/FailureReport.h"
#include "setup/core/FileTargets.h"
#include "setup/core/MessagePump.h"
#include "setup/core/SetupFiles.h"
#include "setup/core/SetupLog.h"
#include "setup/core/SetupUi.h"
#include "setup/core/VqApp.h"
#include "setup/core/VqLang.h"
#include "setup/core/VqLib.h"
#include "setup/core/WinPathText.h"

namespace orvane {
namespace {

constexpr int kTempDeleteTries = 3;
constexpr int kTempDeleteMs = 30;
constexpr int kUpdateFolderTries = 3;
constexpr int kUpdateFolderMs = 100;

void StepProgress(int pauseMs) {
  IProgress& progress = GetProgress();
  progress.SetPosition(progress.GetPosition() + 1);
  // A plain pause: the window is served once afterwards.
  GetClock().SleepMs(pauseMs);
  ProcessMessages();
}

// The update folders of a server-family product under `folder` that exist, in the order the
// copies are made. The first that applies of the three layouts decides.
std::vector<std::string> UpdateFolders(const std::string& folder) {
  const std::string patches = folder + "升级补丁\\公共\\";
  if (TvqLib::WaitFolderExists(patches, kUpdateFolderTries, kUpdateFolderMs)) return {patches};
  const bool dinner = TvqLib::WaitFileExists(folder + "vqdinner.exe", kUpdateFolderTries, kUpdateFolderMs);
  const char* const subs[2][2] = {{"ZVQServer\\Updata\\htexe\\", "ZVQServer\\Updata\\pos\\"},
                                  {"Updata\\htexe\\", "Updata\\qtexe\\"}};
  std::vector<std::string> found;
  for (const char* sub : subs[dinner ? 1 : 0])
    if (TvqLib::WaitFolderExists(folder + sub, kUpdateFolderTries, kUpdateFolderMs)) found.push_back(folder + sub);
  return found;
}

}  // namespace

bool TvqApp::InstallFileGroup(std::string& error, std::uint32_t mode, const std::string& modeTitle,
                              const std::string& groupId, const std::string& groupName, const std::string& groupTitle) {
  TLineList lines;
  ReadConfigSection(groupId + "_files", lines);
  for (const std::string& line : lines) {
    try {
      const TFileRecord file = ParseFileLine(line);
      if (UpgradeMode && !file.tag_updata) continue;
      if (!InstallGroupFile(error, mode, modeTitle, groupName, groupTitle, file)) return false;
    } catch (const std::exception& e) {
      error = modeTitle + groupTitle + Lang().GetText("IDS_FILE") + Lang().GetText("IDS_FIALED") + "：" + e.what();
      ShowSetupStatus(error, 0);
      WriteSetupLog(error);
      return false;
    }
  }
  return true;
}

bool TvqApp::InstallGroupFile(std::string& error, std::uint32_t mode, const std::string& modeTitle,
                              const std::string& groupName, const std::string& groupTitle, const TFileRecord& file) {
  const std::string folder = FolderWithBackslash(ExpandPathPlaceholders(file.dst_path));
  const std::string name = file.TargetFileName();
  const std::string target = folder + name;
  const std::string head = modeTitle + groupTitle;
  // A record that would write outside any drive folder, or whose name climbs out of its
  // folder, is refused whole: no action, no extraction.
  if (!IsSafeTarget(folder, name)) {
    WriteSetupLog(head + "目标路径无效，拒绝安装：" + file.sourcePath + "->" + target);
    error = head + Lang().GetText("IDS_FILE,IDS_FIALED") + "：" + target;
    ShowSetupStatus(error, 0);
    NoteFailedFile(target);
    StepProgress(Main.AppInstalFileSleeptime);
    return true;
  }
  std::string ignored;
  (void)RunFileExecs(mode, groupName, ignored, target, 2);
  ShowSetupStatus(head + Lang().GetText("IDS_FILE") + "：" + RelativeToInstallPath(target) + "...", 0);

  std::string temp, extractError;
  if (!ExtractPackFile(extractError, file.sourcePath, false, modeTitle, temp)) {
    error = extractError;
    ShowSetupStatus(error, 0);
    WriteSetupLog(head + "提取文件：" + file.sourcePath + "，失败：" + error);
    return false;
  }
  if (!extractError.empty()) {
    // A repair goes on past a file it could not extract, but never hands an empty or cut
    // temporary file to the placement: the installed file stays as it is.
    if (!temp.empty()) {
      (void)TvqLib::ClearReadOnly(temp);
      (void)TvqLib::DeleteFileRetry(temp, kTempDeleteTries, kTempDeleteMs);
    }
    error = extractError;
    ShowSetupStatus(error, 0);
    WriteSetupLog(head + "提取文件：" + file.sourcePath + "，失败：" + error + "，跳过该文件：" + target);
    // A target that the rule would have kept anyway has lost nothing.
    if (MayWriteTarget(target, file.tag_replace, file.lastwritetime)) NoteFailedFile(RelativeToInstallPath(target));
    StepProgress(Main.AppInstalFileSleeptime);
    return true;
  }

  std::string placeError;
  if (!PlaceFile(placeError, modeTitle, groupTitle, temp, target, file.tag_replace, file.lastwritetime))
    error = placeError;
  if (Main.AppSoftType == "1") {
    std::string copyError;
    if (!CopyToUpdateFolders(copyError, modeTitle, groupTitle, temp, name, folder, file.tag_replace,
                             file.lastwritetime) &&
        !copyError.empty())
      error = copyError;
  }
  (void)TvqLib::DeleteFileRetry(temp, kTempDeleteTries, kTempDeleteMs);
  (void)RunFileExecs(mode, groupName, ignored, target, 3);
  StepProgress(Main.AppInstalFileSleeptime);
  return true;
}

bool TvqApp::PlaceFile(std::string& error, const std::string& modeTitle, const std::string& groupTitle,
                       const std::string& tempFile, const std::string& targetFile, const std::string& replaceRule,
                       TDateTime fileTime) {
  const std::string head = modeTitle + groupTitle;
  const std::string shown = RelativeToInstallPath(targetFile);
  if (!MayWriteTarget(targetFile, replaceRule, fileTime)) return true;

  // Only the program started from this very file is offered for closing, never the setup
  // program itself.
  if (platform::SameText(ExtractFileExt(targetFile), ".exe") && FileExists(targetFile) &&
      !platform::SameText(targetFile, ProgramPath())) {
    try {
      if (TvqLib::IsProgramRunning(targetFile) &&
          TvqLib::QueryBox(Lang().FormatText("IDS_MSG_INSTALL_EXE_FILE_ISRUNING", {targetFile}), "询问") == kAnswerYes)
        (void)TvqLib::KillProgram(targetFile);
    } catch (const std::exception& e) {
      WriteSetupLog(head + "结束进程：" + targetFile + "，出错：" + e.what());
    }
  }

  try {
    (void)platform::CreateFolderTree(FolderOf(targetFile));
    bool placed = TvqLib::CopyFileRetry(tempFile, targetFile);
    if (!placed) {
      WriteSetupLog(head + "拷贝失败：" + tempFile + "到" + targetFile);
      WriteSetupLog(head + "，执行移动文件操作...");
      placed = TvqLib::MoveFileRetry(tempFile, targetFile);
    }
    if (placed) {
      ShowSetupStatus(head + Lang().GetText("IDS_FILE") + "：" + shown, 0);
      WriteInstallLog(head, modeTitle + Lang().GetText("IDS_FILE,IDS_SUCCESS") + "：" + shown);
      return true;
    }
    error = Lang().GetText("IDS_COPY,IDS_FILE,IDS_FIALED");
    ShowSetupStatus(head + Lang().GetText("IDS_FILE") + Lang().GetText("IDS_FIALED") + "：" + shown, 0);
    WriteSetupLog(head + "失败！临时文件：" + tempFile + "，目标文件：" + targetFile);
  } catch (const std::exception& e) {
    error = Lang().GetText("IDS_COPY,IDS_FILE,IDS_ERRO") + "：" + e.what();
    ShowSetupStatus(head + Lang().GetText("IDS_FILE") + Lang().GetText("IDS_ERRO") + "：" + e.what() + "，" + shown, 0);
    WriteSetupLog(head + "安装文件：" + targetFile + "，出错：" + e.what());
  }
  NoteFailedFile(shown);
  return false;
}

bool TvqApp::CopyToUpdateFolders(std::string& error, const std::string& modeTitle, const std::string& groupTitle,
                                 const std::string& tempFile, const std::string& fileName,
                                 const std::string& targetFolder, const std::string& replaceRule, TDateTime fileTime) {
  bool result = false;
  for (const std::string& folder : UpdateFolders(FolderWithBackslash(targetFolder)))
    result = PlaceFile(error, modeTitle, groupTitle, tempFile, folder + fileName, replaceRule, fileTime);
  return result;
}

bool TvqApp::IsFileInInstallList(const std::string& path) {
  TLineList groups;
  ReadConfigSection("file_group", groups);
  for (const std::string& group : groups) {
    TLineList lines;
    ReadConfigSection(LineName(group) + "_files", lines);
    for (const std::string& line : lines) {
      const TFileRecord file = ParseFileLine(line);
      std::string candidate = file.dst_path;
      if (candidate.empty() || candidate.back() != '\\') candidate += '\\';
      if (!platform::SameText(candidate + file.dst_filename, path)) continue;
      const std::string name = file.dst_filename.empty() ? ExtractFileName(path) : file.dst_filename;
      const std::string folder = FolderWithBackslash(ExpandPathPlaceholders(file.dst_path));
      // The placement refuses such a target, so the install never writes it.
      if (!IsSafeTarget(folder, name)) return false;
      return MayWriteTarget(folder + name, file.tag_replace, file.lastwritetime);
    }
  }
  return false;
}

void TvqApp::ClearFailedFiles() {
  FailedFiles = 0;
  failed_.Clear();
}

void TvqApp::NoteFailedFile(const std::string& shownPath) {
  ++FailedFiles;
  failed_.files.push_back(shownPath);
}

void TvqApp::NoteFailedKey(const std::string& shownKey) {
  ++FailedFiles;
  failed_.keys.push_back(shownKey);
}

bool TvqApp::ReportFailedFiles(std::string& error, const std::string& modeTitle) {
  if (FailedFiles <= 0) return true;
  error = FailureReport(Lang(), modeTitle, failed_);
  ShowSetupStatus(error, 0);
  WriteSetupLog(error);
  return false;
}

}  // namespace orvane
