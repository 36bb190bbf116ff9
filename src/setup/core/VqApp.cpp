#include "setup/core/VqApp.h"

#include "platform/MachinePath.h"

#include "setup/core/ConfigRecords.h"
#include "setup/core/InstallItemsText.h"
#include "setup/core/MessagePump.h"
#include "setup/core/SafeFileName.h"
#include "setup/core/SetupDateTime.h"
#include "setup/core/SetupFiles.h"
#include "setup/core/SetupLog.h"
#include "setup/core/SetupUi.h"
#include "setup/core/TagValue.h"
#include "setup/core/VqLang.h"
#include "setup/core/VqRes.h"
#include "setup/core/VqSign.h"
#include "setup/core/VqSkin.h"
#include "setup/core/WinPathText.h"
#include "setup/core/ZipPackage.h"
#include "setup/core/ZipThread.h"
#include "setup/core/VqLib.h"
#include "setup/core/VqLibInternal.h"

namespace orvane {
namespace {

// A shell folder with its "\\": the machine-wide one, else the user's.
std::string ShellFolder(const std::string& machineName, const std::string& userName) {
  std::string value = TvqLib::GetShellFolder(machineName);
  if (value.empty()) value = TvqLib::GetShellFolder(userName);
  return value.empty() ? value : TvqLib::IncludeBackslash(value);
}

}  // namespace

TvqApp::TvqApp()
    : lang_(std::make_unique<TvqLang>([](std::string_view name) -> std::optional<std::string> {
        std::string bytes, error;
        if (!TvqRes::GetRCData(std::string(name), bytes, error)) return std::nullopt;
        return bytes;
      })),
      skin_(std::make_unique<TvqSkin>()),
      sign_(std::make_unique<TvqSign>()),
      pack_(std::make_unique<TZipPackage>(TZipPackage::Kind::Payload)),
      appFiles_(std::make_unique<TZipPackage>(TZipPackage::Kind::AppFiles)) {
  // From here on the setup program acts only on the emulated machine.
  platform::SetMachineConfinement(true);
  platform::SetPathRefusalLog(LibraryNote);
  Stamp = TvqLib::UnixStamp();
  SysPath = TvqLib::IncludeBackslash(TvqLib::GetSystemFolder());
  WinPath = TvqLib::IncludeBackslash(TvqLib::GetWindowsFolder());
  ProgramFilesPath = WinPath.substr(0, 3) + "Program Files\\";
  ProgramFiles86Path = WinPath.substr(0, 3) + "Program Files (x86)\\";
  DesktopPath = ShellFolder("Common Desktop", "Desktop");
  StartMenuPath = ShellFolder("Common Start Menu", "Start Menu");

  SetLibraryLog(WriteSetupLog);
  ChooseCacheFolder();
  if (cacheReady_) {
    ConfigFile = CachePath + "vqinst.ini";
    (void)TvqLib::DeleteFileRetry(ConfigFile, 1, 0);
    std::string error;
    if (!TvqRes::GetRCDataToFile("soft_config", ConfigFile, error))
      WriteSetupLog("GetRCData(soft_config)：" + error);
    config_ = std::make_unique<TSetupConfig>(ConfigFile);
  }
  ReadMainValues();
  ChooseDefaultInstallPath();
  ReadConfigSection("module", ModuleList);
  Mode = Main.IsUninstaller() ? kModeUninstall : kModeInstall;
  if (cacheReady_) {
    PackFile = CachePath + (Mode == kModeUninstall ? "uninst_files.zip" : "inst_files.zip");
    PackMapFile = PackFile + ".cfg";
    AppFilesFile = CachePath + "app_files.zip";
    AppFilesMapFile = AppFilesFile + ".cfg";
    StartPackThread("soft_app_files", AppFilesFile);
  }
  if (Mode == kModeUninstall && ReadInstallLocation()) startupInstallLocation_ = InstallPath;
  InstalledItems = SplitCommaText(ReadInstallItems());
}

TvqApp::~TvqApp() {
  // No package thread may still write into the cache folder that is about to go.
  zipThreads_.clear();
  for (auto [package, file, mapFile] : {std::tuple{pack_.get(), PackFile, PackMapFile},
                                        std::tuple{appFiles_.get(), AppFilesFile, AppFilesMapFile}}) {
    package->Close();
    if (!file.empty()) (void)TvqLib::DeleteFileRetry(file, 1, 0);
    if (!mapFile.empty()) (void)TvqLib::DeleteFileRetry(mapFile, 1, 0);
  }
  config_.reset();
  if (!ConfigFile.empty()) (void)TvqLib::DeleteFileRetry(ConfigFile, 10, 100);
  if (cacheReady_) TvqLib::DeleteTree(CachePath);
}

void TvqApp::ReadMainValues() {
  if (config_) {
    Main = config_->ReadMain(WriteSetupLog);
  } else {
    // Without a cache folder there is no configuration file: every key takes its default.
    TSetupConfig none("");
    Main = none.ReadMain(WriteSetupLog);
  }
  LoadConfiguredSkin();
}

// A skin name with an extension names the skin file packed as "app_skin".
void TvqApp::LoadConfiguredSkin() {
  std::string skin = Main.AppSkin;
  std::string error;
  const auto skinFile = SafeFileName(ExtractFileName(Main.AppSkin));
  if (!ExtractFileExt(skin).empty() && cacheReady_ && skinFile) {
    skin = CachePath + *skinFile;
    if (!SaveResourceToFile(error, "app_skin", skin)) WriteSetupLog("SaveResourceToFile(app_skin)：" + error);
  }
  if (!skin_->LoadSkin(skin, &error)) WriteSetupLog("LoadSkin(" + skin + ")：" + error);
}

std::string TvqApp::ReadConfigString(const std::string& section, const std::string& key, const std::string& def) {
  return config_ ? config_->ReadConfigString(section, key, def) : def;
}

void TvqApp::ReadConfigSection(const std::string& section, TLineList& list) {
  list = config_ ? config_->ReadConfigSection(section) : TLineList();
}

int TvqApp::CountConfigSection(const std::string& section) { return config_ ? config_->CountConfigSection(section) : 0; }

TPathValues TvqApp::PathValues() const {
  return {Main.AppUpdataPath, InstallPath,        SysPath,     WinPath,
          ProgramFilesPath, ProgramFiles86Path, DesktopPath, StartMenuPath};
}

std::string TvqApp::ExpandAppPlaceholders(std::string_view text) const {
  return orvane::ExpandAppPlaceholders(text, Main.AppValues());
}

std::string TvqApp::ExpandPathPlaceholders(std::string_view text) const {
  return orvane::ExpandPathPlaceholders(text, PathValues());
}

std::string TvqApp::RelativeToInstallPath(std::string_view path) const {
  return orvane::RelativeToInstallPath(path, InstallPath);
}

int TvqApp::CountSelectableModules() const {
  int count = 0;
  for (const std::string& line : ModuleList)
    if (ParseModuleLine(line).can_select) ++count;
  return count;
}

void TvqApp::ShowSetupStatus(const std::string& text, int waitMs) {
  if (StatusLabel == nullptr) return;
  StatusLabel->ShowStatus(text);
  ProcessMessages();
  if (waitMs > 0) {
    PumpWait(waitMs);
    ProcessMessages();
  }
}

void TvqApp::WriteInstallLog(const std::string& tag, const std::string& text) {
  TvqLib::WriteLogFile("[" + DateTimeText(GetClock().Now()) + "][" + tag + "]  " + text, "zvqinstall", InstallPath);
}

void TvqApp::StartPackThread(const std::string& resource, const std::string& target) {
  zipThreads_.push_back(std::make_unique<TZipThread>(resource, target, *sign_));
}

}  // namespace orvane
