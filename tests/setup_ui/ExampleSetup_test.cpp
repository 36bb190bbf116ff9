// The repository's example setup (examples/setup), packed with the real packer and wizard by the
// commands the README gives, word for word (zip for the packages, a Chinese file name in a
// sub-folder among the files); then installed through the wizard window on a fresh machine with
// its optional module chosen, and removed again by the uninstaller the install placed, which
// leaves nothing of the product behind.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <QApplication>
#include <QKeyEvent>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/ExeResources.h"
#include "platform/MachineRoot.h"
#include "platform/Profile.h"
#include "platform/ProgramInfo.h"
#include "platform/Registry.h"
#include "setup/ui/MainUnit.h"
#include "setup/ui/PageWidgets.h"
#include "setup_ui/WindowInput.h"
#include "support/BuildTree.h"
#include "support/OffscreenApp.h"
#include "support/SetupEngineFixture.h"
#include "support/SetupPacedClock.h"
#include "support/TempDir.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;

constexpr const char* kUninstallKey =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{3C9A4E21-7B5D-4F08-A1C6-52D8E0B7F914}";

// The shell lines of the README's example block: the first "```sh" fence after its marker.
std::string ReadmePackBlock(const std::string& readme) {
  const std::size_t marker = readme.find("<!-- example-pack");
  if (marker == std::string::npos) return {};
  const std::size_t open = readme.find("```sh\n", marker);
  if (open == std::string::npos) return {};
  const std::size_t close = readme.find("```", open + 6);
  return close == std::string::npos ? std::string() : readme.substr(open + 6, close - open - 6);
}

// Runs `command` in a shell; its exit code, what it printed in `output`.
int Shell(const std::string& command, std::string& output) {
  output.clear();
  FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return -1;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) output += buffer;
  const int status = ::pclose(pipe);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

using vqtest::MouseClick;
using vqtest::WaitFor;

std::string Host(const std::string& windowsPath) { return vqtest::SetupEngineFixture::Host(windowsPath); }

// Every shortcut file anywhere in the machine, by its path under the machine root.
std::vector<std::string> Links() {
  std::vector<std::string> links;
  for (const auto& entry : fs::recursive_directory_iterator(platform::MachineRoot()))
    if (entry.is_regular_file() && entry.path().extension() == ".lnk")
      links.push_back(fs::relative(entry.path(), platform::MachineRoot()).string());
  std::sort(links.begin(), links.end());
  return links;
}

std::string UninstallValue(const char* name) {
  platform::RegKey key;
  std::string value;
  if (platform::RegKey::Open(platform::RegRoot::LocalMachine, kUninstallKey, platform::RegAccess::Read,
                             platform::RegView::Force64, key) != 0 ||
      key.ReadString(name, value) != 0)
    return "<none>";
  return value;
}

class ExampleSetup : public ::testing::Test {
 protected:
  void SetUp() override {
    vqtest::OffscreenApp();
    fs::create_directories(fx.machine.root() + "/drive_d");
  }
  // The uninstaller's self-deletion moves this process into the machine's drive root, which
  // goes with the machine.
  void TearDown() override { fs::current_path(folder_); }

  // Opens the wizard of the program file `program` (a host path) and waits for its loading.
  void OpenWizard(const std::string& program) {
    platform::SetProgramFileForTests(program);
    platform::SetSelfResourcesForTests(program);
    window_.reset();
    window_ = std::make_unique<TMain>();
    window_->show();
    ASSERT_TRUE(WaitFor([&] { return !window_->Timer(TTimer::Start).isActive(); }));
  }
  QWidget* C(TCtl ctl) { return window_->Control(ctl); }
  std::string TextOf(TCtl ctl) { return window_->Text(ctl); }
  // Clicks `button` and expects the window to close.
  void ClickToClose(TCtl button) {
    bool closed = false;
    QObject::connect(window_.get(), &TMain::closed, [&] { closed = true; });
    MouseClick(C(button));
    EXPECT_TRUE(closed);
    window_.reset();
  }

  vqtest::SetupEngineFixture fx;
  vqtest::SetupPacedClock paced_{fx.clock};
  vqtest::ScopedSetupClock pacedScope_{paced_};
  std::unique_ptr<TMain> window_;
  fs::path folder_ = fs::current_path();
};

