#pragma once
// The agent's utility library: logging front-end, INI and registry access, autorun, the
// single-instance guard, the updater launch, program folder and version, date formats.
// TvqLib is a set of free functions in a namespace of that name, so callers write TvqLib::Log(...).
#include <atomic>
#include <concepts>
#include <cstdint>
#include <string>
#include <vector>

#include "foundation/DateTime.h"

namespace tessaly::TvqLib {

// Lines logged without aIsLog are written only while this is on. Read by every thread.
extern std::atomic<bool> DetailLogEnabled;

// Writes one line through the global logger. Never fails: every error is swallowed.
void Log(const std::string& aLog, bool aIsLog = false, int LogLevel = 9);

}  // namespace tessaly::TvqLib

// ---- Settings, registry, start-up and system services ----
// Every function below may be called from any thread. Failures come back as False or an empty
// text, with the log lines the functions name; nothing throws but what the INI reader lets pass
// (std::bad_alloc).
namespace tessaly::TvqLib {

// The text form of a variant argument: texts as they are, integers in decimal, Booleans as
// "True" / "False", floating point with up to 15 significant digits.
class TVariantText {
 public:
  template <std::integral T>
    requires(!std::same_as<T, bool>)
  TVariantText(T v) : text_(std::to_string(v)) {}
  TVariantText(bool v) : text_(v ? "True" : "False") {}
  TVariantText(double v);  // the general float form (foundation/FloatText.h)
  TVariantText(const char* v) : text_(v ? v : "") {}
  TVariantText(std::string v) : text_(std::move(v)) {}
  [[nodiscard]] const std::string& text() const { return text_; }

