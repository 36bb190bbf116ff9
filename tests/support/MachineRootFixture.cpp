#include "support/MachineRootFixture.h"

#include <cstdlib>
#include <filesystem>

#include "platform/Profile.h"
#include "platform/ProgramInfo.h"
#include "platform/WinPath.h"

namespace vqtest {

MachineRootFixture::MachineRootFixture(Bits bits, const std::string& programWindowsPath) {
  if (const char* old = std::getenv("VQ_MACHINE_ROOT")) {
    hadRoot_ = true;
    savedRoot_ = old;
  }
  setenv("VQ_MACHINE_ROOT", root_.path().c_str(), 1);
  WriteFileBytes(root_.file("machine.ini"),
                 std::string("[Machine]\r\nWin64=") + (bits == Bits::x64 ? "1" : "0") + "\r\n");
  SetProgramHostFile(platform::HostPath(programWindowsPath));
}

MachineRootFixture::~MachineRootFixture() {
  platform::SetProgramFileForTests("");
  if (hadRoot_) {
    setenv("VQ_MACHINE_ROOT", savedRoot_.c_str(), 1);
  } else {
    unsetenv("VQ_MACHINE_ROOT");
  }
}

std::string MachineRootFixture::programDir() const {
  return std::filesystem::path(programFile_).parent_path().string() + "/";
}

void MachineRootFixture::SetProgramHostFile(const std::string& hostPath) {
  programFile_ = hostPath;
  WriteFileBytes(programFile_, "");
  platform::SetProgramFileForTests(programFile_);
}

void MachineRootFixture::SetMachineValue(const std::string& key, const std::string& value) {
  (void)platform::WritePrivateProfileString("Machine", key, value, root_.file("machine.ini"));
}

}  // namespace vqtest
