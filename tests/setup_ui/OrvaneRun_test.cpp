// The real Orvane executable, packed by the packer with a test configuration and started inside
// a fresh machine: it extracts its application files into its cache folder, and a polite quit
// (SIGTERM, or SIGINT as from a terminal) ends it with exit code 0 after the engine has removed
// its cache folder; the setup log beside the cache folders stays.
#include <gtest/gtest.h>
#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "platform/ExeResources.h"
#include "platform/Process.h"
#include "platform/TextCodec.h"
#include "platform/WinPath.h"
#include "support/BuildTree.h"
#include "support/MachineRootFixture.h"
#include "support/SetupExeBuilder.h"
#include "support/TempDir.h"
#include "support/WaitUntil.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kProgram = "C:\\Users\\Public\\Setup\\OrvaneSetup.exe";
constexpr const char* kCacheRoot = "C:\\ProgramData\\VqInstCache";

// A started wizard gets this long to reach a state (a hang guard, not a timing).
constexpr int kGuardMs = 60000;

std::string SetupLog() {
  return platform::Cp936ToUtf8(
      vqtest::ReadFileBytes(platform::HostPath(std::string(kCacheRoot) + "\\OrvaneSetup.log")));
}

// The cache folders under the cache root.
std::vector<fs::path> CacheFolders() {
  std::vector<fs::path> folders;
  const fs::path root = platform::HostPath(kCacheRoot);
  if (!fs::exists(root)) return folders;
  for (const auto& entry : fs::directory_iterator(root))
    if (entry.is_directory()) folders.push_back(entry.path());
  return folders;
}

// What a shell command printed on its standard output.
std::string CommandOutput(const std::string& command) {
  std::string out;
  if (FILE* pipe = ::popen(command.c_str(), "r")) {
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
    ::pclose(pipe);
  }
  return out;
}

// A private X display for one test, on the first free display number from a per-process start.
class XDisplay {
 public:
  XDisplay() {
    for (int n = 100 + ::getpid() % 500; n < 1000; ++n) {
      const std::string number = std::to_string(n);
      if (fs::exists("/tmp/.X" + number + "-lock") || fs::exists("/tmp/.X11-unix/X" + number)) continue;
      const std::string pid =
          CommandOutput("Xvfb :" + number + " -nolisten tcp -screen 0 800x600x24 >/dev/null 2>&1 & echo $!");
      server_ = std::atoi(pid.c_str());
      if (server_ <= 0) return;
      name_ = ":" + number;
      ready_ = vqtest::WaitUntil([&] { return fs::exists("/tmp/.X11-unix/X" + number); }, kGuardMs);
      return;
    }
  }
  ~XDisplay() {
    if (server_ > 0) ::kill(server_, SIGTERM);
  }
  XDisplay(const XDisplay&) = delete;
  XDisplay& operator=(const XDisplay&) = delete;

  [[nodiscard]] bool Ready() const { return ready_; }
  [[nodiscard]] const std::string& Name() const { return name_; }

  // The UTF-8 names (_NET_WM_NAME) of the top-level windows, one a line as xprop prints them.
  [[nodiscard]] std::string WindowNames() const {
    std::string names;
    const std::string tree = CommandOutput("xwininfo -display " + name_ + " -root -children 2>/dev/null");
    const std::regex id("0x[0-9a-fA-F]+");
    for (auto it = std::sregex_iterator(tree.begin(), tree.end(), id); it != std::sregex_iterator(); ++it)
      names += CommandOutput("xprop -display " + name_ + " -id " + it->str() + " _NET_WM_NAME 2>/dev/null");
    return names;
  }

 private:
  int server_ = 0;  // the server's process id; the shell that started it reaps it
  std::string name_;
  bool ready_ = false;
};

