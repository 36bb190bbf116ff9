#pragma once
// Folder and file helpers of the setup engine over Windows paths ("C:\a\b\"): tests for
// existence with waits that keep the window alive, the drive choice, retried deletion, tree
// removal, the log writer and file times. UI thread only, except WriteLogFile.
#include <cstdint>
#include <string>
#include <string_view>

#include "setup/core/SetupClock.h"

namespace orvane {

// "\" appended when missing, then every "\\" collapsed to "\" (a network path's leading "\\" too).
[[nodiscard]] std::string IncludeBackslash(std::string_view path);
// The text up to and including the last "\" (empty when there is none).
[[nodiscard]] std::string FolderOf(std::string_view path);

[[nodiscard]] bool FileExists(const std::string& path);
[[nodiscard]] bool FolderExists(const std::string& path);
// Up to `tries` tests, `ms` apart (the pause also after the last failed test, messages pumped).
[[nodiscard]] bool WaitFileExists(const std::string& path, int tries, int ms);
[[nodiscard]] bool WaitFolderExists(const std::string& path, int tries, int ms);

// Whether a file can be created (and removed again) in the folder.
[[nodiscard]] bool IsFolderWritable(const std::string& folder);
// Keeps `folder` when it exists and is writable, or can be created, and (for needed > 0) its
// drive has more than `needed` free bytes; otherwise tries the roots "C:\" to "Y:\" the same way
// and ends with "Z:\" untested.
void ChooseDrive(std::string& folder, std::int64_t needed);

// True at once for a missing file; otherwise up to `tries` deletions, `ms` apart.
bool DeleteFileRetry(const std::string& path, int tries, int ms);
// Removes the folder with everything in it; failures are ignored.
void DeleteTree(const std::string& folder);

// Appends `text`, CR LF and one more CR LF to folder + name + ".log" under one process-wide lock
// (the folder is created; an empty folder is the program's, an empty name the program file's
// name up to its first "."). The text is written in the ANSI code page. Errors are swallowed.
// Any thread.
void WriteLogFile(const std::string& text, const std::string& fileName, const std::string& folder);

// Last-access and last-write times of the file := `writeTime` (local), passed through the
// two-second DOS form, so an odd second becomes the even one below. Creation times do not exist
// on this host. False when the times could not be set.
[[nodiscard]] bool SetFileWriteTime(const std::string& path, TDateTime writeTime);

// The program file's Windows path when it lies inside the machine, else its host path.
[[nodiscard]] std::string ProgramPath();

}  // namespace orvane
