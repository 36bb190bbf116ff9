#include "support/MachineRootLog.h"

#include <filesystem>

#include "foundation/Logger.h"
#include "foundation/VqLibUtil.h"
#include "support/TempDir.h"

namespace vqtest {

MachineRootLog::MachineRootLog(bool detailed) : logger_(std::make_unique<tessaly::TLogger>()) {
  logger_->SetEnabled(true);
  previous_ = tessaly::Logger.exchange(logger_.get());
  previousDetailed_ = tessaly::TvqLib::DetailLogEnabled.exchange(detailed);
}

MachineRootLog::~MachineRootLog() {
  tessaly::Logger.store(previous_);
  tessaly::TvqLib::DetailLogEnabled.store(previousDetailed_);
}

std::string MachineRootLog::Text() const {
  std::string text;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(logger_->LogFileDir(), ec), end; !ec && it != end; it.increment(ec))
    text += ReadFileBytes(it->path().string());
  return text;
}

}  // namespace vqtest
