#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/ExeResources.h"
#include "platform/FileOps.h"
#include "platform/Profile.h"
#include "platform/Registry.h"
#include "platform/TextCodec.h"
#include "setup/core/InstallItemsText.h"
#include "setup/core/VqApp.h"
#include "setup/core/VqSign.h"
#include "support/SetupEngineFixture.h"
#include "support/TempDir.h"

namespace {

using orvane::TvqApp;
using platform::RegAccess;
using platform::RegKey;
using platform::RegRoot;
using platform::RegView;
using vqtest::MachineRootFixture;
using vqtest::SetupEngineFixture;
using vqtest::SetupExeBuilder;
namespace fs = std::filesystem;

constexpr const char* kKey =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{8F0C6A1E-2B7D-4C1A-9E55-0A1B2C3D4E5F}";

std::string Config(const std::string& mainLines, const std::string& modules) {
  return "[Main]\r\nAppId=1001\r\nAppGuid=8F0C6A1E-2B7D-4C1A-9E55-0A1B2C3D4E5F\r\nAppTitle=Tessaly 同步\r\n"
         "AppVersion=1.0.2.717\r\nAppCompany=Velmora\r\nAppHomepage=http://velmora.example/\r\n" +
         mainLines + "[module]\r\n" + modules;
}

constexpr const char* kModules =
    "sync=同步 服务;can_select:1;setup:1;\r\n"
    "web=\"网页\" 模块;can_select:1;setup:0;\r\n";

std::string RegString(RegView view, const std::string& name, bool* opened = nullptr) {
  RegKey key;
  std::string value;
  const bool ok = RegKey::Open(RegRoot::LocalMachine, kKey, RegAccess::Read, view, key) == 0;
  if (opened != nullptr) *opened = ok;
  if (ok) (void)key.ReadString(name, value);
  return value;
}

std::uint32_t RegDword(const std::string& name) {
  RegKey key;
  std::uint32_t value = 0;
  EXPECT_EQ(RegKey::Open(RegRoot::LocalMachine, kKey, RegAccess::Read, RegView::Force64, key), 0);
  EXPECT_EQ(key.ReadDword(name, value), 0) << name;
  return value;
}

std::string Mirror(const TvqApp& app, const std::string& name) {
  return platform::GetPrivateProfileString("Uninstall", name, "", app.MirrorFile(), platform::ProfileCodePage::Ansi);
}

class UninstallEntryTest : public ::testing::TestWithParam<MachineRootFixture::Bits> {
 protected:
  UninstallEntryTest() : fx(GetParam()) {}

  std::unique_ptr<TvqApp> Engine(const std::string& mainLines = "AppDefPath=C:\\Apps\\T\r\n",
                                 const std::string& modules = kModules) {
    SetupExeBuilder builder;
    builder.SetConfig(Config(mainLines, modules));
    fx.Pack(builder);
    auto app = fx.NewEngine();
    fs::create_directories(SetupEngineFixture::Host(app->InstallPath));
    return app;
  }

