#pragma once
// Polling for a state that another process or thread reaches on its own.
#include <chrono>
#include <thread>

namespace vqtest {

// Polls `condition` every 5 ms until it holds; false when it still does not after `guardMs`
// worth of pauses. A hang guard, not a timing: a loaded machine only waits longer.
template <typename Condition>
[[nodiscard]] bool WaitUntil(Condition condition, int guardMs = 10000) {
  constexpr int kPollMs = 5;
  for (int waited = 0; waited < guardMs; waited += kPollMs) {
    if (condition()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
  }
  return condition();
}

}  // namespace vqtest
