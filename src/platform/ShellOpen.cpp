#include "platform/ShellOpen.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/BatchRunner.h"
#include "platform/FileOps.h"
#include "platform/MachinePath.h"
#include "platform/MachineRoot.h"
#include "platform/Profile.h"
#include "platform/TextCodec.h"
#include "platform/WinPath.h"

namespace platform {
namespace {

bool EndsWithText(const std::string& path, std::string_view ext) {
  return path.size() >= ext.size() && SameText(std::string_view(path).substr(path.size() - ext.size()), ext);
}

bool StartsWithText(const std::string& text, std::string_view head) {
  return text.size() >= head.size() && SameText(std::string_view(text).substr(0, head.size()), head);
}

bool IsBatchName(const std::string& path) { return EndsWithText(path, ".bat") || EndsWithText(path, ".cmd"); }

bool IsProgramName(const std::string& path) { return EndsWithText(path, ".exe") || EndsWithText(path, ".com"); }

// Anything with a scheme before its first separator.
bool IsAddress(const std::string& target) {
  const auto colon = target.find(':');
  return colon != std::string::npos && colon > 1 && target.find_first_of("\\/") > colon;
}

bool IsOpenableAddress(const std::string& target) {
  return StartsWithText(target, "http://") || StartsWithText(target, "https://") || StartsWithText(target, "mailto:");
}

// A desktop entry or a shortcut runs whatever its Exec line names, so the opener never gets one.
bool RunsItsContents(const std::string& path) { return EndsWithText(path, ".desktop") || EndsWithText(path, ".lnk"); }

// The host file or folder a document of the machine resolves to, links followed beneath the
// drive (from the descriptor, not the name). Empty when it is not inside the machine.
std::string MachineDocument(const std::string& target) {
  MachinePath at;
  if (MachinePath::Resolve(target, PathUse::kRead, at) != 0) return {};
  const int fd = at.OpenFollowing(O_PATH);
  if (fd < 0) return {};
  struct stat st {};
  char buf[PATH_MAX];
  const bool usable = ::fstat(fd, &st) == 0 && (S_ISREG(st.st_mode) || S_ISDIR(st.st_mode));
  const ssize_t n = usable ? ::readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), buf, sizeof buf - 1) : -1;
  ::close(fd);
  if (n <= 0) return {};
  const std::string host(buf, static_cast<std::size_t>(n));
  return WindowsPathOf(host) ? host : std::string();
}

// The host's opener, found on the host's PATH by this layer itself: a host tool, never a
// program of the machine.
std::string OpenerPath() {
  const char* path = std::getenv("PATH");
  std::string dirs = path != nullptr ? path : "/usr/bin:/bin";
  for (std::size_t start = 0; start <= dirs.size();) {
    const auto end = std::min(dirs.find(':', start), dirs.size());
    const std::string candidate = dirs.substr(start, end - start) + "/xdg-open";
    if (end > start && ::access(candidate.c_str(), X_OK) == 0) return candidate;
    start = end + 1;
  }
  return {};
}

// machine.ini's recorder stands in for the host's opener, so it writes as a host tool would.
bool Record(const std::string& recorder, const std::string& line, std::string& error) {
  const int fd = OpenCloexec(recorder, O_WRONLY | O_CREAT | O_APPEND, 0666);
  const bool ok = fd >= 0 && ::write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size());
  if (fd >= 0) ::close(fd);
  if (!ok) error = "cannot write " + recorder;
  return ok;
}

bool HandToOpener(const std::string& target, const std::string& shown, const std::string& params, ChildProcess& child,
                  std::string& error) {
  const std::string recorder = GetPrivateProfileString("Shell", "Recorder", "", MachineRoot() + "/machine.ini");
  if (!recorder.empty()) return Record(recorder, shown + "\t" + params + "\n", error);
  const std::string opener = OpenerPath();
  if (opener.empty()) {
    error = "no opener on this host";
    return false;
  }
  return ChildProcess::Start(opener, {target}, std::string(), child, error);
}

// The agent's own host files keep their host road; everything of the machine goes by the gate.
bool IsHostRoad(const std::string& target) { return !MachineConfinement() && !IsDrivePath(target) && !IsAddress(target); }

}  // namespace

bool OpensAsProgram(const std::string& target) { return !IsAddress(target) && IsProgramName(target); }

bool ShellOpenProcess(const std::string& target, const std::string& params, ChildProcess& child, std::string& error) {
  if (IsAddress(target) && !IsDrivePath(target)) {
    if (IsOpenableAddress(target)) return HandToOpener(target, target, params, child, error);
    error = "address refused: " + target;
    return false;
  }
  if (IsProgramName(target) || IsBatchName(target)) {
    const std::string program = IsHostRoad(target) ? target : ResolveProgram(target, error);
    if (program.empty()) return false;
    if (IsBatchName(target)) return StartBatchFile(program, child, error);
    return ChildProcess::Start(program, SplitCommandLine(params), std::string(), child, error);
  }
  if (RunsItsContents(target)) {
    error = "not handed to the opener: " + target;
    return false;
  }
  const std::string document = IsHostRoad(target) ? target : MachineDocument(target);
  if (document.empty()) {
    error = "not a document of the machine: " + target;
    return false;
  }
  return HandToOpener(document, target, params, child, error);
}

bool ShellOpen(const std::string& target, const std::string& params, std::string& error) {
  ChildProcess child;
  if (!ShellOpenProcess(target, params, child, error)) return false;
  child.Detach();
  return true;
}

}  // namespace platform
