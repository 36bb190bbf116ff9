#pragma once
// Top-level window captions of the machine's programs, so one program can find another by its
// main window's caption (FindWindow) and ask it to close (WM_CLOSE). Each registration is a small
// file under <machine root>/run/windows/ naming the caption, the process and its start time, so a
// registration left by a process that died, or whose id was reused, never matches. Captions are
// compared exactly. Thread-safe.
#include <string>

namespace platform {

// Registers a caption for this process. Returns a handle for UnregisterWindowCaption, or 0 when
// the registration could not be written.
[[nodiscard]] long RegisterWindowCaption(const std::string& caption);
// Removes a registration of this process; unknown handles are ignored.
void UnregisterWindowCaption(long handle);
// The id of a living process that registered `caption`, or 0 when none did.
[[nodiscard]] int FindWindowProcess(const std::string& caption);
// The polite close: SIGTERM to a program of the machine owning `caption` (one the process lookup
// of ProcessFind.h sees: never the caller, never a host program). False when no such window
// exists or the signal could not be sent.
bool CloseWindowByCaption(const std::string& caption);

}  // namespace platform
