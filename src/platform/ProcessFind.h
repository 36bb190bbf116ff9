#pragma once
// The machine's running programs, as the process snapshot shows them: only processes whose
// executable lies inside the machine root's drives are seen, and the calling process never is,
// so no call here can find or end the caller or a program of the host. Thread-safe.
#include <string>

namespace platform {

// The Windows path of the program of process `pid`: its executable (/proc/<pid>/exe), or, for
// a "#!" program of the machine, which runs as its interpreter, the script it runs. Empty when
// the process does not exist, has ended, or runs a program outside the machine.
[[nodiscard]] std::string ProcessImagePath(int pid);

// Clock ticks from boot to the start of process `pid`: with the id it names one process for the
// life of the machine. Empty when the process does not exist. Any process, also outside the machine.
[[nodiscard]] std::string ProcessStartTime(int pid);

// The lowest process id whose program matches `path`: the file names compare without case, and
// when `path` has a folder (a Windows path, or a host path inside the machine), the program's
// folder must be that folder as the file functions read it (either separator, "." and ".."
// resolved, without case). 0 when none matches.
[[nodiscard]] int FindProgramProcess(const std::string& path);

// TerminateProcess: ends the process at once (SIGKILL). False for the caller itself, for a
// process the snapshot does not show, or when the signal cannot be sent.
[[nodiscard]] bool KillProcess(int pid);

}  // namespace platform
