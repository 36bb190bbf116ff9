// Placeholder until file placement lands.
#include "setup/core/VqApp.h"

namespace orvane {

bool TvqApp::InstallFileGroup(std::string&, std::uint32_t, const std::string&, const std::string&,
                              const std::string&, const std::string&) {
  return true;
}
bool TvqApp::PlaceFile(std::string&, const std::string&, const std::string&, const std::string&, const std::string&,
                       const std::string&, TDateTime) {
  return false;
}
bool TvqApp::CopyToUpdateFolders(std::string&, const std::string&, const std::string&, const std::string&,
                                 const std::string&, const std::string&, const std::string&, TDateTime) {
  return false;
}
bool TvqApp::IsFileInInstallList(const std::string&) { return false; }

}  // namespace orvane