TEST_F(ExampleSetup, PacksInstallsAndUninstallsAsTheReadmeSays) {
  const char* sourceDir = std::getenv("VQ_TEST_SOURCE_DIR");
  ASSERT_NE(sourceDir, nullptr) << "run through ctest";
  const std::string source = sourceDir;
  const std::string block = ReadmePackBlock(vqtest::ReadFileBytes(source + "/README.md"));
  ASSERT_FALSE(block.empty()) << "the README has no example block";
  vqtest::TempDir out;
  const std::string script = out.file("pack.sh");
  vqtest::WriteFileBytes(script, block);
  std::string output;
  ASSERT_EQ(Shell("cd '" + source + "/examples/setup' && BUILD='" + vqtest::BuildFile("") + "' OUT='" + out.path() +
                      "/out' bash '" + script + "'",
                  output),
            0)
      << output;

  // The install: agreement and "ready to install" on the start page, the optional module ticked
  // on the items page, the one configuration item asked for, the finish page with its action
  // ticked.
  fs::copy_file(out.path() + "/out/HelloSetup.exe", fx.machine.programFile(), fs::copy_options::overwrite_existing);
  OpenWizard(fx.machine.programFile());
  EXPECT_EQ(window_->windowTitle().toStdString(), "安装 - Hello");
  EXPECT_EQ(TextOf(TCtl::btnStart), "准备安装");
  EXPECT_TRUE(C(TCtl::lblAgreement)->isVisible());
  EXPECT_TRUE(C(TCtl::lblSysRequire)->isVisible());
  MouseClick(C(TCtl::btnStart));
  ASSERT_TRUE(C(TCtl::pnlStepItems)->isVisible());
  EXPECT_EQ(TextOf(TCtl::lblItem1), "Hello 说明");
  EXPECT_FALSE(window_->Tick(TCtl::chkItem1Ok)->Ticked());
  MouseClick(C(TCtl::chkItem1Ok));
  EXPECT_TRUE(window_->Tick(TCtl::chkItem1Ok)->Ticked());
  EXPECT_FALSE(vqtest::SaveScreenshot(*window_, "example_items").empty());
  MouseClick(C(TCtl::btnItemsNext));
  ASSERT_TRUE(C(TCtl::pnlStepConfig)->isVisible());
  EXPECT_EQ(TextOf(TCtl::lblICfgItem1), "Port：");
  EXPECT_EQ(TextOf(TCtl::edtICfgItem1), "8080");
  QWidget* port = C(TCtl::edtICfgItem1);
  QKeyEvent all(QEvent::KeyPress, Qt::Key_A, Qt::ControlModifier);
  QApplication::sendEvent(port, &all);
  for (const QChar c : QStringLiteral("9100")) {
    QKeyEvent key(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
    QApplication::sendEvent(port, &key);
  }
  MouseClick(C(TCtl::btnICFGNext));
  ASSERT_TRUE(C(TCtl::pnlStepFinsh)->isVisible());
  EXPECT_EQ(TextOf(TCtl::lblExec1), "Start Hello with Windows");
  EXPECT_TRUE(window_->Tick(TCtl::chkExecOk1)->Ticked());
  ClickToClose(TCtl::btnFinish);

  EXPECT_EQ(vqtest::ReadFileBytes(Host("D:\\Hello\\bin\\hello.txt")), "Hello from the example product.\n");
  EXPECT_TRUE(fs::is_regular_file(Host("D:\\Hello\\readme.txt")));
  EXPECT_EQ(vqtest::ReadFileBytes(Host("D:\\Hello\\说明\\使用说明.txt")),
            vqtest::ReadFileBytes(source + "/examples/setup/inst_files/说明/使用说明.txt"));
  EXPECT_EQ(
      platform::GetPrivateProfileString("Server", "Port", "", "D:\\Hello\\hello.ini", platform::ProfileCodePage::Ansi),
      "9100");
  const std::string menu = "drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Hello/";
  EXPECT_EQ(Links(), (std::vector<std::string>{menu + "Hello 使用说明.lnk", menu + "卸载 Hello.lnk",
                                               "drive_c/Users/Public/Desktop/Hello.lnk"}));
  EXPECT_NE(vqtest::SetupEngineFixture::SetupLogText().find("开机启动：D:\\Hello\\bin\\hello.txt-[成功]"),
            std::string::npos);
  EXPECT_EQ(UninstallValue("Publisher"), "Hello Works");
  EXPECT_EQ(UninstallValue("URLInfoAbout"), "http://hello.example/");
  EXPECT_EQ(UninstallValue("UninstallString"), "D:\\Hello\\uninstall2001.exe");
  // The file itself is spelt with a capital "U".
  const std::string uninstaller = fx.machine.root() + "/drive_d/Hello/Uninstall2001.exe";
  ASSERT_TRUE(fs::is_regular_file(uninstaller));

  // The uninstall, by the placed uninstaller, with its folder: the product's files, links and
  // entry go at once, the uninstaller and its folder once it has ended.
  OpenWizard(uninstaller);
  EXPECT_EQ(TextOf(TCtl::btnStart), "卸载");
  MouseClick(C(TCtl::chkUninstDeepness));
  EXPECT_TRUE(window_->Tick(TCtl::chkUninstDeepness)->Ticked());
  EXPECT_FALSE(vqtest::SaveScreenshot(*window_, "example_uninstall").empty());
  MouseClick(C(TCtl::btnStart));
  ASSERT_TRUE(C(TCtl::pnlStepFinsh)->isVisible());
  EXPECT_EQ(TextOf(TCtl::lblFinishTitle), "卸载成功");
  ClickToClose(TCtl::btnFinish);
  for (const char* file : {"D:\\Hello\\bin\\hello.txt", "D:\\Hello\\readme.txt", "D:\\Hello\\说明\\使用说明.txt",
                           "D:\\Hello\\Uninstall2001.dat"})
    EXPECT_FALSE(fs::exists(Host(file))) << file;
  EXPECT_EQ(Links(), std::vector<std::string>{});
  EXPECT_FALSE(fs::exists(fx.machine.root() + "/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Hello"));
  EXPECT_EQ(UninstallValue("UninstallString"), "<none>");
  EXPECT_TRUE(WaitFor([&] { return !fs::exists(fx.machine.root() + "/drive_d/Hello"); }))
      << "the uninstaller and its folder are deleted once it has ended";
  EXPECT_TRUE(WaitFor([&] { return !fs::exists(fx.machine.root() + "/drive_c/Uninstall2001.exe.bat"); }));
}

}  // namespace
}  // namespace orvane
