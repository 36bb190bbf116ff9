// Placeholder until the exec actions land.
#include "setup/core/VqApp.h"

namespace orvane {

bool TvqApp::RunExecAction(std::string&, const std::string&, const std::string&, std::uint32_t) { return true; }
void TvqApp::CollectExecSection(TLineList&, const std::string&, int) {}
int TvqApp::CollectInstallExecs() { return 0; }
bool TvqApp::RunInstallExecs(std::uint32_t, std::string&) { return true; }
bool TvqApp::RunFileExecs(std::uint32_t, const std::string&, std::string&, const std::string&, int) { return false; }
void TvqApp::CollectFinishExecs(const std::string&) {}
bool TvqApp::RunFinishExecs(std::uint32_t) { return true; }
int TvqApp::CollectUninstallExecs() { return 0; }
bool TvqApp::RunUninstallExecs() { return true; }
bool TvqApp::RestartUpgradeService() { return true; }

}  // namespace orvane
