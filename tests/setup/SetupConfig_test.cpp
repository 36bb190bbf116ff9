#include "setup/core/SetupConfig.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/TextCodec.h"
#include "support/TempDir.h"

namespace {

using orvane::TMainConfig;
using orvane::TSetupConfig;

// The text of a `Main` value as the test table writes it.
std::string MainValue(const TMainConfig& m, const std::string& key) {
  const std::map<std::string, std::function<std::string(const TMainConfig&)>> fields = {
      {"AppInstallType", [](const TMainConfig& c) { return c.AppInstallType; }},
      {"AppId", [](const TMainConfig& c) { return c.AppId; }},
      {"AppGuid", [](const TMainConfig& c) { return c.AppGuid; }},
      {"AppTitle", [](const TMainConfig& c) { return c.AppTitle; }},
      {"AppName", [](const TMainConfig& c) { return c.AppName; }},
      {"AppVersion", [](const TMainConfig& c) { return c.AppVersion; }},
      {"AppSkin", [](const TMainConfig& c) { return c.AppSkin; }},
      {"AppLang", [](const TMainConfig& c) { return c.AppLang; }},
      {"AppSoftType", [](const TMainConfig& c) { return c.AppSoftType; }},
      {"AppDefPath", [](const TMainConfig& c) { return c.AppDefPath; }},
      {"AppUpdataPath", [](const TMainConfig& c) { return c.AppUpdataPath; }},
      {"AppInstWord", [](const TMainConfig& c) { return c.AppInstWord; }},
      {"AppUnInstWord", [](const TMainConfig& c) { return c.AppUnInstWord; }},
      {"AppInstalSliderImgtime", [](const TMainConfig& c) { return std::to_string(c.AppInstalSliderImgtime); }},
      {"AppInstalFileSleeptime", [](const TMainConfig& c) { return std::to_string(c.AppInstalFileSleeptime); }},
      {"AppInstalUnshowAppTitle", [](const TMainConfig& c) { return std::to_string(c.AppInstalUnshowAppTitle); }},
      {"AppInstalSliderUnshowAppTitle",
       [](const TMainConfig& c) { return std::to_string(c.AppInstalSliderUnshowAppTitle); }},
      {"AppOptionExpanded", [](const TMainConfig& c) { return std::to_string(c.AppOptionExpanded); }},
      {"AppUninstExeFile", [](const TMainConfig& c) { return c.AppUninstExeFile; }},
      {"AppUninstCfgFile", [](const TMainConfig& c) { return c.AppUninstCfgFile; }},
      {"AppMainSvrFileName", [](const TMainConfig& c) { return c.AppMainSvrFileName; }},
  };
  return fields.at(key)(m);
}

struct MainCase {
  std::string name;
  std::vector<std::pair<std::string, std::string>> lines;  // Main lines written to the file
  std::string key;
  std::string expected;
};

// Every `Main` key takes its default when missing; the few with special rules follow them.
TEST(SetupConfigTest, MainDefaultsTable) {
  const MainCase cases[] = {
      {"id default", {}, "AppId", "1001"},
      {"title default", {}, "AppTitle", "Velmora软件"},
      {"name default", {}, "AppName", "vqerp"},
      {"version default", {}, "AppVersion", "1.0"},
      {"soft type default", {}, "AppSoftType", "0"},
      {"install type default", {}, "AppInstallType", ""},
      {"skin missing", {}, "AppSkin", "Skyblue"},
      {"skin empty", {{"AppSkin", ""}}, "AppSkin", "Skyblue"},
      {"skin set", {{"AppSkin", "rose"}}, "AppSkin", "rose"},
      {"lang empty", {{"AppLang", ""}}, "AppLang", "chinese"},
      {"slider default", {}, "AppInstalSliderImgtime", "2000"},
      {"slider not a number", {{"AppInstalSliderImgtime", "fast"}}, "AppInstalSliderImgtime", "2000"},
      {"slider set", {{"AppInstalSliderImgtime", "3500"}}, "AppInstalSliderImgtime", "3500"},
      {"pause default", {}, "AppInstalFileSleeptime", "1"},
      {"pause not a number", {{"AppInstalFileSleeptime", "1.5"}}, "AppInstalFileSleeptime", "1"},
      {"pause zero", {{"AppInstalFileSleeptime", "0"}}, "AppInstalFileSleeptime", "0"},
      {"flag default", {}, "AppOptionExpanded", "0"},
      {"flag one", {{"AppOptionExpanded", "1"}}, "AppOptionExpanded", "1"},
      {"flag true is false", {{"AppInstalUnshowAppTitle", "true"}}, "AppInstalUnshowAppTitle", "0"},
      {"flag 01 is false", {{"AppInstalSliderUnshowAppTitle", "01"}}, "AppInstalSliderUnshowAppTitle", "0"},
      {"uninstall cfg from exe", {{"AppUninstExeFile", "C:\\pack\\Uninstall.exe"}}, "AppUninstCfgFile",
       "C:\\pack\\Uninstall.dat"},
      {"uninstall cfg from chinese exe", {{"AppUninstExeFile", "D:\\卸载程序"}}, "AppUninstCfgFile", "D:\\卸载.dat"},
      {"uninstall cfg without exe", {}, "AppUninstCfgFile", ".dat"},
      {"uninstall cfg short exe", {{"AppUninstExeFile", "a.e"}}, "AppUninstCfgFile", ".dat"},
      {"uninstall cfg set", {{"AppUninstCfgFile", "x.cfg"}}, "AppUninstCfgFile", "x.cfg"},
      {"line breaks", {{"AppUnInstWord", "再见#13#10欢迎#13#10"}}, "AppUnInstWord", "再见\r\n欢迎\r\n"},
      {"line breaks install", {{"AppInstWord", "a#13#10#13#10b"}}, "AppInstWord", "a\r\n\r\nb"},
      {"first duplicate wins", {{"AppTitle", "门店"}, {"apptitle", "第二"}}, "AppTitle", "门店"},
      {"placeholders kept as text", {{"AppUpdataPath", "<app_path>Update\\"}}, "AppUpdataPath",
       "<app_path>Update\\"},
      {"guid as configured", {{"AppGuid", "0D1F2E3A-1111-2222-3333-444455556666"}}, "AppGuid",
       "0D1F2E3A-1111-2222-3333-444455556666"},
  };
  for (const MainCase& c : cases) {
    vqtest::TempDir dir;
    std::string text = "[Main]\r\n";
    for (const auto& [k, v] : c.lines) text += k + "=" + v + "\r\n";
    vqtest::WriteFileBytes(dir.file("vqinst.ini"), platform::Utf8ToCp936(text));
    TSetupConfig config(dir.file("vqinst.ini"));
    EXPECT_EQ(MainValue(config.ReadMain({}), c.key), c.expected) << c.name;
  }
}

// A configuration without a GUID gets the same fixed one in every run, without braces, and the
// setup log says so; a configured GUID is not logged.
TEST(SetupConfigTest, MissingGuidIsOneFixedValue) {
  for (const std::string& text : {std::string("[Main]\r\nAppId=7\r\n"), std::string("[Main]\r\nAppGuid=\r\n")}) {
    vqtest::TempDir dir;
    vqtest::WriteFileBytes(dir.file("vqinst.ini"), text);
    std::vector<std::string> log;
    TSetupConfig config(dir.file("vqinst.ini"));
    const TMainConfig first = config.ReadMain([&](const std::string& line) { log.push_back(line); });
    const TMainConfig second = config.ReadMain({});
    EXPECT_EQ(first.AppGuid, "6367967D-89C7-468D-98CE-AC2509D8F2DF");
    EXPECT_EQ(second.AppGuid, first.AppGuid);
    ASSERT_EQ(log.size(), 1U);
    EXPECT_NE(log[0].find("AppGuid"), std::string::npos);
  }
  vqtest::TempDir dir;
  vqtest::WriteFileBytes(dir.file("vqinst.ini"), "[Main]\r\nAppGuid=ABC\r\n");
  std::vector<std::string> log;
  EXPECT_EQ(TSetupConfig(dir.file("vqinst.ini")).ReadMain([&](const std::string& l) { log.push_back(l); }).AppGuid,
            "ABC");
  EXPECT_TRUE(log.empty());
}

// The install type picks the uninstaller without case; anything else is the installer.
TEST(SetupConfigTest, InstallType) {
  const std::pair<const char*, bool> cases[] = {
      {"uninstall", true}, {"UnInstall", true}, {"install", false}, {"", false}, {"uninstall ", false}, {"uninst", false}};
  for (const auto& [value, uninstaller] : cases) {
    TMainConfig m;
    m.AppInstallType = value;
    EXPECT_EQ(m.IsUninstaller(), uninstaller) << value;
  }
}

// Sections come as line lists in file order; missing sections and a missing file read empty,
// and a Main value falls back to its default.
TEST(SetupConfigTest, SectionsAndMissingFile) {
  vqtest::TempDir dir;
  vqtest::WriteFileBytes(dir.file("vqinst.ini"),
                         platform::Utf8ToCp936("[module]\r\nvqpos=前台;can_select:1;setup:1;\r\n"
                                               "vqsvr=后台;can_select:0;setup:1;\r\nVQPOS=重复;\r\n"));
  TSetupConfig config(dir.file("vqinst.ini"));
  EXPECT_EQ(config.ReadConfigSection("MODULE"),
            (orvane::TLineList{"vqpos=前台;can_select:1;setup:1;", "vqsvr=后台;can_select:0;setup:1;",
                               "VQPOS=前台;can_select:1;setup:1;"}));
  EXPECT_EQ(config.CountConfigSection("module"), 3);
  EXPECT_EQ(config.CountConfigSection("_desktop"), 0);
  EXPECT_TRUE(config.ReadConfigSection("_desktop").empty());
  EXPECT_EQ(config.ReadConfigString("module", "vqsvr", "d"), "后台;can_select:0;setup:1;");
  EXPECT_EQ(config.ReadConfigString("module", "none", "d"), "d");

  TSetupConfig missing(dir.file("no-such.ini"));
  EXPECT_EQ(missing.CountConfigSection("module"), 0);
  const TMainConfig m = missing.ReadMain({});
  EXPECT_EQ(m.AppId, "1001");
  EXPECT_FALSE(m.IsUninstaller());
}

}  // namespace
