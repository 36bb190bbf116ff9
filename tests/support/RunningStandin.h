#pragma once
// A stand-in program (Standins.h) running from a Windows path of the current machine, as a
// program that the setup finds, closes or must leave alone. The process is killed when the
// object dies, unless it has ended by then.
#include <string>
#include <vector>

#include "platform/Process.h"

namespace vqtest {

class RunningStandin {
 public:
  // Places the stand-in at `windowsPath` (unless `place` is false: the file is already one) and
  // starts it with `args`, by default a long sleep; waits until the machine's process list shows it.
  explicit RunningStandin(const std::string& windowsPath, std::vector<std::string> args = {"--sleep-ms", "600000"},
                          bool place = true);
  ~RunningStandin();
  RunningStandin(const RunningStandin&) = delete;
  RunningStandin& operator=(const RunningStandin&) = delete;

  [[nodiscard]] int pid() const { return child_.pid(); }
  [[nodiscard]] bool Alive();
  // Waits (bounded) until the process has ended; false when it still runs.
  [[nodiscard]] bool Ended();
  // Waits (bounded) until the process has ended: its exit code (128 + the signal number when a
  // signal ended it), or -1 when it still runs.
  [[nodiscard]] int ExitCode();

 private:
  platform::ChildProcess child_;
};

}  // namespace vqtest
