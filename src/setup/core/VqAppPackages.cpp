// The engine's packages: opening the payload and app-files packages with their maps, and
// extracting one file by the source path under which the configuration names it.
#include <exception>

#include "platform/Drives.h"
#include "platform/FileOps.h"
#include "setup/core/MessagePump.h"
#include "setup/core/SafeFileName.h"
#include "setup/core/SetupDateTime.h"
#include "setup/core/SetupFiles.h"
#include "setup/core/SetupLog.h"
#include "setup/core/TagValue.h"
#include "setup/core/VqApp.h"
#include "setup/core/VqLang.h"
#include "setup/core/VqLib.h"
#include "setup/core/VqRes.h"
#include "setup/core/WinErrorText.h"
#include "setup/core/WinPathText.h"
#include "setup/core/ZipPackage.h"

namespace orvane {

bool TvqApp::SaveResourceToFile(std::string& error, const std::string& name, const std::string& file) {
  std::string bytes;
  if (!TvqRes::GetRCData(name, bytes, error)) return false;
  const long rc = platform::WriteFileBytes(file, bytes, false);
  if (rc != 0) error = WinErrorText(rc);
  return rc == 0;
}

bool TvqApp::OpenPackFiles(std::string& error) {
  return OpenPackage(*pack_, packOpen_, PackFile, "soft_pack_files_cfg",
                     "读取压缩包配置GetRCData(soft_pack_files_cfg)出错:", error);
}

bool TvqApp::OpenAppFiles(std::string& error) {
  return OpenPackage(*appFiles_, appFilesOpen_, AppFilesFile, "soft_app_files_cfg",
                     "读取安装资源包GetRCData(soft_app_files_cfg)出错：", error);
}

bool TvqApp::OpenPackage(TZipPackage& package, bool& opened, const std::string& file, const std::string& mapResource,
                         const std::string& mapLogHead, std::string& error) {
  if (!TvqLib::WaitFileExists(file, 60, 100)) {
    error = lang_->GetText("IDS_OUTPUT,IDS_INSTALL,IDS_PACKAGE,IDS_FIALED") + "," + lang_->GetText("IDS_PLEASERETRY") +
            "...";
    ShowSetupStatus(error, 1500);
    return false;
  }
  try {
    ShowSetupStatus(
        lang_->GetText("IDS_READ,IDS_INSTALL,IDS_PACKAGE") + "," + lang_->GetText("IDS_PLEASEWAITING") + "...", 300);
    opened = false;
    for (int attempt = 0; attempt < 11 && !opened; ++attempt) {
      PumpWait(300);
      std::string zipError;
      opened = package.OpenArchive(file, zipError);
      if (!opened) WriteSetupLog("OpenArchive(" + file + ")：" + zipError);
    }
    const std::string mapFile = file + ".cfg";
    if (!TvqRes::GetRCDataToFile(mapResource, mapFile, error)) WriteSetupLog(mapLogHead + error);
    ProcessMessages();
    if (TvqLib::WaitFileExists(mapFile, 3, 1)) package.LoadMap(mapFile);
    ProcessMessages();
    return true;
  } catch (const std::exception& e) {
    error = e.what();
    return false;
  }
}

bool TvqApp::ExtractPackFile(std::string& error, const std::string& source, bool fast, const std::string& prefix,
                             std::string& target) {
  return ExtractFile(*pack_, packOpen_, true, error, source, fast, prefix, target);
}

bool TvqApp::ExtractAppFile(std::string& error, const std::string& source, bool fast, const std::string& prefix,
                            std::string& target) {
  return ExtractFile(*appFiles_, appFilesOpen_, false, error, source, fast, prefix, target);
}

bool TvqApp::ExtractFile(TZipPackage& package, bool& opened, bool payload, std::string& error,
                         const std::string& source, bool fast, const std::string& prefix, std::string& target) {
  const int tries = fast ? 1 : 3;
  const int pause = fast ? 1 : 300;
  // A repair goes on past files it cannot restore; the error text tells which.
  const auto failed = [this] { return Mode == kModeRepair; };
  const std::string retry = lang_->GetText("IDS_PLEASERETRY");
  if (!opened) {
    std::string openError;
    if (!(payload ? OpenPackFiles(openError) : OpenAppFiles(openError))) {
      error = lang_->GetText("IDS_READ,IDS_INSTALL,IDS_PACKAGE,IDS_FIALED") + "：" + openError;
      return false;
    }
  }
  const std::string record = package.MapRecord(source);
  const std::string entry = package.EntryOf(record);
  const std::string fileHead = prefix + lang_->GetText("IDS_FILE") + ExtractFileName(source);

  std::string bytes;
  int count = 0;
  for (int attempt = 1;; ++attempt) {
    try {
      count = package.Extract(entry, bytes);
      break;
    } catch (const std::exception& e) {
      if (attempt == 3) {
        error = prefix + lang_->GetText("IDS_FILE") + entry + lang_->GetText("IDS_OUTPUT,IDS_FIALED") + "：" +
                e.what() + "," + retry;
        return failed();
      }
      PumpWait(pause);
    }
  }
  if (count <= 0) {
    if (payload) {
      WriteSetupLog("提取压缩文件失败[" + std::to_string(count) + "]，源文件：" + source + "，待提取压缩文件：" +
                    entry);
      // A file the configuration names that was never packed: the map has no line for it, or
      // the archive no entry by the map's name.
      WriteSetupLog(record.empty() ? "安装包中没有该文件（文件表中没有）：" + source
                                   : "安装包中没有该文件：" + source + "，压缩包中没有：" + entry);
    }
    error = fileHead + lang_->GetText("IDS_OUTPUT,IDS_FIALED") + "1[" + std::to_string(count) + "]," + retry + "...";
    return failed();
  }
  if (target.empty()) {
    const auto name = SafeFileName(ExtractFileName(entry));
    if (!name) {
      error = fileHead + lang_->GetText("IDS_OUTPUT,IDS_SAVE,IDS_FIALED") + "1：" + entry + "," + retry;
      return failed();
    }
    target = TempPath + *name;
  }
  const std::string folder = FolderOf(target);
  if (!folder.empty() && !TvqLib::WaitFolderExists(folder, tries, pause)) {
    const long rc = platform::CreateFolderTree(folder);
    if (rc != 0) {
      error = fileHead + lang_->GetText("IDS_CREATE,IDS_FOLDER,IDS_FIALED") + "：" + folder + WinErrorText(rc) + "," +
              retry + "...";
      return failed();
    }
  }
  const long rc = platform::WriteFileBytes(target, bytes, false);
  ProcessMessages();
  if (rc != 0) {
    error = fileHead + lang_->GetText("IDS_OUTPUT,IDS_SAVE,IDS_FIALED") + "1：" + WinErrorText(rc) + "," + retry;
    return failed();
  }
  if (!TvqLib::WaitFileExists(target, tries, pause)) {
    error = fileHead + lang_->GetText("IDS_OUTPUT,IDS_SAVE,IDS_FIALED") + "2," + retry + "...";
    return failed();
  }
  return payload ? SetExtractedFileTime(error, source, prefix, record, target) : true;
}

bool TvqApp::SetExtractedFileTime(std::string& error, const std::string& source, const std::string& prefix,
                                  const std::string& record, const std::string& target) {
  const std::string value = GetTagValue(record, "lastwritetime:", ';');
  std::optional<TDateTime> time;
  for (int attempt = 1; attempt <= 3 && !time; ++attempt) {
    time = ParseDateTime(value);
    if (time) break;
    if (attempt < 3) {
      WriteSetupLog("提取安装文件时，提取文件时间" + std::to_string(attempt + 1) + "：" + value + "，文件：" + source);
      continue;
    }
    WriteSetupLog("提取安装文件时，提取文件时间失败：" + value + "，文件：" + source);
    error = prefix + lang_->GetText("IDS_FILE") + ExtractFileName(source) +
            lang_->GetText("IDS_OUTPUT,IDS_SAVE,IDS_FIALED") + "3," + lang_->GetText("IDS_PLEASERETRY") + "...";
    return false;
  }
  ProcessMessages();
  if (*time <= 0) {
    WriteSetupLog("提取安装文件时，未能修改文件时间，时间数据有误，文件：" + target + "，时间：" + value);
    return true;
  }
  for (int attempt = 0; attempt < 4; ++attempt)
    if (TvqLib::SetFileTimes(target, GetClock().Now(), *time)) return true;
  WriteSetupLog("提取安装文件时，修改文件时间出错：设置文件时间失败，文件：" + target + "，时间：" + value);
  return true;
}

bool TvqApp::RequireAppFiles() {
  std::string error = AppIdRefusal();
  if (!error.empty()) {
    WriteSetupLog(error);
  } else if (OpenAppFiles(error)) {
    return true;
  } else {
    error = lang_->GetText("IDS_READ,IDS_INSTALL,IDS_PACKAGE,IDS_FIALED") + "：" + error;
  }
  TvqLib::InfoBox(error, "消息");
  if (OnQuit) OnQuit();
  return false;
}

}  // namespace orvane
