// Placeholder until the install flow lands.
#include "setup/core/VqApp.h"

namespace orvane {

bool TvqApp::RunInstall(std::string&, std::uint32_t) { return false; }
bool TvqApp::RunChange(std::string&) { return false; }
bool TvqApp::RunRepair(std::string&) { return false; }
int TvqApp::CollectModuleGroups(const std::string&, TLineList&) { return 0; }
std::int64_t TvqApp::GetGroupFileSize(const std::string&) { return 0; }
bool TvqApp::CheckDotNet(std::string&) { return true; }
void TvqApp::InstallFonts() {}

}  // namespace orvane
