#include "platform/WindowCaptions.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>

#include "platform/AtomicFile.h"
#include "platform/FileOps.h"
#include "platform/MachineRoot.h"
#include "platform/ProcessFind.h"
#include "platform/WinError.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

std::atomic<long> g_nextHandle{1};

std::string WindowsDir() {
  const std::string run = MachineRunDir();
  if (run.empty()) return {};
  const std::string dir = run + "/windows";
  std::error_code ec;
  fs::create_directories(dir, ec);
  return ec ? std::string() : dir;
}

std::string EntryPath(const std::string& dir, int pid, long handle) {
  return dir + "/" + std::to_string(pid) + "-" + std::to_string(handle);
}

// The first living process that registered `caption`; with `machineOnly`, only one the process
// lookup sees (a program of the machine, never the caller).
int CaptionOwner(const std::string& caption, bool machineOnly) {
  const std::string dir = WindowsDir();
  if (dir.empty()) return 0;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(dir, ec)) {
    const std::string name = entry.path().filename().string();
    if (name.find('.') != std::string::npos) continue;  // a registration still being written
    const int pid = std::atoi(name.c_str());
    if (pid <= 0) continue;
    std::string bytes;
    (void)ReadFileBytes(entry.path().string(), bytes);
    const auto nl = bytes.find('\n');
    const std::string started = bytes.substr(0, nl);
    const std::string text = nl == std::string::npos ? std::string() : bytes.substr(nl + 1);
    if (ProcessStartTime(pid) != started) {
      // Left by a process that ended without unregistering.
      std::error_code ignored;
      fs::remove(entry.path(), ignored);
      continue;
    }
    if (text == caption && (!machineOnly || !ProcessImagePath(pid).empty())) return pid;
  }
  return 0;
}

}  // namespace

long RegisterWindowCaption(const std::string& caption) {
  const std::string dir = WindowsDir();
  const int pid = static_cast<int>(::getpid());
  const std::string started = ProcessStartTime(pid);
  if (dir.empty() || started.empty()) return 0;
  const long handle = g_nextHandle++;
  // Line 1: start time; the rest of the file: the caption as it is (it may hold line breaks).
  if (ReplaceFileContents(EntryPath(dir, pid, handle), started + "\n" + caption) != kErrorSuccess) return 0;
  return handle;
}

void UnregisterWindowCaption(long handle) {
  const std::string dir = WindowsDir();
  if (dir.empty() || handle <= 0) return;
  std::error_code ec;
  fs::remove(EntryPath(dir, static_cast<int>(::getpid()), handle), ec);
}

int FindWindowProcess(const std::string& caption) { return CaptionOwner(caption, false); }

bool CloseWindowByCaption(const std::string& caption) {
  const int pid = CaptionOwner(caption, true);
  return pid > 0 && ::kill(pid, SIGTERM) == 0;
}

}  // namespace platform
