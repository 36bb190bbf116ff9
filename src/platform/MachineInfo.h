#pragma once
// Facts about the emulated Windows machine, from <machine root>/machine.ini, read on every call
// (a missing file or key gives the default in brackets):
//
//   [Machine]
//   Win64=1                       ; 1: 64-bit Windows [1]; 0: 32-bit Windows
//   Admin=1                       ; 0: the user is no administrator, so write opens under
//                                 ;    HKEY_LOCAL_MACHINE fail with "access denied" [1]
//   ProductName=Windows 10 Pro    ; [Windows 10 Pro]
//   CurrentVersion=6.3            ; [6.3]
//   MajorVersion=10               ; [10]
//   MinorVersion=0                ; [0]
//   CurrentBuild=19045            ; [19045]
//
// The registry seeds its Windows version values from these when it is first created, so write
// machine.ini before the first registry call on a root. Thread-safe.
#include <string>

namespace platform {

struct WindowsVersion {
  std::string productName;
  std::string currentVersion;
  int major = 10;
  int minor = 0;
  int build = 19045;
};

// True on a 64-bit machine: both our programs are 32-bit, so this is what the system reports
// about a process running under the 32-bit emulation layer.
[[nodiscard]] bool IsWin64Machine();
// False when machine.ini says the user may not write HKEY_LOCAL_MACHINE.
[[nodiscard]] bool IsAdministrator();
[[nodiscard]] WindowsVersion GetWindowsVersion();
// The computer name: the host name, cut to 15 characters as Windows does.
[[nodiscard]] std::string ComputerName();

}  // namespace platform
