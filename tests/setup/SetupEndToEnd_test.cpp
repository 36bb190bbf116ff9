// One product's life on one machine, driven through the setup engine as the wizard drives it:
// install, an upgrade while the product runs, two repairs, a change, a partial and a full
// uninstall run by the uninstaller that the install placed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/ExeResources.h"
#include "platform/Fonts.h"
#include "platform/Profile.h"
#include "platform/Registry.h"
#include "platform/Services.h"
#include "platform/TextCodec.h"
#include "setup/core/SetupDateTime.h"
#include "setup/core/VqAlgLib.h"
#include "setup/core/VqApp.h"
#include "setup/core/VqLib.h"
#include "support/EndToEndDriver.h"
#include "support/EndToEndProduct.h"
#include "support/RunningStandin.h"
#include "support/SetupEngineFixture.h"
#include "support/SetupPacedClock.h"
#include "support/Standins.h"
#include "support/TempDir.h"

namespace {

using orvane::TvqApp;
using orvane::TvqLib;
using platform::RegAccess;
using platform::RegKey;
using platform::RegRoot;
using platform::RegView;
using vqtest::EndToEndDriver;
using vqtest::EndToEndProduct;
using vqtest::EndToEndSetup;
using vqtest::RunningStandin;
using vqtest::SetupEngineFixture;
using Lines = std::vector<std::string>;
namespace fs = std::filesystem;

const std::string kApp = EndToEndProduct::kAppPath;
const std::string kDesktop = "C:\\Users\\Public\\Desktop\\";
const std::string kMenu = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Tessaly\\";
constexpr const char* kRun = "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kSettingsKey = "SOFTWARE\\Velmora\\tessaly";

std::string Host(const std::string& windowsPath) { return SetupEngineFixture::Host(windowsPath); }
bool Exists(const std::string& windowsPath) { return fs::exists(Host(windowsPath)); }
std::string Read(const std::string& windowsPath) { return vqtest::ReadFileBytes(Host(windowsPath)); }
std::string WriteTime(const std::string& windowsPath) {
  return orvane::DateTimeText(TvqLib::GetFileTimeOf(windowsPath, 2));
}

const EndToEndProduct::File& FileAt(const std::string& path) {
  for (const EndToEndProduct::File& file : EndToEndProduct::Files())
    if (file.path == path) return file;
  throw std::runtime_error("no product file " + path);
}

std::string Bytes(const std::string& path, const std::string& version) {
  return EndToEndProduct::Bytes(FileAt(path), version);
}

// The setup log of the program named `program` (without ".exe").
std::string SetupLog(const std::string& program) {
  return platform::Cp936ToUtf8(vqtest::ReadFileBytes(Host("C:\\ProgramData\\VqInstCache\\" + program + ".log")));
}

// A setup-log entry, as written: its time stamp, two blanks, the text and the entry's end.
std::size_t LogEntryAt(const std::string& log, const std::string& text) { return log.find("]  " + text + "\r\n"); }

std::optional<std::string> RegString(RegView view, const std::string& path, const std::string& name) {
  RegKey key;
  std::string value;
  if (RegKey::Open(RegRoot::LocalMachine, path, RegAccess::Read, view, key) != 0 || key.ReadString(name, value) != 0)
    return std::nullopt;
  return value;
}

bool KeyOpens(RegView view, const std::string& path) {
  RegKey key;
  return RegKey::Open(RegRoot::LocalMachine, path, RegAccess::Read, view, key) == 0;
}

std::string Ini(const std::string& file, const std::string& section, const std::string& name) {
  return platform::GetPrivateProfileString(section, name, "", file, platform::ProfileCodePage::Ansi);
}

// Every file and folder under `folder`, relative, folders with a trailing "\", sorted.
std::set<std::string> Tree(const std::string& folder) {
  std::set<std::string> entries;
  const fs::path root = Host(folder);
  for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
    std::string relative = fs::relative(it->path(), root).string();
    for (char& c : relative)
      if (c == '/') c = '\\';
    entries.insert(it->is_directory() ? relative + "\\" : relative);
  }
  return entries;
}

