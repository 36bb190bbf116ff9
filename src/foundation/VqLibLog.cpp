#include "foundation/VqLibUtil.h"

namespace tessaly::TvqLib {

std::atomic<bool> DetailLogEnabled{false};

void Log(const std::string&, bool, int) {}

}  // namespace tessaly::TvqLib
