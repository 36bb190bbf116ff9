#pragma once
// Values shared by the UI thread and the worker threads, each behind a lock of its own: one read
// or one write of `v` is atomic; a read followed by a write is not, unless it goes through Update. `def` never changes after
// construction and is read without the lock. Holders are owned by the settings-and-state object.
#include <cstdint>
#include <mutex>
#include <string>
#include <utility>

#include "foundation/DateTime.h"

namespace tessaly {

// Base of the holders and of TVqSyncIDValueList: owns the recursive lock.
class TVqSync {
 public:
  TVqSync() = default;
  virtual ~TVqSync() = default;
  TVqSync(const TVqSync&) = delete;
  TVqSync& operator=(const TVqSync&) = delete;

 protected:
  mutable std::recursive_mutex FLocker;
};

template <typename T>
class TVqSyncValue final : public TVqSync {
 public:
  explicit TVqSyncValue(T aDefValue) : FValue(aDefValue), FDefValue(std::move(aDefValue)) {}
  ~TVqSyncValue() override = default;

  // A copy taken under the lock.
  [[nodiscard]] T v() const {
    std::lock_guard<std::recursive_mutex> g(FLocker);
    return FValue;
  }
  void v(T aValue) {
    std::lock_guard<std::recursive_mutex> g(FLocker);
    FValue = std::move(aValue);
  }
  // Reads and writes the value under one hold of the lock: aChange(T&) may look at the value and
  // change it, and no other write can fall between the two.
  template <typename F>
  void Update(F&& aChange) {
    std::lock_guard<std::recursive_mutex> g(FLocker);
    aChange(FValue);
  }
  [[nodiscard]] const T& def() const { return FDefValue; }

 private:
  T FValue;  // guarded by FLocker
  const T FDefValue;
};

using TVqSyncInt = TVqSyncValue<std::int32_t>;
using TVqSyncStr = TVqSyncValue<std::string>;
using TVqSyncBool = TVqSyncValue<bool>;
using TVqSyncDtm = TVqSyncValue<TDateTime>;

}  // namespace tessaly
