#pragma once
// Typed reads of the agent's settings files over TvqLib::IniRead (one private-profile read per
// call, no cache, any thread). A missing key, an empty value or one that does not read as the
// type gives the default.
#include <cstdint>
#include <string>

namespace tessaly {

// The settings file's main section, and the back-office product's settings file (read only).
inline constexpr const char* kSectSPFClient = "SPFClient";
inline constexpr const char* kBackOfficeIni = "vqdunmere_pro.ini";

// A decimal 32-bit number (blanks around allowed).
[[nodiscard]] std::int32_t AppIniReadInt(const std::string& aSect, const std::string& aName, std::int32_t aDefValue,
                                         const std::string& aIniFile = "");
// "True" / "False" in any letter case, or a number: 0 false, any other true.
[[nodiscard]] bool AppIniReadBool(const std::string& aSect, const std::string& aName, bool aDefValue,
                                  const std::string& aIniFile = "");

}  // namespace tessaly
