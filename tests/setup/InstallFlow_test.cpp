#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/FileOps.h"
#include "platform/Profile.h"
#include "platform/Registry.h"
#include "platform/TextCodec.h"
#include "platform/WinPath.h"
#include "setup/core/SetupUi.h"
#include "setup/core/VqApp.h"
#include "setup/core/VqLib.h"
#include "support/InstallWorld.h"
#include "support/RunningStandin.h"
#include "support/TempDir.h"

namespace {

using orvane::TvqApp;
using vqtest::InstallWorld;
using vqtest::ProductFile;
using vqtest::RunningStandin;
using Lines = std::vector<std::string>;
namespace fs = std::filesystem;

constexpr const char* kKey =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{8F0C6A1E-2B7D-4C1A-9E55-0A1B2C3D4E5F}";
constexpr const char* kDesktop = "C:\\Users\\Public\\Desktop\\";
constexpr const char* kMenu = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Tessaly\\";
constexpr const char* kRun = "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run";

std::string EntryValue(const std::string& name) {
  platform::RegKey key;
  std::string value;
  if (platform::RegKey::Open(platform::RegRoot::LocalMachine, kKey, platform::RegAccess::Read,
                             platform::RegView::Force64, key) == 0)
    (void)key.ReadString(name, value);
  return value;
}

bool Autorun(const std::string& name) {
  platform::RegKey key;
  std::string value;
  return platform::RegKey::Open(platform::RegRoot::LocalMachine, kRun, platform::RegAccess::Read,
                                platform::RegView::Force64, key) == 0 &&
         key.ReadString(name, value) == 0;
}

// The position of the first line holding `text`, or -1.
int IndexOf(const Lines& lines, const std::string& text) {
  for (std::size_t i = 0; i < lines.size(); ++i)
    if (lines[i].find(text) != std::string::npos) return static_cast<int>(i);
  return -1;
}

// The placed time: the packed local time, cut to the even second below.
double EvenSeconds(const std::string& localTime) {
  const double t = InstallWorld::LocalSeconds(localTime);
  return t - std::fmod(t, 2.0);
}

bool Selected(const ProductFile& f) { return f.group != "g_web"; }

// Points HOME and the XDG folders at an empty folder while it lives, so a test can tell that
// nothing was written beside the machine.
class ScopedHome {
 public:
  ScopedHome() {
    for (const char* name : kNames) {
      const char* old = std::getenv(name);
      saved_.emplace_back(old != nullptr ? old : "", old != nullptr);
      setenv(name, (home_.path() + (std::string(name) == "HOME" ? "" : "/" + std::string(name))).c_str(), 1);
    }
  }
  ~ScopedHome() {
    for (std::size_t i = 0; i < saved_.size(); ++i) {
      if (saved_[i].second) {
        setenv(kNames[i], saved_[i].first.c_str(), 1);
      } else {
        unsetenv(kNames[i]);
      }
    }
  }
  [[nodiscard]] bool Empty() const { return fs::is_empty(home_.path()); }

