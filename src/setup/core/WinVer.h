#pragma once
// The Windows versions the setup program tells apart, their names (which the configuration's
// system requirement lists) and the rules that map a version record to one of them.
#include <cstdint>
#include <string>

namespace orvane {

enum class TWinVer {
  WinNone,
  Win95,
  Win98,
  WinMe,
  Win2000,
  WinServer2000,
  WinXp,
  WinXp64,
  WinServer2003,
  WinHomeServer,
  WinServer2003R2,
  WinVista,
  WinServer2008,
  WinServer2008R2,
  Win7,
  Win8,
  WinServer2012,
  Win81,
  WinServer2012R2,
  Win10,
  WinServer2016,
};

// The enumerator's own name ("Win10"); "WinNone" for a value outside the list.
[[nodiscard]] std::string WinVerName(TWinVer v);

// The extended version record (OSVERSIONINFOEX, ANSI form).
struct TOsVersionInfoEx {
  std::uint32_t size = 156;  // 0 after a failed read
  std::uint32_t majorVersion = 0;
  std::uint32_t minorVersion = 0;
  std::uint32_t buildNumber = 0;
  std::uint32_t platformId = 2;  // VER_PLATFORM_WIN32_NT
  std::string csdVersion;        // service-pack text, at most 127 bytes
  std::uint16_t servicePackMajor = 0;
  std::uint16_t servicePackMinor = 0;
  std::uint16_t suiteMask = 0;
  std::uint8_t productType = 1;  // 1 workstation, 2 domain controller, 3 server
};

inline constexpr std::uint8_t kVerNtWorkstation = 1;
inline constexpr std::uint16_t kVerSuiteWhServer = 0x8000;
inline constexpr int kProcessorArchitectureAmd64 = 9;

// What the version calls tell about the running system.
struct TVersionFacts {
  bool rtlAvailable = true;   // ntdll exports RtlGetVersion and it succeeded
  TOsVersionInfoEx rtl;       // its answer
  bool legacyAvailable = true;  // the older version call succeeded
  TOsVersionInfoEx legacy;    // its answer
  int processorArchitecture = 0;
  int serverR2 = 0;           // the SM_SERVERR2 system metric
};

// The Windows version from the facts: a true version of 10 decides at once (workstation or
// server), else the older call's answer goes through the table of major.minor and product type.
[[nodiscard]] TWinVer WinVersionFrom(const TVersionFacts& facts);

}  // namespace orvane
