#include <gtest/gtest.h>
#include <unistd.h>

#include "platform/FileOps.h"
#include "platform/Process.h"
#include "platform/ProcessFind.h"
#include "platform/Registry.h"
#include "platform/TextCodec.h"
#include "platform/WinPath.h"
#include "setup/core/VqLib.h"
#include "setup/core/WinVer.h"
#include "support/MachineRootFixture.h"
#include "support/Standins.h"
#include "support/TempDir.h"

namespace {

using orvane::TvqLib;
using orvane::TWinVer;

bool Exists(const std::string& windowsPath) { return access(platform::HostPath(windowsPath).c_str(), F_OK) == 0; }

// The batch file lies in the Windows drive's root and holds the deletion loops, every line
// followed by an empty line; deep adds the folder loop.
TEST(VqLibSystem, SelfDeleteWritesTheBatchLines) {
  vqtest::MachineRootFixture machine;
  const std::string common =
      "@echo off\r\n\r\nchoice /t 3 /d y /n\r\n\r\nset var=0\r\n\r\n:loop_file\r\n\r\n"
      "set /a var+=1\r\n\r\ndel \"D:\\应用\\Uninstall1001.exe\"\r\n\r\n"
      "if %var% lss 10 goto loop_file\r\n\r\n";
  const std::string last = "del \"C:\\Uninstall1001.exe.bat\"\r\n\r\n";
  // The started runner pauses 3 s before it deletes anything, so the file is read back first.
  for (const bool deep : {false, true}) {
    const std::string bat = "C:\\Uninstall1001.exe.bat";
    ASSERT_TRUE(TvqLib::SelfDelete("D:\\应用\\Uninstall1001.exe", deep));
    const std::string deepLines = deep ? "set var=0\r\n\r\n:loop_dir\r\n\r\nset /a var+=1\r\n\r\n"
                                         "rd/s/q \"D:\\应用\\\"\r\n\r\nif %var% lss 10 goto loop_dir\r\n\r\n"
                                       : "";
    EXPECT_EQ(platform::Cp936ToUtf8(vqtest::ReadFileBytes(platform::HostPath(bat))), common + deepLines + last);
  }
  EXPECT_FALSE(TvqLib::SelfDelete("D:\\应用\\", false));
  EXPECT_FALSE(TvqLib::SelfDelete("D:\\应用\\..", false));
}

// A "%" in the program's path is doubled in the batch file, so the runner deletes that very
// folder and never one a variable of the loop would name (D:\Game1 ... D:\Game10).
TEST(VqLibSystem, SelfDeleteDoublesPercentSigns) {
  vqtest::MachineRootFixture machine;
  const std::string program = vqtest::PlaceProgramStandin("D:\\Game%var%\\Uninst.exe");
  for (int i = 0; i <= 10; ++i) vqtest::WriteFileBytes(platform::HostPath("D:\\Game" + std::to_string(i) + "\\keep.txt"), "x");
  ASSERT_TRUE(TvqLib::SelfDelete("D:\\Game%var%\\Uninst.exe", true));
  const std::string text = platform::Cp936ToUtf8(vqtest::ReadFileBytes(platform::HostPath("C:\\Uninst.exe.bat")));
  EXPECT_NE(text.find("del \"D:\\Game%%var%%\\Uninst.exe\"\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find("rd/s/q \"D:\\Game%%var%%\\\"\r\n"), std::string::npos) << text;
  EXPECT_TRUE(vqtest::WaitUntil([] { return !Exists("C:\\Uninst.exe.bat"); }));
  EXPECT_FALSE(Exists("D:\\Game%var%"));
  for (int i = 0; i <= 10; ++i) EXPECT_TRUE(Exists("D:\\Game" + std::to_string(i) + "\\keep.txt")) << i;
}

// A program path that could end the quoted command and start a second one writes no batch
// file and starts nothing.
TEST(VqLibSystem, SelfDeleteRefusesPathsThatHoldACommand) {
  vqtest::MachineRootFixture machine;
  for (const std::string& path : {std::string("D:\\a\" & del \"C:\\keep.txt\\Uninstall1001.exe"),
                                  std::string("D:\\a\r\ndel C:\\keep.txt\r\n\\Uninstall1001.exe"),
                                  std::string("D:\\a\ndel C:\\keep.txt\n\\Uninstall1001.exe")}) {
    EXPECT_FALSE(TvqLib::SelfDelete(path, true)) << path;
    EXPECT_FALSE(Exists("C:\\Uninstall1001.exe.bat")) << path;
  }
}

// End to end: the started batch waits 3 s, deletes the uninstaller once it has ended, removes
// its folder when deep, and deletes itself.
TEST(VqLibSystem, SelfDeleteRemovesTheProgramAfterItEnded) {
  vqtest::MachineRootFixture machine;
  const std::string program = vqtest::PlaceProgramStandin("C:\\Program Files\\Vq\\Uninstall1001.exe");
  vqtest::WriteFileBytes(platform::HostPath("C:\\Program Files\\Vq\\data\\a.db"), "x");
  platform::ChildProcess running;
  std::string error;
  ASSERT_TRUE(platform::ChildProcess::Start(program, {"--sleep-ms", "60000"}, "", running, error));
  platform::FileHold held("C:\\Program Files\\Vq\\Uninstall1001.exe");
  ASSERT_TRUE(TvqLib::SelfDelete("C:\\Program Files\\Vq\\Uninstall1001.exe", true));
  held.Release();
  EXPECT_TRUE(platform::KillProcess(running.pid()));
  running.Wait();
  EXPECT_TRUE(vqtest::WaitUntil([] { return !Exists("C:\\Uninstall1001.exe.bat"); }));
  EXPECT_FALSE(Exists("C:\\Program Files\\Vq"));
  EXPECT_TRUE(Exists("C:\\Program Files"));
}

void SetDword(const std::string& key, const std::string& name, std::uint32_t value) {
  platform::RegKey k;
  ASSERT_EQ(platform::RegKey::Create(platform::RegRoot::LocalMachine, key, platform::RegView::Force64, k), 0);
  ASSERT_EQ(k.WriteDword(name, value), 0);
}

// The .NET test reads the setup keys of the version, with the 4.x release thresholds.
TEST(VqLibSystem, DotNetThresholds) {
  const std::string ndp = "SOFTWARE\\Microsoft\\NET Framework Setup\\NDP\\";
  struct Case {
    const char* version;
    int release;  // v4\Full Release
    bool expected;
  } cases[] = {
      {"v4.5", 378389, true},   {"v4.5", 378388, false},   {"v4.5.1", 378675, true}, {"v4.5.1", 378674, false},
      {"v4.5.2", 379893, true}, {"v4.5.2", 379892, false}, {"v4.6", 393295, true},   {"v4.6", 393294, false},
      {"v4.6.1", 394254, true}, {"v4.6.1", 394253, false}, {"v4.6.2", 394802, true}, {"v4.6.2", 394801, false},
      {"v4.0", 1, true},        {"v4.8", 1, true},
  };
  for (const Case& c : cases) {
    vqtest::MachineRootFixture machine;
    SetDword(ndp + "v4\\Full", "Release", static_cast<std::uint32_t>(c.release));
    EXPECT_EQ(TvqLib::IsDotNetInstalled(c.version, 0), c.expected) << c.version << " " << c.release;
  }
  // The default machine has .NET 4.8 and nothing older.
  vqtest::MachineRootFixture machine;
  EXPECT_TRUE(TvqLib::IsDotNetInstalled("v4.6.2", 0));
  EXPECT_FALSE(TvqLib::IsDotNetInstalled("v4.6.2", 1));
  for (const char* old : {"v3.0", "v3.5", "v2.0", "v1.1"}) EXPECT_FALSE(TvqLib::IsDotNetInstalled(old, 0)) << old;
  // v3.0 reads InstallSuccess under Setup and SP beside it.
  SetDword(ndp + "v3.0\\Setup", "InstallSuccess", 1);
  EXPECT_FALSE(TvqLib::IsDotNetInstalled("v3.0", 0));
  SetDword(ndp + "v3.0", "SP", 2);
  EXPECT_TRUE(TvqLib::IsDotNetInstalled("v3.0", 2));
  EXPECT_FALSE(TvqLib::IsDotNetInstalled("v3.0", 3));
  SetDword(ndp + "v2.0.50727", "Install", 1);
  SetDword(ndp + "v2.0.50727", "SP", 0);
  EXPECT_TRUE(TvqLib::IsDotNetInstalled("v2.0", 0));
  SetDword(ndp + "v2.0.50727", "Install", 2);
  EXPECT_FALSE(TvqLib::IsDotNetInstalled("v2.0", 0));
}

// machine.ini can give a machine with the older frameworks and without .NET 4.
TEST(VqLibSystem, DotNetSeedsFollowTheMachine) {
  vqtest::MachineRootFixture machine;
  machine.SetMachineValue("DotNet4Release", "0");
  machine.SetMachineValue("DotNet35", "1");
  EXPECT_FALSE(TvqLib::IsDotNetInstalled("v4.0", 0));
  for (const char* old : {"v3.0", "v3.5", "v2.0"}) EXPECT_TRUE(TvqLib::IsDotNetInstalled(old, 1)) << old;
}

// Reading the framework's keys needs no administrator: the answer is the same for any user.
TEST(VqLibSystem, DotNetReadsForAnyUser) {
  vqtest::MachineRootFixture machine;
  const std::string full = "SOFTWARE\\Microsoft\\NET Framework Setup\\NDP\\v4\\Full";
  SetDword(full, "Release", 394802);
  machine.SetMachineValue("Admin", "0");
  EXPECT_EQ(TvqLib::ReadRegInt("HKEY_LOCAL_MACHINE", full, "Release", -1), 394802);
  for (const char* version : {"v4.0", "v4.5", "v4.6.2"}) EXPECT_TRUE(TvqLib::IsDotNetInstalled(version, 0)) << version;
  EXPECT_FALSE(TvqLib::IsDotNetInstalled("v3.5", 0));
}

// The version table over the version records; a true version 10 wins over the older call.
TEST(VqLibSystem, WindowsVersionTable) {
  struct Case {
    unsigned major, minor;
    int productType;
    int arch;
    int serverR2;
    int suite;
    TWinVer expected;
  } cases[] = {
      {4, 0, 1, 0, 0, 0, TWinVer::Win95},
      {4, 10, 1, 0, 0, 0, TWinVer::Win98},
      {4, 90, 1, 0, 0, 0, TWinVer::WinMe},
      {5, 0, 1, 0, 0, 0, TWinVer::Win2000},
      {5, 0, 3, 0, 0, 0, TWinVer::WinServer2000},
      {5, 1, 1, 0, 0, 0, TWinVer::WinXp},
      {5, 2, 1, 9, 0, 0, TWinVer::WinXp64},
      {5, 2, 1, 0, 0, 0, TWinVer::WinServer2003},
      {5, 2, 3, 9, 1, 0, TWinVer::WinServer2003R2},
      {5, 2, 3, 0, 0, 0x8000, TWinVer::WinHomeServer},
      {5, 2, 1, 9, 0, 0x8000, TWinVer::WinHomeServer},
      {5, 2, 3, 0, 0, 0x8010, TWinVer::WinServer2003},
      {6, 0, 1, 0, 0, 0, TWinVer::WinVista},
      {6, 0, 2, 0, 0, 0, TWinVer::WinServer2008},
      {6, 1, 1, 0, 0, 0, TWinVer::Win7},
      {6, 1, 3, 0, 0, 0, TWinVer::WinServer2008R2},
      {6, 2, 1, 0, 0, 0, TWinVer::Win8},
      {6, 2, 3, 0, 0, 0, TWinVer::WinServer2012},
      {6, 3, 1, 0, 0, 0, TWinVer::Win81},
      {6, 3, 3, 0, 0, 0, TWinVer::WinServer2012R2},
      {10, 0, 1, 9, 0, 0, TWinVer::Win10},
      {10, 0, 3, 9, 0, 0, TWinVer::WinServer2016},
      {3, 51, 1, 0, 0, 0, TWinVer::WinNone},
      {6, 4, 1, 0, 0, 0, TWinVer::WinNone},
  };
  for (const Case& c : cases) {
    orvane::TVersionFacts facts;
    facts.rtlAvailable = false;
    facts.legacy.majorVersion = c.major;
    facts.legacy.minorVersion = c.minor;
    facts.legacy.productType = static_cast<std::uint8_t>(c.productType);
    facts.legacy.suiteMask = static_cast<std::uint16_t>(c.suite);
    facts.processorArchitecture = c.arch;
    facts.serverR2 = c.serverR2;
    EXPECT_EQ(orvane::WinVerName(orvane::WinVersionFrom(facts)), orvane::WinVerName(c.expected))
        << c.major << "." << c.minor;
  }
  orvane::TVersionFacts ten;
  ten.rtl.majorVersion = 10;
  ten.rtl.productType = 3;
  ten.legacy.majorVersion = 6;
  ten.legacy.minorVersion = 2;
  EXPECT_EQ(orvane::WinVersionFrom(ten), TWinVer::WinServer2016);
  ten.legacyAvailable = false;
  ten.rtlAvailable = false;
  EXPECT_EQ(orvane::WinVersionFrom(ten), TWinVer::WinNone);
  EXPECT_EQ(orvane::WinVerName(static_cast<TWinVer>(21)), "WinNone");
  EXPECT_EQ(orvane::WinVerName(TWinVer::WinServer2012R2), "WinServer2012R2");
}

// The running machine's version: Windows 10 by default though the older call says 6.2; the
// machine file sets others.
TEST(VqLibSystem, RunningWindowsFromTheMachine) {
  struct Case {
    const char* major;
    const char* minor;
    const char* productType;
    const char* win64;
    const char* expected;
  } cases[] = {
      {nullptr, nullptr, nullptr, nullptr, "Win10"},
      {"10", "0", "3", "1", "WinServer2016"},
      {"6", "3", "1", "1", "Win8"},
      {"6", "1", "1", "0", "Win7"},
      {"5", "2", "1", "1", "WinXp64"},
      {"5", "2", "1", "0", "WinServer2003"},
  };
  for (const Case& c : cases) {
    vqtest::MachineRootFixture machine;
    if (c.major != nullptr) {
      machine.SetMachineValue("MajorVersion", c.major);
      machine.SetMachineValue("MinorVersion", c.minor);
      machine.SetMachineValue("ProductType", c.productType);
      machine.SetMachineValue("Win64", c.win64);
    }
    EXPECT_EQ(TvqLib::GetWinVerName(), c.expected) << c.expected;
    EXPECT_EQ(TvqLib::IsWin64(), c.win64 == nullptr || std::string(c.win64) == "1");
  }
  vqtest::MachineRootFixture machine;
  orvane::TOsVersionInfoEx info;
  ASSERT_TRUE(TvqLib::GetVersionInfo(info));
  EXPECT_EQ(info.majorVersion, 6u);
  EXPECT_EQ(info.minorVersion, 2u);
  info.size = 148;
  EXPECT_FALSE(TvqLib::GetVersionInfo(info));
  EXPECT_EQ(info.size, 0u);
}

}  // namespace
