#include "support/SetupEngineFixture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/ExeResources.h"
#include "platform/TextCodec.h"
#include "platform/WinPath.h"
#include "setup/core/SetupLog.h"
#include "setup/core/VqApp.h"
#include "setup/core/VqSign.h"
#include "support/TempDir.h"

namespace vqtest {

SetupEngineFixture::SetupEngineFixture(MachineRootFixture::Bits bits)
    : machine(bits, kProgram), ui([](const std::string&) {}) {
  orvane::SetSetupLogFolder("");
}

SetupEngineFixture::~SetupEngineFixture() {
  platform::SetSelfResourcesForTests("");
  orvane::SetSetupLogFolder("");
}

void SetupEngineFixture::Pack(const SetupExeBuilder& builder) {
  std::string error;
  ASSERT_TRUE(builder.Build(machine.programFile(), error)) << error;
  platform::SetSelfResourcesForTests(machine.programFile());
}

std::unique_ptr<orvane::TvqApp> SetupEngineFixture::NewEngine() {
  auto app = std::make_unique<orvane::TvqApp>();
  WaitPackThread(*app);
  return app;
}

void SetupEngineFixture::WaitPackThread(orvane::TvqApp& app) {
  for (int i = 0; i < 2000 && !app.Sign().Finished(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  ASSERT_TRUE(app.Sign().Finished());
}

std::string SetupEngineFixture::Host(const std::string& windowsPath) { return platform::HostPath(windowsPath); }

std::string SetupEngineFixture::SetupLogText() {
  return platform::Cp936ToUtf8(ReadFileBytes(Host("C:\\ProgramData\\VqInstCache\\OrvaneSetup.log")));
}

}  // namespace vqtest
