// The self-delete batch, the .NET test and the Windows version.
#include <unistd.h>

#include "platform/FileOps.h"
#include "platform/MachineInfo.h"
#include "platform/TextCodec.h"
#include "platform/WinError.h"
#include "platform/WinPath.h"
#include "setup/core/SafeFileName.h"
#include "setup/core/VqLib.h"
#include "setup/core/VqLibInternal.h"
#include "setup/core/WinPathText.h"

namespace orvane {
namespace {

bool Contains(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

// The least "Release" value of a .NET 4.x version; 0 when the version has none.
int ReleaseThreshold(const std::string& version) {
  static const struct {
    const char* version;
    int release;
  } kThresholds[] = {{"v4.5", 378389}, {"v4.5.1", 378675}, {"v4.5.2", 379893},
                     {"v4.6", 393295}, {"v4.6.1", 394254}, {"v4.6.2", 394802}};
  for (const auto& t : kThresholds) {
    if (platform::SameText(version, t.version)) return t.release;
  }
  return 0;
}

std::string SetupSubkey(const std::string& version) {
  if (version == "v1.1") return "v1.1.4322";
  if (version == "v2.0") return "v2.0.50727";
  if (Contains(version, "v4.")) return "v4\\Full";
  return version;
}

}  // namespace

bool TvqLib::SelfDelete(const std::string& programPath, bool deep) {
  const std::string windows = GetWindowsFolder();
  const auto name = SafeFileName(ExtractFileName(programPath));
  // The path goes into the batch file between double quotes: a quote or a line break in it
  // would end the command and start another.
  if (!name || programPath.find_first_of("\"\r\n") != std::string::npos) {
    LibraryNote("self-delete refused for " + programPath);
    return false;
  }
  const std::string bat = windows.substr(0, windows.find(":\\")) + ":\\" + *name + ".bat";
  const std::string folder = programPath.substr(0, programPath.size() - ExtractFileName(programPath).size());
  // cmd expands "%NAME%" inside quotes too; "%%" is its literal "%".
  const auto quoted = [](const std::string& path) { return "\"" + ReplaceAllText(path, "%", "%%") + "\""; };
  std::string lines[] = {"@echo off",
                         "choice /t 3 /d y /n",
                         "set var=0",
                         ":loop_file",
                         "set /a var+=1",
                         "del " + quoted(programPath),
                         "if %var% lss 10 goto loop_file"};
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n\r\n";
  if (deep) {
    for (const std::string& line : {std::string("set var=0"), std::string(":loop_dir"), std::string("set /a var+=1"),
                                    "rd/s/q " + quoted(folder), std::string("if %var% lss 10 goto loop_dir")})
      text += line + "\r\n\r\n";
  }
  text += "del " + quoted(bat) + "\r\n\r\n";
  const long rc = platform::WriteFileBytes(bat, platform::Utf8ToCp936(text), false);
  if (rc != 0) throw EVqLibError("Cannot create file \"" + bat + "\". " + platform::SystemErrorText(rc));
  if (::access(platform::HostPath(bat).c_str(), F_OK) != 0) return false;
  (void)ShellOpen(bat, "", false);
  return true;
}

bool TvqLib::IsDotNetInstalled(const std::string& version, int lowestServiceLevel) {
  const std::string key = "SOFTWARE\\Microsoft\\NET Framework Setup\\NDP\\" + SetupSubkey(version);
  const bool v4 = Contains(version, "v4.");
  const int install = Contains(version, "v3.0")
                          ? ReadRegInt("HKEY_LOCAL_MACHINE", key + "\\Setup", "InstallSuccess", -1)
                          : ReadRegInt("HKEY_LOCAL_MACHINE", key, "Install", -1);
  const int level = ReadRegInt("HKEY_LOCAL_MACHINE", key, v4 ? "Servicing" : "SP", -1);
  const int threshold = v4 ? ReleaseThreshold(version) : 0;
  const bool present = install >= 0 && level >= 0 &&
                       (threshold == 0 || ReadRegInt("HKEY_LOCAL_MACHINE", key, "Release", -1) >= threshold);
  return present && install == 1 && level >= lowestServiceLevel;
}

bool TvqLib::IsWin64() { return platform::IsWin64Machine(); }

bool TvqLib::GetVersionInfo(TOsVersionInfoEx& info) {
  if (info.size != 156) {
    info.size = 0;
    return false;
  }
  const platform::WindowsVersion v = platform::GetLegacyWindowsVersion();
  info.majorVersion = static_cast<std::uint32_t>(v.major);
  info.minorVersion = static_cast<std::uint32_t>(v.minor);
  info.buildNumber = static_cast<std::uint32_t>(v.build);
  info.platformId = 2;
  info.csdVersion = v.servicePack > 0 ? "Service Pack " + std::to_string(v.servicePack) : std::string();
  info.servicePackMajor = static_cast<std::uint16_t>(v.servicePack);
  info.servicePackMinor = 0;
  info.suiteMask = static_cast<std::uint16_t>(v.suiteMask);
  info.productType = static_cast<std::uint8_t>(v.productType);
  return true;
}

TWinVer TvqLib::GetWinVersion() {
  TVersionFacts facts;
  const platform::WindowsVersion v = platform::GetWindowsVersion();
  facts.rtl.majorVersion = static_cast<std::uint32_t>(v.major);
  facts.rtl.minorVersion = static_cast<std::uint32_t>(v.minor);
  facts.rtl.buildNumber = static_cast<std::uint32_t>(v.build);
  facts.rtl.productType = static_cast<std::uint8_t>(v.productType);
  facts.rtl.suiteMask = static_cast<std::uint16_t>(v.suiteMask);
  facts.legacyAvailable = GetVersionInfo(facts.legacy);
  facts.processorArchitecture = platform::NativeProcessorArchitecture();
  facts.serverR2 = v.serverR2;
  return WinVersionFrom(facts);
}

std::string TvqLib::GetWinVerName() { return WinVerName(GetWinVersion()); }

}  // namespace orvane
