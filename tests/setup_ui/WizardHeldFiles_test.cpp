// A packed product taken through the wizard while one of its files is held open by another
// program, or a write it needs is refused: the install and the uninstall still run every step to
// their finish pages, tell the user which file, key or setting failed, and leave the machine
// configured as the product says.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "WizardWorld.h"
#include "platform/FileOps.h"
#include "platform/Profile.h"
#include "platform/Registry.h"
#include "platform/TextCodec.h"
#include "setup/core/VqLib.h"
#include "support/TempDir.h"

namespace {

using orvane::TCtl;
using platform::RegAccess;
using platform::RegKey;
using platform::RegRoot;
using platform::RegView;
using vqtest::SetupEngineFixture;
using vqtest::WizardWorld;
namespace fs = std::filesystem;

const std::string kApp = vqtest::kWizardAppPath;
const std::string kDesktop = "C:\\Users\\Public\\Desktop\\";
const std::string kMenu = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Tessaly\\";
constexpr const char* kRun = "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kSettingsKey = "SOFTWARE\\Velmora\\tessaly";
constexpr const char* kUninstaller = "D:\\Apps\\Tessaly\\Uninstall1001.exe";
constexpr const char* kBatch = "C:\\Uninstall1001.exe.bat";
// The uninstall's closing action writes an autorun value for this file, which stays.
constexpr const char* kStandFile = "D:\\Tools\\Stand.exe";

// The wizard's product with configuration items of both kinds, links of a module and a global
// one, and a closing action for the install and one for the uninstall.
const std::string kExtras =
    "[core_config]\r\n"
    "port=cfg_show:0;cfg_type:0;cfg_file:<app_path>tessaly.ini;cfg_sect:Server;cfg_name:Port;cfg_value:9103;\r\n"
    "[_config]\r\n"
    "host=cfg_show:0;cfg_type:2;cfg_file:SOFTWARE\\Velmora\\tessaly;cfg_sect:HKEY_LOCAL_MACHINE;cfg_name:Host;"
    "cfg_value:127.0.0.1;\r\n"
    "[core_desktop]\r\n<app_path>bin\\Tessaly.exe=Tessaly;\r\n"
    "[core_startmenu]\r\n<app_path>bin\\Tessaly.exe=Tessaly;\r\n"
    "[tools_desktop]\r\n<app_path>tools\\tool.exe=工具;\r\n"
    "[_startmenu]\r\n<app_path>Uninstall1001.exe=卸载 <app_title>;\r\n"
    "[_exec_1]\r\n{A1}=exec_type:9;src_file:<app_path>bin\\Tessaly.exe;service_name:TessalyAuto;exec_name:开机启动;"
    "is_can_select:1;is_def_select:1;setup_style:1000;\r\n"
    "[_exec_3]\r\n{A3}=exec_type:9;src_file:D:\\Tools\\Stand.exe;service_name:UninstallDone;exec_name:记录;"
    "is_can_select:1;is_def_select:1;setup_style:0001;\r\n";

vqtest::SetupExeBuilder Product(const std::string& mainLines = "") {
  return WizardWorld::Product(mainLines, std::string(vqtest::kWizardModules) + kExtras);
}

std::string Host(const std::string& windowsPath) { return SetupEngineFixture::Host(windowsPath); }
bool Exists(const std::string& windowsPath) { return fs::exists(Host(windowsPath)); }
std::string Read(const std::string& windowsPath) { return vqtest::ReadFileBytes(Host(windowsPath)); }

bool KeyOpens(RegView view, const std::string& path) {
  RegKey key;
  return RegKey::Open(RegRoot::LocalMachine, path, RegAccess::Read, view, key) == 0;
}

// Every value of a key in the 64-bit view, DWORDs as decimal text; empty when the key is missing.
std::map<std::string, std::string> KeyValues(const std::string& path) {
  std::map<std::string, std::string> values;
  RegKey key;
  std::vector<std::string> names;
  if (RegKey::Open(RegRoot::LocalMachine, path, RegAccess::Read, RegView::Force64, key) != 0 ||
      key.ValueNames(names) != 0)
    return values;
  for (const std::string& name : names) {
    std::string text;
    std::uint32_t number = 0;
    if (key.ReadString(name, text) == 0)
      values[name] = text;
    else if (key.ReadDword(name, number) == 0)
      values[name] = std::to_string(number);
  }
  return values;
}

std::map<std::string, std::string> MirrorValues(const std::string& file) {
  std::map<std::string, std::string> values;
  for (const auto& [name, value] :
       platform::GetPrivateProfileSection("Uninstall", Host(file), platform::ProfileCodePage::Ansi))
    values[name] = value;
  return values;
}

std::string Ini(const std::string& file, const std::string& section, const std::string& name) {
  return platform::GetPrivateProfileString(section, name, "(none)", Host(file), platform::ProfileCodePage::Ansi);
}

// The entry an install of the product leaves, every value of it.
std::map<std::string, std::string> InstalledEntry(const std::string& items) {
  return {{"ProductGuid", vqtest::kWizardGuid},
          {"DisplayIcon", kApp + "uninstall1001.exe"},
          {"DisplayName", "Tessaly"},
          {"DisplayVersion", "2.1"},
          {"Publisher", "Velmora软件"},
          {"RegCompany", "Microsoft"},
          {"RegOwner", "Microsoft"},
          {"URLInfoAbout", "https://www.velmora.example/"},
          {"Version", "17432576"},
          {"MajorVersion", "2"},
          {"MinorVersion", "1"},
          {"NoRepair", "1"},
          {"Language", "2052"},
          {"InstallDate", "20200717"},
          {"InstallLocation", kApp},
          {"InstallSource", SetupEngineFixture::kProgram},
          {"InstallItems", items},
          {"UninstallString", kApp + "uninstall1001.exe"}};
}

const std::string kInstalledItems =
    "core=核心;can_select:0;setup:1;item_group:基础;,tools=工具;can_select:1;setup:1;item_group:扩展;,"
    "web=网页;can_select:1;setup:0;item_group:扩展;";

// The self-deletion's shell open moves this process into the machine's drive root, which goes
// with the machine: the test's folder comes back first.
struct KeepFolder {
  fs::path folder = fs::current_path();
  ~KeepFolder() { fs::current_path(folder); }
};

// An install whose tools program is held open by a program of the user: every other file is
// placed, the configuration items, the entry, the links and the closing action follow, and the
// user is told which file was not placed before the finish page.
TEST(WizardHeldFiles, InstallWithAHeldFileFinishes) {
  WizardWorld w;
  vqtest::WriteFileBytes(Host(vqtest::kToolsFile), "in use");
  platform::FileHold hold(vqtest::kToolsFile);
  ASSERT_TRUE(hold.IsHeld());
  w.Start(Product());
  (void)w.Boxes();
  w.wizard.Click(TCtl::btnStart);
  ASSERT_EQ(w.view.page, TCtl::pnlStepItems);
  w.wizard.Click(TCtl::btnItemsNext);

  EXPECT_EQ(w.Boxes(), std::vector<std::string>{"info[消息]: 安装文件失败：1，tools\\tool.exe"});
  ASSERT_EQ(w.view.page, TCtl::pnlStepFinsh);
  EXPECT_EQ(w.view.Caption(TCtl::lblFinishTitle), "安装成功");
  w.wizard.Click(TCtl::btnFinish);
  EXPECT_TRUE(w.view.closed);
  hold.Release();

  EXPECT_EQ(Read(vqtest::kCoreFile), "agent program");
  EXPECT_EQ(Read(vqtest::kToolsFile), "in use");
  EXPECT_FALSE(Exists(vqtest::kWebFile));
  EXPECT_EQ(Read(kUninstaller), "uninstaller program");
  EXPECT_EQ(Ini(kApp + "tessaly.ini", "Server", "Port"), "9103");
  EXPECT_EQ(KeyValues(kSettingsKey), (std::map<std::string, std::string>{{"Host", "127.0.0.1"}}));
  EXPECT_EQ(KeyValues(kRun).count("TessalyAuto"), 1u) << "the closing action ran";
  EXPECT_EQ(KeyValues(kRun).count("UninstallDone"), 0u);
  EXPECT_EQ(KeyValues(vqtest::kWizardKey), InstalledEntry(kInstalledItems));
  EXPECT_EQ(MirrorValues(kApp + "Uninstall1001.dat"), InstalledEntry(kInstalledItems));
  EXPECT_FALSE(KeyOpens(RegView::Force32, vqtest::kWizardKey));
  for (const std::string& link :
       {kDesktop + "Tessaly.lnk", kDesktop + "工具.lnk", kMenu + "Tessaly.lnk", kMenu + "卸载 Tessaly.lnk"})
    EXPECT_TRUE(Exists(link)) << link;
  EXPECT_NE(SetupEngineFixture::SetupLogText().find("安装文件失败：1，tools\\tool.exe"), std::string::npos);
}

// The uninstaller removes the whole product while its tools program is held open: the entry
// goes, the user is told which file stayed, the finish page runs its closing action, and the
// uninstaller deletes itself; the file that could not go stays with its folder.
TEST(WizardHeldFiles, UninstallWithAHeldFileFinishes) {
  WizardWorld w;
  KeepFolder keepFolder;
  vqtest::WriteFileBytes(Host(kStandFile), "stand-in");
  w.InstallFirst(Product(), false, true);
  if (HasFatalFailure()) return;
  ASSERT_EQ(Ini(kApp + "tessaly.ini", "Server", "Port"), "9103");
  // The links the wizard's install made (the engine alone makes none).
  orvane::TvqLib::CreateDesktopLink(vqtest::kCoreFile, "Tessaly", "", "");
  orvane::TvqLib::CreateDesktopLink(vqtest::kToolsFile, "工具", "", "");
  orvane::TvqLib::CreateStartMenuLink(vqtest::kCoreFile, "Tessaly", "Tessaly", "", "");
  orvane::TvqLib::CreateStartMenuLink(kUninstaller, "Tessaly", "卸载 Tessaly", "", "");
  ASSERT_TRUE(Exists(kMenu + "Tessaly.lnk"));
  ASSERT_TRUE(Exists(kMenu + "卸载 Tessaly.lnk"));
  platform::FileHold hold(vqtest::kToolsFile);
  ASSERT_TRUE(hold.IsHeld());
  w.world.fx.machine.SetProgramHostFile(Host(kUninstaller));
  w.Start(Product("AppInstallType=uninstall\r\n"));
  if (HasFatalFailure()) return;
  (void)w.Boxes();
  w.wizard.Click(TCtl::btnStart);

  EXPECT_EQ(w.Boxes(), std::vector<std::string>{"info[消息]: 卸载文件失败：1，D:\\Apps\\Tessaly\\tools\\tool.exe"});
  ASSERT_EQ(w.view.page, TCtl::pnlStepFinsh);
  EXPECT_EQ(w.view.Caption(TCtl::lblFinishTitle), "卸载成功");
  ASSERT_FALSE(Exists(kBatch));
  w.wizard.Click(TCtl::btnFinish);
  EXPECT_TRUE(w.view.closed);
  hold.Release();

  EXPECT_FALSE(Exists(vqtest::kCoreFile));
  EXPECT_FALSE(Exists(kApp + "bin"));
  EXPECT_EQ(Read(vqtest::kToolsFile), "tool program");
  EXPECT_TRUE(Exists(kUninstaller)) << "the batch deletes it once the program has ended";
  EXPECT_NE(Read(kBatch).find(std::string("del \"") + kUninstaller + "\""), std::string::npos);
  for (const RegView view : {RegView::Force64, RegView::Force32, RegView::Default})
    EXPECT_FALSE(KeyOpens(view, vqtest::kWizardKey)) << static_cast<int>(view);
  EXPECT_FALSE(Exists(kApp + "Uninstall1001.dat"));
  EXPECT_EQ(KeyValues(kRun).count("UninstallDone"), 1u) << "the closing action ran";
  EXPECT_EQ(Ini(kApp + "tessaly.ini", "Server", "Port"), "9103") << "configuration items stay";
  EXPECT_EQ(KeyValues(kSettingsKey), (std::map<std::string, std::string>{{"Host", "127.0.0.1"}}));
  for (const std::string& link : {kDesktop + "Tessaly.lnk", kDesktop + "工具.lnk", kMenu + "Tessaly.lnk"})
    EXPECT_FALSE(Exists(link)) << link;
  EXPECT_TRUE(Exists(kMenu + "卸载 Tessaly.lnk")) << "global links stay";
  const std::string log =
      platform::Cp936ToUtf8(vqtest::ReadFileBytes(Host("C:\\ProgramData\\VqInstCache\\Uninstall1001.log")));
  EXPECT_NE(log.find("卸载文件失败：D:\\Apps\\Tessaly\\tools\\tool.exe"), std::string::npos);
}

std::string UserValue(const std::string& path, const std::string& name) {
  RegKey key;
  std::string value;
  if (RegKey::Open(RegRoot::CurrentUser, path, RegAccess::Read, RegView::Force64, key) != 0 ||
      key.ReadString(name, value) != 0)
    return "(none)";
  return value;
}

// Configuration items that cannot be stored (a read-only INI file, an INI file in a folder that
// does not exist, a key of the machine the user may not write) no longer stop the wizard: every
// other item is written, the user is told once which ones failed, and the install finishes. The
// entry that could not be written is named as a registry key.
TEST(WizardHeldFiles, RefusedSettingsAreToldAndTheInstallFinishes) {
  WizardWorld w;
  const std::string locked = kApp + "locked.ini";
  vqtest::WriteFileBytes(Host(locked), "[Server]\r\nPort=1\r\n");
  ASSERT_EQ(platform::SetReadOnly(locked, true), 0);
  w.world.fx.machine.SetMachineValue("Admin", "0");
  const std::string settings =
      "[core_config]\r\n"
      "port=cfg_show:1;cfg_type:0;cfg_file:<app_path>locked.ini;cfg_sect:Server;cfg_name:Port;cfg_value:9103;"
      "cfg_title:端口;\r\n"
      "[_config]\r\n"
      "lost=cfg_show:0;cfg_type:0;cfg_file:<app_path>缺少\\tessaly.ini;cfg_sect:Server;cfg_name:Host;cfg_value:x;\r\n"
      "host=cfg_show:0;cfg_type:2;cfg_file:SOFTWARE\\Velmora\\tessaly;cfg_sect:HKEY_LOCAL_MACHINE;cfg_name:Host;"
      "cfg_value:127.0.0.1;\r\n"
      "user=cfg_show:0;cfg_type:2;cfg_file:Software\\Velmora\\tessaly;cfg_sect:HKEY_CURRENT_USER;cfg_name:User;"
      "cfg_value:operator;\r\n"
      "good=cfg_show:0;cfg_type:0;cfg_file:<app_path>tessaly.ini;cfg_sect:Server;cfg_name:Port;cfg_value:9200;\r\n"
      "[core_desktop]\r\n<app_path>bin\\Tessaly.exe=Tessaly;\r\n";
  w.Start(WizardWorld::Product("", std::string(vqtest::kWizardModules) + settings));
  (void)w.Boxes();
  w.wizard.Click(TCtl::btnStart);
  ASSERT_EQ(w.view.page, TCtl::pnlStepItems);
  w.wizard.Click(TCtl::btnItemsNext);
  EXPECT_EQ(w.Boxes(), std::vector<std::string>{std::string("info[消息]: 安装注册表项失败：1，HKEY_LOCAL_MACHINE\\") +
                                                vqtest::kWizardKey});
  ASSERT_EQ(w.view.page, TCtl::pnlStepConfig);
  EXPECT_EQ(w.view.Caption(TCtl::edtICfgItem1), "1");
  w.wizard.Click(TCtl::btnICFGNext);

  EXPECT_EQ(w.Boxes(), std::vector<std::string>{"info[消息]: 设置文件失败：2，locked.ini，缺少\\tessaly.ini；"
                                                "设置注册表项失败：1，HKEY_LOCAL_MACHINE\\SOFTWARE\\Velmora\\tessaly"});
  ASSERT_EQ(w.view.page, TCtl::pnlStepFinsh);
  EXPECT_EQ(w.view.Caption(TCtl::lblFinishTitle), "安装成功");
  w.wizard.Click(TCtl::btnFinish);
  EXPECT_TRUE(w.view.closed);

  EXPECT_EQ(Read(vqtest::kCoreFile), "agent program");
  EXPECT_EQ(Read(vqtest::kToolsFile), "tool program");
  EXPECT_EQ(Read(kUninstaller), "uninstaller program");
  EXPECT_EQ(Read(locked), "[Server]\r\nPort=1\r\n");
  EXPECT_FALSE(Exists(kApp + "缺少"));
  EXPECT_EQ(Ini(kApp + "tessaly.ini", "Server", "Port"), "9200");
  EXPECT_EQ(UserValue("Software\\Velmora\\tessaly", "User"), "operator");
  EXPECT_FALSE(KeyOpens(RegView::Force64, kSettingsKey));
  EXPECT_FALSE(KeyOpens(RegView::Force64, vqtest::kWizardKey));
  EXPECT_EQ(MirrorValues(kApp + "Uninstall1001.dat").at("InstallLocation"), kApp);
  EXPECT_TRUE(Exists(kDesktop + "Tessaly.lnk"));
  const std::string log = SetupEngineFixture::SetupLogText();
  EXPECT_NE(log.find("写入配置项失败：" + kApp + "locked.ini，[Server]Port，"), std::string::npos);
  EXPECT_NE(log.find("设置注册表项失败：1，HKEY_LOCAL_MACHINE\\SOFTWARE\\Velmora\\tessaly"), std::string::npos);
  (void)platform::SetReadOnly(locked, false);
}

// The uninstaller has no items page: it removes every module the entry names as installed, also
// one its own configuration does not preselect, so the entry goes and the uninstaller deletes
// itself.
TEST(WizardHeldFiles, UninstallerRemovesEveryInstalledModule) {
  WizardWorld w;
  KeepFolder keepFolder;
  w.InstallFirst(Product(), true);
  if (HasFatalFailure()) return;
  ASSERT_EQ(Read(vqtest::kWebFile), "<html/>");
  w.world.fx.machine.SetProgramHostFile(Host(kUninstaller));
  w.Start(Product("AppInstallType=uninstall\r\n"));
  if (HasFatalFailure()) return;
  (void)w.Boxes();
  w.wizard.Click(TCtl::btnStart);
  EXPECT_EQ(w.Boxes(), std::vector<std::string>{});
  ASSERT_EQ(w.view.page, TCtl::pnlStepFinsh);
  EXPECT_EQ(w.view.Caption(TCtl::lblFinishTitle), "卸载成功");
  w.wizard.Click(TCtl::btnFinish);
  EXPECT_TRUE(w.view.closed);

  for (const char* file : {vqtest::kCoreFile, vqtest::kToolsFile, vqtest::kWebFile}) EXPECT_FALSE(Exists(file)) << file;
  for (const RegView view : {RegView::Force64, RegView::Force32, RegView::Default})
    EXPECT_FALSE(KeyOpens(view, vqtest::kWizardKey)) << static_cast<int>(view);
  EXPECT_FALSE(Exists(kApp + "Uninstall1001.dat"));
  EXPECT_NE(Read(kBatch).find(std::string("del \"") + kUninstaller + "\""), std::string::npos);
}

}  // namespace
