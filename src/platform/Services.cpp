#include "platform/Services.h"

#include <signal.h>

#include <cstdlib>
#include <filesystem>

#include "platform/AtomicFile.h"
#include "platform/FileOps.h"
#include "platform/MachineRoot.h"
#include "platform/Process.h"
#include "platform/ProcessFind.h"
#include "platform/Registry.h"
#include "platform/TextCodec.h"
#include "platform/WinError.h"
#include "platform/WinPath.h"

namespace platform {
namespace {

constexpr const char* kServicesKey = "SYSTEM\\CurrentControlSet\\Services\\";

bool ValidName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find_first_of("\\/") == std::string::npos;
}

std::string PidFile(const std::string& name) {
  const std::string run = MachineRunDir();
  if (run.empty()) return {};
  std::error_code ec;
  std::filesystem::create_directories(run + "/services", ec);
  return run + "/services/" + AsciiLower(name) + ".pid";
}

long OpenKey(const std::string& name, RegAccess access, RegKey& key) {
  if (!ValidName(name)) return kErrorInvalidParameter;
  const long rc = RegKey::Open(RegRoot::LocalMachine, kServicesKey + name, access, RegView::Force64, key);
  return rc == kErrorFileNotFound ? kErrorServiceDoesNotExist : rc;
}

// The process of a running service, or 0.
int RunningPid(const std::string& name, const RegKey& key) {
  std::string image;
  if (key.ReadString("ImagePath", image) != kErrorSuccess) return 0;
  std::string text;
  if (ReadFileBytes(PidFile(name), text) != kErrorSuccess) return 0;
  const auto nl = text.find('\n');
  const int pid = std::atoi(text.substr(0, nl).c_str());
  const std::string started = nl == std::string::npos ? std::string() : text.substr(nl + 1);
  if (pid <= 0 || started.empty() || ProcessStartTime(pid) != started) return 0;
  const auto registered = WindowsPathOf(HostPath(image));
  return registered && SameText(ProcessImagePath(pid), *registered) ? pid : 0;
}

}  // namespace

long CreateService(const std::string& name, const std::string& displayName, const std::string& imagePath) {
  RegKey key;
  long rc = OpenKey(name, RegAccess::Read, key);
  if (rc == kErrorSuccess) return kErrorServiceExists;
  if (rc != kErrorServiceDoesNotExist) return rc;
  rc = RegKey::Create(RegRoot::LocalMachine, kServicesKey + name, RegView::Force64, key);
  // SERVICE_WIN32_OWN_PROCESS | SERVICE_INTERACTIVE_PROCESS, SERVICE_AUTO_START, SERVICE_ERROR_IGNORE.
  if (rc == kErrorSuccess) rc = key.WriteDword("Type", 0x110);
  if (rc == kErrorSuccess) rc = key.WriteDword("Start", 2);
  if (rc == kErrorSuccess) rc = key.WriteDword("ErrorControl", 0);
  if (rc == kErrorSuccess) rc = key.WriteString("ImagePath", imagePath);
  if (rc == kErrorSuccess) rc = key.WriteString("DisplayName", displayName);
  if (rc == kErrorSuccess) rc = key.WriteString("ObjectName", "LocalSystem");
  return rc;
}

long OpenService(const std::string& name) {
  RegKey key;
  return OpenKey(name, RegAccess::Read, key);
}

long StartService(const std::string& name) {
  RegKey key;
  long rc = OpenKey(name, RegAccess::Read, key);
  if (rc != kErrorSuccess) return rc;
  if (RunningPid(name, key) != 0) return kErrorServiceAlreadyRunning;
  std::string image;
  std::string error;
  if (key.ReadString("ImagePath", image) != kErrorSuccess) return kErrorFileNotFound;
  const std::string host = ResolveProgram(image, error);
  if (host.empty()) return kErrorFileNotFound;
  ChildProcess child;
  if (!ChildProcess::Start(host, {}, HostPath(SystemFolder()), child, error)) return kErrorAccessDenied;
  const int pid = child.pid();
  child.Detach();
  if (ReplaceFileContents(PidFile(name), std::to_string(pid) + "\n" + ProcessStartTime(pid)) != kErrorSuccess) {
    (void)::kill(pid, SIGKILL);
    return kErrorAccessDenied;
  }
  return kErrorSuccess;
}

long StopService(const std::string& name) {
  RegKey key;
  const long rc = OpenKey(name, RegAccess::Read, key);
  if (rc != kErrorSuccess) return rc;
  const int pid = RunningPid(name, key);
  if (pid == 0) return kErrorServiceNotActive;
  return ::kill(pid, SIGTERM) == 0 ? kErrorSuccess : kErrorAccessDenied;
}

long QueryServiceState(const std::string& name, int& state) {
  state = kServiceStopped;
  RegKey key;
  const long rc = OpenKey(name, RegAccess::Read, key);
  if (rc != kErrorSuccess) return rc;
  if (RunningPid(name, key) != 0) state = kServiceRunning;
  return kErrorSuccess;
}

long DeleteService(const std::string& name) {
  RegKey key;
  const long rc = OpenKey(name, RegAccess::Read, key);
  if (rc != kErrorSuccess) return rc;
  std::error_code ec;
  if (RunningPid(name, key) == 0) std::filesystem::remove(PidFile(name), ec);
  return RegKey::DeleteKey(RegRoot::LocalMachine, kServicesKey + name, RegView::Force64);
}

}  // namespace platform
