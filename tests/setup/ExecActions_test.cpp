#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/Process.h"
#include "platform/Registry.h"
#include "platform/Services.h"
#include "setup/core/LineList.h"
#include "setup/core/TagValue.h"
#include "setup/core/VqApp.h"
#include "setup/core/VqLib.h"
#include "support/ExecActionWorld.h"
#include "support/RunningStandin.h"
#include "support/Standins.h"

namespace {

using orvane::TvqApp;
using orvane::TvqLib;
using vqtest::ExecActionWorld;
using Bits = vqtest::MachineRootFixture::Bits;
using Lines = std::vector<std::string>;

constexpr const char* kRun = "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run";

// An autorun record named `name`: running it leaves a trace in the registry.
std::string Mark(const std::string& name, const std::string& more = "setup_style:111100;",
                 const std::string& srcFile = "<app_path>bin\\Stand.exe") {
  return "exec_type:9;src_file:" + srcFile + ";service_name:" + name + ";" + more;
}

bool Marked(const std::string& name) {
  platform::RegKey k;
  std::string value;
  return platform::RegKey::Open(platform::RegRoot::LocalMachine, kRun, platform::RegAccess::Read,
                                platform::RegView::Force64, k) == 0 &&
         k.ReadString(name, value) == 0;
}

void ClearMarks() { (void)TvqLib::DeleteRegKey("HKEY_LOCAL_MACHINE", kRun); }

Lines Keys(const orvane::TLineList& list) {
  Lines keys;
  for (const std::string& line : list) keys.push_back(orvane::LineName(line));
  return keys;
}

// setup_style picks the modes by position ("1" alone is install only, a record without it never
// runs); sys_type "32" is skipped on 64-bit and "64" on 32-bit Windows, anything else runs
// everywhere. A skipped record leaves no status, no log line and no pause.
TEST(ExecActionFilters, StyleAndBitnessTable) {
  struct Case {
    std::string fields;
    bool runsOn64[4];
    bool runsOn32[4];
  };
  const Case cases[] = {
      {"", {false, false, false, false}, {false, false, false, false}},
      {"setup_style:1;", {true, false, false, false}, {true, false, false, false}},
      {"setup_style:111000;", {true, true, true, false}, {true, true, true, false}},
      {"setup_style:000100;", {false, false, false, true}, {false, false, false, true}},
      {"setup_style:111100;sys_type:32;", {false, false, false, false}, {true, true, true, true}},
      {"setup_style:111100;sys_type:64;", {true, true, true, true}, {false, false, false, false}},
      {"setup_style:111100;sys_type:x64;", {true, true, true, true}, {true, true, true, true}},
  };
  for (const Bits bits : {Bits::x64, Bits::x86}) {
    ExecActionWorld world(bits);
    world.Start("");
    for (const Case& c : cases) {
      for (std::uint32_t mode = 0; mode < 4; ++mode) {
        const bool expected = bits == Bits::x64 ? c.runsOn64[mode] : c.runsOn32[mode];
        const std::int64_t before = world.fx.clock.ElapsedMs();
        std::string error;
        EXPECT_TRUE(world.app->RunExecAction(error, "{F}", "exec_type:3;" + c.fields, mode));
        EXPECT_EQ(error, "安装任务失败");
        EXPECT_EQ(world.fx.clock.ElapsedMs() - before, expected ? 600 : 0)
            << c.fields << " mode " << mode << (bits == Bits::x64 ? " 64-bit" : " 32-bit");
      }
    }
    EXPECT_TRUE(world.NewLogEntries().empty());
    EXPECT_TRUE(world.NewStatusLines().empty());
  }
}

// An action tied to a file runs only when this install writes that file, named as the
// configuration writes it: a file no group lists, or one named by its expanded path, never runs.
// The listed file runs exactly when the placement says the install writes it.
TEST(ExecActionFilters, OnlyForFilesThisInstallWrites) {
  ExecActionWorld world;
  world.Start(
      "[file_group]\r\ng1=group_id:g1;group_name:core;group_title:核心;\r\n"
      "[g1_files]\r\nD:\\src\\bin\\Listed.exe;subfolder_id:1;=dst_path:<app_path>bin\\;dst_filename:Listed.exe;"
      "tag_replace:1;\r\n");
  vqtest::PlaceProgramStandin("C:\\Apps\\T\\bin\\Stand.exe");
  const bool written = world.app->IsFileInInstallList("<app_path>bin\\Listed.exe");
  const std::pair<std::string, bool> cases[] = {
      {"<app_path>bin\\Listed.exe", written},
      // Listed without regard to case, but a capital token is not expanded: no file, no trace.
      {"<APP_PATH>BIN\\listed.exe", false},
      {"C:\\Apps\\T\\bin\\Listed.exe", false},
      {"<app_path>bin\\Unlisted.exe", false},
  };
  // The filter reads the record's own src_file: an action on a listed file that the install
  // writes runs, every other one leaves no trace.
  for (const auto& [srcFile, runs] : cases) {
    ClearMarks();
    vqtest::PlaceProgramStandin("C:\\Apps\\T\\bin\\Listed.exe");
    vqtest::PlaceProgramStandin("C:\\Apps\\T\\bin\\Unlisted.exe");
    std::string error;
    EXPECT_TRUE(world.app->RunExecAction(
        error, "{T}", "exec_type:9;src_file:" + srcFile + ";service_name:Todo;setup_style:1;is_setup_can_todo:1;",
        orvane::kModeInstall));
    EXPECT_EQ(Marked("Todo"), runs) << srcFile;
  }
}

class ExecListsTest : public ::testing::Test {
 protected:
  void Start(const std::string& sections) {
    world.Start(
        "[module]\r\nsync=同步;can_select:1;setup:1;\r\nweb=网页;can_select:1;setup:0;\r\n"
        "tools=工具;can_select:1;setup:1;\r\n" +
        sections);
    vqtest::PlaceProgramStandin("C:\\Apps\\T\\bin\\Stand.exe");
  }

