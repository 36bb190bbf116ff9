#pragma once
// Deleting a folder with everything in it through the gate (platform/MachinePath.h): the walk
// holds each folder's descriptor and opens a subfolder by name without following links, so a
// subfolder swapped for a link between the listing and the descent is never entered, and a
// folder that is itself a link loses only the link. Thread-safe.
#include <functional>
#include <string>
#include <string_view>

#include "platform/MachinePath.h"

namespace platform {

// Deletes one file or link of a folder; its own rules (retries, files kept) are the caller's.
using TreeFileRemover = std::function<void(const MachineFolder& folder, const std::string& name)>;
// Sees the real host path of the opened folder before anything in it goes; false keeps it all.
using TreeGuard = std::function<bool(const std::string& hostFolder)>;

// Files through `removeFile` first, then each subfolder the same way, then the folder when
// empty. Windows error code of resolving and opening `path`.
[[nodiscard]] long DeleteMachineTree(std::string_view path, const TreeFileRemover& removeFile,
                                     const TreeGuard& guard = {});

}  // namespace platform