  SetupEngineFixture fx;
};

// The text values of the entry of Engine()'s product, in the order they are written.
std::vector<std::pair<std::string, std::string>> EntryTexts(const TvqApp& app) {
  return {
      {"ProductGuid", "8F0C6A1E-2B7D-4C1A-9E55-0A1B2C3D4E5F"},
      {"DisplayIcon", "C:\\Apps\\T\\uninstall1001.exe"},
      {"DisplayName", "Tessaly 同步"},
      {"DisplayVersion", "1.0.2.717"},
      {"Publisher", "Velmora"},
      {"RegCompany", "Microsoft"},
      {"RegOwner", "Microsoft"},
      {"URLInfoAbout", "http://velmora.example/"},
      {"InstallDate", "20200717"},
      {"InstallLocation", "C:\\Apps\\T\\"},
      {"InstallSource", SetupEngineFixture::kProgram},
      {"InstallItems", orvane::JoinCommaText(app.ModuleList)},
      {"UninstallString", "C:\\Apps\\T\\uninstall1001.exe"},
  };
}

// The entry is written in the 64-bit view and mirrored in the install folder, with every value
// of the table; nothing lands in the 32-bit view.
TEST_P(UninstallEntryTest, WritesEntryAndMirror) {
  auto app = Engine();
  app->WriteUninstallEntry();
  EXPECT_EQ(app->FailedFiles, 0);
  for (const auto& [name, value] : EntryTexts(*app)) {
    EXPECT_EQ(RegString(RegView::Force64, name), value) << name;
    EXPECT_EQ(Mirror(*app, name), value) << name;
  }
  const std::pair<std::string, std::uint32_t> numbers[] = {
      {"Version", 0x010A0000}, {"MajorVersion", 1}, {"MinorVersion", 0}, {"NoRepair", 1}, {"Language", 2052}};
  for (const auto& [name, value] : numbers) {
    EXPECT_EQ(RegDword(name), value) << name;
    EXPECT_EQ(Mirror(*app, name), std::to_string(value)) << name;
  }
  if (GetParam() == MachineRootFixture::Bits::x64) {
    bool opened = true;
    (void)RegString(RegView::Force32, "DisplayName", &opened);
    EXPECT_FALSE(opened) << "nothing under Wow6432Node";
  }
}

// Major and minor version numbers follow the field reading rule of the version text.
TEST_P(UninstallEntryTest, VersionNumbersTable) {
  const std::tuple<std::string, std::uint32_t, std::uint32_t> cases[] = {
      {"1.0.2.717", 1, 0}, {"2", 2, 2}, {"x.y", 1, 10}, {"3.12", 3, 12}};
  for (const auto& [version, major, minor] : cases) {
    auto app = Engine();
    app->Main.AppVersion = version;
    app->WriteUninstallEntry();
    EXPECT_EQ(RegDword("MajorVersion"), major) << version;
    EXPECT_EQ(RegDword("MinorVersion"), minor) << version;
  }
}

// A second install keeps the first owner and company values and rewrites everything else.
TEST_P(UninstallEntryTest, SecondInstallKeepsOwner) {
  RegKey key;
  ASSERT_EQ(RegKey::Create(RegRoot::LocalMachine, kKey, RegView::Force64, key), 0);
  ASSERT_EQ(key.WriteString("RegCompany", "Acme"), 0);
  ASSERT_EQ(key.WriteString("DisplayName", "old"), 0);
  auto app = Engine();
  app->WriteUninstallEntry();
  EXPECT_EQ(RegString(RegView::Force64, "RegCompany"), "Acme");
  EXPECT_EQ(Mirror(*app, "RegCompany"), "");
  EXPECT_EQ(RegString(RegView::Force64, "RegOwner"), "Microsoft");
  EXPECT_EQ(RegString(RegView::Force64, "DisplayName"), "Tessaly 同步");
}

// Module lists with blanks and quotes in their first and last items, and lists far beyond 2047
// bytes, read back from the mirror file exactly as written; the modules' flags then decide.
TEST_P(UninstallEntryTest, InstallItemsRoundTrip) {
  std::string many;
  for (int i = 0; i < 60; ++i)
    many += "m" + std::to_string(i) + "=模块 " + std::to_string(i) + ";can_select:1;setup:" + (i % 2 ? "1" : "0") + ";\r\n";
  const std::string lists[] = {kModules, "a=\"引号\";setup:1;\r\nb=尾 部;setup:1;\r\n", "plain=p;setup:1;\r\n", many};
  for (const std::string& modules : lists) {
    auto app = Engine("AppDefPath=C:\\Apps\\T\r\n", modules);
    const std::string written = orvane::JoinCommaText(app->ModuleList);
    app->SaveInstallItems(written);
    RegKey key;
    ASSERT_EQ(RegKey::Open(RegRoot::LocalMachine, kKey, RegAccess::Write, RegView::Force64, key), 0);
    ASSERT_EQ(key.WriteString("InstallItems", "registry=r;setup:0;"), 0);
    EXPECT_EQ(app->ReadInstallItems(), written) << "mirror wins";
    EXPECT_EQ(orvane::SplitCommaText(app->ReadInstallItems()), app->ModuleList);
  }
  auto app = Engine("AppDefPath=C:\\Apps\\T\r\n", many);
  EXPECT_GT(orvane::JoinCommaText(app->ModuleList).size(), 2047u);
  app->InstalledItems = orvane::SplitCommaText(app->ReadInstallItems());
  EXPECT_TRUE(app->IsModuleInstalled("M59"));
  EXPECT_FALSE(app->IsModuleInstalled("m58"));
  EXPECT_FALSE(app->IsModuleInstalled("nope"));
  app->InstalledItems.clear();
  EXPECT_TRUE(app->IsModuleInstalled("nope"));
}

// Without mirror file and entry the installed items are the configured modules; without a
// mirror the 64-bit entry's list is taken.
TEST_P(UninstallEntryTest, InstalledItemsFallbacks) {
  auto app = Engine();
  EXPECT_EQ(app->InstalledItems, app->ModuleList);
  EXPECT_TRUE(app->IsModuleInstalled("sync"));
  EXPECT_FALSE(app->IsModuleInstalled("web"));
  RegKey key;
  ASSERT_EQ(RegKey::Create(RegRoot::LocalMachine, kKey, RegView::Force64, key), 0);
  ASSERT_EQ(key.WriteString("InstallItems", "web=w;setup:1;"), 0);
  EXPECT_EQ(app->ReadInstallItems(), "web=w;setup:1;");
}

// The install location is read in the 64-bit view, then the 32-bit view, then the mirror file; a
// folder that no longer exists is not taken.
TEST_P(UninstallEntryTest, ReadInstallLocation) {
  auto app = Engine();
  fs::create_directories(SetupEngineFixture::Host("C:\\Old\\T"));
  struct Case {
    RegView view;
    std::string stored;
    bool found;
    std::string installPath;
  };
  const Case cases[] = {
      {RegView::Force64, "C:\\Old\\T", true, "C:\\Old\\T\\"},
      {RegView::Force32, "C:\\Old\\T\\", true, "C:\\Old\\T\\"},
      {RegView::Force64, "C:\\Gone\\T\\", false, "C:\\Apps\\T\\"},
  };
  for (const Case& c : cases) {
    app->SetInstallPath("C:\\Apps\\T\\");
    (void)RegKey::DeleteKey(RegRoot::LocalMachine, kKey, RegView::Force64);
    (void)RegKey::DeleteKey(RegRoot::LocalMachine, kKey, RegView::Force32);
    RegKey key;
    ASSERT_EQ(RegKey::Create(RegRoot::LocalMachine, kKey, c.view, key), 0);
    ASSERT_EQ(key.WriteString("InstallLocation", c.stored), 0);
    EXPECT_EQ(app->ReadInstallLocation(), c.found) << c.stored;
    EXPECT_EQ(app->InstallPath, c.installPath) << c.stored;
    EXPECT_EQ(app->TempPath, c.installPath + "temp\\");
  }
}

// Removing the entry clears it from both views and deletes the mirror file, so the product no
// longer counts as installed.
TEST_P(UninstallEntryTest, RemoveDeletesBothViews) {
  auto app = Engine();
  app->WriteUninstallEntry();
  RegKey key;
  ASSERT_EQ(RegKey::Create(RegRoot::LocalMachine, kKey, RegView::Force32, key), 0);
  ASSERT_EQ(key.WriteString("InstallLocation", "C:\\Apps\\T\\"), 0);
  app->RemoveUninstallEntry();
  for (const RegView view : {RegView::Force64, RegView::Force32, RegView::Default}) {
    bool opened = true;
    (void)RegString(view, "InstallLocation", &opened);
    EXPECT_FALSE(opened);
  }
  EXPECT_FALSE(fs::exists(SetupEngineFixture::Host(app->MirrorFile())));
  EXPECT_FALSE(app->ReadInstallLocation());
}

// The uninstaller takes the stored install folder at start-up; its installer's folder default
// stays when none is stored.
TEST_P(UninstallEntryTest, UninstallerTakesStoredLocation) {
  {
    auto installer = Engine("AppDefPath=C:\\Data\\T\r\n");
    installer->WriteUninstallEntry();
  }
  auto app = Engine("AppInstallType=uninstall\r\nAppDefPath=C:\\Other\\\r\n");
  EXPECT_EQ(app->InstallPath, "C:\\Data\\T\\");
}

// A mirror file that refuses its writes stops none of the registry values; the entry counts as
// one failed file of the flow, named by its place in the install folder.
TEST_P(UninstallEntryTest, RefusedMirrorStillWritesTheRegistry) {
  auto app = Engine();
  vqtest::WriteFileBytes(SetupEngineFixture::Host(app->MirrorFile()), "[Uninstall]\r\n");
  ASSERT_EQ(platform::SetReadOnly(app->MirrorFile(), true), 0);
  app->WriteUninstallEntry();
  for (const auto& [name, value] : EntryTexts(*app)) EXPECT_EQ(RegString(RegView::Force64, name), value) << name;
  EXPECT_EQ(RegDword("Language"), 2052u);
  EXPECT_EQ(Mirror(*app, "DisplayName"), "");
  EXPECT_EQ(app->FailedFiles, 1);
  (void)platform::SetReadOnly(app->MirrorFile(), false);
}

// A user who may not write HKEY_LOCAL_MACHINE still gets the mirror file; the failed key is
// logged, not raised, and counted for the flow's closing report.
TEST_P(UninstallEntryTest, WithoutRegistryRightsOnlyTheMirror) {
  auto app = Engine();
  fx.machine.SetMachineValue("Admin", "0");
  app->WriteUninstallEntry();
  EXPECT_EQ(app->FailedFiles, 1) << "the flow tells that the entry is missing";
  app->SaveInstallItems("sync=s;setup:1;");
  EXPECT_EQ(app->FailedFiles, 2);
  bool opened = true;
  (void)RegString(RegView::Force64, "DisplayName", &opened);
  EXPECT_FALSE(opened);
  EXPECT_EQ(Mirror(*app, "DisplayName"), "Tessaly 同步");
  EXPECT_EQ(app->ReadInstallItems(), "sync=s;setup:1;");
  EXPECT_NE(SetupEngineFixture::SetupLogText().find(std::string("保存注册表安装信息时，打开注册表键失败：") + kKey),
            std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Machines, UninstallEntryTest,
                         ::testing::Values(MachineRootFixture::Bits::x64, MachineRootFixture::Bits::x86),
                         [](const auto& info) { return info.param == MachineRootFixture::Bits::x64 ? "x64" : "x86"; });

std::string BatchText(const std::string& batchWindowsPath) {
  return platform::Cp936ToUtf8(vqtest::ReadFileBytes(SetupEngineFixture::Host(batchWindowsPath)));
}

// Deep self-deletion removes only the install location found at start-up, and never a folder
// the system or other products live in; otherwise only the uninstaller's file goes.
TEST(SelfDeleteTest, DeepOnlyForStartupInstallLocation) {
  struct Case {
    std::string program;
    std::string storedLocation;
    bool deep;
    bool removesFolder;
  };
  const Case cases[] = {
      {"C:\\Apps\\T\\Uninstall1001.exe", "C:\\Apps\\T\\", true, true},
      {"C:\\Apps\\T\\Uninstall1001.exe", "C:\\Apps\\T\\", false, false},
      {"C:\\Apps\\T\\Uninstall1001.exe", "C:\\Apps\\Other\\", true, false},
      {"C:\\Apps\\T\\Uninstall1001.exe", "", true, false},
      {"C:\\Program Files\\Uninstall1001.exe", "C:\\Program Files\\", true, false},
      {"C:\\Uninstall1001.exe", "C:\\", true, false},
  };
  for (const Case& c : cases) {
    SetupEngineFixture fx;
    fx.machine.SetProgramHostFile(SetupEngineFixture::Host(c.program));
    fs::create_directories(SetupEngineFixture::Host("C:\\Apps\\Other"));
    fs::create_directories(SetupEngineFixture::Host("C:\\Apps\\T"));
    if (!c.storedLocation.empty()) {
      RegKey key;
      ASSERT_EQ(RegKey::Create(RegRoot::LocalMachine, kKey, RegView::Force64, key), 0);
      ASSERT_EQ(key.WriteString("InstallLocation", c.storedLocation), 0);
    }
    SetupExeBuilder builder;
    builder.SetConfig(Config("AppInstallType=uninstall\r\n", ""));
    fx.Pack(builder);
    auto app = fx.NewEngine();
    // The batch starts only after a pause of three seconds, long after this case has ended.
    ASSERT_TRUE(app->StartSelfDelete(c.deep)) << c.program;
    const std::string text = BatchText("C:\\Uninstall1001.exe.bat");
    const std::string folder = c.program.substr(0, c.program.rfind('\\') + 1);
    EXPECT_NE(text.find("del \"" + c.program + "\"\r\n\r\nif %var% lss 10 goto loop_file\r\n\r\n"), std::string::npos);
    EXPECT_EQ(text.find("rd/s/q \"" + folder + "\"\r\n\r\n") != std::string::npos, c.removesFolder)
        << c.program << " stored " << c.storedLocation;
    EXPECT_NE(text.find("del \"C:\\Uninstall1001.exe.bat\"\r\n\r\n"), std::string::npos);
    EXPECT_EQ(text.rfind("@echo off\r\n\r\nchoice /t 3 /d y /n\r\n\r\nset var=0\r\n\r\n:loop_file\r\n\r\n", 0), 0u);
  }
}

}  // namespace

namespace {

// The installer carries its uninstaller in the payload; extracted into the install folder it is
// a setup program of its own whose configuration makes it the uninstaller.
TEST(UninstallerTest, ExtractedUninstallerIsAnUninstaller) {
  SetupEngineFixture fx;
  SetupExeBuilder uninstaller;
  uninstaller.SetConfig(Config("AppInstallType=uninstall\r\n", kModules));
  SetupExeBuilder installer;
  installer.SetConfig(Config("AppDefPath=C:\\Apps\\T\r\nAppUninstExeFile=D:\\src\\卸载\\Uninstall.exe\r\n", kModules));
  installer.PackUninstaller(uninstaller, "D:\\src\\卸载\\Uninstall.exe", "卸载\\Uninstall.exe");
  fx.Pack(installer);
  auto app = fx.NewEngine();
  app->Sign().SetValue(-1);
  app->StartPackThread("soft_pack_files", app->PackFile);
  SetupEngineFixture::WaitPackThread(*app);
  std::string error;
  ASSERT_TRUE(app->ExtractUninstaller(error)) << error;
  std::string readError, config;
  const auto resources = platform::ResourceFile::Open("C:\\Apps\\T\\Uninstall1001.exe", readError);
  ASSERT_TRUE(resources) << readError;
  ASSERT_TRUE(resources->Read("SOFT_CONFIG", config, readError)) << readError;
  EXPECT_NE(platform::Cp936ToUtf8(config).find("AppInstallType=uninstall"), std::string::npos);
}

// Selected modules give their file groups once each, in module order; unselected modules,
// groups without a record and groups without a name give none.
TEST(UninstallerTest, CollectInstallGroups) {
  SetupEngineFixture fx;
  SetupExeBuilder builder;
  builder.SetConfig(
      Config("", "a=A;setup:1;\r\nb=B;setup:1;\r\nc=C;setup:0;\r\n") +
      "[a_filegroup]\r\nfilegroup1=group_id:g1;\r\nfilegroup2=group_id:g2;\r\nfilegroup3=group_id:g5;\r\n"
      "[b_filegroup]\r\nfilegroup1=group_id:g2;\r\nfilegroup2=group_id:g9;\r\nfilegroup3=group_id:g3;\r\n"
      "[c_filegroup]\r\nfilegroup1=group_id:g4;\r\n"
      "[file_group]\r\ng1=app_id:1;group_id:g1;group_name:bin;\r\ng2=app_id:1;group_id:g2;group_name:data;\r\n"
      "g3=app_id:1;group_id:g3;group_name:doc;\r\ng4=app_id:1;group_id:g4;group_name:web;\r\n"
      "g5=app_id:1;group_id:g5;group_title:无名;\r\n");
  fx.Pack(builder);
  auto app = fx.NewEngine();
  app->CollectInstallGroups();
  EXPECT_EQ(app->SelectedGroups, (orvane::TLineList{"g1=bin", "g2=data", "g3=doc"}));
}

}  // namespace
