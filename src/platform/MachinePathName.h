#pragma once
// How the gate (platform/MachinePath.h) reads a path before it opens anything: which folder it
// resolves beneath, and the components below it. Text only, no file access. Thread-safe.
#include <string>
#include <string_view>
#include <vector>

#include "platform/MachinePath.h"

namespace platform {

struct MachinePathName {
  enum class Kind {
    kBeneath,  // resolves beneath `base` (a drive folder, or the machine root)
    kHost,     // a host path outside the root, handed to the kernel as it is
  };
  Kind kind = Kind::kHost;
  std::string base;                // kBeneath: the folder resolved beneath
  std::vector<std::string> parts;  // kBeneath: the components below it, "." and ".." gone
  bool matchCase = false;          // kBeneath: components match without case (drive paths)
  std::string host;                // the textual host path
};

// Reads `path` for `use` under the current confinement. Windows error code; a refused path is
// also written to stderr.
[[nodiscard]] long ParseMachinePath(std::string_view path, PathUse use, MachinePathName& out);

}  // namespace platform
