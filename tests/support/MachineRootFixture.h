#pragma once
// A fresh emulated Windows machine for one test: a temporary machine root named by
// VQ_MACHINE_ROOT, a machine.ini written before anything touches the registry, and a program
// folder (set through platform::SetProgramFileForTests) holding the program file. Both settings
// are restored when the object dies.
#include <string>

#include "support/TempDir.h"

namespace vqtest {

class MachineRootFixture {
 public:
  enum class Bits { x64, x86 };

  // The program file lies at `programWindowsPath` inside the machine's drive folders.
  explicit MachineRootFixture(Bits bits = Bits::x64,
                              const std::string& programWindowsPath = "C:\\Program Files\\Tool\\Tessaly.exe");
  ~MachineRootFixture();
  MachineRootFixture(const MachineRootFixture&) = delete;
  MachineRootFixture& operator=(const MachineRootFixture&) = delete;

  // The machine root, without a trailing '/'.
  [[nodiscard]] const std::string& root() const { return root_.path(); }
  // Host path of the program file, and its folder ending with '/'.
  [[nodiscard]] const std::string& programFile() const { return programFile_; }
  [[nodiscard]] std::string programDir() const;
  // Moves the program to a host path outside the machine (creating its folder and file).
  void SetProgramHostFile(const std::string& hostPath);
  // Rewrites machine.ini's [Machine] key (e.g. "Admin", "0"); read on every call, so it acts at once.
  void SetMachineValue(const std::string& key, const std::string& value);

 private:
  TempDir root_;
  std::string programFile_;
  std::string savedRoot_;
  bool hadRoot_ = false;
};

}  // namespace vqtest
