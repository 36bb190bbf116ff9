// Shortcuts on the desktop and in the start menu.
#include <unistd.h>

#include <optional>

#include <algorithm>

#include "platform/Drives.h"
#include "platform/MachinePath.h"
#include "platform/ShellLink.h"
#include "platform/TextCodec.h"
#include "platform/WinPath.h"
#include "setup/core/SafeFileName.h"
#include "setup/core/VqLib.h"
#include "setup/core/VqLibInternal.h"

namespace orvane {
namespace {

std::string DesktopFolder() {
  std::string folder = TvqLib::GetShellFolder("Common Desktop");
  return folder.empty() ? TvqLib::GetShellFolder("Desktop") : folder;
}

// The start menu's programs folder, and the group's folder inside it: a group may name folders
// inside folders ("Vendor\Product"), each of them a safe folder name. nullopt, with a note, for
// any other group.
std::optional<std::string> ProgramsFolder(const std::string& group) {
  std::string folder = TvqLib::GetShellFolder("Common Start Menu");
  if (folder.empty()) folder = TvqLib::GetShellFolder("Start Menu");
  folder += "\\Programs";
  if (group.empty()) return folder;
  bool named = false;
  for (std::size_t start = 0; start <= group.size();) {
    const std::size_t end = std::min(group.find_first_of("\\/", start), group.size());
    const std::string part = group.substr(start, end - start);
    start = end + 1;
    if (part.empty()) continue;  // doubled or trailing separators, as Windows reads them
    const auto safe = SafeFileName(part);
    if (!safe) {
      named = false;
      break;
    }
    folder += "\\" + *safe;
    named = true;
  }
  if (!named) {
    LibraryNote("link group refused: " + group);
    return std::nullopt;
  }
  return folder;
}

std::optional<std::string> LinkFile(const std::optional<std::string>& folder, const std::string& name) {
  if (!folder) return std::nullopt;
  const auto safe = SafeFileName(name);
  if (!safe) {
    LibraryNote("link name refused: " + name);
    return std::nullopt;
  }
  return *folder + "\\" + *safe + ".lnk";
}

// The machine file a shortcut names, as the Windows path of where it really lies: a desktop
// follows the entry's host path through links by its own rules, so they are resolved beneath
// the drive here. nullopt when it does not lie on the machine.
std::optional<std::string> RealMachineFile(const std::string& path) {
  long error = 0;
  const std::string real = platform::RealFilePath(path, platform::PathUse::kChange, error);
  if (real.empty()) return std::nullopt;
  return platform::WindowsPathOf(real);
}

void WriteLink(const std::string& givenTarget, const std::string& linkFile, const std::string& description,
               const std::string& iconFile) {
  platform::ShellLink link;
  // An address is its own working folder; a program works in its folder.
  const bool address = platform::AsciiLower(givenTarget).find("ttp://") != std::string::npos;
  std::string target = givenTarget;
  if (!address) {
    // A shortcut starts its target: one outside the machine is never written.
    const auto real = RealMachineFile(givenTarget);
    if (!real) {
      LibraryNote("link refused, its target is not on the machine: " + givenTarget);
      return;
    }
    target = *real;
  }
  link.target = target;
  if (address) {
    link.workingDir = target;
  } else {
    const auto sep = target.find_last_of('\\');
    link.workingDir = sep == std::string::npos ? std::string() : target.substr(0, sep);
  }
  link.description = description;
  const auto icon = iconFile.empty() ? std::nullopt : RealMachineFile(iconFile);
  link.iconFile = icon ? *icon : target;
  if (platform::SaveShellLink(link, linkFile) != 0) LibraryNote("link not written: " + linkFile);
}

void DeleteLink(const std::string& linkFile) {
  if (::access(platform::HostPath(linkFile).c_str(), F_OK) == 0) TvqLib::DeleteFileRetry(linkFile, 10, 100);
}

}  // namespace

void TvqLib::CreateDesktopLink(const std::string& target, const std::string& name, const std::string& description,
                               const std::string& iconFile) {
  const auto file = LinkFile(DesktopFolder(), name);
  if (file) WriteLink(target, *file, description, iconFile);
}

void TvqLib::DeleteDesktopLink(const std::string& name) {
  if (const auto file = LinkFile(DesktopFolder(), name)) DeleteLink(*file);
}

void TvqLib::CreateStartMenuLink(const std::string& target, const std::string& group, const std::string& name,
                                 const std::string& description, const std::string& iconFile) {
  const auto folder = ProgramsFolder(group);
  const auto file = LinkFile(folder, name);
  if (!file) return;
  (void)platform::CreateFolderTree(*folder);
  WriteLink(target, *file, description, iconFile);
}

void TvqLib::DeleteStartMenuLink(const std::string& group, const std::string& name) {
  const auto folder = ProgramsFolder(group);
  const auto file = LinkFile(folder, name);
  if (!file) return;
  DeleteLink(*file);
  // Without a group the folder is the start menu's own programs folder, which stays.
  if (group.empty()) return;
  std::vector<std::string> left;
  ListFiles(left, *folder);
  if (left.empty()) (void)platform::RemoveEmptyFolder(*folder);
}

}  // namespace orvane
