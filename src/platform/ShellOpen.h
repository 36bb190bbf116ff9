#pragma once
// The shell verb "open". A file is a program by its Windows extension, never by its mode: an
// ".exe" or ".com" is started with the parameters split as a command line (platform/Process.h),
// a ".bat" or ".cmd" goes to the batch runner (platform/BatchRunner.h); both are resolved
// inside the machine (ResolveProgram) and started from the file found there, never by a search
// of the host's PATH. Anything else is a document: a file or folder of the machine, handed to
// xdg-open as the host file it resolved to, or an http, https or mailto address. Other
// addresses ("file:" among them), desktop entries and shortcuts (".desktop", ".lnk", which run
// whatever they name) and anything outside the machine are refused. While confinement is off
// (platform/MachinePath.h), a host path (the agent's own files) keeps its host road.
// machine.ini can replace xdg-open by a recorder, so tests never open a browser:
//
//   [Shell]
//   Recorder=/tmp/x/opened.txt   ; append "target<TAB>params" and start nothing
//
// The result is that of the start only. Thread-safe.
#include <string>

#include "platform/Process.h"

namespace platform {

// Whether opening `target` would start it as a program (".exe", ".com"; not a batch file,
// document or address).
[[nodiscard]] bool OpensAsProgram(const std::string& target);
// Opens `target` and lets whatever it started run on its own.
[[nodiscard]] bool ShellOpen(const std::string& target, const std::string& params, std::string& error);
// Opens `target`; `child` names the started process (none when a recorder took the call).
[[nodiscard]] bool ShellOpenProcess(const std::string& target, const std::string& params, ChildProcess& child,
                                    std::string& error);

}  // namespace platform
