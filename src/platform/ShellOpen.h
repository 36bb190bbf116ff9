#pragma once
// The shell verb "open". A program file (marked executable, or named "*.exe") is started with the
// parameters split as a command line (platform/Process.h); a ".bat" file goes to the batch
// runner (platform/BatchRunner.h); anything else (a document, a folder, an address) is handed
// to xdg-open. machine.ini can replace xdg-open by a recorder, so tests never open a browser:
//
//   [Shell]
//   Recorder=/tmp/x/opened.txt   ; append "target<TAB>params" and start nothing
//
// The result is that of the start only. Thread-safe.
#include <string>

#include "platform/Process.h"

namespace platform {

// Whether opening `target` would start it as a program (not a batch file, document or address).
[[nodiscard]] bool OpensAsProgram(const std::string& target);
// Opens `target` and lets whatever it started run on its own.
[[nodiscard]] bool ShellOpen(const std::string& target, const std::string& params, std::string& error);
// Opens `target`; `child` names the started process (none when a recorder took the call).
[[nodiscard]] bool ShellOpenProcess(const std::string& target, const std::string& params, ChildProcess& child,
                                    std::string& error);

}  // namespace platform
