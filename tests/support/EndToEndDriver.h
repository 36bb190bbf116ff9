#pragma once
// Drives the end-to-end product's setups (EndToEndProduct.h) through the setup engine as the
// wizard does: a setup becomes the program file and starts in install mode, the placed
// uninstaller starts from the install folder, and the item page, the configuration page and the
// finish button are played as the user would.
#include <map>
#include <memory>
#include <string>

#include "support/EndToEndProduct.h"
#include "support/SetupEngineFixture.h"
#include "support/TempDir.h"

namespace orvane {
class TvqApp;
}

namespace vqtest {

class EndToEndDriver {
 public:
  // Packs into a folder of its own, made now (before a test points the temp folder elsewhere).
  explicit EndToEndDriver(SetupEngineFixture& fx) : fx_(fx) {}
  EndToEndDriver(const EndToEndDriver&) = delete;
  EndToEndDriver& operator=(const EndToEndDriver&) = delete;

  // The installer of `setup` as the wizard starts it in install mode; for change and repair the
  // stored install folder is taken, as the start page does.
  [[nodiscard]] std::unique_ptr<orvane::TvqApp> Installer(const EndToEndSetup& setup, bool installed);
  // The uninstaller that the install placed, started from the install folder.
  [[nodiscard]] std::unique_ptr<orvane::TvqApp> Uninstaller();
  // Sets the modules' `setup` as the item page does.
  static void SetModules(orvane::TvqApp& app, const std::map<std::string, bool>& setup);
  // The finish page's button: the finish records of the chosen modules and the global ones.
  static void Finish(orvane::TvqApp& app);
  // The configuration page with the user's entries, then the items that are not shown.
  static void WriteConfigItems(orvane::TvqApp& app, const std::map<std::string, std::string>& entries);

 private:
  // Makes `setup` the program file; each setup is packed once.
  void Pack(const EndToEndSetup& setup);

  SetupEngineFixture& fx_;
  TempDir builds_;
  std::map<const EndToEndSetup*, std::string> built_;
};

}  // namespace vqtest