class OrvaneRun : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("LANG", "C.UTF-8", 1);
    setenv("LC_ALL", "C.UTF-8", 1);
    const std::string runtime = sandbox_.path() + "/runtime";
    fs::create_directories(runtime);
    fs::permissions(runtime, fs::perms::owner_all, fs::perm_options::replace);
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
  }

  // The wizard packed with a small product: its configuration, one payload and one app file.
  void PackWizard() {
    vqtest::SetupExeBuilder builder;
    builder.SetConfig(
        "[Main]\r\nAppGuid={5B1E0C7A-9D2F-4E61-8A3B-6C4D2E1F0A9B}\r\nAppId=1001\r\nAppTitle=Tessaly\r\n"
        "AppName=Tessaly\r\nAppVersion=1.0.0\r\nAppDefPath=D:\\Apps\\Tessaly\\\r\n"
        "[module]\r\nmain=同步服务;can_select:0;setup:1;\r\n");
    builder.AddPayloadFile({"D:\\VqPack\\build\\inst_files\\readme.txt", "readme.txt", "read me"});
    builder.AddAppFile({"D:\\VqPack\\build\\app_inst_files\\agreement.txt", "agreement.txt", "agreement"});
    // The builder packs a stand-in program; the same resources go onto a copy of the real wizard.
    const std::string standin = sandbox_.file("standin.exe");
    std::string error;
    ASSERT_TRUE(builder.Build(standin, error)) << error;
    const auto packed = platform::ResourceFile::Open(standin, error);
    ASSERT_NE(packed, nullptr) << error;
    std::vector<std::string> args = {program_};
    int n = 0;
    for (const std::string& name : packed->Names()) {
      std::string bytes;
      ASSERT_TRUE(packed->Read(name, bytes, error)) << error;
      const std::string blob = sandbox_.file("blob" + std::to_string(n++));
      vqtest::WriteFileBytes(blob, bytes);
      args.push_back(name + "=" + blob);
    }
    fs::create_directories(fs::path(program_).parent_path());
    fs::copy_file(vqtest::BuildFile("src/setup/ui/Orvane"), program_, fs::copy_options::overwrite_existing);
    std::string output;
    ASSERT_EQ(vqtest::RunPacker(args, output), 0) << output;
  }

  // Starts the packed wizard and waits until its application files are in its cache folder.
  void StartAndWaitForAppFiles() {
    std::string error;
    ASSERT_TRUE(platform::ChildProcess::Start(program_, {program_}, "", wizard_, error)) << error;
    ASSERT_TRUE(vqtest::WaitUntil(
        [] { return SetupLog().find("提取资源包[soft_app_files]完成.") != std::string::npos; }, kGuardMs))
        << SetupLog();
    const auto folders = CacheFolders();
    ASSERT_EQ(folders.size(), 1u);
    EXPECT_TRUE(fs::exists(folders[0] / "app_files.zip"));
    EXPECT_TRUE(fs::exists(folders[0] / "vqinst.ini"));
  }

  // Sends `signal` and expects a clean end: exit code 0, no cache folder left, the log kept.
  void QuitWith(int signal) {
    ASSERT_EQ(::kill(wizard_.pid(), signal), 0);
    int exitCode = -1;
    ASSERT_TRUE(vqtest::WaitUntil([&] { return wizard_.Finished(exitCode); }, kGuardMs)) << "the wizard did not end";
    EXPECT_EQ(exitCode, 0);
    EXPECT_TRUE(CacheFolders().empty());
    EXPECT_NE(SetupLog().find("提取资源包[soft_app_files]完成."), std::string::npos);
  }

  vqtest::TempDir sandbox_;
  vqtest::MachineRootFixture machine_{vqtest::MachineRootFixture::Bits::x64, kProgram};
  std::string program_ = platform::HostPath(kProgram);
  platform::ChildProcess wizard_;
};

// Started, the wizard writes its application files; SIGTERM ends it and removes its cache.
TEST_F(OrvaneRun, ExtractsAppFilesAndCleansUpOnSigterm) {
  PackWizard();
  StartAndWaitForAppFiles();
  QuitWith(SIGTERM);
}

// Ctrl-C in a terminal is the same polite quit.
TEST_F(OrvaneRun, SigintIsAPoliteQuitToo) {
  PackWizard();
  StartAndWaitForAppFiles();
  QuitWith(SIGINT);
}

// On a real X display the desktop shows the window's title exactly: "安装 - " and the product's
// title, with nothing appended.
TEST_F(OrvaneRun, DesktopShowsTheSetupTitle) {
  XDisplay display;
  ASSERT_TRUE(display.Ready()) << "no X display could be started";
  setenv("QT_QPA_PLATFORM", "xcb", 1);
  setenv("DISPLAY", display.Name().c_str(), 1);
  PackWizard();
  StartAndWaitForAppFiles();
  std::string names;
  ASSERT_TRUE(vqtest::WaitUntil(
      [&] {
        names = display.WindowNames();
        return names.find("= \"安装 - Tessaly") != std::string::npos;
      },
      kGuardMs))
      << names;
  EXPECT_NE(names.find("_NET_WM_NAME(UTF8_STRING) = \"安装 - Tessaly\"\n"), std::string::npos) << names;
  QuitWith(SIGTERM);
  unsetenv("DISPLAY");
}

}  // namespace
