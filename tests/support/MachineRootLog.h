#pragma once
// Captures what TvqLib::Log writes during a test: installs an enabled logger writing into the
// program folder's log/ and gives back everything written so far. Restores the previous logger
// and the detail-log switch when it dies.
#include <memory>
#include <string>

namespace tessaly {
class TLogger;
}

namespace vqtest {

class MachineRootLog {
 public:
  // `detailed` sets TvqLib::DetailLogEnabled for the life of the object.
  explicit MachineRootLog(bool detailed);
  ~MachineRootLog();
  MachineRootLog(const MachineRootLog&) = delete;
  MachineRootLog& operator=(const MachineRootLog&) = delete;

  // All log files' text so far.
  [[nodiscard]] std::string Text() const;

 private:
  std::unique_ptr<tessaly::TLogger> logger_;
  tessaly::TLogger* previous_ = nullptr;
  bool previousDetailed_ = false;
};

}  // namespace vqtest
