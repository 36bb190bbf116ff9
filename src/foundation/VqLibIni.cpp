// TvqLib's INI access over the private-profile functions.
#include "foundation/FloatText.h"
#include "foundation/VqLibUtil.h"
#include "platform/Profile.h"

namespace tessaly::TvqLib {
namespace {

std::string IniFilePath(const std::string& aIniFile) {
  if (aIniFile.empty()) return GetCurrPath() + "Tessaly.ini";
  if (aIniFile.find_first_of("/\\:") == std::string::npos) return GetCurrPath() + aIniFile;
  return aIniFile;
}

}  // namespace

TVariantText::TVariantText(double v) : text_(FormatFloatGeneral(v)) {}

std::string IniRead(const std::string& aSect, const std::string& aName, const TVariantText& aDefValue,
                    const std::string& aIniFile) {
  return platform::GetPrivateProfileString(aSect, aName, aDefValue.text(), IniFilePath(aIniFile));
}

bool IniWrite(const std::string& aSect, const std::string& aName, const TVariantText& aValue,
              const std::string& aIniFile) {
  try {
    (void)platform::WritePrivateProfileString(aSect, aName, aValue.text(), IniFilePath(aIniFile));
  } catch (...) {
    // Settings writes never stop the caller; the file keeps its old contents.
  }
  return true;
}

TDateTime IniReadDateTime(const std::string& aSect, const std::string& aName, TDateTime aDefValue,
                          const std::string& aIniFile) {
  TDateTime value = 0;
  return TryStrToDateTime(IniRead(aSect, aName, "", aIniFile), value) ? value : aDefValue;
}

}  // namespace tessaly::TvqLib
