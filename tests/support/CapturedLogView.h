#pragma once
// A log view that keeps every line the logger delivers ("hh:nn:ss text"), from any thread, and
// lets a test read, count and wait for them.
//
// Header only: it builds on the foundation library, which test_support does not link.
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "foundation/LogView.h"

namespace vqtest {

class CapturedLogView : public tessaly::ILogView {
 public:
  // A memo by default; a view of any other class is no memo, which makes every logger call
  // fail naming that class.
  explicit CapturedLogView(std::string className = "TMemo") : className_(std::move(className)) {}

  [[nodiscard]] bool IsMemo() const override { return className_ == "TMemo"; }
  [[nodiscard]] std::string ClassName() const override { return className_; }
  void QueueLine(const std::string& line) override {
    {
      std::lock_guard<std::mutex> guard(lock_);
      lines_.push_back(line);
    }
    changed_.notify_all();
  }

  [[nodiscard]] std::vector<std::string> Lines() const {
    std::lock_guard<std::mutex> guard(lock_);
    return lines_;
  }
  // The lines holding `part`, without their time stamp; an empty part matches every line.
  [[nodiscard]] std::vector<std::string> With(const std::string& part) const {
    std::vector<std::string> out;
    for (const auto& line : Lines())
      if (line.find(part) != std::string::npos) out.push_back(line.size() > 9 ? line.substr(9) : line);
    return out;
  }
  [[nodiscard]] std::size_t Count(const std::string& part) const { return With(part).size(); }
  void Clear() {
    std::lock_guard<std::mutex> guard(lock_);
    lines_.clear();
  }
  // Until `count` lines hold `part`; false only when `guardMs` of real time (a hang guard, not a
  // timing) pass first.
  [[nodiscard]] bool WaitFor(const std::string& part, std::size_t count = 1, int guardMs = 20000) const {
    std::unique_lock<std::mutex> guard(lock_);
    return changed_.wait_for(guard, std::chrono::milliseconds(guardMs), [&] {
      std::size_t found = 0;
      for (const auto& line : lines_)
        if (line.find(part) != std::string::npos) ++found;
      return found >= count;
    });
  }

 private:
  const std::string className_;
  mutable std::mutex lock_;
  mutable std::condition_variable changed_;
  std::vector<std::string> lines_;  // guarded by lock_
};

}  // namespace vqtest
