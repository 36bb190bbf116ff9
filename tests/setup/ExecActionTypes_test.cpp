#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/Fonts.h"
#include "platform/Registry.h"
#include "platform/WinPath.h"
#include "platform/WindowCaptions.h"
#include "setup/core/VqApp.h"
#include "setup/core/VqLib.h"
#include "support/ExecActionWorld.h"
#include "support/Quoted.h"
#include "support/RunningStandin.h"
#include "support/Standins.h"
#include "support/TempDir.h"

namespace {

using orvane::TvqLib;
using platform::RegKey;
using platform::RegRoot;
using platform::RegView;
using vqtest::ExecActionWorld;
using vqtest::RunningStandin;
using Lines = std::vector<std::string>;
namespace fs = std::filesystem;

constexpr const char* kFontFile = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc";

// Keeps the test's current folder: starting a program moves it.
class KeepCurrentFolder {
 public:
  KeepCurrentFolder() : saved_(fs::current_path()) {}
  ~KeepCurrentFolder() { fs::current_path(saved_); }

 private:
  fs::path saved_;
};

std::string ReadValue(const std::string& key, const std::string& name) {
  RegKey k;
  std::string value;
  if (RegKey::Open(RegRoot::LocalMachine, key, platform::RegAccess::Read, RegView::Force64, k) != 0) return "<no key>";
  if (k.ReadString(name, value) != 0) return "<no value>";
  return value;
}

class ExecActionTypesTest : public ::testing::Test {
 protected:
  void SetUp() override { world.Start(""); }
  // Runs one record in install mode; the action's result.
  bool Run(const std::string& record) {
    error.clear();
    return world.app->RunExecAction(error, "{E1}", record, orvane::kModeInstall);
  }

