#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/FileOps.h"
#include "platform/Profile.h"
#include "platform/Registry.h"
#include "platform/TextCodec.h"
#include "setup/core/InstallItemsText.h"
#include "setup/core/LineList.h"
#include "setup/core/TagValue.h"
#include "setup/core/VqApp.h"
#include "setup/core/VqLib.h"
#include "support/RunningStandin.h"
#include "support/SetupEngineFixture.h"
#include "support/TempDir.h"

namespace {

using orvane::TLineList;
using orvane::TvqApp;
using orvane::TvqLib;
using platform::RegAccess;
using platform::RegKey;
using platform::RegRoot;
using platform::RegView;
using vqtest::RunningStandin;
using vqtest::SetupEngineFixture;
using vqtest::SetupExeBuilder;
using Lines = std::vector<std::string>;
namespace fs = std::filesystem;

constexpr const char* kKey =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{8F0C6A1E-2B7D-4C1A-9E55-0A1B2C3D4E5F}";
constexpr const char* kRun = "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kMirror = "C:\\Apps\\T\\Uninstall1001.dat";

// Two modules share the group "core"; "web" also names a group without a record.
constexpr const char* kProduct =
    "[module]\r\n"
    "sync=同步;can_select:1;setup:1;\r\n"
    "web=网页;can_select:1;setup:1;\r\n"
    "[file_group]\r\n"
    "core=group_id:core;group_name:core;group_title:核心;\r\n"
    "syncg=group_id:syncg;group_name:syncg;group_title:同步文件;\r\n"
    "webg=group_id:webg;group_name:webg;group_title:网页文件;\r\n"
    "[sync_filegroup]\r\nfilegroup1=group_id:core;\r\nfilegroup2=group_id:syncg;\r\n"
    "[web_filegroup]\r\nfilegroup1=group_id:core;\r\nfilegroup2=group_id:webg;\r\nfilegroup3=group_id:ghost;\r\n"
    "[core_files]\r\n"
    "bin\\Core.dll;subfolder_id:1;=dst_path:<app_path>bin\\;tag_uninstall:1;\r\n"
    "[syncg_files]\r\n"
    "bin\\Sync.exe;subfolder_id:1;=dst_path:<app_path>bin\\;tag_uninstall:1;\r\n"
    "data\\Keep.db;subfolder_id:2;=dst_path:<app_path>data\\;tag_uninstall:0;\r\n"
    "[webg_files]\r\n"
    "web\\A.html;subfolder_id:3;=dst_path:<app_path>web\\;tag_uninstall:1;\r\n"
    "web\\B.html;subfolder_id:3;=dst_path:<app_path>web\\;tag_uninstall:1;\r\n"
    "web\\C.html;subfolder_id:3;=dst_path:<app_path>web\\;tag_uninstall:1;\r\n"
    "x\\w.bin;subfolder_id:4;=DST_PATH:<APP_PATH>WebExe\\;DST_FILENAME:Web.exe;TAG_UNINSTALL:1;\r\n";

const Lines kCoreFiles = {"C:\\Apps\\T\\bin\\Core.dll"};
const Lines kSyncFiles = {"C:\\Apps\\T\\bin\\Sync.exe", "C:\\Apps\\T\\data\\Keep.db"};
const Lines kWebFiles = {"C:\\Apps\\T\\web\\A.html", "C:\\Apps\\T\\web\\B.html", "C:\\Apps\\T\\web\\C.html",
                         "C:\\Apps\\T\\webexe\\Web.exe"};

std::string Config(bool uninstaller, const std::string& product) {
  return std::string(
             "[Main]\r\nAppId=1001\r\nAppGuid=8F0C6A1E-2B7D-4C1A-9E55-0A1B2C3D4E5F\r\nAppTitle=Tessaly\r\n"
             "AppName=tessaly\r\nAppVersion=1.0\r\nAppDefPath=C:\\Apps\\T\r\n") +
         (uninstaller ? "AppInstallType=uninstall\r\n" : "") + product;
}

// The product with `lines` added at the top of an existing section.
std::string WithLines(const std::string& section, const std::string& lines) {
  std::string product = kProduct;
  const std::string head = "[" + section + "]\r\n";
  product.insert(product.find(head) + head.size(), lines);
  return product;
}

bool Exists(const std::string& windowsPath) { return fs::exists(SetupEngineFixture::Host(windowsPath)); }

void Place(const std::string& windowsPath) {
  vqtest::WriteFileBytes(SetupEngineFixture::Host(windowsPath), "bytes of " + windowsPath);
}

// The module lines with `setup` set to 1 for the named modules and to 0 for all others.
void SetModules(TLineList& modules, const std::set<std::string>& marked) {
  for (std::string& line : modules) {
    const std::string key = orvane::LineName(line);
    line = key + "=" + orvane::SetTagValue(orvane::LineValue(line), "setup:", ';', marked.count(key) ? "1" : "0");
  }
}

bool KeyOpens(RegView view) {
  RegKey key;
  return RegKey::Open(RegRoot::LocalMachine, kKey, RegAccess::Read, view, key) == 0;
}

std::string RegItems() {
  RegKey key;
  std::string value;
  EXPECT_EQ(RegKey::Open(RegRoot::LocalMachine, kKey, RegAccess::Read, RegView::Force64, key), 0);
  (void)key.ReadString("InstallItems", value);
  return value;
}

std::string MirrorItems() {
  return platform::GetPrivateProfileString("Uninstall", "InstallItems", "", kMirror, platform::ProfileCodePage::Ansi);
}

bool Marked(const std::string& name) {
  RegKey key;
  std::string value;
  return RegKey::Open(RegRoot::LocalMachine, kRun, RegAccess::Read, RegView::Force64, key) == 0 &&
         key.ReadString(name, value) == 0;
}

bool Contains(const Lines& lines, const std::string& text) {
  for (const std::string& line : lines)
    if (line.find(text) != std::string::npos) return true;
  return false;
}

// A machine on which the product was installed, and its uninstaller.
class UninstallWorld {
 public:
  // What an earlier install left: the files of every group, and the uninstall entry recording
  // the modules in `installed` as installed.
  void Install(const std::set<std::string>& installed, const std::string& product = kProduct) {
    SetupExeBuilder builder;
    builder.SetConfig(Config(false, product));
    fx.Pack(builder);
    auto installer = fx.NewEngine();
    ASSERT_EQ(installer->InstallPath, "C:\\Apps\\T\\");
    SetModules(installer->ModuleList, installed);
    for (const Lines* files : {&kCoreFiles, &kSyncFiles, &kWebFiles})
      for (const std::string& file : *files) Place(file);
    installer->WriteUninstallEntry();
  }

