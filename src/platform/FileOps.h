#pragma once
// Files as the Windows file functions see them, over host paths or Windows paths
// (platform/WinPath.h):
// - the read-only attribute is the owner's write permission bit; a read-only file cannot be
//   replaced or deleted until the attribute is cleared, as on Windows;
// - a file held open through FileHold shares reading only: copying over it, moving it and
//   deleting it fail with kErrorSharingViolation until the hold ends (holds are flock locks, so
//   they bind every process of the machine);
// - a file placed under a name ending in ".exe" (any case) gets the execute bits, so it can run;
// - every descriptor opened here is close-on-exec, so started programs inherit none of them;
// - every path goes through the gate (platform/MachinePath.h): a Windows path never leads out
//   of its drive, a link there is deleted or replaced itself, never written through, and a
//   file with a second name is replaced by a new file before it is written, or has its mode or
//   times changed; the confined setup program changes no host path.
// Results are Windows error codes (platform/WinError.h). Thread-safe.
#include <string>
#include <string_view>

namespace platform {

inline constexpr long kErrorSharingViolation = 32;
inline constexpr long kErrorFileExists = 80;
inline constexpr long kErrorAlreadyExists = 183;
inline constexpr long kErrorPathNotFound = 3;

// The Windows code for an errno value of a failed file call.
[[nodiscard]] long ErrorFromErrno(int err);

// Keeps a file open with reading shared, as a running program or an open document does.
class FileHold {
 public:
  FileHold() = default;
  explicit FileHold(const std::string& path);
  ~FileHold();
  FileHold(FileHold&& other) noexcept;
  FileHold& operator=(FileHold&& other) noexcept;
  FileHold(const FileHold&) = delete;
  FileHold& operator=(const FileHold&) = delete;

  [[nodiscard]] bool IsHeld() const { return fd_ >= 0; }
  void Release();

 private:
  int fd_ = -1;
};

[[nodiscard]] bool GetReadOnly(const std::string& path);
// Sets or clears the owner write bit (group and other follow it for clearing only).
[[nodiscard]] long SetReadOnly(const std::string& path, bool readOnly);

// Access and write times as seconds since 1970 (UTC). Creation times do not exist here.
[[nodiscard]] long GetFileTimes(const std::string& path, double& accessTime, double& writeTime);
[[nodiscard]] long SetFileTimes(const std::string& path, double accessTime, double writeTime);

// CopyFile with overwriting: the target is written through a temporary file and renamed into
// place. Fails when the target is read-only or held.
[[nodiscard]] long CopyFileOver(const std::string& source, const std::string& target);
// MoveFile: never replaces an existing target (kErrorAlreadyExists).
[[nodiscard]] long MoveFileNoReplace(const std::string& source, const std::string& target);
// MoveFileEx with MOVEFILE_REPLACE_EXISTING: renames over the target in one step, so the target
// is never missing; a missing source leaves the target alone. Fails when either file is held or
// the target is read-only.
[[nodiscard]] long MoveFileReplace(const std::string& source, const std::string& target);
// DeleteFile: fails for a read-only or held file; kErrorFileNotFound when there is none.
[[nodiscard]] long DeleteFile(const std::string& path);

// Whole-file reading and writing through close-on-exec descriptors. A ".exe" target is made
// executable.
[[nodiscard]] long ReadFileBytes(const std::string& path, std::string& out);
[[nodiscard]] long WriteFileBytes(const std::string& path, std::string_view bytes, bool append);

// open(2) with O_CLOEXEC always added; -1 with errno on failure.
[[nodiscard]] int OpenCloexec(const std::string& hostPath, int flags, int mode = 0666);

}  // namespace platform
