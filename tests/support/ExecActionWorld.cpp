#include "support/ExecActionWorld.h"

#include <gtest/gtest.h>

#include "setup/core/VqApp.h"
#include "support/Standins.h"

namespace vqtest {

ExecActionWorld::ExecActionWorld(MachineRootFixture::Bits bits) : fx(bits) {}

// The engine goes while the paced clock is still installed.
ExecActionWorld::~ExecActionWorld() { app.reset(); }

void ExecActionWorld::Start(const std::string& sections, const std::string& mainLines) {
  SetupExeBuilder builder;
  builder.SetConfig(
      "[Main]\r\nAppGuid=8F0C6A1E-2B7D-4C1A-9E55-0A1B2C3D4E5F\r\nAppTitle=Tessaly\r\nAppName=tessaly\r\n"
      "AppDefPath=C:\\Apps\\T\r\n" +
      mainLines + sections);
  fx.Pack(builder);
  app = fx.NewEngine();
  ASSERT_EQ(app->InstallPath, kAppPath);
  app->StatusLabel = &fx.ui;
  // The package thread's last log entry follows its finished word; the tests read what comes after.
  (void)WaitUntil([] {
    const std::string log = SetupEngineFixture::SetupLogText();
    return log.find("[soft_app_files]完成.") != std::string::npos ||
           log.find("[soft_app_files]出错") != std::string::npos;
  });
  (void)NewLogEntries();
  (void)NewStatusLines();
}

std::vector<std::string> ExecActionWorld::NewLogEntries() {
  const std::string text = SetupEngineFixture::SetupLogText();
  std::vector<std::string> entries;
  for (std::size_t at = logSeen_; at < text.size();) {
    auto end = text.find("\r\n\r\n", at);
    if (end == std::string::npos) end = text.size();
    std::string entry = text.substr(at, end - at);
    const auto stamp = entry.find("]  ");
    entries.push_back(stamp == std::string::npos ? entry : entry.substr(stamp + 3));
    at = end + 4;
  }
  logSeen_ = text.size();
  return entries;
}

std::vector<std::string> ExecActionWorld::NewStatusLines() {
  const std::vector<std::string> all = fx.ui.StatusLines();
  std::vector<std::string> fresh(all.begin() + static_cast<std::ptrdiff_t>(std::min(statusSeen_, all.size())),
                                 all.end());
  statusSeen_ = all.size();
  return fresh;
}

}  // namespace vqtest
