// Placeholder until the shortcut steps land.
#include "setup/core/VqApp.h"

namespace orvane {

void TvqApp::CreateDesktopShortcuts(const std::string&) {}
void TvqApp::CreateStartMenuShortcuts(const std::string&) {}
void TvqApp::DeleteDesktopShortcuts(const std::string&) {}
void TvqApp::DeleteStartMenuShortcuts(const std::string&) {}

}  // namespace orvane
