#include <gtest/gtest.h>

#include <filesystem>

#include "platform/FileOps.h"
#include "platform/MachinePath.h"
#include "platform/Registry.h"
#include "platform/TextCodec.h"
#include "platform/WinPath.h"
#include "setup/core/VqLib.h"
#include "support/MachineRootFixture.h"
#include "support/TempDir.h"

namespace {

using orvane::TvqLib;
using platform::RegKey;
using platform::RegRoot;
using platform::RegView;

bool KeyExists(RegRoot root, const std::string& path, RegView view = RegView::Force64) {
  RegKey k;
  return RegKey::Open(root, path, platform::RegAccess::Read, view, k) == 0;
}

void PutString(RegRoot root, const std::string& path, const std::string& name, const std::string& value,
               RegView view = RegView::Force64) {
  RegKey k;
  ASSERT_EQ(RegKey::Create(root, path, view, k), 0);
  ASSERT_EQ(k.WriteString(name, value), 0);
}

// A machine value falls back to the user's copy, read where it is: no key is created on the way,
// also when the last key name occurs earlier in the path.
TEST(VqLibRegistry, ReadFallsBackToTheUserWithoutCreatingKeys) {
  vqtest::MachineRootFixture machine;
  const std::string key = "SOFTWARE\\Vq\\Setup\\Vq\\Setup";
  EXPECT_EQ(TvqLib::ReadRegValue("HKEY_LOCAL_MACHINE", key, "Path", "none"), "none");
  EXPECT_FALSE(KeyExists(RegRoot::CurrentUser, "SOFTWARE\\Vq"));
  EXPECT_FALSE(KeyExists(RegRoot::LocalMachine, "SOFTWARE\\Vq"));

  PutString(RegRoot::CurrentUser, key, "Path", "user");
  PutString(RegRoot::CurrentUser, "SOFTWARE\\Vq\\Setup", "Path", "wrong parent");
  EXPECT_EQ(TvqLib::ReadRegValue("hkey_local_machine", key, "Path", "none"), "user");
  EXPECT_EQ(TvqLib::ReadRegValue("HKEY_CLASSES_ROOT", key, "Path", "none"), "none");
  // The machine value is read in the default (32-bit) view.
  PutString(RegRoot::LocalMachine, key, "Path", "machine", RegView::Default);
  EXPECT_EQ(TvqLib::ReadRegValue("HKEY_LOCAL_MACHINE", key, "Path", "none"), "machine");
  EXPECT_EQ(TvqLib::ReadRegValue("HKEY_DYN_DATA", key, "Path", "none"), "none");
}

// Root names select their roots without case; any other name is the machine root.
TEST(VqLibRegistry, WritesReadsAndDeletesByRootName) {
  vqtest::MachineRootFixture machine;
  struct Case {
    const char* rootName;
    RegRoot root;
  } cases[] = {{"HKEY_CURRENT_USER", RegRoot::CurrentUser},
               {"hkey_classes_root", RegRoot::ClassesRoot},
               {"HKEY_USERS", RegRoot::Users},
               {"HKEY_CURRENT_CONFIG", RegRoot::CurrentConfig},
               {"HKEY_LOCAL_MACHINE", RegRoot::LocalMachine},
               {"anything", RegRoot::LocalMachine}};
  for (const Case& c : cases) {
    TvqLib::WriteRegValue(c.rootName, "SOFTWARE\\Vq\\Item", "Name", "值");
    RegKey k;
    std::string value;
    ASSERT_EQ(RegKey::Open(c.root, "SOFTWARE\\Vq\\Item", platform::RegAccess::Write, RegView::Force64, k), 0)
        << c.rootName;
    EXPECT_EQ(k.ReadString("Name", value), 0);
    EXPECT_EQ(value, "值");
    ASSERT_EQ(k.WriteDword("Count", 7), 0);
    EXPECT_EQ(TvqLib::ReadRegInt(c.rootName, "SOFTWARE\\Vq\\Item", "Count", -1), 7) << c.rootName;
    EXPECT_EQ(TvqLib::ReadRegInt(c.rootName, "SOFTWARE\\Vq\\Item", "Name", -1), -1) << c.rootName;
    EXPECT_EQ(TvqLib::ReadRegInt(c.rootName, "SOFTWARE\\Vq\\None", "Count", -1), -1) << c.rootName;
    TvqLib::WriteRegValue(c.rootName, "SOFTWARE\\Vq\\Item\\Sub\\Deeper", "x", "y");
    EXPECT_TRUE(TvqLib::DeleteRegKey(c.rootName, "SOFTWARE\\Vq\\Item"));
    EXPECT_FALSE(KeyExists(c.root, "SOFTWARE\\Vq\\Item")) << c.rootName;
    EXPECT_TRUE(KeyExists(c.root, "SOFTWARE\\Vq")) << c.rootName;
    EXPECT_FALSE(TvqLib::DeleteRegKey(c.rootName, "SOFTWARE\\Vq\\Item"));
  }
  // A user without the right to write the machine's keys: nothing is written, nothing thrown,
  // and the machine's values still read.
  machine.SetMachineValue("Admin", "0");
  TvqLib::WriteRegValue("HKEY_LOCAL_MACHINE", "SOFTWARE\\Vq\\Denied", "a", "b");
  EXPECT_FALSE(KeyExists(RegRoot::LocalMachine, "SOFTWARE\\Vq\\Denied"));
  EXPECT_EQ(TvqLib::ReadRegInt("HKEY_LOCAL_MACHINE", "SOFTWARE\\Microsoft\\NET Framework Setup\\NDP\\v4\\Full",
                               "Install", -1),
            1);
  EXPECT_EQ(TvqLib::ReadRegInt("HKEY_LOCAL_MACHINE", "SOFTWARE\\Vq\\Denied", "a", -1), -1);
}

// The autorun value lands in the 32-bit view's Run key; shell folders come machine-wide first.
TEST(VqLibRegistry, AutorunAndShellFolders) {
  vqtest::MachineRootFixture machine;
  TvqLib::SetAutoRun("VqSPFTransClient", "C:\\App\\Tessaly.exe -auto");
  RegKey k;
  std::string value;
  ASSERT_EQ(RegKey::Open(RegRoot::LocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run",
                         platform::RegAccess::Read, RegView::Force32, k),
            0);
  EXPECT_EQ(k.ReadString("VqSPFTransClient", value), 0);
  EXPECT_EQ(value, "C:\\App\\Tessaly.exe -auto");

  EXPECT_EQ(TvqLib::GetShellFolder("Common Desktop"), "C:\\Users\\Public\\Desktop");
  EXPECT_EQ(TvqLib::GetShellFolder("Desktop"), "C:\\Users\\Public\\Desktop");
  EXPECT_EQ(TvqLib::GetShellFolder("Nothing"), "");
  PutString(RegRoot::CurrentUser, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", "Mine",
            "D:\\Mine\\");
  EXPECT_EQ(TvqLib::GetShellFolder("Mine"), "D:\\Mine");
  EXPECT_EQ(TvqLib::GetWindowsFolder(), "C:\\Windows");
  EXPECT_EQ(TvqLib::GetSystemFolder(), "C:\\Windows\\System32");
  EXPECT_EQ(TvqLib::GetExeFolder(), "C:\\Program Files\\Tool\\");
}

// INI values go through the ANSI profile calls: GBK on disk, bare names in the program folder,
// a refused write throws.
TEST(VqLibRegistry, IniValuesInGbk) {
  vqtest::MachineRootFixture machine;
  TvqLib::WriteIniValue("Uninstall1001.dat", "Uninstall", "DisplayName", "同步客户端");
  EXPECT_EQ(vqtest::ReadFileBytes(machine.programDir() + "Uninstall1001.dat"),
            "[Uninstall]\r\nDisplayName=" + platform::Utf8ToCp936("同步客户端") + "\r\n");
  EXPECT_EQ(TvqLib::ReadIniValue("Uninstall1001.dat", "uninstall", "displayname", "x"), "同步客户端");
  EXPECT_EQ(TvqLib::ReadIniValue("C:\\Program Files\\Tool\\Uninstall1001.dat", "Uninstall", "Missing", "x"), "x");
  ASSERT_EQ(platform::SetReadOnly("C:\\Program Files\\Tool\\Uninstall1001.dat", true), 0);
  EXPECT_THROW(TvqLib::WriteIniValue("Uninstall1001.dat", "Uninstall", "A", "B"), orvane::EVqLibError);
  EXPECT_THROW(TvqLib::WriteIniValue("Q:\\x.ini", "S", "A", "B"), orvane::EVqLibError);
}

// The confined setup program writes INI files only on the machine: a host path, a relative name,
// one climbing above its drive, and a bare name while the program lies in a host folder all
// throw and leave the host untouched; a bare name inside the machine is the program's folder.
TEST(VqLibRegistry, IniWritesStayOnTheMachine) {
  vqtest::MachineRootFixture machine;
  vqtest::TempDir host;
  platform::SetMachineConfinement(true);
  TvqLib::WriteIniValue("Tool.ini", "S", "A", "1");
  EXPECT_EQ(vqtest::ReadFileBytes(machine.programDir() + "Tool.ini"), "[S]\r\nA=1\r\n");
  for (const std::string& file : {host.file("host.ini"), std::string("sub\\x.ini"), std::string("x.ini\\"),
                                  std::string("C:\\..\\..\\x.ini"), std::string("C:\\a|b.ini")}) {
    SCOPED_TRACE(file);
    EXPECT_THROW(TvqLib::WriteIniValue(file, "S", "A", "1"), orvane::EVqLibError);
  }
  machine.SetProgramHostFile(host.file("setup/Setup.exe"));
  EXPECT_THROW(TvqLib::WriteIniValue("Tool.ini", "S", "A", "1"), orvane::EVqLibError);
  platform::SetMachineConfinement(false);
  EXPECT_FALSE(std::filesystem::exists(host.file("host.ini")));
  EXPECT_FALSE(std::filesystem::exists(host.file("setup/Tool.ini")));
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::current_path() / "sub\\x.ini"));
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::current_path() / "x.ini\\"));
}

}  // namespace
