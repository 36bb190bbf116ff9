#include "platform/Drives.h"

#include <sys/statvfs.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "platform/FileOps.h"
#include "platform/MachinePath.h"
#include "platform/MachineRoot.h"
#include "platform/Profile.h"
#include "platform/WinError.h"
#include "platform/WinPath.h"

namespace platform {
namespace {

std::string DriveFolder(char letter) {
  const std::string root = MachineRoot();
  if (root.empty() || !std::isalpha(static_cast<unsigned char>(letter))) return {};
  return root + "/drive_" + static_cast<char>(std::tolower(static_cast<unsigned char>(letter)));
}

}  // namespace

bool DriveExists(char letter) {
  const std::string folder = DriveFolder(letter);
  std::error_code ec;
  return !folder.empty() && std::filesystem::is_directory(folder, ec);
}

bool DriveFreeBytes(char letter, std::uint64_t& freeBytes) {
  if (!DriveExists(letter)) return false;
  const std::string key(1, static_cast<char>(std::toupper(static_cast<unsigned char>(letter))));
  const std::string figure = GetPrivateProfileString("Drives", key, "", MachineRoot() + "/machine.ini");
  if (!figure.empty()) {
    char* end = nullptr;
    const unsigned long long v = std::strtoull(figure.c_str(), &end, 10);
    if (*end == '\0') {
      freeBytes = v;
      return true;
    }
  }
  struct statvfs st {};
  if (::statvfs(DriveFolder(letter).c_str(), &st) != 0) return false;
  freeBytes = static_cast<std::uint64_t>(st.f_bavail) * st.f_frsize;
  return true;
}

bool DriveTotalBytes(char letter, std::uint64_t& totalBytes) {
  std::uint64_t freeBytes = 0;
  if (!DriveFreeBytes(letter, freeBytes)) return false;
  struct statvfs st {};
  totalBytes = ::statvfs(DriveFolder(letter).c_str(), &st) == 0 ? static_cast<std::uint64_t>(st.f_blocks) * st.f_frsize : 0;
  if (totalBytes < freeBytes) totalBytes = freeBytes;
  return true;
}

char DriveLetterOf(const std::string& path) {
  return IsDrivePath(path) ? static_cast<char>(std::toupper(static_cast<unsigned char>(path[0]))) : '\0';
}

long CreateFolderTree(const std::string& path) {
  if (const char letter = DriveLetterOf(path); letter != '\0' && !DriveExists(letter)) return kErrorPathNotFound;
  return CreateMachineFolders(path);
}

}  // namespace platform
