#pragma once
// Drives of the emulated machine. Drive X exists only while <machine root>/drive_x exists;
// folders are never created on a missing drive. Free space is the host file system's (statvfs)
// unless machine.ini names a figure for the drive, so tests can fill a disk:
//
//   [Drives]
//   D=1048576        ; free bytes reported for D: (any letter, either case)
//
// Read on every call. Thread-safe.
#include <cstdint>
#include <string>

namespace platform {

// True while the drive's folder exists (letter in either case).
[[nodiscard]] bool DriveExists(char letter);
// Bytes available to the user on the drive; false when the drive does not exist.
[[nodiscard]] bool DriveFreeBytes(char letter, std::uint64_t& freeBytes);
// The drive's size in bytes (never less than its free bytes); false when the drive does not exist.
[[nodiscard]] bool DriveTotalBytes(char letter, std::uint64_t& totalBytes);
// The drive letter of a Windows path "X:...", upper-cased; 0 for any other path.
[[nodiscard]] char DriveLetterOf(const std::string& path);

// CreateDirectory with all missing parents (host or Windows path). A Windows path on a missing
// drive fails (kErrorPathNotFound), and so does a path whose existing part is a file. An
// existing folder is success. Windows error code.
[[nodiscard]] long CreateFolderTree(const std::string& path);

}  // namespace platform