 private:
  static constexpr const char* kNames[] = {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME"};
  vqtest::TempDir home_;
  std::vector<std::pair<std::string, bool>> saved_;
};

// A fresh install places every file of the selected modules byte for byte with its packed time
// on the even second, leaves the unselected module's group out, runs the exec actions at their
// steps, places the uninstaller, writes the uninstall entry with its mirror and the links, and
// writes nothing outside the machine.
TEST(InstallFlow, FreshInstallPlacesEverythingOfTheSelectedModules) {
  ScopedHome home;
  const std::string cwdBefore = fs::current_path().string();
  InstallWorld w;
  w.Start();
  std::string error;
  ASSERT_TRUE(w.app().RunInstall(error, orvane::kModeInstall)) << error;
  EXPECT_EQ(w.app().FailedFiles, 0);

  for (const ProductFile& f : w.files) {
    if (!Selected(f)) {
      EXPECT_FALSE(InstallWorld::Exists(f.target)) << f.target;
      continue;
    }
    EXPECT_EQ(InstallWorld::Read(f.target), f.packed.bytes) << f.target;
    EXPECT_EQ(InstallWorld::WriteTime(f.target), EvenSeconds(f.packed.lastWriteTime)) << f.target;
  }
  EXPECT_EQ(InstallWorld::Read(InstallWorld::kUninstaller), InstallWorld::kUninstallerBytes);
  EXPECT_TRUE(fs::is_empty(w.world.fx.Host("D:\\Apps\\Tessaly\\temp"))) << "temporary files are removed";

  EXPECT_EQ(EntryValue("DisplayName"), "Tessaly");
  EXPECT_EQ(EntryValue("InstallLocation"), InstallWorld::kAppPath);
  EXPECT_EQ(platform::GetPrivateProfileString("Uninstall", "InstallLocation", "", w.app().MirrorFile(),
                                              platform::ProfileCodePage::Ansi),
            InstallWorld::kAppPath);

  for (const char* link : {"Tessaly 2.1.lnk", "工具.lnk", "官网.lnk"})
    EXPECT_TRUE(InstallWorld::Exists(kDesktop + std::string(link))) << link;
  for (const char* link : {"网页首页.lnk", "安全官网.lnk"})
    EXPECT_FALSE(InstallWorld::Exists(kDesktop + std::string(link))) << link;
  for (const char* link : {"Tessaly 2.1.lnk", "工具.lnk", "卸载 Tessaly.lnk"})
    EXPECT_TRUE(InstallWorld::Exists(kMenu + std::string(link))) << link;

  // Step 0 runs before any file; the program file's actions run before (it is not there yet)
  // and after it is placed.
  const Lines log = w.world.NewLogEntries();
  const int step0 = IndexOf(log, "开机启动：D:\\Apps\\Tessaly\\step0.mark-[失败]");
  const int before = IndexOf(log, "开机启动：D:\\Apps\\Tessaly\\bin\\Tessaly.exe-[失败]");
  const int after = IndexOf(log, "开机启动：D:\\Apps\\Tessaly\\bin\\Tessaly.exe-[成功]");
  EXPECT_GE(step0, 0);
  EXPECT_GT(before, step0);
  EXPECT_GT(after, before);
  EXPECT_TRUE(Autorun("Step3"));
  EXPECT_FALSE(Autorun("Step2"));

  const Lines status = w.world.NewStatusLines();
  EXPECT_GE(IndexOf(status, "安装核心文件文件：bin\\Tessaly.exe"), 0);
  ASSERT_FALSE(status.empty());
  EXPECT_EQ(status.back(), "程序安装成功.");
  EXPECT_EQ(w.world.fx.ui.Max(), 6) << "files of g_core, g_shared and g_tools";
  EXPECT_EQ(w.world.fx.ui.GetPosition(), 6);
  const std::string installLog = platform::Cp936ToUtf8(InstallWorld::Read("D:\\Apps\\Tessaly\\zvqinstall.log"));
  EXPECT_NE(installLog.find("[安装核心文件]  安装文件成功：bin\\Tessaly.exe"), std::string::npos);

  EXPECT_TRUE(home.Empty()) << "nothing beside the machine";
  EXPECT_EQ(fs::current_path().string(), cwdBefore);
}

// The replace rules against targets that are already there: "0" keeps, "1" replaces even a
// newer file, "2" replaces only an older one, compared in seconds against the target's time on
// the even second (so an odd packed time replaces its own even-second copy).
TEST(InstallFlow, ReplaceRulesAgainstExistingTargets) {
  InstallWorld w;
  const std::string app = InstallWorld::kAppPath;
  struct Case {
    std::string name, rule, packedTime, targetTime;
    bool replaced;
  };
  const Case cases[] = {
      {"keep0.ini", "0", "2020-07-17 09:30:10", "2019-01-01 00:00:00", false},
      {"always1.ini", "1", "2020-07-17 09:30:10", "2030-01-01 00:00:00", true},
      {"older2.ini", "2", "2020-07-17 09:30:10", "2019-01-01 00:00:00", true},
      {"newer2.ini", "2", "2020-07-17 09:30:10", "2030-01-01 00:00:00", false},
      {"same2.ini", "2", "2020-07-17 09:30:10", "2020-07-17 09:30:10", false},
      {"odd2.ini", "2", "2020-07-17 09:30:11", "2020-07-17 09:30:10", true},
      {"empty.ini", "", "2020-07-17 09:30:10", "2019-01-01 00:00:00", false},
  };
  for (const Case& c : cases)
    w.files.push_back({vqtest::PackedFile{"D:\\src\\cfg\\" + c.name, "cfg\\" + c.name, "new " + c.name, c.packedTime},
                       "g_shared",
                       "dst_path:<app_path>cfg\\;tag_replace:" + c.rule + ";lastwritetime:" + c.packedTime + ";",
                       app + "cfg\\" + c.name, false});
  w.Start();
  for (const Case& c : cases) {
    InstallWorld::Write(app + "cfg\\" + c.name, "old");
    InstallWorld::SetWriteTime(app + "cfg\\" + c.name, InstallWorld::LocalSeconds(c.targetTime));
  }
  std::string error;
  ASSERT_TRUE(w.app().RunInstall(error, orvane::kModeInstall)) << error;
  for (const Case& c : cases)
    EXPECT_EQ(InstallWorld::Read(app + "cfg\\" + c.name), c.replaced ? "new " + c.name : "old") << c.name;
}

// With the product's main program running and "yes" to the question, the install is an
// upgrade: only files marked for upgrades in groups marked for upgrades are placed, no step-0
// action runs and no uninstaller is extracted, yet the entry and the links are written again.
TEST(InstallFlow, UpgradeModePlacesOnlyUpgradeFiles) {
  InstallWorld w;
  w.Start();
  std::string error;
  ASSERT_TRUE(w.app().RunInstall(error, orvane::kModeInstall)) << error;
  for (const ProductFile& f : w.files)
    if (Selected(f)) InstallWorld::Write(f.target, "stale");
  fs::remove(w.world.fx.Host(InstallWorld::kUninstaller));
  fs::remove(w.world.fx.Host(kDesktop + std::string("Tessaly 2.1.lnk")));
  w.app().RemoveUninstallEntry();

  RunningStandin service(InstallWorld::kMainProgram);
  w.Start();
  w.world.fx.ui.ScriptAnswer(orvane::kAnswerYes);
  ASSERT_TRUE(w.app().RunInstall(error, orvane::kModeInstall)) << error;
  EXPECT_TRUE(w.app().UpgradeMode);
  EXPECT_TRUE(service.Alive()) << "an upgrade leaves the product running";
  EXPECT_GE(IndexOf(w.world.fx.ui.Transcript(),
                    "query[询问]: 检测到主服务正在运行，是否使用升级模式安装(不关闭后台服务)？ -> 6"),
            0);

  // 说明.txt takes part but its rule keeps the existing file.
  for (const ProductFile& f : w.files) {
    if (!Selected(f)) continue;
    const bool placed = f.forUpgrade && f.target.find("说明") == std::string::npos;
    EXPECT_EQ(InstallWorld::Read(f.target), placed ? f.packed.bytes : "stale") << f.target;
  }
  EXPECT_FALSE(InstallWorld::Exists(InstallWorld::kUninstaller));
  EXPECT_EQ(EntryValue("DisplayName"), "Tessaly");
  EXPECT_TRUE(InstallWorld::Exists(kDesktop + std::string("Tessaly 2.1.lnk")));
  const Lines log = w.world.NewLogEntries();
  EXPECT_LT(IndexOf(log, "step0.mark"), 0) << "no step-0 action in an upgrade";
  EXPECT_GE(IndexOf(log, "开机启动：D:\\Apps\\Tessaly\\bin\\Tessaly.exe-[成功]"), 0);
  // The bar counts the passed-over files too.
  EXPECT_EQ(w.world.fx.ui.Max(), 6);
  EXPECT_EQ(w.world.fx.ui.GetPosition(), 3);
}

// Without the main program running no question is asked and the install is a normal one.
TEST(InstallFlow, NoUpgradeQuestionWhileTheProductIsStopped) {
  InstallWorld w;
  w.Start();
  w.world.fx.ui.ScriptAnswer(orvane::kAnswerYes);
  std::string error;
  ASSERT_TRUE(w.app().RunInstall(error, orvane::kModeInstall)) << error;
  EXPECT_FALSE(w.app().UpgradeMode);
  EXPECT_LT(IndexOf(w.world.fx.ui.Transcript(), "query["), 0);
  EXPECT_TRUE(InstallWorld::Exists(InstallWorld::kUninstaller));
}

// A repair puts a deleted file back; a file whose package entry or map line is missing, or
// whose temporary copy cannot be written, is skipped and the installed copy stays whole (the
// temporary copy goes), the rest of the repair goes on, and the repair ends successfully naming
// the file it could not restore (unless its rule would have kept it anyway).
TEST(InstallFlow, RepairRestoresAndSkipsWhatItCannotExtract) {
  const std::string exe = std::string(InstallWorld::kAppPath) + "bin\\Tessaly.exe";
  const std::string text = std::string(InstallWorld::kAppPath) + "数据\\说明.txt";
  const std::string dll = std::string(InstallWorld::kAppPath) + "bin\\core.dll";
  struct Case {
    std::string broken;  // target whose packed copy is damaged
    bool inMap, inArchive;
    bool staleTemp;     // a cut temporary copy that the extraction cannot overwrite
    std::string error;  // the closing report ("" = none)
  };
  const Case cases[] = {
      {"", true, true, false, ""},
      {exe, false, true, false, "修复文件失败：1，bin\\Tessaly.exe"},
      {exe, true, false, false, "修复文件失败：1，bin\\Tessaly.exe"},
      {exe, true, true, true, "修复文件失败：1，bin\\Tessaly.exe"},
      {text, false, true, false, ""},
  };
  for (const Case& c : cases) {
    InstallWorld w;
    w.Start();
    std::string error;
    ASSERT_TRUE(w.app().RunInstall(error, orvane::kModeInstall)) << error;
    fs::remove(w.world.fx.Host(dll));
    for (ProductFile& f : w.files) {
      if (f.target != c.broken) continue;
      f.packed.inMap = c.inMap;
      f.packed.inArchive = c.inArchive;
    }
    w.Start();
    if (c.staleTemp) {
      const std::string stale = w.app().TempPath + "Tessaly.exe";
      InstallWorld::Write(stale, "cut");
      ASSERT_EQ(platform::SetReadOnly(stale, true), 0);
    }
    w.app().Mode = orvane::kModeRepair;
    error.clear();
    EXPECT_TRUE(w.app().RunRepair(error)) << c.broken;
    EXPECT_EQ(w.app().FailedFiles, c.error.empty() ? 0 : 1) << c.broken;
    if (!c.error.empty()) {
      EXPECT_EQ(error, c.error) << c.broken;
    }
    EXPECT_EQ(InstallWorld::Read(dll), w.File(dll)->packed.bytes) << "restored, " << c.broken;
    if (!c.broken.empty()) {
      EXPECT_EQ(InstallWorld::Read(c.broken), w.File(c.broken)->packed.bytes) << "kept whole";
      EXPECT_GE(IndexOf(w.world.NewLogEntries(), "跳过该文件：" + c.broken), 0);
    }
    EXPECT_TRUE(fs::is_empty(w.world.fx.Host("D:\\Apps\\Tessaly\\temp"))) << c.broken;
    EXPECT_GE(IndexOf(w.world.NewStatusLines(), "修复核心文件文件：bin\\core.dll"), 0) << c.broken;
  }
}

// A file that cannot be placed, or an entry mirror that refuses its writes, does not stop an
// install, a change or a repair: the other files, the uninstaller, every value of the entry, the
// step-3 action and the links follow, and the flow ends successfully with a text naming what
// failed, which also ends the status line and the setup log.
TEST(InstallFlow, FailuresAreReportedAtTheEndOfASuccessfulFlow) {
  const std::string app = InstallWorld::kAppPath;
  const std::string dll = app + "bin\\core.dll";
  struct Case {
    const char* name;
    std::uint32_t mode;
    bool heldFile, refusedMirror;
    std::string error;
  };
  const Case cases[] = {
      {"install, held file", orvane::kModeInstall, true, false, "安装文件失败：1，bin\\core.dll"},
      {"change, held file", orvane::kModeChange, true, false, "修改文件失败：1，bin\\core.dll"},
      {"repair, held file", orvane::kModeRepair, true, false, "修复文件失败：1，bin\\core.dll"},
      {"install, refused mirror", orvane::kModeInstall, false, true, "安装文件失败：1，Uninstall1001.dat"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    InstallWorld w;
    w.Start();
    std::string error;
    if (c.mode != orvane::kModeInstall) {
      ASSERT_TRUE(w.app().RunInstall(error, orvane::kModeInstall)) << error;
      // What the second flow must write again.
      w.app().RemoveUninstallEntry();
      fs::remove(w.world.fx.Host(kDesktop + std::string("Tessaly 2.1.lnk")));
      fs::remove(w.world.fx.Host(kMenu + std::string("卸载 Tessaly.lnk")));
      platform::RegKey run;
      ASSERT_EQ(platform::RegKey::Create(platform::RegRoot::LocalMachine, kRun, platform::RegView::Force64, run), 0);
      ASSERT_EQ(run.DeleteValue("Step3"), 0);
      w.Start();
      w.app().Mode = c.mode;
    }
    platform::FileHold hold;
    if (c.heldFile) {
      InstallWorld::Write(dll, "in use");
      hold = platform::FileHold(dll);
      ASSERT_TRUE(hold.IsHeld());
    }
    if (c.refusedMirror) {
      InstallWorld::Write(w.app().MirrorFile(), "[Uninstall]\r\n");
      ASSERT_EQ(platform::SetReadOnly(w.app().MirrorFile(), true), 0);
    }
    error.clear();
    const bool ok = c.mode == orvane::kModeChange   ? w.app().RunChange(error)
                    : c.mode == orvane::kModeRepair ? w.app().RunRepair(error)
                                                    : w.app().RunInstall(error, orvane::kModeInstall);
    EXPECT_TRUE(ok);
    EXPECT_EQ(error, c.error);
    EXPECT_EQ(w.app().FailedFiles, 1);
    EXPECT_EQ(InstallWorld::Read(dll), c.heldFile ? "in use" : "core library");
    EXPECT_EQ(InstallWorld::Read(app + "tools\\tool.exe"), "tool program");
    EXPECT_TRUE(InstallWorld::Exists(InstallWorld::kUninstaller));
    EXPECT_EQ(EntryValue("DisplayName"), "Tessaly");
    EXPECT_EQ(EntryValue("InstallLocation"), app);
    EXPECT_NE(EntryValue("InstallItems").find("core=核心;can_select:0;setup:1;"), std::string::npos);
    EXPECT_EQ(EntryValue("UninstallString"), app + "uninstall1001.exe");
    EXPECT_TRUE(Autorun("Step3"));
    EXPECT_TRUE(InstallWorld::Exists(kDesktop + std::string("Tessaly 2.1.lnk")));
    EXPECT_TRUE(InstallWorld::Exists(kMenu + std::string("卸载 Tessaly.lnk")));
    const Lines status = w.world.NewStatusLines();
    if (c.heldFile) {
      EXPECT_GE(IndexOf(status, "文件失败：bin\\core.dll"), 0);
    }
    ASSERT_FALSE(status.empty());
    EXPECT_EQ(status.back(), c.error);
    const Lines log = w.world.NewLogEntries();
    if (c.heldFile) {
      EXPECT_GE(IndexOf(log, "失败！临时文件："), 0);
    }
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), c.error);
    hold.Release();
    (void)platform::SetReadOnly(w.app().MirrorFile(), false);
  }
}

// The .NET step: a missing 4.0 with the download style and "no" ends the flow before any file
// or action; 4.5 is never examined by the flow.
TEST(InstallFlow, DotNetCheck) {
  struct Case {
    std::string version;
    bool result;
    std::string error;
  };
  const Case cases[] = {
      {"40", false, "没有安装.NetFramework v4.0不能继续安装"},
      {"45", true, ""},
  };
  for (const Case& c : cases) {
    InstallWorld w;
    w.world.fx.machine.SetMachineValue("DotNet4Release", "0");
    w.Start("AppDotNetVer=" + c.version +
            "\r\nAppDotNetSetupStyle=down\r\nAppDotNetSetupFile=http://dotnet.example/\r\n");
    std::string error;
    EXPECT_EQ(w.app().RunInstall(error, orvane::kModeInstall), c.result) << c.version;
    EXPECT_EQ(error, c.error);
    EXPECT_EQ(InstallWorld::Exists(std::string(InstallWorld::kAppPath) + "bin\\Tessaly.exe"), c.result);
    EXPECT_EQ(IndexOf(w.world.NewLogEntries(), "step0.mark") >= 0, c.result) << c.version;
  }
}

// The groups of a module in order, each once, a group without a name taken off the list; sizes
// for the needed-space line.
TEST(InstallFlow, ModuleGroupsAndSizes) {
  InstallWorld w;
  w.Start("", "[extra_filegroup]\r\nf1=group_id:g_missing;\r\nf2=group_id:g_noname;\r\n");
  orvane::TLineList list{"g_noname=earlier"};
  EXPECT_EQ(w.app().CollectModuleGroups("core", list), 2);
  EXPECT_EQ(w.app().CollectModuleGroups("tools", list), 2);
  EXPECT_EQ(w.app().CollectModuleGroups("nothing", list), 0);
  EXPECT_EQ(w.app().CollectModuleGroups("extra", list), 1);
  EXPECT_EQ(list, (orvane::TLineList{"g_core=core", "g_shared=shared", "g_tools=tools"}));
  const std::pair<std::string, std::int64_t> sizes[] = {
      {"g_core", 4096}, {"G_SHARED", 512}, {"g_tools", 0}, {"g_missing", 0}};
  for (const auto& [id, size] : sizes) EXPECT_EQ(w.app().GetGroupFileSize(id), size) << id;
}

// A font waiting in the cache folder goes into the Windows font folder, unless that folder or
// the install folder already has it; nothing happens for a font that is not there.
TEST(InstallFlow, FontsMoveFromTheCacheFolder) {
  InstallWorld w;
  w.Start("AppMsyhfont=1\r\nAppMsyhfontFile=D:\\fonts\\msyh.ttf\r\nAppMsyhfontBdFile=msyhbd.ttf\r\n");
  TvqApp& app = w.app();
  struct Case {
    std::string inCache, inFonts, inInstall;
    std::string fonts;  // C:\Windows\Fonts\msyh.ttf afterwards ("" = absent)
  };
  const Case cases[] = {
      {"font", "", "", "font"},
      {"font", "system", "", "system"},
      {"font", "", "own", ""},
      {"", "", "", ""},
  };
  for (const Case& c : cases) {
    for (const std::string& folder : {app.CachePath, app.WinPath + "Fonts\\", app.InstallPath})
      fs::remove(w.world.fx.Host(folder + "msyh.ttf"));
    if (!c.inCache.empty()) InstallWorld::Write(app.CachePath + "msyh.ttf", c.inCache);
    if (!c.inFonts.empty()) InstallWorld::Write(app.WinPath + "Fonts\\msyh.ttf", c.inFonts);
    if (!c.inInstall.empty()) InstallWorld::Write(app.InstallPath + "msyh.ttf", c.inInstall);
    app.InstallFonts();
    EXPECT_EQ(InstallWorld::Read(app.WinPath + "Fonts\\msyh.ttf"), c.fonts) << c.inCache << c.inFonts << c.inInstall;
    EXPECT_FALSE(InstallWorld::Exists(app.WinPath + "Fonts\\msyhbd.ttf"));
  }
}

// A change removes the groups of the module taken off, keeps a group that a kept module still
// uses, deletes the removed module's links, and installs the selected modules again.
TEST(InstallFlow, ChangeRemovesDeselectedModule) {
  InstallWorld w;
  w.Start();
  std::string error;
  ASSERT_TRUE(w.app().RunInstall(error, orvane::kModeInstall)) << error;
  const std::string app = InstallWorld::kAppPath;
  InstallWorld::Write(app + "bin\\core.dll", "damaged");

  w.Start();
  w.app().Mode = orvane::kModeChange;
  w.Select("tools", false);
  ASSERT_TRUE(w.app().RunChange(error)) << error;
  EXPECT_FALSE(InstallWorld::Exists(app + "tools\\tool.exe"));
  EXPECT_EQ(InstallWorld::Read(app + "share\\common.dat"), "shared data");
  EXPECT_EQ(InstallWorld::Read(app + "bin\\core.dll"), "core library") << "reinstalled";
  EXPECT_FALSE(InstallWorld::Exists(kDesktop + std::string("工具.lnk")));
  EXPECT_FALSE(InstallWorld::Exists(kMenu + std::string("工具.lnk")));
  EXPECT_TRUE(InstallWorld::Exists(kDesktop + std::string("Tessaly 2.1.lnk")));
  EXPECT_GE(IndexOf(w.world.NewStatusLines(), "工具卸载桌面图标..."), 0);
}

// A whole install and uninstall with links planted in the install folder and the cache folders:
// links to a folder outside the machine and to their own folder are removed or counted as
// themselves, and what lies outside the machine stays as it was.
TEST(InstallFlow, LinksInTheInstallAndCacheFoldersLeadNowhere) {
  vqtest::TempDir outside;
  const std::string victim = outside.file("victim");
  vqtest::WriteFileBytes(victim + "/keep.txt", "keep");
  vqtest::WriteFileBytes(victim + "/deep/also.txt", "also");
  const auto plant = [&](const std::string& windowsFolder) {
    const std::string host = platform::HostPath(windowsFolder);
    std::filesystem::create_directories(host);
    std::filesystem::create_directory_symlink(victim, host + "/outside");
    std::filesystem::create_directory_symlink(host, host + "/self");
  };
  const auto untouched = [&] {
    EXPECT_EQ(vqtest::ReadFileBytes(victim + "/keep.txt"), "keep");
    EXPECT_EQ(vqtest::ReadFileBytes(victim + "/deep/also.txt"), "also");
  };
  {
    InstallWorld w;
    w.Start();
    std::string error;
    ASSERT_TRUE(w.app().RunInstall(error, orvane::kModeInstall)) << error;
    plant(InstallWorld::kAppPath);
    plant(std::string(InstallWorld::kAppPath) + "bin\\");
    plant(w.app().CachePath);
    w.Start("AppInstallType=uninstall\r\n");
    untouched();
    ASSERT_EQ(w.app().Mode, orvane::kModeUninstall);
    plant(w.app().CachePath + "sub\\");
    for (const char* module : {"core", "web", "tools"}) w.Select(module, true);
    EXPECT_TRUE(w.app().RunUninstall(error)) << error;
    untouched();
  }
  untouched();
}

// An uninstaller held open by a program of the user during a change or a reinstall is a file that
// could not be placed: the change still removes the deselected module, the entry records what is
// installed now, the links follow, and the flow ends successfully naming the uninstaller.
TEST(InstallFlow, HeldUninstallerIsAFileThatCouldNotBePlaced) {
  const std::string app = InstallWorld::kAppPath;
  for (const std::uint32_t mode : {orvane::kModeChange, orvane::kModeInstall}) {
    SCOPED_TRACE(mode == orvane::kModeChange ? "change" : "reinstall");
    InstallWorld w;
    w.Start();
    std::string error;
    ASSERT_TRUE(w.app().RunInstall(error, orvane::kModeInstall)) << error;
    ASSERT_TRUE(InstallWorld::Exists(kMenu + std::string("工具.lnk")));
    w.Start();
    InstallWorld::Write(InstallWorld::kUninstaller, "uninstaller in use");
    platform::FileHold hold(InstallWorld::kUninstaller);
    ASSERT_TRUE(hold.IsHeld());
    error.clear();
    bool ok = false;
    if (mode == orvane::kModeChange) {
      w.app().Mode = orvane::kModeChange;
      w.Select("tools", false);
      ok = w.app().RunChange(error);
    } else {
      ok = w.app().RunInstall(error, orvane::kModeInstall);
    }
    EXPECT_TRUE(ok);
    const std::string head = mode == orvane::kModeChange ? "修改" : "安装";
    EXPECT_EQ(error, head + "文件失败：1，Uninstall1001.exe");
    EXPECT_EQ(w.app().FailedFiles, 1);
    EXPECT_EQ(InstallWorld::Read(InstallWorld::kUninstaller), "uninstaller in use");
    EXPECT_EQ(InstallWorld::Exists(app + "tools\\tool.exe"), mode != orvane::kModeChange);
    EXPECT_EQ(InstallWorld::Exists(kMenu + std::string("工具.lnk")), mode != orvane::kModeChange);
    EXPECT_EQ(InstallWorld::Read(app + "bin\\Tessaly.exe"), "agent program");
    const std::string tools = std::string("tools=工具;can_select:1;setup:") + (mode == orvane::kModeChange ? "0" : "1");
    EXPECT_NE(EntryValue("InstallItems").find(tools), std::string::npos) << EntryValue("InstallItems");
    EXPECT_EQ(EntryValue("InstallLocation"), app);
    EXPECT_TRUE(InstallWorld::Exists(kMenu + std::string("卸载 Tessaly.lnk")));
    EXPECT_TRUE(fs::is_empty(w.world.fx.Host("D:\\Apps\\Tessaly\\temp"))) << "temporary files are removed";
    const Lines log = w.world.NewLogEntries();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), error);
    hold.Release();
  }
}

