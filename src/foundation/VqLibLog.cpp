#include "foundation/Logger.h"
#include "foundation/VqLibUtil.h"

namespace tessaly::TvqLib {

std::atomic<bool> DetailLogEnabled{false};

void Log(const std::string& aLog, bool aIsLog, int LogLevel) {
  try {
    if (!aIsLog && !DetailLogEnabled.load()) return;
    if (TLogger* logger = Logger.load()) logger->WriteLog(aLog, LogLevel);
  } catch (...) {
    // Logging never disturbs the caller.
  }
}

}  // namespace tessaly::TvqLib