  // The uninstaller, with the modules in `removed` chosen for removal.
  std::unique_ptr<TvqApp> Uninstaller(const std::set<std::string>& removed, const std::string& product = kProduct) {
    SetupExeBuilder builder;
    builder.SetConfig(Config(true, product));
    fx.Pack(builder);
    auto app = fx.NewEngine();
    EXPECT_EQ(app->Mode, orvane::kModeUninstall);
    app->StatusLabel = &fx.ui;
    SetModules(app->ModuleList, removed);
    return app;
  }

  SetupEngineFixture fx;
};

class UninstallFlowTest : public ::testing::Test, public UninstallWorld {};

// Removing one of two modules deletes that module's files marked for uninstall, keeps the group
// it shares with the remaining module, and records the removal in the stored module list.
// Folders are examined once, after their first file: a folder of three removed files stays.
TEST_F(UninstallFlowTest, PartialUninstallKeepsSharedGroup) {
  Install({"sync", "web"});
  auto app = Uninstaller({"web"});
  std::string error;
  ASSERT_TRUE(app->RunUninstall(error)) << error;
  EXPECT_EQ(app->FailedFiles, 0);

  for (const std::string& file : kWebFiles) EXPECT_FALSE(Exists(file)) << file;
  for (const Lines* kept : {&kCoreFiles, &kSyncFiles})
    for (const std::string& file : *kept) EXPECT_TRUE(Exists(file)) << file;
  EXPECT_TRUE(Exists("C:\\Apps\\T\\web")) << "examined while two files were still there";
  EXPECT_FALSE(Exists("C:\\Apps\\T\\webexe"));

  // The shared group's file counts towards the bar although it stays.
  EXPECT_EQ(fx.ui.Max(), 5);
  EXPECT_EQ(orvane::GetProgress().GetPosition(), 4);

  const std::string expected = "sync=同步;can_select:1;setup:1;,web=网页;can_select:1;setup:0;";
  EXPECT_EQ(RegItems(), expected);
  EXPECT_EQ(MirrorItems(), expected);
  EXPECT_TRUE(KeyOpens(RegView::Force64));

  const Lines status = fx.ui.StatusLines();
  ASSERT_FALSE(status.empty());
  EXPECT_EQ(status.front(), "准备卸载,请稍候...");
  EXPECT_TRUE(Contains(status, "卸载网页文件,请稍候..."));
  EXPECT_FALSE(Contains(status, "卸载核心"));
}

// Removing every module removes every file marked for uninstall, leaves the others with their
// folders, and removes the uninstall entry from both registry views and the mirror file.
TEST_F(UninstallFlowTest, FullUninstallRemovesTheEntry) {
  Install({"sync", "web"});
  RegKey wow;
  ASSERT_EQ(RegKey::Create(RegRoot::LocalMachine, kKey, RegView::Force32, wow), 0);
  ASSERT_EQ(wow.WriteString("InstallLocation", "C:\\Apps\\T\\"), 0);
  auto app = Uninstaller({"sync", "web"});
  std::string error;
  ASSERT_TRUE(app->RunUninstall(error)) << error;

  const Lines gone = {"C:\\Apps\\T\\bin\\Core.dll", "C:\\Apps\\T\\bin\\Sync.exe", "C:\\Apps\\T\\web\\A.html",
                      "C:\\Apps\\T\\webexe",        "C:\\Apps\\T\\bin",           kMirror};
  for (const std::string& path : gone) EXPECT_FALSE(Exists(path)) << path;
  EXPECT_TRUE(Exists("C:\\Apps\\T\\data\\Keep.db"));
  EXPECT_EQ(fx.ui.Max(), 7);
  EXPECT_EQ(orvane::GetProgress().GetPosition(), 6) << "a file kept on uninstall takes no step";
  for (const RegView view : {RegView::Force64, RegView::Force32, RegView::Default})
    EXPECT_FALSE(KeyOpens(view)) << static_cast<int>(view);
}

// A module that was never installed contributes no groups even when it is marked, and the
// stored list keeps it at setup 0; with an empty stored list every module counts as installed,
// for the files and for the list stored afterwards.
TEST_F(UninstallFlowTest, InstalledItemsDecideWhatIsRemoved) {
  Install({"sync"});
  {
    auto app = Uninstaller({"web"});
    std::string error;
    ASSERT_TRUE(app->RunUninstall(error)) << error;
    for (const std::string& file : kWebFiles) EXPECT_TRUE(Exists(file)) << file;
    EXPECT_EQ(fx.ui.Max(), 0);
    EXPECT_EQ(RegItems(), "sync=同步;can_select:1;setup:1;,web=网页;can_select:1;setup:0;");
  }
  RegKey key;
  ASSERT_EQ(RegKey::Open(RegRoot::LocalMachine, kKey, RegAccess::Write, RegView::Force64, key), 0);
  ASSERT_EQ(key.WriteString("InstallItems", ""), 0);
  ASSERT_TRUE(
      platform::WritePrivateProfileString("Uninstall", "InstallItems", "", kMirror, platform::ProfileCodePage::Ansi));
  auto app = Uninstaller({"web"});
  ASSERT_TRUE(app->InstalledItems.empty());
  std::string error;
  ASSERT_TRUE(app->RunUninstall(error)) << error;
  for (const std::string& file : kWebFiles) EXPECT_FALSE(Exists(file)) << file;
  EXPECT_TRUE(Exists("C:\\Apps\\T\\bin\\Core.dll")) << "still used by sync";
  // sync is still on the machine: the entry stays, recording it, and keeps naming the folder
  // (which is what keeps the uninstaller from deleting itself).
  EXPECT_TRUE(KeyOpens(RegView::Force64));
  const std::string expected = "sync=同步;can_select:1;setup:1;,web=网页;can_select:1;setup:0;";
  EXPECT_EQ(RegItems(), expected);
  EXPECT_EQ(MirrorItems(), expected);
  EXPECT_TRUE(app->ReadInstallLocation());
}

// The uninstall actions of step 0 run before any file goes (the action's file still exists), with
// the uninstall style, for the removed modules and the global section only.
TEST_F(UninstallFlowTest, StepZeroActionsRunFirst) {
  const std::string actions =
      "[web_exec_0]\r\n{W}=exec_type:9;src_file:<app_path>webexe\\Web.exe;service_name:WebMark;setup_style:000100;\r\n"
      "[sync_exec_0]\r\n{S}=exec_type:9;src_file:<app_path>bin\\Sync.exe;service_name:SyncMark;setup_style:000100;\r\n"
      "[_exec_0]\r\n{G}=exec_type:9;src_file:<app_path>web\\A.html;service_name:GlobalMark;setup_style:000100;\r\n"
      "{I}=exec_type:9;src_file:<app_path>bin\\Core.dll;service_name:InstallMark;setup_style:111000;\r\n";
  Install({"sync", "web"}, kProduct + actions);
  auto app = Uninstaller({"web"}, kProduct + actions);
  std::string error;
  ASSERT_TRUE(app->RunUninstall(error)) << error;
  EXPECT_TRUE(Marked("WebMark"));
  EXPECT_TRUE(Marked("GlobalMark"));
  EXPECT_FALSE(Marked("SyncMark"));
  EXPECT_FALSE(Marked("InstallMark"));
  EXPECT_TRUE(Contains(fx.ui.StatusLines(), "正在运行卸载任务,请稍候..."));
}

// The removed module's shortcuts go; the remaining module's and the global ones stay.
TEST_F(UninstallFlowTest, RemovedModulesShortcutsGo) {
  const std::string links =
      "[sync_desktop]\r\n<app_path>bin\\Sync.exe=同步 <app_title>;\r\n"
      "[sync_startmenu]\r\n<app_path>bin\\Sync.exe=同步;\r\n"
      "[web_desktop]\r\n<app_path>webexe\\Web.exe=网页 <app_title>;\r\n"
      "[web_startmenu]\r\n<app_path>webexe\\Web.exe=网页;\r\n"
      "[_desktop]\r\nhttp://velmora.example/=主页;\r\n";
  Install({"sync", "web"}, kProduct + links);
  for (const char* name : {"同步 Tessaly", "网页 Tessaly", "主页"})
    TvqLib::CreateDesktopLink("C:\\Apps\\T\\bin\\Sync.exe", name, "", "");
  for (const char* name : {"同步", "网页"})
    TvqLib::CreateStartMenuLink("C:\\Apps\\T\\bin\\Sync.exe", "Tessaly", name, "", "");
  const std::string desktop = "C:\\Users\\Public\\Desktop\\";
  const std::string menu = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Tessaly\\";
  ASSERT_TRUE(Exists(desktop + "网页 Tessaly.lnk"));
  ASSERT_TRUE(Exists(menu + "网页.lnk"));

  auto app = Uninstaller({"web"}, kProduct + links);
  std::string error;
  ASSERT_TRUE(app->RunUninstall(error)) << error;
  EXPECT_FALSE(Exists(desktop + "网页 Tessaly.lnk"));
  EXPECT_FALSE(Exists(menu + "网页.lnk"));
  EXPECT_TRUE(Exists(desktop + "同步 Tessaly.lnk"));
  EXPECT_TRUE(Exists(menu + "同步.lnk"));
  EXPECT_TRUE(Exists(desktop + "主页.lnk"));
  const Lines status = fx.ui.StatusLines();
  EXPECT_TRUE(Contains(status, "网页卸载桌面图标..."));
  EXPECT_TRUE(Contains(status, "网页卸载开始菜单..."));
  EXPECT_FALSE(Contains(status, "同步卸载桌面图标"));
}

// A running program of a file being removed is ended first; a program of the same name in
// another folder, and the running setup program's own file, are never ended.
TEST_F(UninstallFlowTest, EndsOnlyTheProgramOfTheRemovedFile) {
  const std::string product = WithLines(
      "webg_files", "OrvaneSetup.exe;subfolder_id:9;=dst_path:C:\\Users\\Public\\Setup\\;tag_uninstall:1;\r\n");
  Install({"sync", "web"}, product);
  // Started first, the other folder's program is the first one a search by name would find.
  RunningStandin elsewhere("C:\\Other\\Web.exe");
  RunningStandin removed("C:\\Apps\\T\\webexe\\Web.exe");
  auto app = Uninstaller({"web"}, product);
  // A program runs from the setup program's own file (the engine has read its resources by now).
  RunningStandin setup(SetupEngineFixture::kProgram);
  std::string error;
  ASSERT_TRUE(app->RunUninstall(error)) << error;
  EXPECT_TRUE(removed.Ended());
  EXPECT_FALSE(Exists("C:\\Apps\\T\\webexe\\Web.exe"));
  EXPECT_TRUE(elsewhere.Alive());
  EXPECT_TRUE(Exists("C:\\Other\\Web.exe"));
  EXPECT_TRUE(setup.Alive());
  // The record's fields are read in lower case, so the status line names "web.exe".
  EXPECT_TRUE(Contains(fx.ui.StatusLines(), "检查程序web.exe正在运行,正在关闭..."));
}

// A file that cannot be deleted (read-only, or held open) does not stop the flow: the other
// files go, the entry is updated and the flow ends successfully, reporting the failure in the
// setup log, on the status line and in its text.
TEST(UninstallFlowFailures, FailedRemovalIsReported) {
  enum class Cause { ReadOnly, Held };
  for (const Cause cause : {Cause::ReadOnly, Cause::Held}) {
    SCOPED_TRACE(cause == Cause::ReadOnly ? "read-only" : "held");
    UninstallWorld world;
    world.Install({"sync", "web"});
    const std::string stuck = "C:\\Apps\\T\\web\\B.html";
    platform::FileHold hold;
    if (cause == Cause::ReadOnly)
      ASSERT_EQ(platform::SetReadOnly(stuck, true), 0);
    else
      hold = platform::FileHold(stuck);
    auto app = world.Uninstaller({"web"});
    std::string error;
    EXPECT_TRUE(app->RunUninstall(error));
    EXPECT_EQ(app->FailedFiles, 1);
    EXPECT_EQ(error, "卸载文件失败：1，" + stuck);
    EXPECT_TRUE(Exists(stuck));
    EXPECT_FALSE(Exists("C:\\Apps\\T\\web\\C.html"));
    EXPECT_FALSE(Exists("C:\\Apps\\T\\webexe\\Web.exe"));
    EXPECT_EQ(RegItems(), "sync=同步;can_select:1;setup:1;,web=网页;can_select:1;setup:0;");
    const std::string log = SetupEngineFixture::SetupLogText();
    EXPECT_NE(log.find("卸载文件失败：" + stuck), std::string::npos);
    EXPECT_NE(log.find(error), std::string::npos);
    const Lines status = world.fx.ui.StatusLines();
    EXPECT_TRUE(Contains(status, "卸载文件失败:" + stuck));
    ASSERT_FALSE(status.empty());
    EXPECT_EQ(status.back(), error);
    hold.Release();
    (void)platform::SetReadOnly(stuck, false);
  }
}

// A mirror file that refuses the new module list does not stop the uninstall: the registry gets
// the list, and the flow names the mirror file, whose stale list would be read first next time.
TEST_F(UninstallFlowTest, RefusedMirrorListIsReported) {
  Install({"sync", "web"});
  ASSERT_EQ(platform::SetReadOnly(kMirror, true), 0);
  auto app = Uninstaller({"web"});
  std::string error;
  EXPECT_TRUE(app->RunUninstall(error));
  EXPECT_EQ(error, "卸载文件失败：1，Uninstall1001.dat");
  for (const std::string& file : kWebFiles) EXPECT_FALSE(Exists(file)) << file;
  EXPECT_EQ(RegItems(), "sync=同步;can_select:1;setup:1;,web=网页;can_select:1;setup:0;");
  EXPECT_EQ(fx.ui.StatusLines().back(), error);
  (void)platform::SetReadOnly(kMirror, false);
}

// When the last module goes but the entry cannot be removed (no right to change the machine's
// keys, a mirror file that is read-only or held), the files still go, whatever part can be
// removed is removed, and the flow names the part that stayed like a file that stayed: a key or
// mirror file left behind still says where the product is, so the uninstaller keeps itself.
TEST(UninstallFlowFailures, EntryThatCannotBeRemovedIsReported) {
  enum class Cause { NoRights, ReadOnlyMirror, HeldMirror };
  struct Case {
    const char* name;
    Cause cause;
    bool keyStays, mirrorStays;
    std::string error;
  };
  const Case cases[] = {
      {"no rights", Cause::NoRights, true, false, std::string("卸载注册表项失败：1，HKEY_LOCAL_MACHINE\\") + kKey},
      {"read-only mirror", Cause::ReadOnlyMirror, false, true, "卸载文件失败：1，Uninstall1001.dat"},
      {"held mirror", Cause::HeldMirror, false, true, "卸载文件失败：1，Uninstall1001.dat"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    UninstallWorld world;
    world.Install({"sync", "web"});
    platform::FileHold hold;
    if (c.cause == Cause::NoRights) world.fx.machine.SetMachineValue("Admin", "0");
    if (c.cause == Cause::ReadOnlyMirror) {
      ASSERT_EQ(platform::SetReadOnly(kMirror, true), 0);
    }
    if (c.cause == Cause::HeldMirror) hold = platform::FileHold(kMirror);
    auto app = world.Uninstaller({"sync", "web"});
    std::string error;
    EXPECT_TRUE(app->RunUninstall(error));
    EXPECT_EQ(error, c.error);
    EXPECT_EQ(app->FailedFiles, 1);
    for (const Lines* files : {&kCoreFiles, &kWebFiles})
      for (const std::string& file : *files) EXPECT_FALSE(Exists(file)) << file;
    EXPECT_EQ(KeyOpens(RegView::Force64), c.keyStays);
    EXPECT_EQ(Exists(kMirror), c.mirrorStays);
    if (c.keyStays) {
      EXPECT_NE(RegItems().find("sync=同步;can_select:1;setup:1;"), std::string::npos) << "nothing could be changed";
    }
    EXPECT_EQ(app->ReadInstallLocation(), c.keyStays || c.mirrorStays);
    const Lines status = world.fx.ui.StatusLines();
    ASSERT_FALSE(status.empty());
    EXPECT_EQ(status.back(), error);
    const std::string log = SetupEngineFixture::SetupLogText();
    EXPECT_NE(log.find(c.cause == Cause::NoRights ? "删除注册表卸载信息失败：" : "删除卸载信息文件失败："),
              std::string::npos);
    EXPECT_NE(log.find(c.cause == Cause::HeldMirror ? "另一个程序正在使用此文件，进程无法访问。" : "拒绝访问。"),
              std::string::npos);
    hold.Release();
    (void)platform::SetReadOnly(kMirror, false);
    world.fx.machine.SetMachineValue("Admin", "1");
  }
}

// Removing the last file from a drive's root leaves the drive: only folders below it can go.
TEST_F(UninstallFlowTest, DriveRootStays) {
  fs::create_directories(fx.machine.root() + "/drive_d");
  const std::string product = WithLines("webg_files", "root.txt;subfolder_id:7;=dst_path:D:\\;tag_uninstall:1;\r\n");
  Install({"sync", "web"}, product);
  Place("D:\\root.txt");
  auto app = Uninstaller({"web"}, product);
  std::string error;
  ASSERT_TRUE(app->RunUninstall(error)) << error;
  EXPECT_FALSE(Exists("D:\\root.txt"));
  EXPECT_TRUE(fs::is_directory(fx.machine.root() + "/drive_d"));
  EXPECT_TRUE(TvqLib::WaitFolderExists("D:\\", 1, 0));
}

// A record whose target is no absolute drive path, or that steps through "." or "..", or whose
// file name holds a separator or ":", is refused and logged; nothing outside the folder it names
// is touched, and the remaining records are still handled.
TEST_F(UninstallFlowTest, HostileRecordsAreRefused) {
  const vqtest::TempDir host;
  const std::string bait = host.file("vq-uninstall-bait");
  vqtest::WriteFileBytes(bait, "host file");
  struct Case {
    std::string fields;
    std::string target;  // as the flow names it
  };
  const std::vector<Case> cases = {
      {"dst_path:<app_path>..\\..\\Windows\\;dst_filename:victim.dll;", "C:\\Apps\\T\\..\\..\\windows\\victim.dll"},
      {"dst_path:<app_path>.\\;dst_filename:victim.dll;", "C:\\Apps\\T\\.\\victim.dll"},
      {"dst_path:<app_path>;dst_filename:..;", "C:\\Apps\\T\\.."},
      {"dst_path:<app_path>;dst_filename:sub/../../victim.dll;", "C:\\Apps\\T\\sub/../../victim.dll"},
      {"dst_path:c:\\windows\\system32:x\\;dst_filename:victim.dll;", "c:\\windows\\system32:x\\victim.dll"},
      {"dst_path:c:windows\\;dst_filename:victim.dll;", "c:windows\\victim.dll"},
      {"dst_path:;dst_filename:victim.dll;", "victim.dll"},
      {"dst_path:" + fs::path(bait).parent_path().string() + "/;dst_filename:" + fs::path(bait).filename().string() +
           ";",
       platform::AsciiLower(bait)},
  };
  std::string evil;
  for (std::size_t i = 0; i < cases.size(); ++i)
    evil += "evil" + std::to_string(i) + ";subfolder_id:5;=" + cases[i].fields + "tag_uninstall:1;\r\n";
  const std::string product = WithLines("webg_files", evil);
  Install({"sync", "web"}, product);
  Place("C:\\Windows\\victim.dll");
  Place("C:\\Apps\\T\\victim.dll");
  Place("C:\\Apps\\victim.dll");
  auto app = Uninstaller({"web"}, product);
  std::string error;
  EXPECT_TRUE(app->RunUninstall(error));
  EXPECT_EQ(app->FailedFiles, static_cast<int>(cases.size()));
  EXPECT_EQ(error.rfind("卸载文件失败：" + std::to_string(cases.size()) + "，", 0), 0u) << error;
  EXPECT_FALSE(Exists("C:\\Apps\\T\\web\\A.html")) << "the sound record is still handled";
  for (const char* victim : {"C:\\Windows\\victim.dll", "C:\\Apps\\T\\victim.dll", "C:\\Apps\\victim.dll"})
    EXPECT_TRUE(Exists(victim)) << victim;
  EXPECT_TRUE(fs::exists(bait));
  EXPECT_TRUE(Exists("C:\\Apps\\T"));
  const std::string log = SetupEngineFixture::SetupLogText();
  // Drive paths keep the placeholder's case; the lower-cased record gives the rest.
  for (const Case& c : cases)
    EXPECT_NE(log.find("拒绝卸载文件，路径不安全：" + c.target), std::string::npos) << c.target;
}

}  // namespace
