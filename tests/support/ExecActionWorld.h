#pragma once
// A setup engine for exec-action tests: a packed configuration with the caller's sections, the
// engine with the headless status line attached, the setup log read entry by entry, and a clock
// whose sleeps cost no test time yet give started programs a real moment to react (a polite quit
// or a kill lands between two checks, as it would in the wizard's pauses).
#include <memory>
#include <string>
#include <vector>

#include "support/SetupEngineFixture.h"
#include "support/SetupPacedClock.h"

namespace orvane {
class TvqApp;
}

namespace vqtest {

class ExecActionWorld {
 public:
  // Install folder of the packed configuration: "<app_path>" expands to this.
  static constexpr const char* kAppPath = "C:\\Apps\\T\\";

  explicit ExecActionWorld(MachineRootFixture::Bits bits = MachineRootFixture::Bits::x64);
  ~ExecActionWorld();
  ExecActionWorld(const ExecActionWorld&) = delete;
  ExecActionWorld& operator=(const ExecActionWorld&) = delete;

  // Packs `[Main]` (product "Tessaly", AppDefPath C:\Apps\T, the extra main lines) followed by
  // `sections` (UTF-8 INI text) and creates the engine.
  void Start(const std::string& sections, const std::string& mainLines = "");

  // Setup-log entries written since the last call (or since Start), without their time stamps.
  [[nodiscard]] std::vector<std::string> NewLogEntries();
  // Status lines shown since the last call (or since Start).
  [[nodiscard]] std::vector<std::string> NewStatusLines();

  SetupEngineFixture fx;
  std::unique_ptr<orvane::TvqApp> app;

 private:
  SetupPacedClock paced_{fx.clock};
  ScopedSetupClock pacedScope_{paced_};
  std::size_t logSeen_ = 0;
  std::size_t statusSeen_ = 0;
};

}  // namespace vqtest
