#pragma once
// The one gate between a path and the kernel. A Windows drive path "X:\a\b" resolves beneath
// the drive's folder <machine root>/drive_x and never leaves it, links included: each step is
// opened with openat2(RESOLVE_IN_ROOT | RESOLVE_NO_MAGICLINKS) on the drive folder's descriptor
// (so a link to "/etc" or to "../../.." stays on the drive), or, on a kernel without openat2, by
// a walk with O_NOFOLLOW that refuses every link. Existing components match without case and
// take their on-disk spelling. The last component is never followed when it is a link: deleting
// a link deletes the link, and writing replaces the link by a file. Operations then act on the
// folder's descriptor and the last name (openat, unlinkat, renameat2, fchmodat, utimensat),
// never on the whole name again.
//
// A host '/'-path inside the machine root (the machine's own state: run/, font list, pid files)
// resolves the same way beneath the machine root. Any other host path passes to the kernel as
// it is while confinement is off (the agent, the default). The setup program switches
// confinement on at start; then a path that is not a drive path (a host path outside the root,
// a relative name, a name climbing above its drive root, a "file:" address) is refused for
// every change (write, delete, mode, times, start) with kErrorPathNotFound and a log line;
// reading one still passes (the setup program reads files beside itself).
//
// Names Windows refuses are refused for drive paths in every mode: a component holding one of
// < > : " | ? * or a control character, or ending in a dot or a blank, or a device name (CON,
// PRN, AUX, NUL, COM1-COM9, LPT1-LPT9, with or without an extension) gives kErrorInvalidName;
// a path longer than 260 characters gives kErrorFilenameTooLong; these need no log line, the
// caller tells the user. Thread-safe.
#include <sys/stat.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

inline constexpr long kErrorInvalidName = 123;
inline constexpr long kErrorFilenameTooLong = 206;

// The setup program calls SetMachineConfinement(true) once at start; tests switch it both ways.
void SetMachineConfinement(bool on);
[[nodiscard]] bool MachineConfinement();

// Where the lines about refused paths go (default: stderr). Call before any thread uses the gate.
void SetPathRefusalLog(std::function<void(const std::string& line)> sink);

// What the caller will do with a path: only a change is confined.
enum class PathUse { kRead, kChange };

// kErrorSuccess when `path` may be handed to the kernel for `use` under the current
// confinement; the Windows error otherwise (see above).
[[nodiscard]] long CheckMachinePath(std::string_view path, PathUse use);

// A path resolved to the descriptor of its folder and its last name. Move-only.
class MachinePath {
 public:
  MachinePath() = default;
  ~MachinePath();
  MachinePath(MachinePath&& other) noexcept;
  MachinePath& operator=(MachinePath&& other) noexcept;
  MachinePath(const MachinePath&) = delete;
  MachinePath& operator=(const MachinePath&) = delete;

  // Resolves `path` for an operation on its last component; the folder must exist
  // (kErrorPathNotFound otherwise). A drive root has no last component (kErrorAccessDenied).
  // Windows error code.
  [[nodiscard]] static long Resolve(std::string_view path, PathUse use, MachinePath& out);

  // The folder's descriptor (O_PATH), valid as the first argument of the *at calls.
  [[nodiscard]] int folder() const { return folder_; }
  // The last component, in its on-disk spelling when such an entry exists.
  [[nodiscard]] const std::string& name() const { return name_; }
  // The textual host path, for messages and for the opener; never to be opened again.
  [[nodiscard]] const std::string& host() const { return host_; }
  // True for a drive path: the last component is never followed.
  [[nodiscard]] bool confined() const { return confined_; }

  // lstat of the last component (stat for an unconfined host path). False with errno.
  [[nodiscard]] bool Stat(struct stat& st) const;
  // openat of the last component with O_CLOEXEC, and O_NOFOLLOW when confined; -1 with errno.
  [[nodiscard]] int Open(int flags, int mode = 0666) const;
  // As Open, but a link at the last component is followed, still beneath the drive folder
  // (reading through a link of the machine); -1 with errno.
  [[nodiscard]] int OpenFollowing(int flags) const;

