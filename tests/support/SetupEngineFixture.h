#pragma once
// A machine for setup-engine tests: a fresh machine root whose program file is a packed setup
// executable (SetupExeBuilder), the program's own resources read from it, a setup clock whose
// sleeps cost nothing, and the headless UI hand-offs recording what the user would see.
#include <memory>
#include <string>

#include "setup/core/SetupUi.h"
#include "support/MachineRootFixture.h"
#include "support/SetupExeBuilder.h"
#include "support/SetupFakeClock.h"

namespace orvane {
class TvqApp;
}

namespace vqtest {

class SetupEngineFixture {
 public:
  static constexpr const char* kProgram = "C:\\Users\\Public\\Setup\\OrvaneSetup.exe";

  explicit SetupEngineFixture(MachineRootFixture::Bits bits = MachineRootFixture::Bits::x64);
  ~SetupEngineFixture();
  SetupEngineFixture(const SetupEngineFixture&) = delete;
  SetupEngineFixture& operator=(const SetupEngineFixture&) = delete;

  // Packs the program file from `builder`; fails the test on a packer error.
  void Pack(const SetupExeBuilder& builder);
  // A new engine, after the app-files thread it starts has finished.
  [[nodiscard]] std::unique_ptr<orvane::TvqApp> NewEngine();
  // Waits (real time, bounded) until the engine's status word says finished.
  static void WaitPackThread(orvane::TvqApp& app);

  // The host path of a Windows path of this machine.
  [[nodiscard]] static std::string Host(const std::string& windowsPath);
  // The setup log's text (UTF-8), "" when there is none.
  [[nodiscard]] static std::string SetupLogText();

  MachineRootFixture machine;
  SetupFakeClock clock;
  orvane::THeadlessUi ui;

 private:
  ScopedSetupClock clockScope_{clock};
  orvane::TScopedSetupUi uiScope_{ui};
};

}  // namespace vqtest
