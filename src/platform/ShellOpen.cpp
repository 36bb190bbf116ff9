#include "platform/ShellOpen.h"

#include <sys/stat.h>
#include <unistd.h>

#include "platform/BatchRunner.h"
#include "platform/FileOps.h"
#include "platform/MachineRoot.h"
#include "platform/Profile.h"
#include "platform/TextCodec.h"
#include "platform/WinPath.h"

namespace platform {
namespace {

bool EndsWithText(const std::string& path, std::string_view ext) {
  return path.size() >= ext.size() && SameText(std::string_view(path).substr(path.size() - ext.size()), ext);
}

// A program is a file marked executable, or a ".exe" file (whose start then reports why it failed).
bool IsProgramFile(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  return EndsWithText(path, ".exe") || ::access(path.c_str(), X_OK) == 0;
}

}  // namespace

bool OpensAsProgram(const std::string& target) {
  const std::string host = HostPath(target);
  return !EndsWithText(host, ".bat") && IsProgramFile(host);
}

bool ShellOpenProcess(const std::string& target, const std::string& params, ChildProcess& child, std::string& error) {
  const std::string host = HostPath(target);
  if (EndsWithText(host, ".bat")) return StartBatchFile(target, child, error);
  if (IsProgramFile(host)) return ChildProcess::Start(host, SplitCommandLine(params), std::string(), child, error);
  const std::string recorder = GetPrivateProfileString("Shell", "Recorder", "", MachineRoot() + "/machine.ini");
  if (!recorder.empty()) {
    const long rc = WriteFileBytes(recorder, target + "\t" + params + "\n", true);
    if (rc != 0) error = "cannot write " + recorder;
    return rc == 0;
  }
  return ChildProcess::Start("xdg-open", {host}, std::string(), child, error);
}

bool ShellOpen(const std::string& target, const std::string& params, std::string& error) {
  ChildProcess child;
  if (!ShellOpenProcess(target, params, child, error)) return false;
  child.Detach();
  return true;
}

}  // namespace platform
