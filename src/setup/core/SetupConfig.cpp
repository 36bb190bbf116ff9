#include "setup/core/SetupConfig.h"

#include <utility>

#include "platform/TextCodec.h"
#include "setup/core/GbkText.h"
#include "setup/core/TagValue.h"

namespace orvane {
namespace {

constexpr const char* kMain = "Main";

// Publisher and home page of products whose configuration names none.
constexpr const char* kDefaultCompany = "Velmora软件";
constexpr const char* kDefaultHomepage = "https://www.velmora.example/";

std::string LineBreaks(std::string text) {
  static constexpr std::string_view kToken = "#13#10";
  for (std::size_t at = text.find(kToken); at != std::string::npos; at = text.find(kToken, at + 2))
    text.replace(at, kToken.size(), "\r\n");
  return text;
}

}  // namespace

bool TMainConfig::IsUninstaller() const { return platform::SameText(AppInstallType, "uninstall"); }

TAppValues TMainConfig::AppValues() const {
  return TAppValues{AppGuid, AppName, AppTitle, AppVersion, AppCompany, AppHomepage};
}

TSetupConfig::TSetupConfig(std::string file) : ini_(std::move(file)) {}

std::string TSetupConfig::ReadConfigString(const std::string& section, const std::string& key, const std::string& def) {
  return ini_.ReadString(section, key, def);
}

TLineList TSetupConfig::ReadConfigSection(const std::string& section) {
  TLineList lines;
  ini_.ReadSectionValues(section, lines);
  return lines;
}

int TSetupConfig::CountConfigSection(const std::string& section) {
  std::vector<std::string> keys;
  ini_.ReadSection(section, keys);
  return static_cast<int>(keys.size());
}

TMainConfig TSetupConfig::ReadMain(const TLog& log) {
  const auto get = [this](const char* key, const char* def = "") { return ini_.ReadString(kMain, key, def); };
  TMainConfig m;
  m.AppInstallType = get("AppInstallType");
  m.AppId = get("AppId", "1001");
  m.AppGuid = get("AppGuid");
  if (m.AppGuid.empty()) {
    m.AppGuid = std::string(kFallbackAppGuid);
    if (log) log("配置中没有AppGuid，使用固定的GUID：" + m.AppGuid);
  }
  m.AppTitle = get("AppTitle", "Velmora软件");
  m.AppName = get("AppName", "vqerp");
  m.AppVersion = get("AppVersion", "1.0");
  m.AppCompany = get("AppCompany", kDefaultCompany);
  m.AppHomepage = get("AppHomepage", kDefaultHomepage);
  m.AppExeName = get("AppExeName");
  m.AppSkin = get("AppSkin");
  if (m.AppSkin.empty()) m.AppSkin = "Skyblue";
  m.AppLang = get("AppLang");
  if (m.AppLang.empty()) m.AppLang = "chinese";
  m.AppSoftType = get("AppSoftType", "0");
  m.AppSysRequire = get("AppSysRequire");
  m.AppDefPath = get("AppDefPath");
  m.AppUpdataModel = get("AppUpdataModel");
  m.AppUpdataPath = get("AppUpdataPath");
  m.AppMainSvrFileName = get("AppMainSvrFileName");
  m.AppUpgradeServiceName = get("AppUpgradeServiceName");
  m.AppDotNetVer = get("AppDotNetVer");
  m.AppDotNetSetupStyle = get("AppDotNetSetupStyle");
  m.AppDotNetSetupFile = get("AppDotNetSetupFile");
  m.AppMsyhfont = get("AppMsyhfont");
  m.AppMsyhfontFile = get("AppMsyhfontFile");
  m.AppMsyhfontBdFile = get("AppMsyhfontBdFile");
  m.AppInstWord = LineBreaks(get("AppInstWord"));
  m.AppUnInstWord = LineBreaks(get("AppUnInstWord"));
  m.AppInstalSliderImgtime = ini_.ReadInteger(kMain, "AppInstalSliderImgtime", 2000);
  m.AppInstalFileSleeptime = ini_.ReadInteger(kMain, "AppInstalFileSleeptime", 1);
  m.AppInstalUnshowAppTitle = IsFlagSet(get("AppInstalUnshowAppTitle", "0"));
  m.AppInstalSliderUnshowAppTitle = IsFlagSet(get("AppInstalSliderUnshowAppTitle", "0"));
  m.AppOptionExpanded = IsFlagSet(get("AppOptionExpanded", "0"));
  m.AppUninstExeFile = get("AppUninstExeFile");
  // The uninstaller's name less its last four bytes (".exe"), counted in the file's GBK bytes.
  const std::size_t exeBytes = GbkByteCount(m.AppUninstExeFile);
  const std::string cfg = GbkHead(m.AppUninstExeFile, exeBytes < 4 ? 0 : exeBytes - 4) + ".dat";
  m.AppUninstCfgFile = get("AppUninstCfgFile", cfg.c_str());
  m.AppAgreementFile = get("AppAgreementFile");
  return m;
}

}  // namespace orvane
