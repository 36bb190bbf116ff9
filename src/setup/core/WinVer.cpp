#include "setup/core/WinVer.h"

namespace orvane {
namespace {

constexpr const char* kNames[] = {
    "WinNone",       "Win95",          "Win98",         "WinMe",           "Win2000",  "WinServer2000", "WinXp",
    "WinXp64",       "WinServer2003",  "WinHomeServer", "WinServer2003R2", "WinVista", "WinServer2008", "WinServer2008R2",
    "Win7",          "Win8",           "WinServer2012", "Win81",           "WinServer2012R2", "Win10",    "WinServer2016",
};

TWinVer ByWorkstation(bool workstation, TWinVer yes, TWinVer no) { return workstation ? yes : no; }

}  // namespace

std::string WinVerName(TWinVer v) {
  const auto i = static_cast<std::size_t>(v);
  return i < std::size(kNames) ? kNames[i] : kNames[0];
}

TWinVer WinVersionFrom(const TVersionFacts& facts) {
  if (facts.rtlAvailable && facts.rtl.majorVersion == 10)
    return ByWorkstation(facts.rtl.productType == kVerNtWorkstation, TWinVer::Win10, TWinVer::WinServer2016);
  if (!facts.legacyAvailable) return TWinVer::WinNone;
  const TOsVersionInfoEx& v = facts.legacy;
  const bool workstation = v.productType == kVerNtWorkstation;
  if (v.minorVersion >= 100) return TWinVer::WinNone;
  switch (v.majorVersion * 100 + v.minorVersion) {
    case 400: return TWinVer::Win95;
    case 410: return TWinVer::Win98;
    case 490: return TWinVer::WinMe;
    case 500: return ByWorkstation(workstation, TWinVer::Win2000, TWinVer::WinServer2000);
    case 501: return TWinVer::WinXp;
    case 502: {
      TWinVer r;
      if (workstation && facts.processorArchitecture == kProcessorArchitectureAmd64) {
        r = TWinVer::WinXp64;
      } else {
        r = facts.serverR2 != 0 ? TWinVer::WinServer2003R2 : TWinVer::WinServer2003;
      }
      return v.suiteMask == kVerSuiteWhServer ? TWinVer::WinHomeServer : r;
    }
    case 600: return ByWorkstation(workstation, TWinVer::WinVista, TWinVer::WinServer2008);
    case 601: return ByWorkstation(workstation, TWinVer::Win7, TWinVer::WinServer2008R2);
    case 602: return ByWorkstation(workstation, TWinVer::Win8, TWinVer::WinServer2012);
    case 603: return ByWorkstation(workstation, TWinVer::Win81, TWinVer::WinServer2012R2);
    case 1000: return ByWorkstation(workstation, TWinVer::Win10, TWinVer::WinServer2016);
    default: return TWinVer::WinNone;
  }
}

}  // namespace orvane
