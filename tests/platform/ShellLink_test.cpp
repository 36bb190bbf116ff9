#include "platform/ShellLink.h"

#include <gtest/gtest.h>

#include "platform/MachineRoot.h"
#include "platform/Profile.h"
#include "platform/ShellOpen.h"
#include "platform/WinError.h"
#include "platform/WinPath.h"
#include "support/MachineRootFixture.h"
#include "support/TempDir.h"

namespace {

// Program links become application entries with host paths, quoted and escaped as the desktop
// entry format requires; addresses become link entries.
TEST(ShellLink, WritesDesktopEntries) {
  vqtest::MachineRootFixture machine;
  const std::string root = machine.root();
  // A program path with a blank is quoted; the root holds one when TMPDIR does.
  const std::string plainExe = root + "/drive_c/T/a.exe";
  const std::string plainExec = plainExe.find(' ') == std::string::npos ? plainExe : "\"" + plainExe + "\"";
  struct Case {
    platform::ShellLink link;
    std::string expected;
  } cases[] = {
      {{"C:\\Program Files\\Tool\\Tessaly.exe", "", "C:\\Program Files\\Tool", "", "Sync agent"},
       "[Desktop Entry]\nType=Application\nName=Tessaly\nExec=\"" + root +
           "/drive_c/Program Files/Tool/Tessaly.exe\"\nPath=" + root + "/drive_c/Program Files/Tool\nComment=Sync agent\n"},
      {{"C:\\T\\a.exe", "-auto \"x y\" 100% $HOME a\\b", "", "C:\\T\\a.ico", "two\nlines"},
       "[Desktop Entry]\nType=Application\nName=Tessaly\nExec=" + plainExec +
           " -auto \"x y\" 100%% \"\\\\$HOME\" \"a\\\\\\\\b\"\nIcon=" + root +
           "/drive_c/T/a.ico\nComment=two\\nlines\n"},
      {{"http://www.example.test/help", "", "http://www.example.test/help", "C:\\T\\web.ico", ""},
       "[Desktop Entry]\nType=Link\nName=Tessaly\nURL=http://www.example.test/help\nIcon=" + root + "/drive_c/T/web.ico\n"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(platform::DesktopEntryOf(c.link, "Tessaly"), c.expected);
    ASSERT_EQ(platform::SaveShellLink(c.link, "C:\\Users\\Public\\Desktop\\Tessaly.lnk"), platform::kErrorSuccess);
    EXPECT_EQ(vqtest::ReadFileBytes(platform::HostPath("C:\\Users\\Public\\Desktop\\Tessaly.lnk")), c.expected);
  }
}

// With a recorder in machine.ini, opening a document or address starts nothing and records it.
TEST(ShellOpen, RecorderReplacesTheDesktopOpener) {
  vqtest::MachineRootFixture machine;
  vqtest::TempDir dir;
  ASSERT_TRUE(platform::WritePrivateProfileString("Shell", "Recorder", dir.file("opened.txt"),
                                                  machine.root() + "/machine.ini"));
  vqtest::WriteFileBytes(platform::HostPath("C:\\Docs\\readme.txt"), "x");
  std::string error;
  EXPECT_TRUE(platform::ShellOpen("http://www.example.test/", "", error)) << error;
  platform::ChildProcess child;
  EXPECT_TRUE(platform::ShellOpenProcess("C:\\Docs\\readme.txt", "-p", child, error)) << error;
  EXPECT_FALSE(child.IsStarted());
  EXPECT_EQ(vqtest::ReadFileBytes(dir.file("opened.txt")),
            "http://www.example.test/\t\nC:\\Docs\\readme.txt\t-p\n");
}

}  // namespace
