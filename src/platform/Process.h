#pragma once
// Starting programs and looking at running ones. Started programs run in a session of their
// own with their standard streams on /dev/null. A child that nobody waits for is collected by a
// reaper thread, so no zombie stays behind. Paths may be host or Windows paths. Thread-safe.
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Splits the argument part of a command line by the Windows rules: blanks and tabs separate
// outside double quotes; 2n backslashes before a quote give n and the quote toggles quoting,
// 2n+1 give n and a literal quote; "" inside quotes is a literal quote; other backslashes are
// literal. "a b" "" gives {"a b", ""}.
[[nodiscard]] std::vector<std::string> SplitCommandLine(std::string_view text);

// One started program. Move-only; a child that is neither waited for nor finished when its
// object dies is handed to the reaper.
class ChildProcess {
 public:
  ChildProcess() = default;
  ~ChildProcess();
  ChildProcess(ChildProcess&& other) noexcept;
  ChildProcess& operator=(ChildProcess&& other) noexcept;
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Starts the host program `hostProgram` (a name without '/' is looked up on the host's PATH,
  // and refused while the process is confined to the machine, platform/MachinePath.h) with `args` (argv[0] is the program) in `workDir` (empty: this process's current folder).
  // False with the system's reason in `error` when it cannot be started.
  [[nodiscard]] static bool Start(const std::string& hostProgram, const std::vector<std::string>& args,
                                  const std::string& workDir, ChildProcess& out, std::string& error);

  [[nodiscard]] int pid() const { return pid_; }
  [[nodiscard]] bool IsStarted() const { return pid_ > 0; }
  // Without blocking: true once the program has ended, with its exit code (128 + signal number
  // for a program ended by a signal).
  [[nodiscard]] bool Finished(int& exitCode);
  // Blocks until the program ends; its exit code.
  int Wait();
  // Hands the child to the reaper; the object no longer names it.
  void Detach();

 private:
  int pid_ = 0;
  bool done_ = false;
  int exitCode_ = 0;
};

// Starts `program` with `args` and lets it run on its own. False with the system's reason in
// `error` when the program cannot be started (missing, not executable, ...).
[[nodiscard]] bool StartDetached(const std::string& program, const std::vector<std::string>& args,
                                 std::string& error);

// The host file of a program named as a Windows program would name it, resolved through the
// gate (platform/MachinePath.h) only inside the machine root's drives, links followed beneath
// the drive; the result is the absolute host path of the file found, to start from: a drive path (".exe" added when the name has no extension and the
// plain name is missing), a host path inside a drive folder, or a name relative to the current
// folder; a bare file name is looked for in the program's folder, the current folder,
// C:\Windows\System32 and C:\Windows, in that order. Never the host's PATH. Empty, with
// kErrorFileNotFound's text in `error`, when nothing fits.
[[nodiscard]] std::string ResolveProgram(const std::string& name, std::string& error);

// Ids of the running processes, ascending.
[[nodiscard]] std::vector<int> ProcessIds();
// File name (no folder) of the executable of process `pid`; empty when there is no such process.
[[nodiscard]] std::string ProcessExeName(int pid);

}  // namespace platform