// A file the configuration names that the package cannot give ends the install before it is
// placed, and says why: the setup log names the file as missing from the package (no map line,
// or no entry by the map's name), and a temporary copy that cannot be written gives the system's
// reason in Chinese, like every other text of the box.
TEST(InstallFlow, AFileThePackageCannotGiveEndsTheInstall) {
  const std::string exe = std::string(InstallWorld::kAppPath) + "bin\\Tessaly.exe";
  struct Case {
    const char* name;
    bool inMap, inArchive, heldTemp;
    std::string error, logged;
  };
  const Case cases[] = {
      {"no map line", false, true, false, "安装文件Tessaly.exe释放失败1[0],请重试...",
       "安装包中没有该文件（文件表中没有）：D:\\src\\bin\\Tessaly.exe"},
      {"no entry", true, false, false, "安装文件Tessaly.exe释放失败1[0],请重试...",
       "安装包中没有该文件：D:\\src\\bin\\Tessaly.exe，压缩包中没有：inst_files\\bin\\Tessaly.exe"},
      {"held temporary copy", true, true, true,
       "安装文件Tessaly.exe释放保存失败1：另一个程序正在使用此文件，进程无法访问。,请重试", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    InstallWorld w;
    for (ProductFile& f : w.files) {
      if (f.target != exe) continue;
      f.packed.inMap = c.inMap;
      f.packed.inArchive = c.inArchive;
    }
    w.Start();
    const std::string temp = w.app().TempPath + "Tessaly.exe";
    platform::FileHold hold;
    if (c.heldTemp) {
      InstallWorld::Write(temp, "in use");
      hold = platform::FileHold(temp);
      ASSERT_TRUE(hold.IsHeld());
    }
    std::string error;
    EXPECT_FALSE(w.app().RunInstall(error, orvane::kModeInstall));
    EXPECT_EQ(error, c.error);
    EXPECT_FALSE(InstallWorld::Exists(exe));
    EXPECT_FALSE(InstallWorld::Exists(InstallWorld::kUninstaller));
    EXPECT_EQ(EntryValue("DisplayName"), "");
    if (!c.logged.empty()) {
      EXPECT_GE(IndexOf(w.world.NewLogEntries(), c.logged), 0);
    }
    hold.Release();
  }
}

}  // namespace
