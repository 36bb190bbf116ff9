// A product's whole life on a machine whose folders have been turned into links to the outside
// wherever the setup writes: install folder subfolders, INI files, shortcut folders, the font
// folder, the cache folder and, for the uninstall, the temporary folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/Services.h"
#include "platform/WinPath.h"
#include "setup/core/VqApp.h"
#include "setup/core/VqLib.h"
#include "support/ConfinementTraps.h"
#include "support/EndToEndDriver.h"
#include "support/EndToEndProduct.h"
#include "support/SetupEngineFixture.h"
#include "support/SetupPacedClock.h"
#include "support/Standins.h"

namespace {

using orvane::TvqLib;
using vqtest::EndToEndDriver;
using vqtest::EndToEndProduct;
namespace fs = std::filesystem;

const std::string kApp = EndToEndProduct::kAppPath;

bool Exists(const std::string& windowsPath) { return fs::exists(platform::HostPath(windowsPath)); }

class ConfinementEndToEnd : public testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(fx.machine.root() + "/drive_d");
    fs::current_path(platform::HostPath("C:\\Users\\Public\\Setup"));
    vqtest::PlaceProgramStandin(EndToEndProduct::kTool);
    const std::string& decoy = outside.decoy();
    const std::pair<const char*, std::string> links[] = {
        {"D:\\Tessaly\\web", decoy},
        {"D:\\Tessaly\\data", decoy + "/sub"},
        {"D:\\Tessaly\\app.ini", decoy + "/victim.txt"},
        {"D:\\Tessaly\\Uninstall1001.dat", decoy + "/victim.log"},
        {"C:\\Users\\Public\\Desktop", decoy + "/sub/deeper"},
        {"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Tessaly", decoy},
        {"C:\\Windows\\Fonts", decoy},
        {"C:\\ProgramData\\VqInstCache", decoy},
    };
    for (const auto& [windowsPath, target] : links) vqtest::LinkInPlaceOf(windowsPath, target);
    vqtest::RecordShellOpens();
    before = outside.Fingerprint();
  }

  void TearDown() override { EndPrograms(); }

  // The product's programs that may still run.
  static void EndPrograms() {
    (void)platform::StopService("VqSvc");
    for (const char* program : {"bin\\Sync.exe", "bin\\Svc.exe", "webexe\\Web.exe"})
      while (TvqLib::KillProgram(kApp + program) == 1) {
      }
  }

  // Nothing outside changed and no host program ran; no opener and no shortcut got a host path.
  void ExpectOutsideUntouched(const std::string& machineRoot = "") {
    EXPECT_TRUE(outside.Untouched(before, machineRoot));
    EXPECT_EQ(vqtest::OpenedOutside(), std::vector<std::string>());
    for (const char* folder : {"C:\\Users", "C:\\ProgramData\\Microsoft\\Windows\\Start Menu"})
      EXPECT_EQ(vqtest::ShortcutsLeadingOutside(folder), std::vector<std::string>()) << folder;
  }

  vqtest::OutsideWorld outside;
  vqtest::SetupEngineFixture fx;
  vqtest::SetupPacedClock paced{fx.clock};
  vqtest::ScopedSetupClock pacedScope{paced};
  vqtest::ScopedConfinement confined{true};
  const vqtest::EndToEndSetup v1{"v1"};
  EndToEndDriver driver{fx};
  std::string before;
};

// Install, change, repair and the uninstaller's full removal, each as the wizard runs it, write,
// delete and start nothing outside the machine, though the places they work in lead there.
TEST_F(ConfinementEndToEnd, ProductLifecycleStaysInsideTheMachine) {
  std::string error;
  const std::function<void()> phases[] = {
      [&] {
        SCOPED_TRACE("install");
        auto app = driver.Installer(v1, false);
        (void)app->RunInstall(error, orvane::kModeInstall);
        EndToEndDriver::WriteConfigItems(*app, {{"server", "10.0.0.8"}, {"branch", "0101"}});
        EndToEndDriver::Finish(*app);
        EXPECT_TRUE(Exists(kApp + "bin\\Core.dll")) << "the install ran: " << error;
      },
      [&] {
        SCOPED_TRACE("change");
        auto app = driver.Installer(v1, true);
        EndToEndDriver::SetModules(*app, {{"sync", true}, {"web", true}, {"tools", false}, {"doc", true}});
        app->Mode = orvane::kModeChange;
        (void)app->RunChange(error);
        EndToEndDriver::Finish(*app);
      },
      [&] {
        SCOPED_TRACE("repair");
        ASSERT_TRUE(fs::remove(platform::HostPath(kApp + "bin\\Core.dll")));
        auto app = driver.Installer(v1, true);
        EndToEndDriver::SetModules(*app, {{"sync", true}, {"web", true}, {"tools", true}, {"doc", true}});
        app->Mode = orvane::kModeRepair;
        (void)app->RunRepair(error);
        EXPECT_TRUE(Exists(kApp + "bin\\Core.dll")) << "the repair ran: " << error;
      },
      [&] {
        SCOPED_TRACE("uninstall");
        // Packages are unpacked through the temporary folder, which only the uninstall removes.
        vqtest::LinkInPlaceOf(kApp + "temp", outside.decoy());
        auto app = driver.Uninstaller();
        EndToEndDriver::SetModules(*app, {{"sync", true}, {"web", true}, {"tools", true}, {"doc", true}});
        (void)app->RunUninstall(error);
        EndToEndDriver::Finish(*app);
        EXPECT_FALSE(Exists(kApp + "bin\\Core.dll")) << "the uninstall ran: " << error;
      },
  };
  for (const auto& phase : phases) {
    phase();
    ExpectOutsideUntouched();
    if (HasFatalFailure()) return;
  }
  // The uninstaller's self-deletion runs on after it; the outside stays as it was also after it.
  EndPrograms();
  ExpectOutsideUntouched(fx.machine.root());
}

}  // namespace
