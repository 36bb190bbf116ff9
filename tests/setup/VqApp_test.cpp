#include "setup/core/VqApp.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/ExeResources.h"
#include "platform/MachinePath.h"
#include "platform/TextCodec.h"
#include "setup/core/SetupLog.h"
#include "setup/core/VqRes.h"
#include "setup/core/VqSign.h"
#include "support/SetupEngineFixture.h"
#include "support/TempDir.h"

namespace {

using orvane::TvqApp;
using vqtest::SetupEngineFixture;
using vqtest::SetupExeBuilder;
namespace fs = std::filesystem;

std::string Config(const std::string& mainLines) {
  return "[Main]\r\nAppGuid=8F0C6A1E-2B7D-4C1A-9E55-0A1B2C3D4E5F\r\nAppTitle=Tessaly 同步\r\n" + mainLines;
}

class EngineTest : public ::testing::Test {
 protected:
  void Pack(const std::string& config) {
    SetupExeBuilder builder;
    builder.SetConfig(config);
    builder.AddAppFile({"D:\\src\\img\\一.png", "img\\一.png", "png bytes"});
    fx.Pack(builder);
  }
  void AddDrive(char letter) { fs::create_directories(fx.machine.root() + "/drive_" + std::string(1, letter)); }
  // Puts a file where the cache root's folder would go, so no folder can be made there.
  void BlockCacheRoot(const std::string& windowsRoot) {
    fs::remove_all(SetupEngineFixture::Host(windowsRoot + "VqInstCache"));
    vqtest::WriteFileBytes(SetupEngineFixture::Host(windowsRoot + "VqInstCache"), "not a folder");
  }

