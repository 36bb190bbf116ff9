#pragma once
// The setup program's utility library: class methods only, no instances. Paths are Windows
// paths of the machine (platform/WinPath.h) unless a method says otherwise; texts are UTF-8, and
// where the setup program counted bytes it counts GBK bytes (GbkText.h). Every method but
// WriteLogFile runs on the UI thread; the waits (Delay and the retries built on it) go through
// the setup clock in 100 ms slices and keep the window alive (MessagePump.h).
//
// Every file and program road goes through the host layer's gate (platform/MachinePath.h),
// which the setup engine confines to the machine: a path that is not a drive path of the
// machine (a host path, a relative name, one climbing above its drive) or a name Windows refuses
// is never changed or started; the call fails as the Windows call would, with a note.
//
// Failure is reported through results; WriteIniValue, WriteRegValue, GetFileSizeOf and SelfDelete
// throw EVqLibError where the setup program raised, and callers catch at their operation.
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "setup/core/SetupClock.h"
#include "setup/core/WinVer.h"

namespace orvane {

class EVqLibError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Where the library's own notes go (a refused command line, an unsafe link name). The engine
// points it at the setup log; without a sink the notes go to stderr. Thread-safe.
using TLibLogSink = std::function<void(const std::string& line)>;
void SetLibraryLog(TLibLogSink sink);

class TvqLib {
 public:
  TvqLib() = delete;

  // --- Log, delay and boxes ---------------------------------------------------------------
  // Appends `text`, CR LF and an empty line to folder + fileName + ".log" (GBK), under the
  // library's log lock; an empty folder is the program's folder, an empty name the program's
  // file name up to its first "."; a missing folder is created. Never fails. Any thread.
  static void WriteLogFile(const std::string& text, const std::string& fileName, const std::string& folder);
  // ms / 100 waits of 100 ms, then ms % 100, pumping messages after each; nothing for ms <= 0.
  static void Delay(int ms);
  static void InfoBox(const std::string& text, const std::string& title);
  // 6 for Yes, 7 for No.
  [[nodiscard]] static int QueryBox(const std::string& text, const std::string& title);

  // --- Text helpers -------------------------------------------------------------------------
  [[nodiscard]] static std::string GetTagValue(std::string_view record, std::string_view name, char terminator);
  [[nodiscard]] static std::string SetTagValue(std::string_view record, std::string_view name, char terminator,
                                               std::string_view value);
  template <typename T>
  [[nodiscard]] static T IfThen(bool flag, T ifTrue, T ifFalse) {
    return flag ? ifTrue : ifFalse;
  }
  // Characters of the GBK form: a double-byte character counts once.
  [[nodiscard]] static int AnsiCharCount(std::string_view text);
  // Whole when it has at most head + tail - 2 GBK bytes; else its first head bytes, "..." and
  // its last tail - 1 bytes, never splitting a character.
  [[nodiscard]] static std::string EllipsisText(std::string_view text, int head, int tail);
  // Seconds from 1970-01-01 00:00:00 to the local now, minus 28800, in decimal.
  [[nodiscard]] static std::string UnixStamp();
  // The text after the last `separator` (all of it without one). With a stop text, the result
  // ends at the first character of the stop text's first occurrence, that character kept.
  [[nodiscard]] static std::string LastPathPart(std::string_view text, char separator, std::string_view stop = {});
  // Replaces `search` (with case) until none is left; a replacement that holds the search text
  // would never end, so then every occurrence is replaced once.
  [[nodiscard]] static std::string ReplaceAllText(std::string_view text, std::string_view search,
                                                  std::string_view replacement);
  // Appends "\" when missing, then folds every "\\" to "\".
  [[nodiscard]] static std::string IncludeBackslash(std::string_view path);
  [[nodiscard]] static std::string RepeatText(std::string_view text, int count);
  // The size in KB, MB, GB or TB with `format` ("#0" or "#0.00": the digits after the point);
  // "0" up to 1024 bytes.
  [[nodiscard]] static std::string SizeText(std::string_view format, std::int64_t bytes);