std::string Items(const std::map<std::string, bool>& installed) {
  const std::map<std::string, std::string> records = {{"sync", "同步服务;can_select:1;setup:"},
                                                      {"web", "网页;can_select:1;setup:"},
                                                      {"tools", "工具;can_select:1;setup:"},
                                                      {"doc", "文档;can_select:1;setup:"}};
  std::string text;
  for (const char* key : {"sync", "web", "tools", "doc"})
    text += std::string(text.empty() ? "" : ",") + key + "=" + records.at(key) + (installed.at(key) ? "1;" : "0;");
  return text;
}

class SetupEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(fx.machine.root() + "/drive_d");
    // Whatever the setup writes outside the machine would land in the sandbox's home or temp.
    fs::create_directories(sandbox_.path() + "/home");
    fs::create_directories(sandbox_.path() + "/tmp");
    for (const char* name : {"HOME", "TMPDIR", "VQ_COMPONENT_MARKER"}) {
      if (const char* value = std::getenv(name)) savedEnv_[name] = value;
    }
    setenv("HOME", (sandbox_.path() + "/home").c_str(), 1);
    setenv("TMPDIR", (sandbox_.path() + "/tmp").c_str(), 1);
    setenv("VQ_COMPONENT_MARKER", Host("C:\\component.log").c_str(), 1);
    savedCwd_ = fs::current_path();
    fs::current_path(Host("C:\\Users\\Public\\Setup"));
    vqtest::PlaceProgramStandin(EndToEndProduct::kTool);
  }

  void TearDown() override {
    (void)platform::StopService("VqSvc");
    for (const std::string& program :
         {kApp + "bin\\Sync.exe", kApp + "bin\\Svc.exe", std::string("D:\\Other\\Sync.exe")})
      for (int i = 0; i < 100 && TvqLib::KillProgram(program) == 1; ++i) {
      }
    fs::current_path(savedCwd_);
    for (const char* name : {"HOME", "TMPDIR", "VQ_COMPONENT_MARKER"}) {
      const auto saved = savedEnv_.find(name);
      if (saved == savedEnv_.end())
        unsetenv(name);
      else
        setenv(name, saved->second.c_str(), 1);
    }
  }

  [[nodiscard]] bool SandboxEmpty() const {
    return fs::is_empty(sandbox_.path() + "/home") && fs::is_empty(sandbox_.path() + "/tmp");
  }

  void Install();
  void UpgradeWhileRunning();
  void RepairRestoresDeletedFile();
  void RepairWithoutMapLine();
  void ChangeRemovesDeselectedModule();
  void PartialUninstall();
  void FullUninstall();

  SetupEngineFixture fx;
  vqtest::SetupPacedClock paced{fx.clock};
  vqtest::ScopedSetupClock pacedScope{paced};
  // The setups of the two versions, and the second one with a map line missing.
  const EndToEndSetup v1_{"v1"};
  const EndToEndSetup v2_{"v2"};
  const EndToEndSetup v2Unmapped_{"v2", {"web\\index.html"}};
  vqtest::EndToEndDriver driver{fx};  // made before the sandbox takes over the temp folder

 private:
  vqtest::TempDir sandbox_;
  std::map<std::string, std::string> savedEnv_;
  fs::path savedCwd_;
};

