#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "setup/core/VqApp.h"
#include "support/InstallWorld.h"

namespace {

using vqtest::InstallWorld;
namespace fs = std::filesystem;

constexpr const char* kDesktop = "C:\\Users\\Public\\Desktop\\";
constexpr const char* kMenu = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Tessaly\\";

// The product's files as an install leaves them, without running one.
class ShortcutsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    w.Start();
    for (const char* file : {"bin\\Tessaly.exe", "tools\\tool.exe", "web\\index.html", "Uninstall1001.exe"})
      InstallWorld::Write(std::string(InstallWorld::kAppPath) + file, "x");
  }
  void CreateAll() {
    for (const char* key : {"core", "web", "tools", ""}) {
      w.app().CreateDesktopShortcuts(key);
      w.app().CreateStartMenuShortcuts(key);
    }
  }
  // The link files in a folder, by name.
  static std::vector<std::string> Links(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(vqtest::SetupEngineFixture::Host(folder), ec))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  InstallWorld w;
};

// Links of the selected modules and the global ones, with their captions and descriptions
// expanded; an unselected module's link, a missing target and an https address are not made,
// a plain http address is.
TEST_F(ShortcutsTest, CreatesLinksOfSelectedModules) {
  CreateAll();
  EXPECT_EQ(Links(kDesktop), (std::vector<std::string>{"Tessaly 2.1.lnk", "官网.lnk", "工具.lnk"}));
  EXPECT_EQ(Links(kMenu), (std::vector<std::string>{"Tessaly 2.1.lnk", "卸载 Tessaly.lnk", "工具.lnk"}));
  const std::string entry = InstallWorld::Read(kDesktop + std::string("Tessaly 2.1.lnk"));
  EXPECT_NE(entry.find("Comment=同步 Tessaly"), std::string::npos) << entry;
  EXPECT_NE(entry.find(vqtest::SetupEngineFixture::Host("D:\\Apps\\Tessaly\\bin\\Tessaly.exe")), std::string::npos)
      << entry;
  EXPECT_NE(InstallWorld::Read(kDesktop + std::string("官网.lnk")).find("http://velmora.example/"), std::string::npos);
}

// Each flag governs its own kind of link; a module link needs its target file.
TEST_F(ShortcutsTest, FlagsAndMissingTargets) {
  fs::remove(vqtest::SetupEngineFixture::Host(std::string(InstallWorld::kAppPath) + "tools\\tool.exe"));
  w.app().DesktopLink = false;
  CreateAll();
  EXPECT_TRUE(Links(kDesktop).empty());
  EXPECT_EQ(Links(kMenu), (std::vector<std::string>{"Tessaly 2.1.lnk", "卸载 Tessaly.lnk"}));
  w.app().DesktopLink = true;
  w.app().StartMenuLink = false;
  fs::remove_all(vqtest::SetupEngineFixture::Host(kMenu));
  CreateAll();
  EXPECT_EQ(Links(kDesktop), (std::vector<std::string>{"Tessaly 2.1.lnk", "官网.lnk"}));
  EXPECT_TRUE(Links(kMenu).empty());
}

// Deleting a module's links leaves the others and ignores the flags and the module's choice;
// the product's start-menu folder goes with its last link.
TEST_F(ShortcutsTest, DeletesOneModulesLinks) {
  CreateAll();
  InstallWorld::Write(kDesktop + std::string("网页首页.lnk"), "left by an older install");
  w.app().DesktopLink = false;
  w.app().StartMenuLink = false;
  for (const char* key : {"tools", "web"}) {
    w.app().DeleteDesktopShortcuts(key);
    w.app().DeleteStartMenuShortcuts(key);
  }
  EXPECT_EQ(Links(kDesktop), (std::vector<std::string>{"Tessaly 2.1.lnk", "官网.lnk"}));
  EXPECT_EQ(Links(kMenu), (std::vector<std::string>{"Tessaly 2.1.lnk", "卸载 Tessaly.lnk"}));
  for (const char* key : {"core", ""}) w.app().DeleteStartMenuShortcuts(key);
  EXPECT_FALSE(fs::exists(vqtest::SetupEngineFixture::Host(kMenu)));
}

}  // namespace
