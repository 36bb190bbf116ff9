#pragma once
// Where a configured file goes: the target folder and file name are checked before anything is
// written, and the replace rule decides about a target that is already there. Windows paths.
#include <string>
#include <string_view>

#include "setup/core/SetupClock.h"

namespace orvane {

// The folder with a trailing "\" (an empty folder stays empty), so a folder written without one
// is never run together with the file name.
[[nodiscard]] std::string FolderWithBackslash(std::string_view folder);

// True when `folder` is an absolute drive folder ("X:\...\") none of whose components is "." or
// "..", holds ":" or a control character, and `name` is one safe file name (SafeFileName.h).
// Any drive folder qualifies: the Windows, system and program-files folders are legitimate
// targets beside the install folder.
[[nodiscard]] bool IsSafeTarget(std::string_view folder, std::string_view name);

// True when `target` may be written: it is missing (3 checks, 30 ms apart), or the rule allows
// replacing it: "1" always, "2" when `fileTime` is later than the target's last-write time
// (compared in whole seconds; the target's time is read to the even second below), anything
// else never. UI thread (the checks pump messages).
[[nodiscard]] bool MayWriteTarget(const std::string& target, std::string_view rule, TDateTime fileTime);

}  // namespace orvane
