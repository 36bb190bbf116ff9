// Placeholder until the uninstall flow lands.
#include "setup/core/VqApp.h"

namespace orvane {

bool TvqApp::RunUninstall(std::string&) { return false; }
bool TvqApp::UninstallFileGroup(std::string&, const std::string&, const std::string&, const std::string&) {
  return true;
}

}  // namespace orvane
