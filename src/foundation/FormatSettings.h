#pragma once
// The process-wide date and time forms (what the start-up's SetDateFormat fixes). Until then
// they are the host locale's forms of the programs' home market.
// Thread-safe; the start-up sets them before other threads run.
#include <string>

namespace tessaly {

struct TFormatSettings {
  std::string ShortDateFormat = "yyyy/M/d";
  std::string LongDateFormat = "yyyy'年'M'月'd'日'";
  std::string ShortTimeFormat = "H:mm";
  std::string LongTimeFormat = "H:mm:ss";
  char DateSeparator = '/';
  char TimeSeparator = ':';
};

[[nodiscard]] TFormatSettings GetFormatSettings();
void SetFormatSettings(const TFormatSettings& aSettings);

}  // namespace tessaly