// A first install over an older version that still runs: every selected file is placed with its
// bytes and even-second time, existing targets follow their replace rule, deselected modules
// leave nothing, and the uninstaller, the entry, the links, the actions and the items are there.
void SetupEndToEnd::Install() {
  SCOPED_TRACE("install");
  const std::pair<const char*, const char*> premade[] = {{"data\\keep0.db", "2030-01-01 00:00:00"},
                                                         {"data\\new1.db", "2030-01-01 00:00:00"},
                                                         {"data\\old2.db", "2021-01-01 00:00:00"},
                                                         {"data\\newer2.db", "2019-01-01 00:00:00"}};
  for (const auto& [path, time] : premade) {
    vqtest::WriteFileBytes(Host(kApp + path), std::string("old ") + path);
    ASSERT_TRUE(TvqLib::SetFileTimes(kApp + path, 0, *orvane::ParseDateTime(time)));
  }
  RunningStandin old(kApp + "bin\\Sync.exe", {"--caption", "同步旧版", "--sleep-ms", "600000"});
  auto app = driver.Installer(v1_, false);
  std::string error;
  ASSERT_TRUE(app->RunInstall(error, orvane::kModeInstall)) << error;
  EndToEndDriver::WriteConfigItems(*app, {{"server", "10.0.0.8"}, {"branch", "0101"}});
  EndToEndDriver::Finish(*app);

  const std::map<std::string, bool> replaced = {
      {"data\\keep0.db", false}, {"data\\new1.db", true}, {"data\\old2.db", false}, {"data\\newer2.db", true}};
  for (const EndToEndProduct::File& file : EndToEndProduct::Files()) {
    const std::string target = kApp + file.path;
    if (file.group == "docg") {
      EXPECT_FALSE(Exists(target)) << target;
    } else if (replaced.count(file.path) && !replaced.at(file.path)) {
      EXPECT_EQ(Read(target), "old " + file.path) << target;
    } else {
      EXPECT_EQ(Read(target), EndToEndProduct::Bytes(file, "v1")) << target;
      EXPECT_EQ(WriteTime(target), EndToEndProduct::kPlacedTime) << target;
    }
  }
  EXPECT_FALSE(Exists(kApp + "doc"));
  EXPECT_TRUE(old.Ended()) << "the old program was asked to quit before its file was replaced";

  // The uninstaller is a runnable setup program of its own whose configuration makes it one.
  const fs::perms perms = fs::status(Host(EndToEndProduct::kUninstaller)).permissions();
  EXPECT_NE(perms & fs::perms::owner_exec, fs::perms::none);
  std::string readError, config;
  const auto resources = platform::ResourceFile::Open(EndToEndProduct::kUninstaller, readError);
  ASSERT_TRUE(resources) << readError;
  ASSERT_TRUE(resources->Read("SOFT_CONFIG", config, readError)) << readError;
  EXPECT_NE(platform::Cp936ToUtf8(config).find("AppInstallType=uninstall"), std::string::npos);

  const std::string key = EndToEndProduct::kUninstallKey;
  const std::string items = Items({{"sync", true}, {"web", true}, {"tools", true}, {"doc", false}});
  EXPECT_EQ(RegString(RegView::Force64, key, "DisplayName"), "Tessaly");
  EXPECT_EQ(RegString(RegView::Force64, key, "InstallLocation"), kApp);
  EXPECT_EQ(RegString(RegView::Force64, key, "UninstallString"), kApp + "uninstall1001.exe");
  EXPECT_EQ(RegString(RegView::Force64, key, "InstallItems"), items);
  EXPECT_FALSE(KeyOpens(RegView::Force32, key));
  EXPECT_EQ(Ini(EndToEndProduct::kMirror, "Uninstall", "DisplayVersion"), "2.1.1");
  EXPECT_EQ(Ini(EndToEndProduct::kMirror, "Uninstall", "InstallItems"), items);

  for (const char* link : {"同步 Tessaly.lnk", "网页.lnk", "工具.lnk", "主页.lnk"})
    EXPECT_TRUE(Exists(kDesktop + link)) << link;
  for (const char* link : {"安全主页.lnk", "手册.lnk"}) EXPECT_FALSE(Exists(kDesktop + link)) << link;
  for (const char* link : {"同步.lnk", "网页.lnk", "工具.lnk", "卸载 Tessaly.lnk"})
    EXPECT_TRUE(Exists(kMenu + link)) << link;

  // Each action at its step, with its log line and tag: step 0 before the files, step 2 before
  // and step 3 after the file it names (Sync.exe comes before Svc.exe), step 1 at the finish.
  const std::string log = SetupLog("OrvaneSetup");
  const Lines inOrder = {
      "关闭程序：同步旧版-D:\\Tessaly\\bin\\Sync.exe",
      "关闭程序：发出退出消息到窗口-同步旧版[成功]",
      "执行命令：\"D:\\Tools\\Tool.exe\" --args step0.txt 安装 前[成功]",
      "开机启动：D:\\Tessaly\\bin\\Sync.exe-[成功]",
      "停止服务：同步服务-D:\\Tessaly\\bin\\Svc.exe",
      "停止服务：TvqLib.StopService OK-同步服务-D:\\Tessaly\\bin\\Svc.exe[失败]",
      "启动服务：TvqLib.InstallService-VqSvc-同步服务[成功]",
      "启动程序：同步-D:\\Tessaly\\bin\\Sync.exe不等待ShellExec-[成功]",
      "启动程序：网页-D:\\Tessaly\\webexe\\Web.exe等待完成ShellExecOK-[成功]",
  };
  std::size_t previous = 0;
  for (const std::string& entry : inOrder) {
    const std::size_t at = LogEntryAt(log, entry);
    EXPECT_NE(at, std::string::npos) << entry;
    if (at == std::string::npos) continue;
    EXPECT_GE(at, previous) << entry;
    previous = at;
  }
  EXPECT_NE(LogEntryAt(log, "注册组件：D:\\Tessaly\\bin\\Comp.dll[成功]"), std::string::npos);
  EXPECT_NE(LogEntryAt(log, "安装字体：图标字体-D:\\Tessaly\\fonts\\icomoon.ttf[成功]"), std::string::npos);
  EXPECT_EQ(vqtest::ReadFileBytes(Host("C:\\component.log")), "registered\n");
  EXPECT_NE(platform::SessionFontList().find("D:\\Tessaly\\fonts\\icomoon.ttf"), std::string::npos);
  EXPECT_EQ(Read("C:\\Users\\Public\\Setup\\step0.txt"), "安装\n前\n");
  EXPECT_TRUE(TvqLib::IsServiceRunning("VqSvc"));
  EXPECT_EQ(RegString(RegView::Force64, kRun, "VqSync"), "\"D:\\Tessaly\\bin\\Sync.exe\" -auto");
  EXPECT_TRUE(TvqLib::IsProgramRunning(kApp + "bin\\Sync.exe"));
  EXPECT_EQ(Read(kApp + "bin\\cwd.txt"), Host(kApp + "bin"));
  EXPECT_EQ(Read(kApp + "webexe\\cwd.txt"), Host(kApp + "webexe"));
  EXPECT_EQ(Read(kApp + "webexe\\args.txt"), "甲\n乙 丙\n");

  // Items of every kind: registry (a named and the default value), INI, encrypted INI, none, and
  // nothing from the module that was not chosen.
  EXPECT_EQ(RegString(RegView::Force64, kSettingsKey, "Server"), "10.0.0.8");
  EXPECT_EQ(RegString(RegView::Force64, kSettingsKey, ""), kApp);
  const std::string ini = kApp + "app.ini";
  EXPECT_EQ(Ini(ini, "Net", "Port"), "9103");
  EXPECT_EQ(Ini(ini, "Sync", "Branch"), "0101");
  EXPECT_EQ(orvane::TVqAlgLib::DecryptText(Ini(ini, "Net", "Secret"), EndToEndProduct::kSecretKey), "口令");
  EXPECT_FALSE(Exists(kApp + "none.ini"));
  EXPECT_FALSE(Exists(kApp + "doc.ini"));
}