  ExecActionWorld world;
};

// Step 0 collects the marked modules in module order and then the global section; a later
// record with the same key (any case) replaces the earlier one where it stands, records for the
// other bitness are left out, and the install and uninstall lists are rebuilt on each call.
TEST_F(ExecListsTest, CollectsStepZeroByKey) {
  Start("[sync_exec_0]\r\n{A}=" + Mark("A") + "\r\n{B}=" + Mark("B1") + "\r\n{W}=" + Mark("W", "sys_type:32;") +
        "\r\n[web_exec_0]\r\n{C}=" + Mark("C") + "\r\n[tools_exec_0]\r\n{D}=" + Mark("D") +
        "\r\n[_exec_0]\r\n{b}=" + Mark("B2") + "\r\n{E}=" + Mark("E") + "\r\n");
  EXPECT_EQ(world.app->CollectInstallExecs(), 4);
  EXPECT_EQ(Keys(world.app->InstallExecs), (Lines{"{A}", "{b}", "{D}", "{E}"}));
  EXPECT_NE(world.app->InstallExecs[1].find("service_name:B2;"), std::string::npos);
  EXPECT_EQ(world.app->CollectInstallExecs(), 4);
  EXPECT_EQ(world.app->CollectUninstallExecs(), 4);
  EXPECT_EQ(world.app->UninstallExecs, world.app->InstallExecs);

  std::string error = "untouched";
  EXPECT_TRUE(world.app->RunInstallExecs(orvane::kModeInstall, error));
  EXPECT_EQ(error, "untouched");
  for (const char* name : {"A", "B2", "D", "E"}) EXPECT_TRUE(Marked(name)) << name;
  for (const char* name : {"B1", "C", "W"}) EXPECT_FALSE(Marked(name)) << name;
}

// The install's step 0 stops at the first action that aborts and hands its text up; the
// uninstall's step 0 runs on past it, with the uninstall style.
TEST_F(ExecListsTest, InstallStopsAtAnAbortUninstallGoesOn) {
  Start("[_exec_0]\r\n{A}=" + Mark("A") +
        "\r\n{X}=exec_type:7;src_file:<app_path>bin\\Stand.exe;is_not_autorun:1;setup_style:111100;\r\n{Z}=" +
        Mark("Z") + "\r\n");
  platform::ChildProcess child;
  std::string error;
  ASSERT_TRUE(platform::ChildProcess::Start(world.fx.Host("C:\\Apps\\T\\bin\\Stand.exe"), {"--sleep-ms", "60000"}, "",
                                            child, error))
      << error;
  ASSERT_TRUE(vqtest::WaitUntil([] { return TvqLib::IsProgramRunning("C:\\Apps\\T\\bin\\Stand.exe"); }));

  ASSERT_EQ(world.app->CollectInstallExecs(), 3);
  EXPECT_FALSE(world.app->RunInstallExecs(orvane::kModeRepair, error));
  EXPECT_EQ(error, "程序“[Stand.exe]”没有关闭,不能安装!");
  EXPECT_TRUE(Marked("A"));
  EXPECT_FALSE(Marked("Z"));

  ClearMarks();
  ASSERT_EQ(world.app->CollectUninstallExecs(), 3);
  EXPECT_TRUE(world.app->RunUninstallExecs());
  EXPECT_TRUE(Marked("A"));
  EXPECT_TRUE(Marked("Z"));
  ::kill(child.pid(), SIGKILL);
  (void)child.Wait();
}

// A must-close record that names a running program by its bare file name ends it, and the
// install's step 0 goes on to the records after it.
TEST_F(ExecListsTest, BareNameMustCloseLetsTheInstallGoOn) {
  Start("[_exec_0]\r\n{A}=" + Mark("A") +
        "\r\n{X}=exec_type:7;src_file:Stand.exe;is_must_close:1;setup_style:111100;\r\n{Z}=" + Mark("Z") + "\r\n");
  vqtest::RunningStandin program("C:\\Apps\\T\\bin\\Stand.exe", {"--sleep-ms", "600000"}, false);
  ASSERT_EQ(world.app->CollectInstallExecs(), 3);
  std::string error = "untouched";
  EXPECT_TRUE(world.app->RunInstallExecs(orvane::kModeInstall, error));
  EXPECT_EQ(error, "untouched");
  EXPECT_EQ(program.ExitCode(), 128 + SIGKILL);
  EXPECT_FALSE(TvqLib::IsProgramRunning("Stand.exe"));
  EXPECT_TRUE(Marked("A"));
  EXPECT_TRUE(Marked("Z"));
  const Lines log = world.NewLogEntries();
  EXPECT_NE(std::find(log.begin(), log.end(), "关闭程序：发出退出消息到窗口-后，进程还存在，强制结束进程[成功]"),
            log.end());
}

// Around each file the group's own step section is read, or the global one when the group's is
// empty; a record runs when its expanded source equals the target without regard to case, and
// the result is that of the last record run (false when none matched).
TEST_F(ExecListsTest, FileStepsPickTheGroupOrGlobalSection) {
  Start("[empty_exec_2]\r\n[core_exec_2]\r\n{G}=" + Mark("CoreOther", "setup_style:1;", "<app_path>bin\\Other.exe") +
        "\r\n[_exec_2]\r\n{1}=" + Mark("Global2") +
        "\r\n{2}=" + Mark("Cased", "setup_style:1;", "<app_path>BIN\\stand.EXE") +
        "\r\n[_exec_3]\r\n{3}=" + Mark("Global3", "setup_style:011000;") + "\r\n");
  std::string error;
  const std::string target = "C:\\Apps\\T\\bin\\Stand.exe";
  EXPECT_TRUE(world.app->RunFileExecs(orvane::kModeInstall, "empty", error, target, 2));
  EXPECT_TRUE(Marked("Global2"));
  EXPECT_TRUE(Marked("Cased"));
  ClearMarks();
  EXPECT_FALSE(world.app->RunFileExecs(orvane::kModeInstall, "core", error, target, 2));
  EXPECT_FALSE(Marked("Global2"));
  EXPECT_FALSE(Marked("CoreOther"));
  EXPECT_FALSE(world.app->RunFileExecs(orvane::kModeInstall, "empty", error, "C:\\Apps\\T\\bin\\None.exe", 2));
  EXPECT_TRUE(world.app->RunFileExecs(orvane::kModeInstall, "nosuch", error, target, 3));
  EXPECT_FALSE(Marked("Global3"));
  EXPECT_TRUE(world.app->RunFileExecs(orvane::kModeChange, "nosuch", error, target, 3));
  EXPECT_TRUE(Marked("Global3"));
}

// The finish list copies is_def_select into is_select; an offered record runs when its box is
// ticked, one that is not offered when it is ticked by default, and only in the modes of its
// style. The uninstaller's finish page reads step 3.
TEST_F(ExecListsTest, FinishSelectionRules) {
  Start("[sync_exec_1]\r\n{O1}=" + Mark("OfferedOn", "is_can_select:1;is_def_select:1;setup_style:1;") +
        "\r\n{O2}=" + Mark("OfferedOff", "is_can_select:1;is_def_select:0;setup_style:1;") +
        "\r\n{H1}=" + Mark("HiddenOn", "is_can_select:0;is_def_select:1;setup_style:1;") +
        "\r\n{H2}=" + Mark("HiddenOff", "is_def_select:0;setup_style:1;") +
        "\r\n{S}=" + Mark("OtherMode", "is_def_select:1;setup_style:01;") +
        "\r\n[_exec_1]\r\n{G}=" + Mark("Global", "is_def_select:1;is_select:0;setup_style:1;") +
        "\r\n[_exec_3]\r\n{U}=" + Mark("Uninst", "is_def_select:1;setup_style:0001;") + "\r\n");
  world.app->CollectFinishExecs("sync");
  world.app->CollectFinishExecs("");
  ASSERT_EQ(Keys(world.app->FinishExecs), (Lines{"{O1}", "{O2}", "{H1}", "{H2}", "{S}", "{G}"}));
  EXPECT_EQ(orvane::GetTagValue(world.app->FinishExecs[1], "is_select:", ';'), "0");
  EXPECT_NE(world.app->FinishExecs[3].find(";is_def_select:0;setup_style:1;;is_select:0"), std::string::npos);
  EXPECT_NE(world.app->FinishExecs[5].find("is_select:1;setup_style"), std::string::npos);
  // The wizard's ticks: the first offered box cleared, the second ticked.
  for (std::string& line : world.app->FinishExecs) {
    if (orvane::LineName(line) == "{O1}") line = orvane::SetTagValue(line, "is_select:", ';', "0");
    if (orvane::LineName(line) == "{O2}") line = orvane::SetTagValue(line, "is_select:", ';', "1");
  }
  EXPECT_TRUE(world.app->RunFinishExecs(orvane::kModeInstall));
  for (const char* name : {"OfferedOff", "HiddenOn", "Global"}) EXPECT_TRUE(Marked(name)) << name;
  for (const char* name : {"OfferedOn", "HiddenOff", "OtherMode"}) EXPECT_FALSE(Marked(name)) << name;

  ClearMarks();
  world.app->FinishExecs.clear();
  world.app->Mode = orvane::kModeUninstall;
  world.app->CollectFinishExecs("");
  ASSERT_EQ(Keys(world.app->FinishExecs), Lines{"{U}"});
  EXPECT_TRUE(world.app->RunFinishExecs(orvane::kModeUninstall));
  EXPECT_TRUE(Marked("Uninst"));
}

class UpgradeServiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    world.Start("[_exec_1]\r\n{H}=" + Mark("Hidden", "is_def_select:1;setup_style:1;") + "\r\n",
                "AppUpgradeServiceName=VqUp\r\n");
    vqtest::PlaceProgramStandin("C:\\Apps\\T\\bin\\Stand.exe");
    vqtest::PlaceProgramStandin("C:\\Apps\\T\\bin\\Up.exe");
    ASSERT_EQ(platform::CreateService("VqUp", "升级服务", "C:\\Apps\\T\\bin\\Up.exe"), 0);
  }
  void TearDown() override { (void)TvqLib::StopService("VqUp"); }
  static int ServicePid() { return TvqLib::FindProcess("C:\\Apps\\T\\bin\\Up.exe"); }

  ExecActionWorld world;
};

