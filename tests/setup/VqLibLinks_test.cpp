#include <gtest/gtest.h>
#include <unistd.h>

#include "platform/MachinePath.h"
#include "platform/WinPath.h"
#include "setup/core/VqLib.h"
#include "support/MachineRootFixture.h"
#include "support/TempDir.h"

namespace {

using orvane::TvqLib;

const char* kPrograms = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs";

bool Exists(const std::string& windowsPath) { return access(platform::HostPath(windowsPath).c_str(), F_OK) == 0; }
std::string Read(const std::string& windowsPath) { return vqtest::ReadFileBytes(platform::HostPath(windowsPath)); }

// Desktop links land in the machine-wide desktop and work in the target's folder; an address is
// a link entry.
TEST(VqLibLinks, DesktopLinksAreWrittenAndRemoved) {
  vqtest::MachineRootFixture machine;
  const std::string root = machine.root();
  TvqLib::CreateDesktopLink("C:\\Program Files\\Tool\\Tessaly.exe", "同步客户端", "Sync agent", "");
  EXPECT_EQ(Read("C:\\Users\\Public\\Desktop\\同步客户端.lnk"),
            "[Desktop Entry]\nType=Application\nName=同步客户端\nExec=\"" + root +
                "/drive_c/Program Files/Tool/Tessaly.exe\"\nPath=" + root + "/drive_c/Program Files/Tool\nIcon=" +
                root + "/drive_c/Program Files/Tool/Tessaly.exe\nComment=Sync agent\n");
  TvqLib::CreateDesktopLink("HTTP://www.example.test/", "Home", "", "C:\\Program Files\\Tool\\web.ico");
  EXPECT_EQ(Read("C:\\Users\\Public\\Desktop\\Home.lnk"),
            "[Desktop Entry]\nType=Link\nName=Home\nURL=HTTP://www.example.test/\nIcon=" + root +
                "/drive_c/Program Files/Tool/web.ico\n");
  TvqLib::DeleteDesktopLink("同步客户端");
  TvqLib::DeleteDesktopLink("Never made");
  EXPECT_FALSE(Exists("C:\\Users\\Public\\Desktop\\同步客户端.lnk"));
  EXPECT_TRUE(Exists("C:\\Users\\Public\\Desktop\\Home.lnk"));
}

// Start-menu links go into the group's folder, which goes when its last file goes; without a
// group the programs folder itself always stays.
TEST(VqLibLinks, StartMenuGroupFolderLivesWithItsLinks) {
  vqtest::MachineRootFixture machine;
  const std::string group = std::string(kPrograms) + "\\Vq Sync";
  TvqLib::CreateStartMenuLink("C:\\App\\Tessaly.exe", "Vq Sync", "Tessaly", "", "");
  TvqLib::CreateStartMenuLink("C:\\App\\Uninstall1001.exe", "Vq Sync", "Uninstall", "", "");
  EXPECT_TRUE(Exists(group + "\\Tessaly.lnk"));
  TvqLib::DeleteStartMenuLink("Vq Sync", "Tessaly");
  EXPECT_TRUE(Exists(group + "\\Uninstall.lnk"));
  TvqLib::DeleteStartMenuLink("Vq Sync", "Uninstall");
  EXPECT_FALSE(Exists(group));

  TvqLib::CreateStartMenuLink("C:\\App\\Tessaly.exe", "", "Tessaly", "", "");
  EXPECT_TRUE(Exists(std::string(kPrograms) + "\\Tessaly.lnk"));
  TvqLib::DeleteStartMenuLink("", "Tessaly");
  EXPECT_FALSE(Exists(std::string(kPrograms) + "\\Tessaly.lnk"));
  EXPECT_TRUE(Exists(kPrograms));
  // A group folder that still holds a subfolder stays.
  TvqLib::CreateStartMenuLink("C:\\App\\Tessaly.exe", "G", "Tessaly", "", "");
  vqtest::WriteFileBytes(platform::HostPath(std::string(kPrograms) + "\\G\\Sub\\x.lnk"), "x");
  TvqLib::DeleteStartMenuLink("G", "Tessaly");
  EXPECT_TRUE(Exists(std::string(kPrograms) + "\\G\\Sub\\x.lnk"));
}

// A group with folder parts gets its folders with their parents; each part must be a safe
// name, and a refused group is named in the library's note.
TEST(VqLibLinks, NestedStartMenuGroups) {
  vqtest::MachineRootFixture machine;
  std::vector<std::string> notes;
  orvane::SetLibraryLog([&](const std::string& line) { notes.push_back(line); });
  const std::string group = std::string(kPrograms) + "\\Vq 软件\\Sync";
  TvqLib::CreateStartMenuLink("C:\\App\\Tessaly.exe", "Vq 软件\\Sync", "Tessaly", "", "");
  TvqLib::CreateStartMenuLink("C:\\App\\Uninstall1001.exe", "Vq 软件/Sync\\", "Uninstall", "", "");
  EXPECT_TRUE(Exists(group + "\\Tessaly.lnk"));
  EXPECT_TRUE(Exists(group + "\\Uninstall.lnk"));
  TvqLib::DeleteStartMenuLink("Vq 软件\\Sync", "Tessaly");
  TvqLib::DeleteStartMenuLink("Vq 软件\\Sync", "Uninstall");
  EXPECT_FALSE(Exists(group));
  EXPECT_TRUE(notes.empty());

  TvqLib::CreateStartMenuLink("C:\\App\\Tessaly.exe", "Vq\\..\\..\\Startup", "Tessaly", "", "");
  TvqLib::CreateStartMenuLink("C:\\App\\Tessaly.exe", "\\", "Tessaly", "", "");
  EXPECT_FALSE(Exists(std::string(kPrograms) + "\\Vq"));
  EXPECT_FALSE(Exists("C:\\ProgramData\\Microsoft\\Windows\\Startup"));
  EXPECT_FALSE(Exists(std::string(kPrograms) + "\\Tessaly.lnk"));
  EXPECT_EQ(notes, (std::vector<std::string>{"link group refused: Vq\\..\\..\\Startup", "link group refused: \\"}));
  orvane::SetLibraryLog({});
}

// Names and groups from the configuration cannot reach outside their folder.
TEST(VqLibLinks, UnsafeNamesAreRefused) {
  vqtest::MachineRootFixture machine;
  for (const std::string name : {"..", ".", "", "a/b", "..\\..\\Windows\\evil", "C:x", "a\\b"}) {
    TvqLib::CreateDesktopLink("C:\\App\\Tessaly.exe", name, "", "");
    TvqLib::CreateStartMenuLink("C:\\App\\Tessaly.exe", name, "ok", "", "");
    TvqLib::CreateStartMenuLink("C:\\App\\Tessaly.exe", "ok", name, "", "");
  }
  EXPECT_FALSE(Exists("C:\\Users\\Public\\.lnk"));
  EXPECT_FALSE(Exists("C:\\Users\\Public\\Desktop\\a"));
  EXPECT_FALSE(Exists("C:\\Windows\\evil.lnk"));
  EXPECT_FALSE(Exists(std::string(kPrograms) + "\\ok"));
  EXPECT_FALSE(Exists("C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\ok.lnk"));
  vqtest::WriteFileBytes(platform::HostPath("C:\\Users\\Public\\Desktop\\keep.lnk"), "x");
  TvqLib::DeleteDesktopLink("..\\Desktop\\keep");
  EXPECT_TRUE(Exists("C:\\Users\\Public\\Desktop\\keep.lnk"));
}

// The confined setup program writes no shortcut whose target lies outside the machine, as a
// host path or a relative name; a target of the machine still gets its link.
TEST(VqLibLinks, TargetsOutsideTheMachineAreRefused) {
  vqtest::MachineRootFixture machine;
  platform::SetMachineConfinement(true);
  for (const std::string target : {"/usr/bin/xterm", "bin\\x.exe", "file:///usr/bin/xterm", "C:\\..\\..\\x.exe"}) {
    TvqLib::CreateDesktopLink(target, "Outside", "", "");
    TvqLib::CreateStartMenuLink(target, "", "Outside", "", "");
  }
  TvqLib::CreateDesktopLink("C:\\App\\Tessaly.exe", "Inside", "", "");
  platform::SetMachineConfinement(false);
  EXPECT_FALSE(Exists("C:\\Users\\Public\\Desktop\\Outside.lnk"));
  EXPECT_FALSE(Exists(std::string(kPrograms) + "\\Outside.lnk"));
  EXPECT_TRUE(Exists("C:\\Users\\Public\\Desktop\\Inside.lnk"));
}

}  // namespace
