#pragma once
// The module lines of the engine's [module] list as the wizard pages change them.
#include <string>

#include "setup/core/LineList.h"
#include "setup/core/TagValue.h"

namespace orvane {

// The module line "name=record" with its setup field set to "1" or "0".
[[nodiscard]] inline std::string WithSetupFlag(const std::string& line, bool setup) {
  return LineName(line) + "=" + SetTagValue(LineValue(line), "setup:", ';', setup ? "1" : "0");
}

}  // namespace orvane
