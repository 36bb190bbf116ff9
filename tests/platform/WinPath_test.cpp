#include "platform/WinPath.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/FileOps.h"
#include "support/MachineRootFixture.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;

// The drive folders every program expects exist as soon as the machine is first used.
TEST(WinPath, SeedsTheWellKnownFolders) {
  vqtest::MachineRootFixture machine;
  for (const char* p : {"C:\\Windows\\System32", "C:\\Windows\\Fonts", "C:\\ProgramData", "C:\\Program Files",
                        "C:\\Program Files (x86)", "C:\\Users\\Public\\Desktop",
                        "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs"}) {
    EXPECT_TRUE(fs::is_directory(platform::HostPath(p))) << p;
  }
}

// Drive paths map into the machine root; existing parts take their on-disk spelling, the rest
// keeps the caller's; other paths pass unchanged.
TEST(WinPath, MapsDrivePathsAndLeavesOthers) {
  vqtest::MachineRootFixture machine;
  fs::create_directories(machine.root() + "/drive_c/Program Files/Tool/Data");
  const std::string r = machine.root();
  struct Case {
    const char* in;
    std::string out;
  } cases[] = {
      {"C:\\Program Files\\Tool\\Data", r + "/drive_c/Program Files/Tool/Data"},
      {"c:\\PROGRAM FILES\\tool\\data\\New.ini", r + "/drive_c/Program Files/Tool/Data/New.ini"},
      {"C:/Program Files/TOOL/Missing/Deeper", r + "/drive_c/Program Files/Tool/Missing/Deeper"},
      {"C:\\Program Files\\.\\Tool\\..\\Tool\\\\Data\\", r + "/drive_c/Program Files/Tool/Data"},
      {"D:\\x\\y", r + "/drive_d/x/y"},
      {"C:", r + "/drive_c"},
      {"C:rel.txt", r + "/drive_c/rel.txt"},
      {"c:program files\\tool", r + "/drive_c/Program Files/Tool"},
      {"C:..\\..\\x.txt", r + "/drive_c/x.txt"},
      {"/etc/hosts", "/etc/hosts"},
      {"/a\\b", "/a\\b"},
      {"other.ini", "other.ini"},
      {"http://127.0.0.1/x", "http://127.0.0.1/x"},
  };
  for (const Case& c : cases) EXPECT_EQ(platform::HostPath(c.in), c.out) << c.in;
}

// A drive-relative name is written inside its drive, never into the host's current folder.
TEST(WinPath, DriveRelativeNamesStayInTheirDrive) {
  vqtest::MachineRootFixture machine;
  vqtest::TempDir cwd;
  const fs::path saved = fs::current_path();
  fs::current_path(cwd.path());
  const long rc = platform::WriteFileBytes("C:rel.txt", "x", false);
  fs::current_path(saved);
  EXPECT_EQ(rc, 0);
  EXPECT_FALSE(fs::exists(cwd.file("C:rel.txt")));
  EXPECT_TRUE(fs::exists(machine.root() + "/drive_c/rel.txt"));
}

// A host path inside a drive folder has a Windows form; any other path has none.
TEST(WinPath, GivesTheWindowsFormOnlyInsideDriveFolders) {
  vqtest::MachineRootFixture machine;
  EXPECT_EQ(platform::WindowsPathOf(machine.root() + "/drive_c/Program Files/Tool/Tessaly.exe"),
            "C:\\Program Files\\Tool\\Tessaly.exe");
  EXPECT_EQ(platform::WindowsPathOf(machine.root() + "/drive_d"), "D:\\");
  EXPECT_EQ(platform::WindowsPathOf(machine.root() + "/drive_cx/a"), std::nullopt);
  EXPECT_EQ(platform::WindowsPathOf(machine.root() + "/registry.db"), std::nullopt);
  EXPECT_EQ(platform::WindowsPathOf("/opt/tessaly/Tessaly"), std::nullopt);
}

}  // namespace
