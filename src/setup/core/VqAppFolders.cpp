// The engine's folders: the cache root and its exclusive cache folder, the default install
// folder and the wizard's install-folder rules.
#include <sys/stat.h>

#include <cerrno>

#include "platform/Drives.h"
#include "platform/FileOps.h"
#include "platform/MachinePath.h"
#include "platform/ProgramInfo.h"
#include "platform/TextCodec.h"
#include "platform/WinPath.h"
#include "setup/core/SetupFiles.h"
#include "setup/core/SetupLog.h"
#include "setup/core/VqApp.h"
#include "setup/core/VqLib.h"
#include "setup/core/VqLang.h"

namespace orvane {
namespace {

std::int64_t ProgramFileSize() {
  struct stat st {};
  return ::stat(platform::ProgramFile().c_str(), &st) == 0 ? static_cast<std::int64_t>(st.st_size) : 0;
}

bool EndsWith(std::string_view text, std::string_view tail) {
  return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

// Creates `folder` (ending with "\") only when nothing of that name exists yet, so two setups
// never share one: an existing name gets "_1", "_2", ... Empty when no folder could be made.
std::string CreateExclusiveFolder(const std::string& folder) {
  const std::string base = folder.substr(0, folder.size() - 1);
  for (int n = 0; n < 1000; ++n) {
    const std::string name = n == 0 ? base : base + "_" + std::to_string(n);
    const long rc = platform::CreateOneFolder(name);
    if (rc == 0) return name + "\\";
    if (rc != platform::kErrorAlreadyExists) return std::string();
  }
  return std::string();
}

}  // namespace

bool TvqApp::PrepareCacheDir(const std::string& candidateRoot) {
  std::string root = TvqLib::IncludeBackslash(candidateRoot);
  TvqLib::ChooseDrive(root, ProgramFileSize());
  const std::string logFolder = root + "VqInstCache\\";
  (void)platform::CreateFolderTree(logFolder);
  if (!FolderExists(logFolder)) return false;
  SetSetupLogFolder(logFolder);
  const std::string cache = CreateExclusiveFolder(logFolder + Stamp + "\\");
  if (cache.empty()) {
    WriteSetupLog("创建缓存目录失败：" + logFolder + Stamp + "\\");
    return false;
  }
  CachePath = cache;
  return true;
}

void TvqApp::ChooseCacheFolder() {
  std::vector<std::string> roots = {"C:\\ProgramData\\", "D:\\", "C:\\"};
  for (char letter = 'E'; letter <= 'Z'; ++letter) roots.push_back(std::string(1, letter) + ":\\");
  for (const std::string& root : roots) {
    if (root.size() == 3 && !platform::DriveExists(root[0])) continue;
    if (PrepareCacheDir(root)) {
      cacheReady_ = true;
      return;
    }
  }
  TvqLib::InfoBox(lang_->GetText("IDS_CREATE,IDS_FOLDER,IDS_FIALED") + "：VqInstCache",
                       lang_->GetText("IDS_DAILOG_MESSAGE"));
}

void TvqApp::ChooseDefaultInstallPath() {
  const std::string& d = Main.AppDefPath;
  if (d.size() > 3 && d.substr(1, 2) == ":\\") {
    std::string root = d.substr(0, 3);
    TvqLib::ChooseDrive(root, 0);
    InstallPath = root + d.substr(3);
    if (InstallPath.back() != '\\') InstallPath += '\\';
  } else {
    std::string root = "D:\\";
    TvqLib::ChooseDrive(root, 0);
    std::string title = Main.AppTitle;
    std::erase(title, ' ');
    InstallPath = root + lang_->GetText("IDS_SETUPPATH_GROUP") + "\\" + title + "\\";
  }
  TempPath = InstallPath + "temp\\";
}

void TvqApp::SetInstallPath(const std::string& path) {
  std::string p = path;
  if (p.empty() || p.back() != '\\') p += '\\';
  // A drive root, a program-files folder or the product family's folder gets the product's own folder.
  for (const char* parent : {":\\", "Program Files\\", "Program Files (x86)\\", "Velmora软件\\"})
    if (EndsWith(p, parent)) {
      p += Main.AppTitle + "\\";
      break;
    }
  InstallPath = p;
  TempPath = p + "temp\\";
}

bool TvqApp::CheckInstallPath(const std::string& path) {
  // A path without a drive part names no folder of this machine, nor does one Windows refuses.
  const std::size_t sep = path.find(":\\");
  if (platform::CheckMachinePath(path, platform::PathUse::kChange) != 0 || sep == std::string::npos || !FolderExists(path.substr(0, sep + 2))) return false;
  std::string folder = path;
  const std::string tail = Main.AppTitle + "\\";
  if (folder.size() >= tail.size() &&
      platform::SameText(std::string_view(folder).substr(folder.size() - tail.size()), tail))
    folder.resize(folder.size() - tail.size());
  return FolderExists(folder) || platform::CreateFolderTree(folder) == 0;
}

}  // namespace orvane
