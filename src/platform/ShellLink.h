#pragma once
// Shell links. A ".lnk" file here holds a freedesktop desktop entry, so a desktop on this host
// can show and start it: an application entry whose Exec line starts the target (host path)
// with its arguments, Path its working folder and Icon its icon; a target that is an address
// ("scheme://...") becomes a link entry with URL. Values are escaped and quoted as the desktop
// entry format requires. Windows paths are written as their host paths. Thread-safe.
#include <string>

namespace platform {

struct ShellLink {
  std::string target;       // program, document or address
  std::string arguments;    // command-line text, split by the Windows rules
  std::string workingDir;   // empty: none
  std::string iconFile;     // empty: none
  std::string description;  // the entry's comment
};

// The desktop entry text of `link`; `name` is the shown name (the link file's name without
// ".lnk").
[[nodiscard]] std::string DesktopEntryOf(const ShellLink& link, const std::string& name);
// IPersistFile::Save: writes the entry to `linkPath` (replaced when it exists). Windows error code.
[[nodiscard]] long SaveShellLink(const ShellLink& link, const std::string& linkPath);

}  // namespace platform
