// Services, component registration and fonts.
#include "platform/Components.h"
#include "platform/Fonts.h"
#include "platform/Process.h"
#include "platform/Services.h"
#include "setup/core/VqLib.h"
#include "setup/core/VqLibInternal.h"
#include "setup/core/WinPathText.h"

namespace orvane {
namespace {

bool Started(long rc) { return rc == 0 || rc == platform::kErrorServiceAlreadyRunning; }

}  // namespace

bool TvqLib::InstallService(const std::string& name, const std::string& displayName, const std::string& programPath,
                            bool start) {
  long rc = platform::OpenService(name);
  // An existing service is left as it is.
  if (rc == platform::kErrorServiceDoesNotExist) rc = platform::CreateService(name, displayName, programPath);
  if (rc != 0) return false;
  return !start || Started(platform::StartService(name));
}

bool TvqLib::StartServiceByName(const std::string& name) {
  return platform::OpenService(name) == 0 && Started(platform::StartService(name));
}

bool TvqLib::StopService(const std::string& name) { return platform::StopService(name) == 0; }

int TvqLib::GetServiceState(const std::string& name) {
  int state = platform::kServiceStopped;
  if (platform::QueryServiceState(name, state) != 0) return platform::kServiceStopped;
  return state;
}

bool TvqLib::IsServiceRunning(const std::string& name) { return GetServiceState(name) == platform::kServiceRunning; }

bool TvqLib::IsServiceStopped(const std::string& name) { return GetServiceState(name) == platform::kServiceStopped; }

bool TvqLib::RegisterComponent(const std::string& libraryPath) {
  long hresult = 0;
  std::string error;
  // A library loads only from inside the machine, as programs start.
  const std::string library = platform::ResolveProgram(libraryPath, error);
  if (library.empty()) {
    LibraryNote("component refused, no such library inside the machine: " + libraryPath);
    return false;
  }
  return platform::RegisterServerOf(library, hresult, error) == platform::RegisterResult::Registered;
}

bool TvqLib::InstallFont(const std::string& fontPath) {
  return !ExtractFileName(fontPath).empty() && platform::AddFontResource(fontPath) > 0;
}

}  // namespace orvane