// A second install while the product runs, with "yes" to the upgrade question: only the files
// marked for upgrades in groups marked for upgrades are placed; no step-0 action runs and the
// uninstaller is not extracted again, yet the entry is rewritten.
void SetupEndToEnd::UpgradeWhileRunning() {
  SCOPED_TRACE("upgrade");
  ASSERT_TRUE(TvqLib::IsProgramRunning(kApp + "bin\\Sync.exe"));
  ASSERT_TRUE(fs::remove(Host("C:\\Users\\Public\\Setup\\step0.txt")));
  ASSERT_TRUE(fs::remove(Host(EndToEndProduct::kUninstaller)));
  auto app = driver.Installer(v2_, false);
  fx.ui.ScriptAnswer(orvane::kAnswerYes);
  std::string error;
  ASSERT_TRUE(app->RunInstall(error, orvane::kModeInstall)) << error;
  EXPECT_TRUE(app->UpgradeMode);
  for (const char* upgraded : {"bin\\Core.dll", "web\\index.html"})
    EXPECT_EQ(Read(kApp + upgraded), Bytes(upgraded, "v2"));
  // data\new1.db is marked itself, but its group is not.
  for (const char* kept : {"web\\app.js", "data\\new1.db"}) EXPECT_EQ(Read(kApp + kept), Bytes(kept, "v1"));
  EXPECT_FALSE(Exists("C:\\Users\\Public\\Setup\\step0.txt"));
  EXPECT_FALSE(Exists(EndToEndProduct::kUninstaller));
  EXPECT_EQ(RegString(RegView::Force64, EndToEndProduct::kUninstallKey, "DisplayVersion"), "2.1.2");
  EXPECT_TRUE(TvqLib::IsProgramRunning(kApp + "bin\\Sync.exe"));
}