// After an upgrade the finish page restarts the upgrade service instead of any action, and
// reports false; a stopped service is just started.
TEST_F(UpgradeServiceTest, FinishAfterUpgradeRestartsTheService) {
  world.app->CollectFinishExecs("");
  world.app->UpgradeMode = true;
  EXPECT_FALSE(world.app->RunFinishExecs(orvane::kModeInstall));
  EXPECT_FALSE(Marked("Hidden"));
  EXPECT_TRUE(TvqLib::IsServiceRunning("VqUp"));
  EXPECT_EQ(world.NewStatusLines(), Lines{"正在重启服务\"VqUp\",请稍候..."});
}

// A running upgrade service is stopped, waited for and started again as a new process.
TEST_F(UpgradeServiceTest, RunningServiceIsStoppedAndStarted) {
  ASSERT_TRUE(TvqLib::StartServiceByName("VqUp"));
  ASSERT_TRUE(vqtest::WaitUntil([] { return ServicePid() != 0; }));
  const int first = ServicePid();
  EXPECT_TRUE(world.app->RestartUpgradeService());
  EXPECT_TRUE(TvqLib::IsServiceRunning("VqUp"));
  EXPECT_TRUE(vqtest::WaitUntil([&] { return ServicePid() != 0 && ServicePid() != first; }));
}

// Without an upgrade service there is nothing to restart; a missing one cannot be started.
TEST(ExecUpgradeService, NoneOrMissing) {
  ExecActionWorld none;
  none.Start("");
  EXPECT_TRUE(none.app->RestartUpgradeService());
  EXPECT_TRUE(none.NewStatusLines().empty());
  ExecActionWorld missing;
  missing.Start("", "AppUpgradeServiceName=NoSuchSvc\r\n");
  EXPECT_FALSE(missing.app->RestartUpgradeService());
}

}  // namespace
