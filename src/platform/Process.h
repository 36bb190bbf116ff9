#pragma once
// Starting programs and looking at running ones. Programs are started hidden and detached: in a
// session of their own, standard streams on /dev/null, never waited for (a reaper thread collects
// their exit so no zombie stays behind). Paths may be host or Windows paths. Thread-safe.
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Splits the argument part of a command line by the Windows rules: blanks and tabs separate
// outside double quotes; 2n backslashes before a quote give n and the quote toggles quoting,
// 2n+1 give n and a literal quote; "" inside quotes is a literal quote; other backslashes are
// literal. "a b" "" gives {"a b", ""}.
[[nodiscard]] std::vector<std::string> SplitCommandLine(std::string_view text);

// Starts `program` with `args` (argv[0] is the program's host path). False with the system's
// reason in `error` when the program cannot be started (missing, not executable, ...).
[[nodiscard]] bool StartDetached(const std::string& program, const std::vector<std::string>& args,
                                 std::string& error);

// The shell verb "open": a program file (marked executable, or named "*.exe") is started with `params` split as above; anything
// else (a document, a folder, an address) is handed to xdg-open. The result is that of the start
// only; what the opened program then does is not waited for.
[[nodiscard]] bool ShellOpen(const std::string& target, const std::string& params, std::string& error);

// Ids of the running processes.
[[nodiscard]] std::vector<int> ProcessIds();
// File name (no folder) of the executable of process `pid`; empty when there is no such process.
[[nodiscard]] std::string ProcessExeName(int pid);

}  // namespace platform