// A repair puts a deleted file back (and extracts the uninstaller again).
void SetupEndToEnd::RepairRestoresDeletedFile() {
  SCOPED_TRACE("repair");
  ASSERT_TRUE(fs::remove(Host(kApp + "web\\app.js")));
  auto app = driver.Installer(v2_, true);
  EndToEndDriver::SetModules(*app, {{"sync", true}, {"web", true}, {"tools", true}, {"doc", false}});
  app->Mode = orvane::kModeRepair;
  std::string error;
  ASSERT_TRUE(app->RunRepair(error)) << error;
  EXPECT_EQ(Read(kApp + "web\\app.js"), Bytes("web\\app.js", "v2"));
  EXPECT_EQ(WriteTime(kApp + "web\\app.js"), EndToEndProduct::kPlacedTime);
  EXPECT_TRUE(Exists(EndToEndProduct::kUninstaller));
}

// A repair whose package lacks one file's map line leaves the installed file as it is, repairs
// the others and ends successfully, naming the file it could not restore.
void SetupEndToEnd::RepairWithoutMapLine() {
  SCOPED_TRACE("repair without a map line");
  vqtest::WriteFileBytes(Host(kApp + "web\\index.html"), "edited by the user");
  ASSERT_TRUE(fs::remove(Host(kApp + "data\\new1.db")));
  auto app = driver.Installer(v2Unmapped_, true);
  EndToEndDriver::SetModules(*app, {{"sync", true}, {"web", true}, {"tools", true}, {"doc", false}});
  app->Mode = orvane::kModeRepair;
  std::string error;
  EXPECT_TRUE(app->RunRepair(error));
  EXPECT_EQ(app->FailedFiles, 1);
  EXPECT_NE(error.find("index.html"), std::string::npos) << error;
  EXPECT_EQ(Read(kApp + "web\\index.html"), "edited by the user");
  EXPECT_EQ(Read(kApp + "data\\new1.db"), Bytes("data\\new1.db", "v2"));
}

// A change that deselects a module removes its own group and its links; the group it shares
// with the kept modules stays.
void SetupEndToEnd::ChangeRemovesDeselectedModule() {
  SCOPED_TRACE("change");
  auto app = driver.Installer(v2_, true);
  EndToEndDriver::SetModules(*app, {{"sync", true}, {"web", true}, {"tools", false}, {"doc", false}});
  app->Mode = orvane::kModeChange;
  std::string error;
  ASSERT_TRUE(app->RunChange(error)) << error;
  EndToEndDriver::Finish(*app);
  EXPECT_FALSE(Exists(kApp + "tools\\Tool2.exe"));
  EXPECT_FALSE(Exists(kApp + "tools"));
  EXPECT_FALSE(Exists(kDesktop + "工具.lnk"));
  EXPECT_FALSE(Exists(kMenu + "工具.lnk"));
  EXPECT_EQ(Read(kApp + "bin\\Core.dll"), Bytes("bin\\Core.dll", "v2"));
  EXPECT_TRUE(Exists(kDesktop + "同步 Tessaly.lnk"));
  EXPECT_EQ(RegString(RegView::Force64, EndToEndProduct::kUninstallKey, "InstallItems"),
            Items({{"sync", true}, {"web", true}, {"tools", false}, {"doc", false}}));
  EXPECT_TRUE(TvqLib::IsProgramRunning(kApp + "bin\\Sync.exe")) << "the finish page started it again";
}