  // --- Folders and files --------------------------------------------------------------------
  // The setup program's folder with a trailing "\" (a host folder with "/" when the program
  // lies outside the machine).
  [[nodiscard]] static std::string GetExeFolder();
  [[nodiscard]] static std::string GetSystemFolder();
  [[nodiscard]] static std::string GetWindowsFolder();
  // An Explorer shell folder by its value name, machine-wide first, then the user's.
  [[nodiscard]] static std::string GetShellFolder(const std::string& valueName);
  // Every file under the folder, subfolders after the folder's own files; "Thumbs.db" skipped.
  static void ListFiles(std::vector<std::string>& list, const std::string& folder);
  static void CountFiles(int& counter, const std::string& folder);
  // Throws EVqLibError when the file cannot be opened.
  [[nodiscard]] static std::int64_t GetFileSizeOf(const std::string& path);
  // Last-access and last-write times := `writeTime` (local, to the even second below). The
  // creation time cannot be set here and is ignored.
  [[nodiscard]] static bool SetFileTimes(const std::string& path, TDateTime creationTime, TDateTime writeTime);
  // which 0 creation (the last status change here), 1 last access, 2 last write; local time to
  // the even second; 0 when the file is missing.
  [[nodiscard]] static TDateTime GetFileTimeOf(const std::string& path, int which);
  // Free bytes on the path's drive; 0 when the drive does not exist.
  [[nodiscard]] static std::int64_t GetFreeSpace(const std::string& path);
  [[nodiscard]] static bool IsFolderWritable(const std::string& folder);
  // Keeps a usable folder or walks the drive roots C: to Y:; ends at Z:\ untested. Always true.
  static bool ChooseDrive(std::string& folder, std::int64_t neededBytes);
  static bool ClearReadOnly(const std::string& path);
  // 11 passes of copy-and-copy-again, 300 ms apart; the copy is left writable.
  [[nodiscard]] static bool CopyFileRetry(const std::string& source, const std::string& target);
  // 11 tries, 300 ms apart, to rename the source over the target. The target is never removed
  // unless the source replaces it.
  [[nodiscard]] static bool MoveFileRetry(const std::string& source, const std::string& target);
  // True at once for a missing file; else up to `tries` deletions, `ms` apart.
  static bool DeleteFileRetry(const std::string& path, int tries, int ms);
  // Files first (3 tries each, "Thumbs.db" kept), then subfolders, then the folder when empty;
  // by descriptors, so no link is followed and a folder that is a link loses only the link.
  static void DeleteTree(const std::string& folder);
  [[nodiscard]] static bool WaitFileExists(const std::string& path, int tries, int ms);
  [[nodiscard]] static bool WaitFolderExists(const std::string& folder, int tries, int ms);

  // --- INI and registry ---------------------------------------------------------------------
  // ANSI profile calls; a bare file name lies in the program's folder, which a setup started
  // from a host folder may not write (the write is refused and throws, like any refused write).
  static void WriteIniValue(const std::string& file, const std::string& section, const std::string& name,
                            const std::string& value);
  [[nodiscard]] static std::string ReadIniValue(const std::string& file, const std::string& section,
                                                const std::string& name, const std::string& def);
  // Read-only in the default view; for HKEY_LOCAL_MACHINE a missing value is looked for under
  // HKEY_CURRENT_USER, never creating a key.
  [[nodiscard]] static std::string ReadRegValue(const std::string& rootName, const std::string& key,
                                                const std::string& valueName, const std::string& def);
  [[nodiscard]] static int ReadRegInt(const std::string& rootName, const std::string& key, const std::string& valueName,
                                      int def);
  // Creates the key (64-bit view); false, writing nothing, when the root is unknown or the key
  // cannot be opened; a refused write throws.
  static bool WriteRegValue(const std::string& rootName, const std::string& key, const std::string& valueName,
                            const std::string& value);
  // The key with every subkey, in the 64-bit view.
  static bool DeleteRegKey(const std::string& rootName, const std::string& key);
  static void SetAutoRun(const std::string& valueName, const std::string& value);