  SetupEngineFixture fx;
};

// The default install folder follows `AppDefPath` onto a usable drive, or the group folder and
// the title without blanks, with and without a D: drive.
TEST_F(EngineTest, DefaultInstallFolderTable) {
  struct Case {
    std::string defPath;
    bool withD;
    std::string expected;
  };
  const Case cases[] = {
      {"D:\\Velmora\\Tessaly", true, "D:\\Velmora\\Tessaly\\"},
      {"D:\\Velmora\\Tessaly", false, "C:\\Velmora\\Tessaly\\"},
      {"", true, "D:\\Velmora软件\\Tessaly同步\\"},
      {"", false, "C:\\Velmora软件\\Tessaly同步\\"},
      {"D:\\", true, "D:\\Velmora软件\\Tessaly同步\\"},
      {"C:\\Apps\\", false, "C:\\Apps\\"},
      {"请选择安装目录", false, "C:\\Velmora软件\\Tessaly同步\\"},
  };
  for (const Case& c : cases) {
    SetupEngineFixture fresh;
    if (c.withD) fs::create_directories(fresh.machine.root() + "/drive_d");
    SetupExeBuilder builder;
    builder.SetConfig(Config("AppDefPath=" + c.defPath + "\r\n"));
    fresh.Pack(builder);
    auto app = fresh.NewEngine();
    EXPECT_EQ(app->InstallPath, c.expected) << c.defPath << (c.withD ? " with D:" : " without D:");
    EXPECT_EQ(app->TempPath, c.expected + "temp\\");
  }
}

// A confirmed folder under a drive root, a program-files folder or the group folder gets the
// product's own folder; anything else only gains its "\".
TEST_F(EngineTest, SetInstallPathTable) {
  Pack(Config(""));
  auto app = fx.NewEngine();
  const std::pair<std::string, std::string> cases[] = {
      {"E:\\", "E:\\Tessaly 同步\\"},
      {"C:\\Apps", "C:\\Apps\\"},
      {"C:\\Program Files", "C:\\Program Files\\Tessaly 同步\\"},
      {"C:\\Program Files (x86)\\", "C:\\Program Files (x86)\\Tessaly 同步\\"},
      {"c:\\program files\\", "c:\\program files\\"},
      {"D:\\Velmora软件", "D:\\Velmora软件\\Tessaly 同步\\"},
  };
  for (const auto& [path, expected] : cases) {
    app->SetInstallPath(path);
    EXPECT_EQ(app->InstallPath, expected) << path;
    EXPECT_EQ(app->TempPath, expected + "temp\\") << path;
  }
}

// Checking a folder needs its drive and creates the parent of the product folder, never the
// product folder itself.
TEST_F(EngineTest, CheckInstallPath) {
  Pack(Config(""));
  platform::SetMachineConfinement(false);
  auto app = fx.NewEngine();
  // The engine confines its process to the machine; the agent's processes never make one.
  EXPECT_TRUE(platform::MachineConfinement());
  EXPECT_FALSE(app->CheckInstallPath("Q:\\Apps\\Tessaly 同步\\"));
  EXPECT_FALSE(app->CheckInstallPath("Apps"));
  for (const char* refused : {"C:\\Apps<1>\\", "C:\\Apps\\CON\\", "C:\\Apps.\\", "C:\\..\\Apps\\"})
    EXPECT_FALSE(app->CheckInstallPath(refused)) << refused;
  EXPECT_FALSE(fs::exists(SetupEngineFixture::Host("C:\\Apps")));
  EXPECT_TRUE(app->CheckInstallPath("C:\\Apps\\tessaly 同步\\"));
  EXPECT_TRUE(fs::is_directory(SetupEngineFixture::Host("C:\\Apps")));
  EXPECT_FALSE(fs::exists(SetupEngineFixture::Host("C:\\Apps\\Tessaly 同步")));
}

// Two setups started in the same second get two cache folders, and the first to end leaves the
// other's alone.
TEST_F(EngineTest, TwoEnginesTwoCacheFolders) {
  Pack(Config(""));
  auto first = fx.NewEngine();
  auto second = fx.NewEngine();
  EXPECT_EQ(first->Stamp, second->Stamp);
  EXPECT_EQ(first->CachePath, "C:\\ProgramData\\VqInstCache\\" + first->Stamp + "\\");
  EXPECT_EQ(second->CachePath, "C:\\ProgramData\\VqInstCache\\" + first->Stamp + "_1\\");
  const std::string secondPackage = SetupEngineFixture::Host(second->AppFilesFile);
  EXPECT_TRUE(fs::exists(secondPackage));
  first.reset();
  EXPECT_TRUE(fs::exists(secondPackage));
  std::string error;
  EXPECT_TRUE(second->OpenAppFiles(error)) << error;
}

// A cache root where no folder can be made moves on to the next drive; with none left the user
// is told and the engine runs on its defaults.
TEST_F(EngineTest, CacheFolderFallsBackToNextDrive) {
  Pack(Config(""));
  BlockCacheRoot("C:\\ProgramData\\");
  {
    auto app = fx.NewEngine();
    EXPECT_TRUE(app->CacheReady());
    EXPECT_EQ(app->CachePath, "C:\\VqInstCache\\" + app->Stamp + "\\");
  }
  AddDrive('d');
  {
    auto app = fx.NewEngine();
    EXPECT_EQ(app->CachePath, "D:\\VqInstCache\\" + app->Stamp + "\\");
  }
  BlockCacheRoot("D:\\");
  BlockCacheRoot("C:\\");
  TvqApp app;
  EXPECT_FALSE(app.CacheReady());
  ASSERT_FALSE(fx.ui.Transcript().empty());
  EXPECT_EQ(fx.ui.Transcript().back(), "info[消息]: 创建文件夹失败：VqInstCache");
  EXPECT_EQ(app.Main.AppId, "1001");
}

// A configuration without a product GUID, packed around the packer, takes one fixed GUID
// without braces in every run and logs it.
TEST_F(EngineTest, MissingGuidIsFixed) {
  Pack(Config(""));
  std::string error;
  ASSERT_TRUE(platform::AppendResources(fx.machine.programFile(),
                                        {{"soft_config", platform::Utf8ToCp936("[Main]\r\nAppTitle=T\r\n")}}, error))
      << error;
  for (int run = 0; run < 2; ++run) {
    auto app = fx.NewEngine();
    EXPECT_EQ(app->Main.AppGuid, "6367967D-89C7-468D-98CE-AC2509D8F2DF");
    EXPECT_EQ(app->UninstallKey(),
              "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{6367967D-89C7-468D-98CE-AC2509D8F2DF}");
  }
  EXPECT_NE(SetupEngineFixture::SetupLogText().find("AppGuid"), std::string::npos);
}

// An AppId that is no file name, packed around the packer, is refused at start with a message,
// and neither the uninstaller nor the mirror file is written through it: the files its ".."
// would reach stay as they were.
TEST_F(EngineTest, AppIdThatLeavesTheFolderIsRefused) {
  Pack(Config(""));
  std::string error;
  ASSERT_TRUE(platform::AppendResources(
      fx.machine.programFile(),
      {{"soft_config", platform::Utf8ToCp936(Config("AppId=9\\..\\..\\Victim\\keep\r\nAppDefPath=C:\\Apps\\T\r\n"))}},
      error))
      << error;
  for (const char* file : {"C:\\Victim\\keep.dat", "C:\\Victim\\keep.exe"})
    vqtest::WriteFileBytes(SetupEngineFixture::Host(file), "precious");
  auto app = fx.NewEngine();
  bool quit = false;
  app->OnQuit = [&quit] { quit = true; };
  EXPECT_FALSE(app->RequireAppFiles());
  EXPECT_TRUE(quit);
  ASSERT_FALSE(fx.ui.Transcript().empty());
  EXPECT_EQ(fx.ui.Transcript().back(), "info[消息]: 安装配置有误，AppId不能用作文件名：9\\..\\..\\Victim\\keep");

  fs::create_directories(SetupEngineFixture::Host(app->InstallPath));
  app->WriteUninstallEntry();
  app->SaveInstallItems("sync");
  EXPECT_FALSE(app->ExtractUninstaller(error));
  EXPECT_EQ(error, "安装配置有误，AppId不能用作文件名：9\\..\\..\\Victim\\keep");
  for (const char* file : {"C:\\Victim\\keep.dat", "C:\\Victim\\keep.exe"})
    EXPECT_EQ(vqtest::ReadFileBytes(SetupEngineFixture::Host(file)), "precious") << file;
  EXPECT_TRUE(fs::is_empty(SetupEngineFixture::Host(app->InstallPath)));
}

// The packer refuses a setup configuration that names no product GUID, and packs one that does.
TEST_F(EngineTest, PackerRefusesConfigurationWithoutGuid) {
  vqtest::TempDir dir;
  vqtest::WriteFileBytes(dir.file("a.exe"), "MZ");
  vqtest::WriteFileBytes(dir.file("no_guid.ini"), "[Main]\r\nAppTitle=T\r\nAppGuid=\r\n");
  vqtest::WriteFileBytes(dir.file("guid.ini"), "[Main]\r\nAppGuid=8F0C6A1E\r\n");
  std::string output;
  EXPECT_EQ(vqtest::RunPacker({dir.file("a.exe"), "SOFT_CONFIG=" + dir.file("no_guid.ini")}, output), 1);
  EXPECT_NE(output.find("AppGuid"), std::string::npos) << output;
  EXPECT_EQ(vqtest::RunPacker({dir.file("a.exe"), "soft_config=" + dir.file("guid.ini")}, output), 0) << output;
}

// Both logs write "[time]" entries each followed by an empty line; the setup log stays after the
// engine has removed its cache folder and configuration file.
TEST_F(EngineTest, LogsAndTeardown) {
  Pack(Config("AppDefPath=C:\\Apps\\T\r\n"));
  std::string cache, config;
  {
    auto app = fx.NewEngine();
    cache = app->CachePath;
    config = app->ConfigFile;
    EXPECT_TRUE(fs::exists(SetupEngineFixture::Host(config)));
    fs::create_directories(SetupEngineFixture::Host(app->InstallPath));
    app->WriteInstallLog("安装", "第一条");
    app->WriteInstallLog("安装", "第二条");
    orvane::WriteSetupLog("标记");
  }
  EXPECT_FALSE(fs::exists(SetupEngineFixture::Host(cache)));
  EXPECT_EQ(platform::Cp936ToUtf8(vqtest::ReadFileBytes(SetupEngineFixture::Host("C:\\Apps\\T\\zvqinstall.log"))),
            "[2020-07-17 09:00:00][安装]  第一条\r\n\r\n[2020-07-17 09:00:00][安装]  第二条\r\n\r\n");
  EXPECT_NE(SetupEngineFixture::SetupLogText().find("]  标记\r\n\r\n"), std::string::npos);
}

// The status text goes to the wizard's status line with a wait in 100 ms slices; without a
// status line nothing is shown and nothing waits.
TEST_F(EngineTest, ShowSetupStatus) {
  Pack(Config(""));
  auto app = fx.NewEngine();
  const auto before = fx.clock.Sleeps().size();
  app->ShowSetupStatus("无标签", 300);
  EXPECT_EQ(fx.clock.Sleeps().size(), before);
  app->StatusLabel = &fx.ui;
  app->ShowSetupStatus("正在读取", 250);
  EXPECT_EQ(fx.ui.StatusLines(), std::vector<std::string>{"正在读取"});
  const std::vector<int> all = fx.clock.Sleeps();
  const std::vector<int> sleeps(all.begin() + static_cast<long>(before), all.end());
  EXPECT_EQ(sleeps, (std::vector<int>{100, 100, 50}));
}

// The uninstaller without an uninstall entry keeps the default install folder.
TEST_F(EngineTest, UninstallerWithoutEntryKeepsDefaultFolder) {
  Pack(Config("AppInstallType=Uninstall\r\nAppDefPath=C:\\Apps\\T\r\n"));
  auto app = fx.NewEngine();
  EXPECT_EQ(app->Mode, orvane::kModeUninstall);
  EXPECT_EQ(app->InstallPath, "C:\\Apps\\T\\");
  EXPECT_EQ(app->PackFile, app->CachePath + "uninst_files.zip");
}

// A picture target that records what it was given.
class RecordingPicture final : public orvane::IPictureTarget {
 public:
  bool LoadPictureFile(const std::string& hostPath, const std::string& ext) override {
    files.push_back(vqtest::ReadFileBytes(hostPath) + ext);
    return true;
  }
  bool LoadPictureBytes(const std::string& bytes, const std::string& ext) override {
    this->bytes.push_back(bytes + ext);
    return ext == ".png";
  }
  std::vector<std::string> files, bytes;
};

// Slider pictures come from the app-files package, the uninstaller falling back to the
// installer's slider; a key that names no picture loads nothing; the logo falls back to the
// default resource.
TEST_F(EngineTest, PicturesAndLogo) {
  SetupExeBuilder builder;
  builder.SetConfig(Config("AppInstallType=uninstall\r\n") +
                    "[slider_imgs]\r\nslider_img1=D:\\src\\img\\一.png\r\nslider_img2=D:\\src\\img\\readme.txt\r\n");
  builder.AddAppFile({"D:\\src\\img\\一.png", "img\\一.png", "png bytes"});
  builder.AddResource("APP_LOGO_DEF", "logo");
  fx.Pack(builder);
  auto app = fx.NewEngine();
  app->PrepareSliderPictures();
  EXPECT_TRUE(fs::exists(SetupEngineFixture::Host(app->CachePath + "一.png")));
  RecordingPicture picture;
  EXPECT_TRUE(app->LoadSliderPicture(picture, "", 1));
  EXPECT_FALSE(app->LoadSliderPicture(picture, "", 2));
  EXPECT_FALSE(app->LoadSliderPicture(picture, "uninst_", 1));
  EXPECT_EQ(picture.files, std::vector<std::string>{"png bytes.png"});
  app->LoadAppLogo(picture);
  EXPECT_EQ(picture.bytes, std::vector<std::string>{"logo.png"});
  EXPECT_NE(SetupEngineFixture::SetupLogText().find("LoadAppLogo-GetRCData(res_logo) ERRO：未找到资源res_logo"),
            std::string::npos);
}

// The packer reads a configuration named by a bare file name from the current folder, and
// neither looks for it in a Windows folder nor creates a machine root.
TEST_F(EngineTest, PackerReadsBareConfigurationNamesWithoutAMachine) {
  vqtest::TempDir dir;
  vqtest::WriteFileBytes(dir.file("a.exe"), "MZ");
  vqtest::WriteFileBytes(dir.file("cfg.ini"), "[Main]\r\nAppGuid=8F0C6A1E\r\n");
  const fs::path saved = fs::current_path();
  const char* savedRoot = std::getenv("VQ_MACHINE_ROOT");
  const std::string keptRoot = savedRoot != nullptr ? savedRoot : "";
  const std::string unusedRoot = dir.file("machine");
  setenv("VQ_MACHINE_ROOT", unusedRoot.c_str(), 1);
  fs::current_path(dir.path());
  std::string output;
  const int rc = vqtest::RunPacker({dir.file("a.exe"), "soft_config=cfg.ini"}, output);
  fs::current_path(saved);
  setenv("VQ_MACHINE_ROOT", keptRoot.c_str(), 1);
  EXPECT_EQ(rc, 0) << output;
  EXPECT_FALSE(fs::exists(unusedRoot));
  platform::SetSelfResourcesForTests(dir.file("a.exe"));
  std::string bytes;
  EXPECT_TRUE(orvane::TvqRes::GetRCData("soft_config", bytes, output)) << output;
  EXPECT_EQ(bytes, "[Main]\r\nAppGuid=8F0C6A1E\r\n");
  platform::SetSelfResourcesForTests(fx.machine.programFile());
}

// The packer refuses an AppId that is no file name; a resource named twice in one call is
// stored once, from the last file given.
TEST_F(EngineTest, PackerRefusesUnsafeAppIdAndKeepsTheLastOfTwoNames) {
  vqtest::TempDir dir;
  vqtest::WriteFileBytes(dir.file("a.exe"), "MZ");
  vqtest::WriteFileBytes(dir.file("bad.ini"), "[Main]\r\nAppGuid=8F0C6A1E\r\nAppId=9\\..\\..\\Victim\\keep\r\n");
  vqtest::WriteFileBytes(dir.file("first.bin"), "first");
  vqtest::WriteFileBytes(dir.file("last.bin"), "last");
  std::string output;
  EXPECT_EQ(vqtest::RunPacker({dir.file("a.exe"), "soft_config=" + dir.file("bad.ini")}, output), 1);
  EXPECT_NE(output.find("AppId"), std::string::npos) << output;
  const std::string before = vqtest::ReadFileBytes(dir.file("a.exe"));
  EXPECT_EQ(before, "MZ");
  ASSERT_EQ(vqtest::RunPacker(
                {dir.file("a.exe"), "res_logo=" + dir.file("first.bin"), "RES_LOGO=" + dir.file("last.bin")}, output),
            0)
      << output;
  const std::string packed = vqtest::ReadFileBytes(dir.file("a.exe"));
  EXPECT_EQ(packed.find("first"), std::string::npos);
  platform::SetSelfResourcesForTests(dir.file("a.exe"));
  std::string bytes;
  EXPECT_TRUE(orvane::TvqRes::GetRCData("res_logo", bytes, output)) << output;
  EXPECT_EQ(bytes, "last");
  platform::SetSelfResourcesForTests(fx.machine.programFile());
}

}  // namespace
