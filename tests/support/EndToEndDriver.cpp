#include "support/EndToEndDriver.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/ExeResources.h"
#include "platform/ProgramInfo.h"
#include "setup/core/LineList.h"
#include "setup/core/TagValue.h"
#include "setup/core/VqApp.h"

namespace vqtest {

std::unique_ptr<orvane::TvqApp> EndToEndDriver::Installer(const EndToEndSetup& setup, bool installed) {
  Pack(setup);
  auto app = fx_.NewEngine();
  app->StatusLabel = &fx_.ui;
  if (installed) {
    EXPECT_TRUE(app->ReadInstallLocation());
  } else {
    app->SetInstallPath("D:\\Tessaly");
  }
  EXPECT_EQ(app->InstallPath, EndToEndProduct::kAppPath);
  app->DesktopLink = app->StartMenuLink = true;
  return app;
}

void EndToEndDriver::Pack(const EndToEndSetup& setup) {
  auto& built = built_[&setup];
  if (built.empty()) {
    built = builds_.file("setup" + std::to_string(built_.size()) + ".exe");
    std::string error;
    ASSERT_TRUE(setup.Installer().Build(built, error)) << error;
  }
  std::filesystem::copy_file(built, fx_.machine.programFile(), std::filesystem::copy_options::overwrite_existing);
  platform::SetSelfResourcesForTests(fx_.machine.programFile());
}

std::unique_ptr<orvane::TvqApp> EndToEndDriver::Uninstaller() {
  platform::SetProgramFileForTests(SetupEngineFixture::Host(EndToEndProduct::kUninstaller));
  platform::SetSelfResourcesForTests(SetupEngineFixture::Host(EndToEndProduct::kUninstaller));
  auto app = fx_.NewEngine();
  app->StatusLabel = &fx_.ui;
  EXPECT_EQ(app->Mode, orvane::kModeUninstall);
  EXPECT_EQ(app->InstallPath, EndToEndProduct::kAppPath);
  return app;
}

void EndToEndDriver::SetModules(orvane::TvqApp& app, const std::map<std::string, bool>& setup) {
  for (std::string& line : app.ModuleList) {
    const std::string key = orvane::LineName(line);
    if (setup.count(key))
      line = key + "=" + orvane::SetTagValue(orvane::LineValue(line), "setup:", ';', setup.at(key) ? "1" : "0");
  }
}

void EndToEndDriver::Finish(orvane::TvqApp& app) {
  app.FinishExecs.clear();
  for (const std::string& line : app.ModuleList)
    if (orvane::GetTagValue(orvane::LineValue(line), "setup:", ';') == "1")
      app.CollectFinishExecs(orvane::LineName(line));
  app.CollectFinishExecs("");
  (void)app.RunFinishExecs(app.Mode);
}

void EndToEndDriver::WriteConfigItems(orvane::TvqApp& app, const std::map<std::string, std::string>& entries) {
  app.CollectConfigItems();
  for (const std::string& line : app.ShownConfigItems) {
    const std::string name = orvane::GetTagValue(orvane::LineName(line), ";cfg:", ';');
    app.WriteConfigItem(orvane::LineValue(line), entries.at(name));
  }
  app.WriteHiddenConfigItems();
}

}  // namespace vqtest