  // --- Shortcuts ----------------------------------------------------------------------------
  // A target that is not a path of the machine (nor an address) is refused with a note.
  static void CreateDesktopLink(const std::string& target, const std::string& name, const std::string& description,
                                const std::string& iconFile);
  static void DeleteDesktopLink(const std::string& name);
  static void CreateStartMenuLink(const std::string& target, const std::string& group, const std::string& name,
                                  const std::string& description, const std::string& iconFile);
  // Removes the link and then the group's folder when no file is left in it.
  static void DeleteStartMenuLink(const std::string& group, const std::string& name);

  // --- Programs -----------------------------------------------------------------------------
  // Starts the command line without waiting; its output goes to /dev/null. True when started.
  [[nodiscard]] static bool RunCommand(const std::string& commandLine, bool shown);
  // Runs the command line in the current folder and waits without limit; its exit code, 0 when
  // it could not start. A command line over 512 characters is refused (logged, 0).
  [[nodiscard]] static int RunCommandWait(const std::string& commandLine, bool shown);
  // As above; `started` tells a command that ran and ended with 0 from one that never started.
  [[nodiscard]] static int RunCommandWait(const std::string& commandLine, bool shown, bool& started);
  // The shell's "open" after changing the current folder to the file's folder (when it exists);
  // above 32 is success.
  [[nodiscard]] static int ShellOpen(const std::string& file, const std::string& params, bool shown);
  // As ShellOpen, then waits for the started process in 100 ms steps, pumping, until it ends or
  // the application terminates.
  [[nodiscard]] static bool ShellOpenWait(const std::string& file, const std::string& params, bool shown);
  // The first running process of the program (by file name, and folder when given); 0 for none.
  [[nodiscard]] static int FindProcess(const std::string& path);
  [[nodiscard]] static bool IsProgramRunning(const std::string& path);
  // True as soon as the program runs: a test now and up to `tries` more, `ms` apart.
  [[nodiscard]] static bool WaitProgramRunning(const std::string& path, int tries, int ms);
  // The folder of the first matching process's program, with "\"; empty when none runs.
  [[nodiscard]] static std::string GetProgramFolder(const std::string& path);
  // 1 when the first matching process was ended, 0 when refused, -1 when none runs. Matches as
  // FindProcess does: a full path only in its folder, a bare file name the machine's program of
  // that name (never the setup program itself).
  [[nodiscard]] static int KillProgram(const std::string& path);
  // Asks the program whose main window has exactly this caption to quit.
  static bool CloseWindowByTitle(const std::string& caption);

  // --- Services, components, fonts ----------------------------------------------------------
  static bool InstallService(const std::string& name, const std::string& displayName, const std::string& programPath,
                             bool start);
  static bool StartServiceByName(const std::string& name);
  static bool StopService(const std::string& name);
  // 1 stopped (also for a missing service), 4 running.
  [[nodiscard]] static int GetServiceState(const std::string& name);
  [[nodiscard]] static bool IsServiceRunning(const std::string& name);
  [[nodiscard]] static bool IsServiceStopped(const std::string& name);
  static bool RegisterComponent(const std::string& libraryPath);
  static bool InstallFont(const std::string& fontPath);

  // --- System -------------------------------------------------------------------------------
  // Writes the self-delete batch file in the Windows drive's root and starts it hidden; throws
  // EVqLibError when the file cannot be written.
  static bool SelfDelete(const std::string& programPath, bool deep);
  [[nodiscard]] static bool IsDotNetInstalled(const std::string& version, int lowestServiceLevel);
  [[nodiscard]] static bool IsWin64();
  static bool GetVersionInfo(TOsVersionInfoEx& info);
  [[nodiscard]] static TWinVer GetWinVersion();
  [[nodiscard]] static std::string GetWinVerName();
};

}  // namespace orvane
