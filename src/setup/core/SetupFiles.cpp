#include "setup/core/SetupFiles.h"

#include <sys/stat.h>
#include <unistd.h>

#include <ctime>
#include <filesystem>
#include <mutex>
#include <random>

#include "platform/Drives.h"
#include "platform/FileOps.h"
#include "platform/ProgramInfo.h"
#include "platform/TextCodec.h"
#include "platform/WinPath.h"
#include "setup/core/MessagePump.h"
#include "setup/core/SetupDateTime.h"

namespace orvane {
namespace {

std::mutex g_logLock;

std::string ProbeName(const std::string& folder) {
  static std::mt19937 random{std::random_device{}()};
  std::uniform_int_distribution<int> letter('A', 'Z');
  std::string name = IncludeBackslash(folder) + "~vqw";
  for (int i = 0; i < 12; ++i) name += static_cast<char>(letter(random));
  return name;
}

bool FolderUsable(const std::string& folder, std::int64_t needed) {
  if (FolderExists(folder)) {
    if (!IsFolderWritable(folder)) return false;
  } else if (platform::CreateFolderTree(folder) != 0) {
    return false;
  }
  if (needed <= 0) return true;
  std::uint64_t freeBytes = 0;
  return platform::DriveFreeBytes(platform::DriveLetterOf(folder), freeBytes) &&
         freeBytes > static_cast<std::uint64_t>(needed);
}

}  // namespace

std::string IncludeBackslash(std::string_view path) {
  std::string out(path);
  if (out.empty() || out.back() != '\\') out += '\\';
  std::size_t pos;
  while ((pos = out.find("\\\\")) != std::string::npos) out.erase(pos, 1);
  return out;
}

std::string FolderOf(std::string_view path) {
  const std::size_t sep = path.rfind('\\');
  return sep == std::string_view::npos ? std::string() : std::string(path.substr(0, sep + 1));
}

bool FileExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(platform::HostPath(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool FolderExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(platform::HostPath(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool WaitFileExists(const std::string& path, int tries, int ms) {
  for (int i = 0; i < tries; ++i) {
    if (FileExists(path)) return true;
    PumpWait(ms);
  }
  return false;
}

bool WaitFolderExists(const std::string& path, int tries, int ms) {
  for (int i = 0; i < tries; ++i) {
    if (FolderExists(path)) return true;
    PumpWait(ms);
  }
  return false;
}

bool IsFolderWritable(const std::string& folder) {
  std::string probe = ProbeName(folder);
  while (FileExists(probe)) probe = ProbeName(folder);
  if (platform::WriteFileBytes(probe, "", false) != 0) return false;
  return platform::DeleteFile(probe) == 0;
}

void ChooseDrive(std::string& folder, std::int64_t needed) {
  for (char letter = 'C'; letter <= 'Z'; ++letter) {
    if (FolderUsable(folder, needed)) return;
    folder = std::string(1, letter) + ":\\";
  }
}

bool DeleteFileRetry(const std::string& path, int tries, int ms) {
  if (!FileExists(path)) return true;
  for (int i = 0; i < tries; ++i) {
    if (platform::DeleteFile(path) == 0) return true;
    PumpWait(ms);
  }
  return false;
}

void DeleteTree(const std::string& folder) {
  std::error_code ec;
  std::filesystem::remove_all(platform::HostPath(folder), ec);
}

void WriteLogFile(const std::string& text, const std::string& fileName, const std::string& folder) {
  try {
    std::string dir = folder;
    if (dir.empty()) dir = platform::ProgramDir();
    else (void)platform::CreateFolderTree(dir);
    std::string name = fileName;
    if (name.empty()) {
      name = std::filesystem::path(platform::ProgramFile()).filename().string();
      name = name.substr(0, name.find('.'));
    }
    std::string file = dir;
    if (file.back() != '\\' && file.back() != '/') file += platform::IsDrivePath(file) ? '\\' : '/';
    file += name + ".log";
    std::lock_guard<std::mutex> hold(g_logLock);
    (void)platform::WriteFileBytes(file, platform::Utf8ToCp936(text) + "\r\n\r\n", true);
  } catch (...) {
    // Logging never disturbs the caller.
  }
}

bool SetFileWriteTime(const std::string& path, TDateTime writeTime) {
  TDateParts p = DecodeDateTime(writeTime);
  std::tm local{};
  local.tm_year = p.year - 1900;
  local.tm_mon = p.month - 1;
  local.tm_mday = p.day;
  local.tm_hour = p.hour;
  local.tm_min = p.minute;
  local.tm_sec = p.second / 2 * 2;
  local.tm_isdst = -1;
  const std::time_t utc = std::mktime(&local);
  if (utc == static_cast<std::time_t>(-1)) return false;
  const auto seconds = static_cast<double>(utc);
  return platform::SetFileTimes(path, seconds, seconds) == 0;
}

std::string ProgramPath() {
  const std::string file = platform::ProgramFile();
  return platform::WindowsPathOf(file).value_or(file);
}

}  // namespace orvane
