#pragma once
// The Windows private-profile (INI) functions, one value per call, no cache:
// - section and key names compare without case; the first matching section and, inside it, the
//   first matching key win; names and values are trimmed of blanks, and a value enclosed in one
//   pair of double or single quotes loses them;
// - a write replaces the first matching key line with "key=value", appends a missing key after
//   the last non-blank line of its section and a missing section at the end of the file; every
//   other line keeps its bytes, line ends included; new lines take the file's line end (CR LF
//   for a new file or a file without any);
// - a file is read as UTF-8 (a byte-order mark is kept on write) or, when its bytes are not valid
//   UTF-8, as code page 936; a code page 936 file stays one, so its other lines stay readable;
//   the ANSI calls (ProfileCodePage::Ansi) read and write every file as code page 936, as the
//   Windows "A" functions did on a Chinese system, so a new file is GBK too;
// - a write goes through a temporary file renamed over the old one, so a crash never leaves a
//   half-written file; a read-only file (no write permission bit, or not writable for this user)
//   or a missing folder makes the write fail and leaves the file as it was.
// `file` is a host path or a Windows path (platform/WinPath.h); a bare file name lies in
// C:\Windows, as on Windows. Calls of one process are serialised by one lock; other processes
// are not coordinated, as on Windows.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform {

enum class ProfileCodePage { Detect, Ansi };

// The value of `key` in `section`, or `def` when the file, the section or the key is missing.
[[nodiscard]] std::string GetPrivateProfileString(std::string_view section, std::string_view key,
                                                  std::string_view def, const std::string& file,
                                                  ProfileCodePage cp = ProfileCodePage::Detect);
// The key names of the first section named `section`, in file order (trimmed, as written).
[[nodiscard]] std::vector<std::string> GetPrivateProfileKeys(std::string_view section,
                                                             const std::string& file,
                                                             ProfileCodePage cp = ProfileCodePage::Detect);
// The key lines of the first section named `section`, in file order, as (key, value) with the
// reading rules above applied to each line; one load of the file for the whole section.
[[nodiscard]] std::vector<std::pair<std::string, std::string>> GetPrivateProfileSection(
    std::string_view section, const std::string& file, ProfileCodePage cp = ProfileCodePage::Detect);
// The section names of the file, in file order (trimmed, as written; repeated names repeat).
[[nodiscard]] std::vector<std::string> GetPrivateProfileSectionNames(
    const std::string& file, ProfileCodePage cp = ProfileCodePage::Detect);
// Sets `key` in `section` to `value`, creating the file when its folder exists. False when the
// file cannot be written.
[[nodiscard]] bool WritePrivateProfileString(std::string_view section, std::string_view key,
                                             std::string_view value, const std::string& file,
                                             ProfileCodePage cp = ProfileCodePage::Detect);
// Removes the first line of `key` in the first section named `section`. True when nothing had to
// be removed or the file was written; false when the file cannot be written.
[[nodiscard]] bool DeletePrivateProfileKey(std::string_view section, std::string_view key,
                                           const std::string& file,
                                           ProfileCodePage cp = ProfileCodePage::Detect);
// Removes the first section named `section`, its header and every line up to the next section.
// True when there was none or the file was written; false when the file cannot be written.
[[nodiscard]] bool DeletePrivateProfileSection(std::string_view section, const std::string& file,
                                               ProfileCodePage cp = ProfileCodePage::Detect);

}  // namespace platform
