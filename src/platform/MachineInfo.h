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
//   ProductType=1                 ; 1 workstation, 2 domain controller, 3 server [1]
//   SuiteMask=256                 ; the version record's suite mask [256]
//   ServicePack=0                 ; major service-pack number [0]
//   ServerR2=0                    ; the SM_SERVERR2 system metric [0]
//   DotNet4Release=528040         ; .NET Framework 4 "Release" value, 0 for none [528040: 4.8]
//   DotNet35=0                    ; 1: .NET 2.0, 3.0 and 3.5 are installed too [0]
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
  int productType = 1;
  int suiteMask = 0x100;
  int servicePack = 0;
  int serverR2 = 0;
};

// The .NET Framework setup keys the registry is seeded with.
struct DotNetSetup {
  int release4 = 528040;
  bool legacy35 = false;
};

// True on a 64-bit machine: both our programs are 32-bit, so this is what the system reports
// about a process running under the 32-bit emulation layer.
[[nodiscard]] bool IsWin64Machine();
// False when machine.ini says the user may not write HKEY_LOCAL_MACHINE.
[[nodiscard]] bool IsAdministrator();
// The true version, as RtlGetVersion reports it.
[[nodiscard]] WindowsVersion GetWindowsVersion();
// The version as GetVersionEx reports it to a program without a compatibility manifest: from
// Windows 8.1 on it says 6.2.
[[nodiscard]] WindowsVersion GetLegacyWindowsVersion();
// GetNativeSystemInfo's processor architecture: 9 (AMD64) on a 64-bit machine, else 0 (x86).
[[nodiscard]] int NativeProcessorArchitecture();
[[nodiscard]] DotNetSetup GetDotNetSetup();
// The computer name: the host name, cut to 15 characters as Windows does.
[[nodiscard]] std::string ComputerName();

}  // namespace platform
