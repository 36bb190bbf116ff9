// Folder, file, time and drive helpers of the setup library.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <ctime>
#include <filesystem>
#include <random>

#include "platform/Drives.h"
#include "platform/FileOps.h"
#include "platform/MachineRoot.h"
#include "platform/ProgramInfo.h"
#include "platform/TextCodec.h"
#include "platform/WinPath.h"
#include "setup/core/VqLib.h"
#include "setup/core/VqLibInternal.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kProbeLength = 250;

bool IsFolder(const std::string& path) {
  std::error_code ec;
  return fs::is_directory(platform::HostPath(path), ec);
}

bool IsFile(const std::string& path) {
  std::error_code ec;
  return fs::is_regular_file(platform::HostPath(path), ec);
}

std::string WithSeparator(const std::string& folder) {
  if (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) return folder;
  return folder + (folder.empty() || folder[0] != '/' ? "\\" : "/");
}

// Local wall-clock seconds since 1970 <-> the system's seconds, through the time zone.
std::time_t SystemSecondsOfLocal(std::int64_t localSeconds) {
  const std::time_t t = static_cast<std::time_t>(localSeconds);
  tm parts{};
  gmtime_r(&t, &parts);
  parts.tm_isdst = -1;
  return std::mktime(&parts);
}

std::int64_t LocalSecondsOfSystem(std::time_t t) {
  tm parts{};
  localtime_r(&t, &parts);
  return static_cast<std::int64_t>(timegm(&parts));
}

// The local date-time to whole local seconds, rounded down to the even second (DOS form).
std::int64_t DosLocalSeconds(TDateTime dt) {
  const auto s = static_cast<std::int64_t>(std::floor((dt - kUnixEpochDays) * 86400.0 + 1e-6));
  return s - (((s % 2) + 2) % 2);
}

template <typename Visit>
void WalkFiles(const std::string& folder, const Visit& visit) {
  const std::string dir = WithSeparator(folder);
  std::vector<std::string> subfolders;
  std::error_code ec;
  for (fs::directory_iterator it(platform::HostPath(dir), ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    // A link is listed as itself, never followed (a link to its own folder would never end).
    std::error_code typeEc;
    if (it->symlink_status(typeEc).type() == fs::file_type::directory) {
      if (name.find("Thumbs.db") == std::string::npos) subfolders.push_back(dir + name);
    } else if (platform::AsciiUpper(name).find("THUMBS.DB") == std::string::npos) {
      visit(dir + name);
    }
  }
  for (const std::string& sub : subfolders) WalkFiles(sub, visit);
}

}  // namespace

std::string TvqLib::GetExeFolder() {
  const std::string dir = platform::ProgramDir();
  if (const auto win = platform::WindowsPathOf(dir)) return WithSeparator(*win);
  return dir;
}

std::string TvqLib::GetSystemFolder() { return platform::SystemFolder(); }

std::string TvqLib::GetWindowsFolder() { return platform::WindowsFolder(); }

void TvqLib::ListFiles(std::vector<std::string>& list, const std::string& folder) {
  WalkFiles(folder, [&](const std::string& file) { list.push_back(file); });
}

void TvqLib::CountFiles(int& counter, const std::string& folder) {
  WalkFiles(folder, [&](const std::string&) { ++counter; });
}

std::int64_t TvqLib::GetFileSizeOf(const std::string& path) {
  struct stat st {};
  const std::string host = platform::HostPath(path);
  if (::stat(host.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || ::access(host.c_str(), R_OK) != 0)
    throw EVqLibError("Cannot open file \"" + path + "\".");
  return static_cast<std::int64_t>(st.st_size);
}

bool TvqLib::SetFileTimes(const std::string& path, TDateTime /*creationTime*/, TDateTime writeTime) {
  if (!IsFile(path)) return false;
  const double t = static_cast<double>(SystemSecondsOfLocal(DosLocalSeconds(writeTime)));
  return platform::SetFileTimes(path, t, t) == 0;
}

TDateTime TvqLib::GetFileTimeOf(const std::string& path, int which) {
  const std::string full = ReplaceAllText(path, ".\\", GetExeFolder());
  const std::string host = platform::HostPath(full);
  struct statx st {};
  if (!IsFile(full) || ::statx(AT_FDCWD, host.c_str(), 0, STATX_BASIC_STATS | STATX_BTIME, &st) != 0) return 0;
  std::time_t seconds = 0;
  if (which == 0) {
    seconds = (st.stx_mask & STATX_BTIME) != 0 ? st.stx_btime.tv_sec : st.stx_ctime.tv_sec;
  } else if (which == 1) {
    seconds = st.stx_atime.tv_sec;
  } else if (which == 2) {
    seconds = st.stx_mtime.tv_sec;
  } else {
    return 0;
  }
  std::int64_t local = LocalSecondsOfSystem(seconds);
  local -= ((local % 2) + 2) % 2;
  return kUnixEpochDays + static_cast<double>(local) / 86400.0;
}

std::int64_t TvqLib::GetFreeSpace(const std::string& path) {
  std::string drive = path.substr(0, 2);
  if (drive.size() == 1) drive += ':';
  std::uint64_t free = 0;
  if (!platform::IsDrivePath(drive) || !platform::DriveFreeBytes(drive[0], free)) return 0;
  return static_cast<std::int64_t>(std::min<std::uint64_t>(free, INT64_MAX));
}

bool TvqLib::IsFolderWritable(const std::string& folder) {
  const std::string dir = WithSeparator(folder);
  static thread_local std::mt19937 random{std::random_device{}()};
  std::uniform_int_distribution<int> letter('A', 'Z');
  // A long probe name first, then a short one for a file system that refuses the long name.
  for (const std::size_t length : {kProbeLength, dir.size() + 10}) {
    std::string probe;
    do {
      probe = dir + (length == kProbeLength ? "" : "~ACP");
      while (probe.size() < length) probe += static_cast<char>(letter(random));
    } while (IsFile(probe));
    if (platform::WriteFileBytes(probe, "", false) == 0 && platform::DeleteFile(probe) == 0) return true;
  }
  return false;
}

bool TvqLib::ChooseDrive(std::string& folder, std::int64_t neededBytes) {
  for (char letter = 'C'; letter <= 'Z'; ++letter) {
    const bool usable = IsFolder(folder) ? IsFolderWritable(folder) : platform::CreateFolderTree(folder) == 0;
    if (usable && (neededBytes <= 0 || GetFreeSpace(folder) > neededBytes)) return true;
    folder = std::string(1, letter) + ":\\";
  }
  return true;
}

bool TvqLib::ClearReadOnly(const std::string& path) {
  if (platform::GetReadOnly(path)) (void)platform::SetReadOnly(path, false);
  return true;
}

}  // namespace orvane
