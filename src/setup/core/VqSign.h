#pragma once
// The status word that a package thread and the UI thread share: 0 after creation, -1 set by
// the install flow before it starts the payload thread, 1 while a package thread runs, 2 when it
// has finished its steps, 3 when it ended with an error. Waiters treat 2 or more as finished.
#include <cstdint>
#include <mutex>

namespace orvane {

class TvqSign {
 public:
  [[nodiscard]] std::int32_t GetValue() const {
    std::lock_guard<std::mutex> hold(lock_);
    return value_;
  }
  void SetValue(std::int32_t value) {
    std::lock_guard<std::mutex> hold(lock_);
    value_ = value;
  }
  [[nodiscard]] bool Finished() const { return GetValue() >= 2; }

 private:
  mutable std::mutex lock_;
  std::int32_t value_ = 0;  // guarded by lock_
};

}  // namespace orvane
