#pragma once
// The machine root: one folder holding the state of the emulated Windows machine (drive folders
// drive_c/..., registry.db, machine.ini, run/). Its path is $VQ_MACHINE_ROOT, else
// $HOME/.local/share/vq-machine; the variable is read on every call so a test can point each case
// at its own folder. Each distinct root is created and its drive folders seeded once per process.
// Thread-safe.
#include <span>
#include <string>

namespace platform {

// The root folder, without a trailing '/', created and seeded. Empty when it cannot be created.
[[nodiscard]] std::string MachineRoot();
// The root's path as the environment names it, neither created nor seeded.
[[nodiscard]] std::string MachineRootPath();
// For a helper that works on a machine someone else made: from here on this process never
// creates or seeds the root. False when the root folder does not exist.
[[nodiscard]] bool UseExistingMachineRoot();
// <root>/run, where named mutexes keep their lock files; created.
[[nodiscard]] std::string MachineRunDir();

// The Windows folder C:\Windows and the system folder C:\Windows\System32, as
// GetWindowsDirectory and GetSystemDirectory give them (no trailing backslash).
[[nodiscard]] std::string WindowsFolder();
[[nodiscard]] std::string SystemFolder();

// A folder every machine has. `machineValue` / `userValue` name its entry under the
// Explorer "Shell Folders" key of HKEY_LOCAL_MACHINE / HKEY_CURRENT_USER (nullptr: none).
struct KnownFolder {
  const char* windowsPath;
  const char* machineValue;
  const char* userValue;
};
// The seeded folders; the registry seeds its shell-folder values from the same list.
[[nodiscard]] std::span<const KnownFolder> KnownFolders();

}  // namespace platform