 private:
  int folder_ = -1;
  int base_ = -1;    // confined: the folder resolved beneath
  std::string rel_;  // confined: the path below base_, on-disk spelling
  std::string name_;
  std::string host_;
  bool confined_ = false;
};

// A folder opened through the gate, for listing and acting on its entries by descriptor, so an
// entry swapped for a link between the listing and the use is never followed. Move-only.
class MachineFolder {
 public:
  struct Entry {
    std::string name;
    bool isFolder = false;  // a real folder, not a link to one
  };

  MachineFolder() = default;
  ~MachineFolder();
  MachineFolder(MachineFolder&& other) noexcept;
  MachineFolder& operator=(MachineFolder&& other) noexcept;
  MachineFolder(const MachineFolder&) = delete;
  MachineFolder& operator=(const MachineFolder&) = delete;

  // Opens the folder `path` (a drive root too); a last component that is a link is refused
  // (kErrorPathNotFound) when confined. Windows error code.
  [[nodiscard]] static long Open(std::string_view path, PathUse use, MachineFolder& out);
  // Opens the folder a path was resolved to, never through a link at its last component.
  [[nodiscard]] static long Open(const MachinePath& at, MachineFolder& out);
  // Opens the subfolder `name`, never through a link. Windows error code.
  [[nodiscard]] long OpenSub(const std::string& name, MachineFolder& out) const;

  // The entries but "." and "..", in directory order.
  [[nodiscard]] std::vector<Entry> List() const;
  // unlinkat of a file or link `name`, with DeleteFile's rules (read-only, held). Windows code.
  [[nodiscard]] long DeleteFileAt(const std::string& name) const;
  // Removes the empty subfolder `name` (a link is not a folder and stays). Windows code.
  [[nodiscard]] long RemoveFolderAt(const std::string& name) const;

  [[nodiscard]] int fd() const { return fd_; }
  [[nodiscard]] bool IsOpen() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

// DeleteFile's rules on the entry `name` of the folder descriptor `folder`: a folder or a
// read-only file is refused (kErrorAccessDenied), a held file too (kErrorSharingViolation); a
// link is deleted itself. Windows error code.
[[nodiscard]] long DeleteEntryAt(int folder, const std::string& name);
// True when a FileHold keeps the entry open (no exclusive lock can be had); never follows a link.
[[nodiscard]] bool IsHeldAt(int folder, const std::string& name);

// CreateDirectory of one folder: kErrorAlreadyExists when anything of that name exists.
[[nodiscard]] long CreateOneFolder(std::string_view path);
// RemoveDirectory: the empty folder `path` goes; a link there is no folder and stays.
[[nodiscard]] long RemoveEmptyFolder(std::string_view path);

// CreateDirectory with all missing parents, each made with mkdirat beneath the drive folder.
// A Windows path on a missing drive fails (kErrorPathNotFound), and so does one whose existing
// part is a file (kErrorAlreadyExists for the whole path). Windows error code.
[[nodiscard]] long CreateMachineFolders(std::string_view path);

// The absolute host path of the regular file `path` resolves to, links followed beneath the
// drive folder (read from the descriptor, not the name): what a program is started from.
// Empty with the Windows error in `error`.
[[nodiscard]] std::string ResolvedFilePath(std::string_view path, PathUse use, long& error);
// As ResolvedFilePath, and for a file not there yet the real path of the nearest folder that is
// there with the names below it: the path a host program that follows links itself (a desktop
// starting a shortcut) must be given, so no link on the way can lead it off the drive. Empty with
// the Windows error when something that is no file, or a link leading nowhere on the drive,
// stands on the way.
[[nodiscard]] std::string RealFilePath(std::string_view path, PathUse use, long& error);

// Writes `bytes` to a new file in the resolved folder and renames it over the last name, so a
// link or a file with other names there is replaced, never written through. An existing file
// keeps its mode, or takes mode and times of `model` when given (a copy); `sync` flushes file
// and folder to disk. Windows error code.
[[nodiscard]] long ReplaceAt(const MachinePath& path, std::string_view bytes, bool sync,
                             const struct stat* model = nullptr);

}  // namespace platform