 private:
  std::string text_;
};

// INI file name rule: an empty name is "Tessaly.ini" in the program folder, a name without a
// folder part lies in the program folder, any other name (host or Windows path) is used as given.
// Each call is one private-profile call (platform/Profile.h), without a cache.
[[nodiscard]] std::string IniRead(const std::string& aSect, const std::string& aName,
                                  const TVariantText& aDefValue, const std::string& aIniFile = "");
// Always True: a file that cannot be written is left as it was and the write is dropped.
bool IniWrite(const std::string& aSect, const std::string& aName, const TVariantText& aValue,
              const std::string& aIniFile = "");
// The value parsed with the programs' fixed forms (TryStrToDateTime); aDefValue when missing or unparsable.
[[nodiscard]] TDateTime IniReadDateTime(const std::string& aSect, const std::string& aName,
                                        TDateTime aDefValue, const std::string& aIniFile = "");

// Registry roots: 0 HKEY_CLASSES_ROOT, 1 HKEY_CURRENT_USER, 2 HKEY_LOCAL_MACHINE, 3 HKEY_USERS,
// 4 HKEY_CURRENT_CONFIG, any other value HKEY_LOCAL_MACHINE. Reads use the program's default
// (32-bit) view, writes and deletes the 64-bit view (platform/Registry.h). A key that cannot be
// opened gives False silently; any other failure is logged (always) and gives False.
// True when the key holds a value named exactly aName (without case), an empty one included.
[[nodiscard]] bool RegExists(const std::string& aKey, const std::string& aName, int aRoot);
// The string value; empty when the key exists without it; aDefValue when the key is missing.
[[nodiscard]] std::string RegRead(const std::string& aKey, const std::string& aName,
                                  const std::string& aDefValue, int aRoot);
// Writes a string value into an existing key (never creates the key).
[[nodiscard]] bool RegWrite(const std::string& aKey, const std::string& aName, const std::string& aValue,
                            int aRoot);
// Deletes the value aName and a subkey aName of an existing key; True also when neither was there.
[[nodiscard]] bool RegDelete(const std::string& aKey, const std::string& aName, int aRoot);
// True on 64-bit Windows.
[[nodiscard]] bool IsWin64();

// The autorun value aAppName under the machine's Run key (both paths, the default view).
[[nodiscard]] bool GetAutoStart(const std::string& aAppName);
// On: writes the program path (its Windows form when the program lies in a drive folder of the
// machine, else its host path), unquoted, + " -auto" into the 32-bit view's Run key on 64-bit
// Windows, else the plain one. Off: deletes it from the 32-bit view's key (64-bit Windows only)
// and the native key; True only when every deletion succeeded.
bool SetAutoStart(const std::string& aAppName, bool aIsAutoStart);

// The single-instance name of the program file: "TESSALY_CLIENT_" + the rest of the path.
// A Windows path ("X:\...") loses "X:\", is upper-cased and has every '\' turned into '_'; a host
// path loses its leading '/' and has every '/' turned into '_', keeping its case (the host's file
// names are case-sensitive, so two folders differing in case are two programs).
[[nodiscard]] std::string GetMutexKey(const std::string& aProgramFile);
// True when another instance holds the named mutex; otherwise creates it, keeps it until the
// process ends, and gives False. Call once at start-up.
[[nodiscard]] bool CheckOnlyRunn(const std::string& aMutexKey);
// Starts "VqUpdata.exe" of the program folder, hidden and not waited for, with the argument text
// "-" + aUrl + " -0 -0 -" + title + " -" + GetAppVersion() (title: aAppTitle, or the application
// title when empty). False with aErro "未找到升级程序" when the file is missing, or
// "运行升级程序出错：" + reason when it cannot be started.
[[nodiscard]] bool CheckUpgrade(const std::string& aUrl, const std::string& aAppTitle, std::string& aErro);
// The application title; until the start-up sets one, the program file name without extension.
void SetAppTitle(const std::string& aTitle);
[[nodiscard]] std::string GetAppTitle();

// The program folder, ending with '/'.
[[nodiscard]] std::string GetCurrPath();
// "major.minor.release.build" of the program.
[[nodiscard]] std::string GetVersion();
[[nodiscard]] std::string GetAppVersion();

// The start-up's call to fix the date and time forms. The programs' conversions always use
// "yyyy-MM-dd" and "HH:mm:ss" (foundation/DateTime.h), so there is nothing left to set.
void SetDateFormat();
// "yyyy-MM-dd HH:mm:ss", 24-hour clock.
[[nodiscard]] std::string GetFormat(TDateTime aDatetime);
template <class T>
[[nodiscard]] T Iif(bool b, const T& vTrue, const T& vFalse) {
  return b ? vTrue : vFalse;
}
// Sets the machine's default short date "yyyy-MM-dd" and time format "HH:mm:ss"
// (HKEY_CURRENT_USER\Control Panel\International).
void SetSysDateFormat();
// Platform "10": milliseconds from local 1970-01-01 00:00 to now, wrapped to 32 bits; any other
// id: local Unix seconds less 28800 (the local clock taken as UTC+8).
[[nodiscard]] std::int64_t GetTimestampValue(const std::string& aPlatformId);
[[nodiscard]] std::string GetTimestamp(const std::string& aPlatformId);
// Unix seconds to the local date-time at UTC+8.
[[nodiscard]] TDateTime GetDatetime(std::int64_t aTimestamp);
// Today with the time of aTime; now when that does not parse.
[[nodiscard]] TDateTime GetDatetime(const std::string& aTime);
// The date of aDate with the time of day of aTime, to the second.
[[nodiscard]] TDateTime GetDatetime(TDateTime aDate, TDateTime aTime);
// The date of aDate with the time text aTime; aDate when that does not parse.
[[nodiscard]] TDateTime GetDatetime(TDateTime aDate, const std::string& aTime);

// The computer name (at most 15 characters).
[[nodiscard]] std::string GetHostName();
// The first IPv4 address of the host name, or empty.
[[nodiscard]] std::string GetLocalIP();
// 12 upper-case hex digits of the network card, or empty.
[[nodiscard]] std::string GetMacAddress();
// A new GUID, upper case, without braces: "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX".
[[nodiscard]] std::string GetGUID();
// Appends the full path of every file in aPath matching the wildcard pattern aFileExt (empty:
// "*.*", without case, Windows rules) to aFileList, in name order, skipping names containing
// "thumbs.db"; with aScanSubDir it then descends, in name order, into the sub-folders the pattern
// matches, so a folder's own files come before those below it. 0, or -1 for an empty path or a
// missing folder.
int GetDirFiles(const std::string& aPath, std::vector<std::string>& aFileList, const std::string& aFileExt,
                bool aScanSubDir);
// Opens a document or address through the shell (platform::ShellOpen).
void OpenUrl(const std::string& aUrl);
// Starts the command line as the desktop user, when a desktop shell process (an executable
// name containing "EXPLORER" without case) runs; False otherwise, logging
// "打开程序失败，未找到Explorer". Processes here already run as that user.
[[nodiscard]] bool ProcCreate(const std::string& aProcFile);
// The executable file name of process aAppId, or empty.
[[nodiscard]] std::string GetAppNameById(int aAppId);

// UI hand-offs (foundation/UiHooks.h); without a UI the boxes log their message and the answer
// is "no", the clipboard is left alone, and the window is not brought forward (False).
void MsgBox(const std::string& aMsg, const std::string& aTitle);
[[nodiscard]] bool MsgQuery(const std::string& aMsg, const std::string& aTitle, const std::string& aRemark);
void CopyToClip(const std::string& aText);
[[nodiscard]] bool SetWindowForegroud(std::uintptr_t Handle);

}  // namespace tessaly::TvqLib
