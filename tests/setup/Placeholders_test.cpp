#include "setup/core/Placeholders.h"

#include <gtest/gtest.h>

#include <string>

namespace {

orvane::TPathValues Folders() {
  orvane::TPathValues v;
  v.updataPath = "<app_path>Update\\";
  v.appPath = "D:\\Velmora软件\\门店\\";
  v.sysPath = "C:\\Windows\\system32\\";
  v.winPath = "C:\\Windows\\";
  v.programPath = "C:\\Program Files\\";
  v.program64Path = "C:\\Program Files (x86)\\";
  v.desktopPath = "C:\\Users\\Public\\Desktop\\";
  v.startMenuPath = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\";
  return v;
}

// Path tokens: only texts holding a lower-case "_path>" are touched, tokens match without case,
// folders gain a trailing "\", file names and dotted folders do not, and "\" runs collapse.
TEST(PlaceholdersTest, PathPlaceholders) {
  const orvane::TPathValues v = Folders();
  const std::pair<std::string, std::string> cases[] = {
      {"<APP_PATH>", "<APP_PATH>"},
      {"<APP_PATH>Data", "<APP_PATH>Data"},
      {"<APP_path>", "D:\\Velmora软件\\门店\\"},
      {"<app_path>", "D:\\Velmora软件\\门店\\"},
      {"<app_path>\\Data", "D:\\Velmora软件\\门店\\Data\\"},
      {"<app_path>Data\\", "D:\\Velmora软件\\门店\\Data\\"},
      {"<app_path>\\bin\\vqpos.exe", "D:\\Velmora软件\\门店\\bin\\vqpos.exe"},
      {"<app_path>\\v1.2", "D:\\Velmora软件\\门店\\v1.2"},
      {"<win_path>\\\\Fonts", "C:\\Windows\\Fonts\\"},
      {"\\\\server\\share\\<app_path>", "\\server\\share\\D:\\Velmora软件\\门店\\"},
      {"<sys_path>a.dll", "C:\\Windows\\system32\\a.dll"},
      {"<program_path>Tool", "C:\\Program Files\\Tool\\"},
      {"<program64_path>Tool", "C:\\Program Files (x86)\\Tool\\"},
      {"<desktop_path>店.lnk", "C:\\Users\\Public\\Desktop\\店.lnk"},
      {"<start_menu_path>Programs", "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\"},
      {"<updata_path>", "D:\\Velmora软件\\门店\\Update\\"},
      {"<updata_path>cfg.ini", "D:\\Velmora软件\\门店\\Update\\cfg.ini"},
      {"<app_path>a;<app_path>b", "D:\\Velmora软件\\门店\\a;D:\\Velmora软件\\门店\\b\\"},
      {"<unknown_path>", "<unknown_path>\\"},
      {"C:\\plain\\folder", "C:\\plain\\folder"},
      {"", ""},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(orvane::ExpandPathPlaceholders(text, v), expected) << text;
}

// A folder value that holds its own token is put in once, never expanded for ever.
TEST(PlaceholdersTest, PathSelfReferenceReplacedOnce) {
  orvane::TPathValues v = Folders();
  v.updataPath = "<updata_path>x\\";
  EXPECT_EQ(orvane::ExpandPathPlaceholders("<updata_path>", v), "<updata_path>x\\");
  v.appPath = "E:\\<APP_PATH>\\";
  EXPECT_EQ(orvane::ExpandPathPlaceholders("<app_path>", v), "E:\\<APP_PATH>\\");
}

// Application tokens match with case, in table order; a value holding its own token is put in
// once, and a token a later value brings in stays when its row has passed.
TEST(PlaceholdersTest, AppPlaceholders) {
  orvane::TAppValues v{"GUID-1", "vqerp", "门店 <app_title>", "2.0", "公司", "http://h/"};
  const std::pair<std::string, std::string> cases[] = {
      {"<app_title> <app_version>", "门店 <app_title> 2.0"},
      {"<APP_TITLE>", "<APP_TITLE>"},
      {"{<app_guid>}", "{GUID-1}"},
      {"<app_company>|<app_homepage>|<app_name>|<app_name>", "公司|http://h/|vqerp|vqerp"},
      {"no tokens", "no tokens"},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(orvane::ExpandAppPlaceholders(text, v), expected) << text;
  v.AppTitle = "<app_name>软件";
  EXPECT_EQ(orvane::ExpandAppPlaceholders("<app_title>", v), "<app_name>软件");
  v.AppName = "<app_title>";
  EXPECT_EQ(orvane::ExpandAppPlaceholders("<app_name>", v), "<app_name>软件");
}

// Status texts show paths without the install folder (exact case, every occurrence).
TEST(PlaceholdersTest, RelativeToInstallPath) {
  const std::string folder = "D:\\Velmora软件\\门店\\";
  EXPECT_EQ(orvane::RelativeToInstallPath("D:\\Velmora软件\\门店\\bin\\a.exe", folder), "bin\\a.exe");
  EXPECT_EQ(orvane::RelativeToInstallPath("d:\\velmora软件\\门店\\a.exe", folder), "d:\\velmora软件\\门店\\a.exe");
  EXPECT_EQ(orvane::RelativeToInstallPath("E:\\other\\a.exe", folder), "E:\\other\\a.exe");
  EXPECT_EQ(orvane::RelativeToInstallPath("E:\\other\\a.exe", ""), "E:\\other\\a.exe");
}

}  // namespace