  ExecActionWorld world;
  std::string error;
};

// Every action type shows its status line and writes one log line whose tag tells the outcome:
// a waited command succeeds only when it ran and ended with 0, an unwaited one when it started.
TEST_F(ExecActionTypesTest, StatusAndLogLinesOfEveryType) {
  vqtest::PlaceComponentStandin("C:\\Apps\\T\\comp.dll");
  fs::create_directories(world.fx.Host("C:\\Apps\\T\\fonts"));
  fs::copy_file(kFontFile, world.fx.Host("C:\\Apps\\T\\fonts\\micro.ttc"));
  vqtest::WriteFileBytes(world.fx.Host("C:\\Apps\\T\\fonts\\bad.ttf"), "no font");
  vqtest::PlaceProgramStandin("C:\\Apps\\T\\bin\\Stand.exe");
  const std::string stand = "C:\\Apps\\T\\bin\\Stand.exe";
  struct Case {
    std::string record;
    Lines status;
    Lines log;
  };
  const Case cases[] = {
      {"exec_type:1;src_file:<app_path>comp.dll;window_title:组件;setup_style:1;",
       {"正在安装组件\"组件comp.dll\",请稍候..."},
       {"注册组件：C:\\Apps\\T\\comp.dll[成功]"}},
      {"exec_type:1;src_file:<app_path>none.dll;setup_style:1;",
       {"正在安装组件\"none.dll\",请稍候..."},
       {"注册组件：C:\\Apps\\T\\none.dll[失败]"}},
      {"exec_type:2;src_file:<app_path>fonts\\micro.ttc;window_title:微米黑;setup_style:1;",
       {"正在安装字体\"微米黑micro.ttc\",请稍候..."},
       {"安装字体：微米黑-C:\\Apps\\T\\fonts\\micro.ttc[成功]"}},
      {"exec_type:2;src_file:<app_path>fonts\\bad.ttf;window_title:坏;setup_style:1;",
       {"正在安装字体\"坏bad.ttf\",请稍候..."},
       {"安装字体：坏-C:\\Apps\\T\\fonts\\bad.ttf[失败]"}},
      {"exec_type:6;exec_params:" + stand + " --exit 0;is_wait_finshed:1;setup_style:1;",
       {"正在运行参数\"" + stand + " --exit 0\",请稍候..."},
       {"执行命令：" + stand + " --exit 0[成功]"}},
      {"exec_type:6;exec_params:" + stand + " --exit 3;is_wait_finshed:1;setup_style:1;",
       {"正在运行参数\"" + stand + " --exit 3\",请稍候..."},
       {"执行命令：" + stand + " --exit 3[失败]"}},
      {"exec_type:6;exec_params:C:\\Apps\\T\\bin\\None.exe;is_wait_finshed:1;setup_style:1;",
       {"正在运行参数\"C:\\Apps\\T\\bin\\None.exe\",请稍候..."},
       {"执行命令：C:\\Apps\\T\\bin\\None.exe[失败]"}},
      {"exec_type:6;exec_params:" + stand + " --exit 3;setup_style:1;",
       {"正在运行参数\"" + stand + " --exit 3\",请稍候..."},
       {"执行命令：" + stand + " --exit 3[成功]"}},
      {"exec_type:6;exec_params:C:\\Apps\\T\\bin\\None.exe;setup_style:1;",
       {"正在运行参数\"C:\\Apps\\T\\bin\\None.exe\",请稍候..."},
       {"执行命令：C:\\Apps\\T\\bin\\None.exe[失败]"}},
      {"exec_type:8;src_file:<app_path>bin\\Stand.exe;exec_params:--exit 0;window_title:同步;is_wait_finshed:1;"
       "setup_style:1;",
       {"正在启动程序\"同步\",请稍候..."},
       {"启动程序：同步-" + stand + "等待完成ShellExecOK-[成功]"}},
      {"exec_type:8;src_file:<app_path>bin\\None.exe;setup_style:1;",
       {"正在启动程序\"[None.exe]\",请稍候..."},
       {"启动程序：[None.exe]-C:\\Apps\\T\\bin\\None.exe-[失败]"}},
      {"exec_type:9;src_file:<app_path>bin\\Stand.exe;setup_style:1;",
       {"正在设置程序\"Stand.exe\",开机启动请稍候..."},
       {"开机启动：" + stand + "-[成功]"}},
      {"exec_type:9;src_file:<app_path>bin\\None.exe;setup_style:1;",
       {},
       {"开机启动：C:\\Apps\\T\\bin\\None.exe-[失败]"}},
      {"exec_type:3;src_file:<app_path>bin\\Stand.exe;setup_style:1;", {}, {}},
  };
  KeepCurrentFolder keep;
  for (const Case& c : cases) {
    const std::int64_t before = world.fx.clock.ElapsedMs();
    EXPECT_TRUE(Run(c.record)) << c.record;
    EXPECT_EQ(world.NewStatusLines(), c.status) << c.record;
    EXPECT_EQ(world.NewLogEntries(), c.log) << c.record;
    // The closing pause follows every performed action.
    EXPECT_GE(world.fx.clock.ElapsedMs() - before, 600) << c.record;
    EXPECT_EQ(error, "安装任务失败") << c.record;
  }
  EXPECT_EQ(platform::SessionFontList(), "C:\\Apps\\T\\fonts\\micro.ttc\n");
}

// A started program runs in its own folder with the record's parameters; the setup program's
// folder is current again afterwards.
TEST_F(ExecActionTypesTest, StartsAProgramInItsFolder) {
  KeepCurrentFolder keep;
  vqtest::TempDir out;
  vqtest::PlaceProgramStandin("C:\\Apps\\T\\bin\\Stand.exe");
  ASSERT_TRUE(Run("exec_type:8;src_file:<app_path>bin\\Stand.exe;exec_params:--cwd " + vqtest::Quoted(out.file("cwd")) +
                  " --args " + vqtest::Quoted(out.file("args")) + " 甲 b;setup_style:1;"));
  EXPECT_EQ(world.NewLogEntries(), Lines{"启动程序：[Stand.exe]-C:\\Apps\\T\\bin\\Stand.exe不等待ShellExec-[成功]"});
  ASSERT_TRUE(vqtest::WaitUntil([&] { return vqtest::ReadFileBytes(out.file("args")) == "甲\nb\n"; }));
  EXPECT_EQ(vqtest::ReadFileBytes(out.file("cwd")), world.fx.Host("C:\\Apps\\T\\bin"));
  EXPECT_EQ(fs::current_path(), fs::path(world.fx.Host("C:\\Users\\Public\\Setup")));
}

// The autorun value holds the quoted program and its parameters (the blank even without any);
// its name is the first of service name, service title, window title and file name. 64-bit
// Windows keeps it in the 32-bit view's Run key, 32-bit Windows in the plain Run key.
TEST(ExecActionAutorun, ValueNameTextAndKeyByBitness) {
  const std::string wowRun = "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run";
  const std::string run = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
  for (const auto bits : {vqtest::MachineRootFixture::Bits::x64, vqtest::MachineRootFixture::Bits::x86}) {
    const bool win64 = bits == vqtest::MachineRootFixture::Bits::x64;
    ExecActionWorld world(bits);
    world.Start("");
    vqtest::PlaceProgramStandin("C:\\Apps\\T\\bin\\Stand.exe");
    const std::pair<std::string, std::string> cases[] = {
        {"service_name:VqSvc;service_title:服务;window_title:窗口;exec_params:-auto;", "VqSvc"},
        {"service_title:服务;window_title:窗口;exec_params:-auto;", "服务"},
        {"window_title:窗口;exec_params:-auto;", "窗口"},
        {"exec_params:;", "Stand.exe"},
    };
    for (const auto& [fields, name] : cases) {
      std::string error;
      ASSERT_TRUE(world.app->RunExecAction(error, "{A}",
                                           "exec_type:9;src_file:<app_path>bin\\Stand.exe;" + fields + "setup_style:1;",
                                           orvane::kModeInstall));
      const std::string params = name == "Stand.exe" ? "" : "-auto";
      EXPECT_EQ(ReadValue(win64 ? wowRun : run, name), "\"C:\\Apps\\T\\bin\\Stand.exe\" " + params) << name;
      if (win64) {
        EXPECT_EQ(ReadValue(run, name), "<no value>") << name;
      }
    }
    if (!win64) {
      EXPECT_EQ(ReadValue(wowRun, "VqSvc"), "<no key>");
    }
  }
}

// A service is created for the program and started, stopped by the close action, and a stop or
// start of what cannot be done is a "[失败]" line, not an error of the run.
TEST_F(ExecActionTypesTest, StartsAndStopsAService) {
  vqtest::PlaceProgramStandin("C:\\Apps\\T\\bin\\Svc.exe");
  const std::string svc = "C:\\Apps\\T\\bin\\Svc.exe";
  ASSERT_TRUE(
      Run("exec_type:8;is_service:1;src_file:<app_path>bin\\Svc.exe;service_name:VqSvc;service_title:Vq 服务;"
          "setup_style:1;"));
  EXPECT_EQ(world.NewStatusLines(), Lines{"正在启动服务\"Vq 服务\",请稍候..."});
  EXPECT_EQ(world.NewLogEntries(), Lines{"启动服务：TvqLib.InstallService-VqSvc-Vq 服务[成功]"});
  EXPECT_TRUE(TvqLib::IsServiceRunning("VqSvc"));
  EXPECT_TRUE(TvqLib::IsProgramRunning(svc));
  EXPECT_EQ(ReadValue("SYSTEM\\CurrentControlSet\\Services\\VqSvc", "ImagePath"), svc);

  // Already running: it counts as started.
  ASSERT_TRUE(Run("exec_type:8;is_service:1;src_file:<app_path>bin\\Svc.exe;service_name:VqSvc;setup_style:1;"));
  EXPECT_EQ(world.NewLogEntries(), Lines{"启动服务：TvqLib.InstallService-VqSvc-[成功]"});
  EXPECT_EQ(world.NewStatusLines(), Lines{"正在启动服务\"[Svc.exe]\",请稍候..."});

  // A must-close stop gives the service its time to go.
  ASSERT_TRUE(
      Run("exec_type:7;is_service:1;src_file:<app_path>bin\\Svc.exe;service_name:VqSvc;is_must_close:1;"
          "setup_style:1;"));
  EXPECT_EQ(world.NewStatusLines(), Lines{"正在停止服务\"[Svc.exe]\",请稍候..."});
  EXPECT_EQ(world.NewLogEntries(),
            (Lines{"停止服务：[Svc.exe]-" + svc, "停止服务：TvqLib.StopService OK-[Svc.exe]-" + svc + "[成功]"}));
  EXPECT_FALSE(TvqLib::IsProgramRunning(svc));

  ASSERT_TRUE(Run("exec_type:7;is_service:1;src_file:<app_path>bin\\Svc.exe;service_name:NoSvc;setup_style:1;"));
  EXPECT_EQ(world.NewLogEntries(),
            (Lines{"停止服务：[Svc.exe]-" + svc, "停止服务：TvqLib.StopService OK-[Svc.exe]-" + svc + "[失败]"}));
  ASSERT_TRUE(Run("exec_type:8;is_service:1;src_file:<app_path>bin\\None.exe;service_name:NoSvc;setup_style:1;"));
  EXPECT_EQ(world.NewLogEntries(), Lines{"启动服务：TvqLib.InstallService-NoSvc-[失败]"});
  EXPECT_FALSE(TvqLib::IsServiceRunning("NoSvc"));
}

// Closing a program: a polite quit through its window caption ends it and no kill follows.
TEST_F(ExecActionTypesTest, ClosesAProgramPolitely) {
  RunningStandin program("C:\\Apps\\T\\bin\\Polite.exe", {"--caption", "Polite 窗口", "--sleep-ms", "600000"});
  ASSERT_TRUE(vqtest::WaitUntil([] { return platform::FindWindowProcess("Polite 窗口") != 0; }));
  ASSERT_TRUE(
      Run("exec_type:7;src_file:<app_path>bin\\Polite.exe;window_title:Polite 窗口;is_must_close:1;"
          "setup_style:1;"));
  EXPECT_EQ(program.ExitCode(), 0);
  EXPECT_EQ(world.NewStatusLines(), Lines{"正在关闭程序\"Polite 窗口\",请稍候..."});
  const Lines log = world.NewLogEntries();
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(log[0], "关闭程序：Polite 窗口-C:\\Apps\\T\\bin\\Polite.exe");
  EXPECT_EQ(log[1], "关闭程序：发出退出消息到窗口-Polite 窗口[成功]");
  for (const std::string& line : log) EXPECT_EQ(line.find("强制结束进程"), std::string::npos) << line;
}

// A program that ignores the quit gets six polite passes 600 ms apart and is then killed; a
// must-close action goes on once it has gone.
TEST_F(ExecActionTypesTest, KillsAProgramThatIgnoresTheQuit) {
  RunningStandin program("C:\\Apps\\T\\bin\\Stubborn.exe",
                         {"--ignore-term", "--caption", "Stubborn", "--sleep-ms", "600000"});
  ASSERT_TRUE(vqtest::WaitUntil([] { return platform::FindWindowProcess("Stubborn") != 0; }));
  ASSERT_TRUE(
      Run("exec_type:7;src_file:<app_path>bin\\Stubborn.exe;window_title:Stubborn;is_must_close:1;"
          "setup_style:1;"));
  EXPECT_EQ(program.ExitCode(), 128 + SIGKILL);
  Lines expected{"关闭程序：Stubborn-C:\\Apps\\T\\bin\\Stubborn.exe"};
  for (int pass = 0; pass < 6; ++pass) expected.push_back("关闭程序：发出退出消息到窗口-Stubborn[成功]");
  expected.push_back("关闭程序：发出退出消息到窗口-Stubborn后，进程还存在，强制结束进程[成功]");
  EXPECT_EQ(world.NewLogEntries(), expected);
}

// Only the program in the configured folder is closed: a program of the same name elsewhere
// keeps running.
TEST_F(ExecActionTypesTest, NeverKillsASameNamedProgramElsewhere) {
  RunningStandin other("C:\\Other\\Stand.exe");
  ASSERT_TRUE(Run("exec_type:7;src_file:<app_path>bin\\Stand.exe;is_must_close:1;setup_style:1;"));
  EXPECT_EQ(world.NewLogEntries(), Lines{"关闭程序：[Stand.exe]-C:\\Apps\\T\\bin\\Stand.exe"});
  EXPECT_TRUE(other.Alive());
  EXPECT_EQ(TvqLib::FindProcess("C:\\Other\\Stand.exe"), other.pid());
  // The running setup program never counts as the program to close.
  const std::string self = fs::read_symlink("/proc/self/exe").string();
  EXPECT_TRUE(Run("exec_type:7;src_file:" + self + ";is_must_close:1;setup_style:1;"));
  EXPECT_EQ(world.NewLogEntries(), Lines{"关闭程序：[" + self + "]-" + self});
}

// A record naming the program by its bare file name closes the machine's program of that name
// as it sees it running, and a must-close action goes on; the setup program itself is never it.
TEST_F(ExecActionTypesTest, ClosesAProgramNamedByItsFileName) {
  RunningStandin program("C:\\Other\\Stand.exe", {"--ignore-term", "--sleep-ms", "600000"});
  ASSERT_TRUE(Run("exec_type:7;src_file:stand.EXE;is_must_close:1;setup_style:1;"));
  EXPECT_EQ(program.ExitCode(), 128 + SIGKILL);
  EXPECT_EQ(world.NewLogEntries(), (Lines{"关闭程序：[stand.EXE]-stand.EXE",
                                          "关闭程序：发出退出消息到窗口-后，进程还存在，强制结束进程[成功]"}));
  const std::string self = fs::path(fs::read_symlink("/proc/self/exe")).filename().string();
  EXPECT_TRUE(Run("exec_type:7;src_file:" + self + ";is_must_close:1;setup_style:1;"));
  EXPECT_EQ(world.NewLogEntries(), Lines{"关闭程序：[" + self + "]-" + self});
}

// A program that is not running and has no caption costs only its lines and the pauses.
TEST_F(ExecActionTypesTest, ClosingAProgramThatDoesNotRun) {
  const std::int64_t before = world.fx.clock.ElapsedMs();
  ASSERT_TRUE(Run("exec_type:7;src_file:<app_path>bin\\Gone.exe;is_not_autorun:1;is_must_close:1;setup_style:1;"));
  EXPECT_EQ(world.NewLogEntries(), Lines{"关闭程序：[Gone.exe]-C:\\Apps\\T\\bin\\Gone.exe"});
  EXPECT_EQ(world.fx.ui.Transcript(), Lines{"status: 正在关闭程序\"[Gone.exe]\",请稍候..."});
  EXPECT_EQ(world.fx.clock.ElapsedMs() - before, 300 + 600);
}

// Asked to close a program by hand, a user who leaves it open sees the information and the
// question, and the run stops with the text that the program was not closed; no pause follows.
TEST_F(ExecActionTypesTest, ManualCloseLeftOpenStopsTheRun) {
  RunningStandin program("C:\\Apps\\T\\bin\\Hold.exe");
  world.fx.ui.ScriptAnswer(orvane::kAnswerYes);
  const std::int64_t before = world.fx.clock.ElapsedMs();
  EXPECT_FALSE(Run("exec_type:7;src_file:<app_path>bin\\Hold.exe;is_not_autorun:1;setup_style:1;"));
  EXPECT_EQ(error, "程序“[Hold.exe]”没有关闭,不能安装!");
  EXPECT_EQ(world.fx.ui.Transcript(), (Lines{"status: 正在关闭程序\"[Hold.exe]\",请稍候...",
                                             "info[消息]: 检测到程序正在运行,请关闭程序“[Hold.exe]”!",
                                             "query[询问]: 是否已关闭程序“[Hold.exe]”? -> 6"}));
  EXPECT_EQ(world.NewLogEntries(),
            Lines{"关闭程序：提示需要手动停止，但检测到进程还未关闭-[Hold.exe]-C:\\Apps\\T\\bin\\Hold.exe"});
  EXPECT_EQ(world.fx.clock.ElapsedMs() - before, 300);
  EXPECT_TRUE(program.Alive());
}

// The user closes the program while the information box is up: no question, the action goes on
// to its automatic steps and the run continues.
TEST_F(ExecActionTypesTest, ManualCloseDoneInTimeGoesOn) {
  auto program = std::make_unique<RunningStandin>("C:\\Apps\\T\\bin\\Hold.exe");
  class ClosingUser final : public orvane::IInfoBox {
   public:
    ClosingUser(orvane::IInfoBox& shown, RunningStandin& program) : shown_(shown), program_(program) {}
    void InfoBox(const std::string& text, const std::string& title) override {
      shown_.InfoBox(text, title);
      ::kill(program_.pid(), SIGTERM);
      (void)program_.ExitCode();
    }

   private:
    orvane::IInfoBox& shown_;
    RunningStandin& program_;
  } user(world.fx.ui, *program);
  orvane::SetInfoBox(&user);
  const bool result =
      Run("exec_type:7;is_service:1;service_name:NoSvc;service_title:同步服务;"
          "src_file:<app_path>bin\\Hold.exe;is_not_autorun:1;is_must_close:1;setup_style:1;");
  orvane::SetInfoBox(&world.fx.ui);
  EXPECT_TRUE(result);
  EXPECT_EQ(world.fx.ui.Transcript(), (Lines{"status: 正在停止服务\"同步服务\",请稍候...",
                                             "info[消息]: 检测到服务正在运行,请停止服务“同步服务”!"}));
  EXPECT_EQ(world.NewLogEntries(),
            (Lines{"停止服务：提示需要手动停止，检测到进程已关闭OK-同步服务-C:\\Apps\\T\\bin\\Hold.exe",
                   "停止服务：TvqLib.StopService OK-同步服务-C:\\Apps\\T\\bin\\Hold.exe[失败]"}));
}

}  // namespace