// The uninstaller removes one module: its files and links go, the entry records it as removed.
void SetupEndToEnd::PartialUninstall() {
  SCOPED_TRACE("partial uninstall");
  auto app = driver.Uninstaller();
  EndToEndDriver::SetModules(*app, {{"sync", false}, {"web", true}, {"tools", false}, {"doc", false}});
  std::string error;
  ASSERT_TRUE(app->RunUninstall(error)) << error;
  EndToEndDriver::Finish(*app);
  for (const char* gone : {"web\\index.html", "web\\app.js", "webexe\\Web.exe"}) EXPECT_FALSE(Exists(kApp + gone));
  EXPECT_FALSE(Exists(kDesktop + "网页.lnk"));
  EXPECT_FALSE(Exists(kMenu + "网页.lnk"));
  EXPECT_TRUE(Exists(kApp + "bin\\Core.dll"));
  EXPECT_EQ(RegString(RegView::Force64, EndToEndProduct::kUninstallKey, "InstallItems"),
            Items({{"sync", true}, {"web", false}, {"tools", false}, {"doc", false}}));
  EXPECT_EQ(Read("C:\\Users\\Public\\Setup\\uninst.txt"), "卸载\n完成\n");
}

// The uninstaller removes the rest: exactly the files kept on uninstall, what the product wrote
// itself and the folders examined while files were still in them stay behind; the entry is gone
// from both registry views, and a program of the same name elsewhere runs on.
void SetupEndToEnd::FullUninstall() {
  SCOPED_TRACE("full uninstall");
  RunningStandin elsewhere("D:\\Other\\Sync.exe");
  ASSERT_TRUE(TvqLib::IsProgramRunning(kApp + "bin\\Sync.exe"));
  auto app = driver.Uninstaller();
  EndToEndDriver::SetModules(*app, {{"sync", true}, {"web", true}, {"tools", true}, {"doc", true}});
  std::string error;
  ASSERT_TRUE(app->RunUninstall(error)) << error;
  EndToEndDriver::Finish(*app);
  const std::set<std::string> remainder = {
      "Uninstall1001.exe",  // goes by the uninstaller's self-deletion, after it has ended
      "app.ini",            // configuration items stay
      "zvqinstall.log",
      "bin\\",
      "bin\\cwd.txt",  // written by the product
      "data\\",
      "data\\keep0.db",
      "data\\old2.db",
      "temp\\",
      "web\\",
      "webexe\\",
      "webexe\\args.txt",
      "webexe\\cwd.txt",
  };
  EXPECT_EQ(Tree(kApp), remainder);
  for (const RegView view : {RegView::Force64, RegView::Force32, RegView::Default})
    EXPECT_FALSE(KeyOpens(view, EndToEndProduct::kUninstallKey)) << static_cast<int>(view);
  EXPECT_TRUE(vqtest::WaitUntil([] { return !TvqLib::IsProgramRunning(kApp + "bin\\Sync.exe"); }));
  EXPECT_TRUE(vqtest::WaitUntil([] { return !TvqLib::IsServiceRunning("VqSvc"); }));
  EXPECT_TRUE(elsewhere.Alive());
  for (const char* link : {"同步 Tessaly.lnk", "网页.lnk"}) EXPECT_FALSE(Exists(kDesktop + link)) << link;
  EXPECT_TRUE(Exists(kDesktop + "主页.lnk")) << "global links stay";
  const std::string log = SetupLog("Uninstall1001");
  EXPECT_NE(LogEntryAt(log, "关闭程序：发出退出消息到窗口-同步主窗口[成功]"), std::string::npos);
  EXPECT_NE(LogEntryAt(log, "停止服务：TvqLib.StopService OK-同步服务-D:\\Tessaly\\bin\\Svc.exe[成功]"),
            std::string::npos);
}

TEST_F(SetupEndToEnd, ProductLifecycle) {
  const std::function<void()> phases[] = {[this] { Install(); },
                                          [this] { UpgradeWhileRunning(); },
                                          [this] { RepairRestoresDeletedFile(); },
                                          [this] { RepairWithoutMapLine(); },
                                          [this] { ChangeRemovesDeselectedModule(); },
                                          [this] { PartialUninstall(); },
                                          [this] { FullUninstall(); }};
  for (const auto& phase : phases) {
    phase();
    if (HasFatalFailure()) return;
  }
  EXPECT_TRUE(SandboxEmpty()) << "nothing is written outside the machine";
}

}  // namespace
