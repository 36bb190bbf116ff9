#pragma once
// The folder of one test process under TMPDIR, which holds every TempDir of the process. It is
// made at the first call and removed with everything in it when the process ends: at exit
// (failed tests included) and on an abort (a failed check of the library, a sanitizer report),
// so a test program leaves nothing in TMPDIR however its tests end, also folders that live for
// the whole process. A forked child never removes it.
#include <string>

namespace vqtest {

// The folder, without a trailing '/'. Throws std::runtime_error when it cannot be made.
[[nodiscard]] const std::string& ProcessTempRoot();

// Makes a new folder (owner rights only) in `parent` named `prefix` + a random lower-case
// suffix and returns its path. Lower case, so that a path below TMPDIR reads the same after the
// setup lower-cases a record that names it, whenever TMPDIR itself does. Throws
// std::runtime_error when it cannot be made.
[[nodiscard]] std::string MakeUniqueFolder(const std::string& parent, const std::string& prefix);

// Removes `path` and everything below it, folders a test made read-only included; links are
// removed, never followed. Makes only system calls, so the abort handler uses it too. Errors
// are ignored: what cannot be removed stays.
void RemoveTree(const char* path) noexcept;

}  // namespace vqtest
