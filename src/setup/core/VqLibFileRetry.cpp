// Copy, move and delete with retries, the tree deletion and the waits for files and folders.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "platform/Drives.h"
#include "platform/FileOps.h"
#include "platform/MachineTree.h"
#include "platform/TextCodec.h"
#include "platform/WinPath.h"
#include "setup/core/MessagePump.h"
#include "setup/core/VqLib.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;

constexpr int kPasses = 11;
constexpr int kRetryPauseMs = 300;

std::string FolderOf(const std::string& path) {
  const auto sep = path.find_last_of("\\/");
  return sep == std::string::npos ? std::string() : path.substr(0, sep);
}

// FileExists: a file, not a folder.
bool Exists(const std::string& path) {
  std::error_code ec;
  const auto status = fs::symlink_status(platform::HostPath(path), ec);
  return !ec && fs::exists(status) && !fs::is_directory(status);
}

bool IsFolder(const std::string& path) {
  std::error_code ec;
  return fs::is_directory(platform::HostPath(path), ec);
}

// Up to `tries` deletions, `ms` apart.
bool RetryDelete(const std::function<long()>& deleteOnce, int tries, int ms) {
  for (int i = 0; i < tries; ++i) {
    if (deleteOnce() == 0) return true;
    TvqLib::Delay(ms);
  }
  return false;
}

// A file of a tree: 3 tries, "Thumbs.db" kept.
void DeleteTreeFile(const platform::MachineFolder& folder, const std::string& name) {
  if (platform::AsciiUpper(name).find("THUMBS.DB") != std::string::npos) return;
  RetryDelete([&] { return folder.DeleteFileAt(name); }, 3, 100);
  ProcessMessages();
}

}  // namespace

bool TvqLib::CopyFileRetry(const std::string& source, const std::string& target) {
  ClearReadOnly(target);
  (void)platform::CreateFolderTree(FolderOf(target));
  for (int pass = 0; pass < kPasses; ++pass) {
    if (platform::CopyFileOver(source, target) == 0 || platform::CopyFileOver(source, target) == 0) {
      ClearReadOnly(target);
      return true;
    }
    Delay(kRetryPauseMs);
  }
  return false;
}

bool TvqLib::MoveFileRetry(const std::string& source, const std::string& target) {
  ClearReadOnly(target);
  (void)platform::CreateFolderTree(FolderOf(target));
  for (int pass = 0; pass < kPasses; ++pass) {
    // Renaming over the target replaces it in one step, and only when the source is there.
    if (platform::MoveFileReplace(source, target) == 0) {
      ClearReadOnly(target);
      return true;
    }
    Delay(kRetryPauseMs);
  }
  return false;
}

bool TvqLib::DeleteFileRetry(const std::string& path, int tries, int ms) {
  if (!Exists(path)) return true;
  return RetryDelete([&] { return platform::DeleteFile(path); }, tries, ms);
}

void TvqLib::DeleteTree(const std::string& folder) { (void)platform::DeleteMachineTree(folder, DeleteTreeFile); }

bool TvqLib::WaitFileExists(const std::string& path, int tries, int ms) {
  for (int i = 0; i < tries; ++i) {
    if (Exists(path)) return true;
    Delay(ms);
  }
  return false;
}

bool TvqLib::WaitFolderExists(const std::string& folder, int tries, int ms) {
  for (int i = 0; i < tries; ++i) {
    if (IsFolder(folder)) return true;
    Delay(ms);
  }
  return false;
}

}  // namespace orvane
