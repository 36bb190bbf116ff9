#include "platform/MachineRoot.h"

#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <set>

namespace platform {
namespace {

namespace fs = std::filesystem;

constexpr KnownFolder kFolders[] = {
    {"C:\\Windows", nullptr, nullptr},
    {"C:\\Windows\\System32", nullptr, nullptr},
    {"C:\\Windows\\Fonts", nullptr, "Fonts"},
    {"C:\\ProgramData", "Common AppData", nullptr},
    {"C:\\Program Files", nullptr, nullptr},
    {"C:\\Program Files (x86)", nullptr, nullptr},
    {"C:\\Users\\Public\\Desktop", "Common Desktop", "Desktop"},
    {"C:\\ProgramData\\Microsoft\\Windows\\Start Menu", "Common Start Menu", "Start Menu"},
    {"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs", "Common Programs", "Programs"},
    {"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Startup", "Common Startup", "Startup"},
};

std::mutex g_lock;

// Roots already created and seeded; guarded by g_lock. Function-local, so it also serves code
// that runs before main() (the batch runner).
std::set<std::string>& Seeded() {
  static std::set<std::string> seeded;
  return seeded;
}

std::string RootFromEnvironment() {
  if (const char* env = std::getenv("VQ_MACHINE_ROOT"); env != nullptr && *env != '\0') {
    std::string root = env;
    while (root.size() > 1 && root.back() == '/') root.pop_back();
    return root;
  }
  const char* home = std::getenv("HOME");
  return std::string(home != nullptr && *home != '\0' ? home : "/tmp") + "/.local/share/vq-machine";
}

// Seeding needs no case-insensitive lookup: it creates the folders in their own spelling.
std::string SeedPath(const std::string& root, const char* windowsPath) {
  std::string p = root + "/drive_c";
  for (const char* c = windowsPath + 2; *c != '\0'; ++c) p += (*c == '\\') ? '/' : *c;
  return p;
}

}  // namespace

std::span<const KnownFolder> KnownFolders() { return kFolders; }

std::string WindowsFolder() { return kFolders[0].windowsPath; }

std::string SystemFolder() { return kFolders[1].windowsPath; }

std::string MachineRootPath() { return RootFromEnvironment(); }

std::string MachineRoot() {
  const std::string root = RootFromEnvironment();
  std::lock_guard<std::mutex> g(g_lock);
  if (Seeded().count(root) != 0) return root;
  std::error_code ec;
  fs::create_directories(root + "/run", ec);
  if (ec) return std::string();
  for (const KnownFolder& f : kFolders) fs::create_directories(SeedPath(root, f.windowsPath), ec);
  Seeded().insert(root);
  return root;
}

bool UseExistingMachineRoot() {
  const std::string root = RootFromEnvironment();
  std::lock_guard<std::mutex> g(g_lock);
  Seeded().insert(root);
  std::error_code ec;
  return fs::is_directory(root, ec);
}

std::string MachineRunDir() {
  const std::string root = MachineRoot();
  return root.empty() ? std::string() : root + "/run";
}

}  // namespace platform
