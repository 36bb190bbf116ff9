#pragma once
// The setup configuration as the engine reads it: the embedded INI text saved as a GBK file in
// the cache folder and read through the INI class, so names match without case, the first of
// two equal keys wins and a value is at most 2047 bytes. A missing file reads as empty. UI
// thread only.
#include <functional>
#include <string>

#include "setup/core/IniFiles.h"
#include "setup/core/LineList.h"
#include "setup/core/Placeholders.h"

namespace orvane {

// The configuration's product GUID when it names none. The uninstall entry is keyed by this
// value, so the installer and a later uninstaller of the same configuration must agree on it:
// a fixed value, written like a configured one (without braces).
inline constexpr std::string_view kFallbackAppGuid = "6367967D-89C7-468D-98CE-AC2509D8F2DF";

// The `Main` section with its defaults applied.
struct TMainConfig {
  std::string AppInstallType;
  std::string AppId;
  std::string AppGuid;
  std::string AppTitle;
  std::string AppName;
  std::string AppVersion;
  std::string AppCompany;
  std::string AppHomepage;
  std::string AppExeName;
  std::string AppSkin;
  std::string AppLang;
  std::string AppSoftType;
  std::string AppSysRequire;
  std::string AppDefPath;
  std::string AppUpdataModel;
  std::string AppUpdataPath;
  std::string AppMainSvrFileName;
  std::string AppUpgradeServiceName;
  std::string AppDotNetVer;
  std::string AppDotNetSetupStyle;
  std::string AppDotNetSetupFile;
  std::string AppMsyhfont;
  std::string AppMsyhfontFile;
  std::string AppMsyhfontBdFile;
  std::string AppInstWord;    // "#13#10" turned into CR LF
  std::string AppUnInstWord;  // "#13#10" turned into CR LF
  int AppInstalSliderImgtime = 2000;  // ms; not a number counts as 2000
  int AppInstalFileSleeptime = 1;     // ms; not a number counts as 1
  bool AppInstalUnshowAppTitle = false;
  bool AppInstalSliderUnshowAppTitle = false;
  bool AppOptionExpanded = false;
  std::string AppUninstExeFile;
  std::string AppUninstCfgFile;
  std::string AppAgreementFile;

  // `AppInstallType` is "uninstall" (without case).
  [[nodiscard]] bool IsUninstaller() const;
  [[nodiscard]] TAppValues AppValues() const;
};

class TSetupConfig {
 public:
  // Receives the reader's log lines (the engine's setup log).
  using TLog = std::function<void(const std::string& line)>;

  explicit TSetupConfig(std::string file);

  [[nodiscard]] const std::string& FileName() const { return ini_.FileName(); }

  // The key's value, or `def` when the key (or its section) is missing.
  [[nodiscard]] std::string ReadConfigString(const std::string& section, const std::string& key,
                                             const std::string& def);
  // The section's lines "name=value" in file order (empty for a missing section).
  [[nodiscard]] TLineList ReadConfigSection(const std::string& section);
  [[nodiscard]] int CountConfigSection(const std::string& section);

  // The `Main` keys with their defaults. A missing or empty `AppGuid` takes kFallbackAppGuid
  // and says so through `log`.
  [[nodiscard]] TMainConfig ReadMain(const TLog& log);

 private:
  TIniFile ini_;
};

}  // namespace orvane
