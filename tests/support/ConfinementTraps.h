#pragma once
// Attacking the machine root's boundary. OutsideWorld is what lies beyond it: a decoy folder
// whose whole state (names, types, modes, write times, contents, link targets) is fingerprinted,
// a folder of host-program namesakes ("touch", "notepad.exe", "xdg-open", ...) put first on PATH,
// and a marker folder where every one of them, and every program of the decoy, leaves its name
// when it runs. PlantTrap lays one trap inside the current machine root and says which names a
// road is handed so that, followed naively, they reach the decoy.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "support/MachineRootFixture.h"
#include "support/TempDir.h"

namespace vqtest {

class OutsideWorld {
 public:
  // The decoy's entries, each a road's target: files, a read-only file, a log, a shortcut, a
  // document, programs ("tool.exe", and "touch" for a bare name), a font (a link to a system
  // font) and the folder "sub" with a subfolder.
  OutsideWorld();
  // Puts back PATH and the current folder, then removes everything.
  ~OutsideWorld();
  OutsideWorld(const OutsideWorld&) = delete;
  OutsideWorld& operator=(const OutsideWorld&) = delete;

  // The decoy folder, without a trailing '/'.
  [[nodiscard]] const std::string& decoy() const { return decoy_; }
  [[nodiscard]] std::string Fingerprint() const;
  // Whether the decoy still has the fingerprint `before`, no host program has run and none runs.
  // Given a machine root, first waits until no process of that machine is left (each started
  // one carries its VQ_MACHINE_ROOT), so nothing started can act after the check.
  [[nodiscard]] testing::AssertionResult Untouched(const std::string& before,
                                                   const std::string& machineRoot = "") const;

 private:
  TempDir base_;
  std::string decoy_;
  std::string namesakes_;
  std::string marks_;
  std::string savedPath_;
  int savedCwd_ = -1;
};

// Machine confinement on or off while it lives (the setup program switches it on at start).
class ScopedConfinement {
 public:
  explicit ScopedConfinement(bool on);
  ~ScopedConfinement();
  ScopedConfinement(const ScopedConfinement&) = delete;
  ScopedConfinement& operator=(const ScopedConfinement&) = delete;

 private:
  bool was_;
};

enum class Trap {
  OutFolderLink,  // a link to the decoy folder
  OutEntryLinks,  // links to the decoy's files and folder (and one to a file not there yet)
  LinkChain,      // a relative link to a relative link to a link that climbs out
  OwnFolderLink,  // a link to its own folder, looped through on the way to a link out
  HardLinks,      // hard links to the decoy's files
  HostPath,       // the decoy's host path itself
  AboveDrive,     // "C:\..\..\" climbing to the decoy's host path
  DeepRelative,   // "../" repeated from a deep current folder inside the machine
  BareName,       // a bare name, with the program folder and the current folder in the decoy
};

[[nodiscard]] const std::vector<Trap>& AllTraps();
// The traps that hand a road a drive path of the machine.
[[nodiscard]] bool IsDriveTrap(Trap trap);
[[nodiscard]] std::string TrapName(Trap trap);

struct TrapPaths {
  std::string dir;      // what a decoy entry's name is appended to ("" for a bare name)
  std::string program;  // the name a program road is handed
  [[nodiscard]] std::string Name(const std::string& entry) const { return dir + entry; }
};

// Plants `trap` in `machine`'s root (and enters its current folder, which OutsideWorld puts back).
[[nodiscard]] TrapPaths PlantTrap(Trap trap, const OutsideWorld& outside, MachineRootFixture& machine);

// Replaces the machine folder `windowsPath` (and what it holds) by a link to `hostTarget`.
void LinkInPlaceOf(const std::string& windowsPath, const std::string& hostTarget);

// Points the shell's opener at a recorder file in the machine root; the opened files, folders and
// file: addresses that lie outside the machine (after every link), in the order opened.
void RecordShellOpens();
[[nodiscard]] std::vector<std::string> OpenedOutside();

// The shortcuts under the machine folder `windowsFolder` whose program or working folder lies
// outside the machine (after every link).
[[nodiscard]] std::vector<std::string> ShortcutsLeadingOutside(const std::string& windowsFolder);

// One road of a confinement table met with one trap; a case prints as both.
template <typename Road>
struct RoadCase {
  const Road* road;
  Trap trap;
};

template <typename Road>
void PrintTo(const RoadCase<Road>& c, std::ostream* os) {
  *os << c.road->name << " through " << TrapName(c.trap);
}

}  // namespace vqtest
