#include <gtest/gtest.h>

#include "foundation/VqLibUtil.h"
#include "platform/Registry.h"
#include "platform/WinError.h"
#include "support/MachineRootFixture.h"
#include "support/MachineRootLog.h"

namespace {

using namespace tessaly;
using Bits = vqtest::MachineRootFixture::Bits;
using platform::RegKey;
using platform::RegRoot;
using platform::RegView;

constexpr const char* kRun = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kRun32 = "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kApp = "VqSPFTransClient";

// The value as stored, read in the 64-bit view; "<none>" when absent.
std::string Stored(const char* path, const char* name) {
  RegKey key;
  if (RegKey::Open(RegRoot::LocalMachine, path, platform::RegAccess::Read, RegView::Force64, key) !=
      platform::kErrorSuccess)
    return "<no key>";
  std::string v;
  return key.ReadString(name, v) == platform::kErrorSuccess ? v : "<none>";
}

void MakeKey(const char* path) {
  RegKey key;
  ASSERT_EQ(RegKey::Create(RegRoot::LocalMachine, path, RegView::Force64, key), platform::kErrorSuccess);
}

// Only a value of exactly that name counts (without case), an empty one included.
TEST(VqLibRegistry, RegExistsMatchesTheWholeName) {
  // Writes go to the 64-bit view and reads use the 32-bit one: on a 32-bit machine they meet.
  vqtest::MachineRootFixture machine(Bits::x86);
  MakeKey("SOFTWARE\\Vq");
  ASSERT_TRUE(TvqLib::RegWrite("SOFTWARE\\Vq", "Empty", "", 2));
  ASSERT_TRUE(TvqLib::RegWrite("SOFTWARE\\Vq", "VqSPFTransClientOld", "x", 2));
  struct Case {
    const char* key;
    const char* name;
    bool exists;
  } cases[] = {
      {"SOFTWARE\\Vq", "Empty", true},
      {"SOFTWARE\\Vq", "EMPTY", true},
      {"SOFTWARE\\Vq", "VqSPFTransClient", false},
      {"SOFTWARE\\Vq", "SPFTrans", false},
      {"SOFTWARE\\Vq", "VqSPFTransClientOld", true},
      {"SOFTWARE\\Missing", "Empty", false},
  };
  for (const Case& c : cases) EXPECT_EQ(TvqLib::RegExists(c.key, c.name, 2), c.exists) << c.name;
}

// Reads give the default for a missing key, nothing for a missing value, and the default (with
// a log line) for a value that is no text.
TEST(VqLibRegistry, RegReadDefaults) {
  vqtest::MachineRootFixture machine(Bits::x86);
  vqtest::MachineRootLog log(false);
  MakeKey("SOFTWARE\\Vq");
  ASSERT_TRUE(TvqLib::RegWrite("SOFTWARE\\Vq", "Name", "值", 2));
  {
    RegKey key;
    ASSERT_EQ(RegKey::Open(RegRoot::LocalMachine, "SOFTWARE\\Vq", platform::RegAccess::Write, RegView::Force64, key), 0);
    ASSERT_EQ(key.WriteDword("Number", 3), 0);
  }
  EXPECT_EQ(TvqLib::RegRead("SOFTWARE\\Vq", "name", "def", 2), "值");
  EXPECT_EQ(TvqLib::RegRead("SOFTWARE\\Vq", "Other", "def", 2), "");
  EXPECT_EQ(TvqLib::RegRead("SOFTWARE\\None", "Name", "def", 2), "def");
  EXPECT_EQ(TvqLib::RegRead("SOFTWARE\\Vq", "Number", "def", 2), "def");
  EXPECT_NE(log.Text().find("读取注册表[SOFTWARE\\Vq]字段“Number”值失败：Data of this type is not supported."),
            std::string::npos);
}

// Writes need an existing key and the right to write; deletes take the value and a subkey of
// that name and are content when nothing was there.
TEST(VqLibRegistry, WriteAndDelete) {
  vqtest::MachineRootFixture machine;
  EXPECT_FALSE(TvqLib::RegWrite("SOFTWARE\\Vq", "a", "1", 2));
  EXPECT_EQ(Stored("SOFTWARE\\Vq", "a"), "<no key>");
  MakeKey("SOFTWARE\\Vq\\a\\deeper");
  ASSERT_TRUE(TvqLib::RegWrite("SOFTWARE\\Vq", "a", "1", 2));
  EXPECT_TRUE(TvqLib::RegDelete("SOFTWARE\\Vq", "A", 2));
  EXPECT_EQ(Stored("SOFTWARE\\Vq", "a"), "<none>");
  EXPECT_EQ(Stored("SOFTWARE\\Vq\\a", "x"), "<no key>");
  EXPECT_TRUE(TvqLib::RegDelete("SOFTWARE\\Vq", "a", 2));
  EXPECT_FALSE(TvqLib::RegDelete("SOFTWARE\\Missing", "a", 2));
  machine.SetMachineValue("Admin", "0");
  EXPECT_FALSE(TvqLib::RegWrite("SOFTWARE\\Vq", "a", "1", 2));
  EXPECT_FALSE(TvqLib::RegDelete("SOFTWARE\\Vq", "a", 2));
}

// Switching autorun on writes "<program path> -auto" into the 32-bit view's Run key on 64-bit
// Windows and the plain one on 32-bit Windows; reading finds it; switching off removes it.
TEST(VqLibRegistry, AutorunOnBothMachines) {
  struct Case {
    Bits bits;
    const char* storedIn;
    const char* notIn;
  } cases[] = {
      {Bits::x64, kRun32, kRun},
      {Bits::x86, kRun, kRun32},
  };
  for (const Case& c : cases) {
    vqtest::MachineRootFixture machine(c.bits);
    EXPECT_EQ(TvqLib::IsWin64(), c.bits == Bits::x64);
    EXPECT_FALSE(TvqLib::GetAutoStart(kApp));
    ASSERT_TRUE(TvqLib::SetAutoStart(kApp, true));
    EXPECT_EQ(Stored(c.storedIn, kApp), "C:\\Program Files\\Tool\\Tessaly.exe -auto");
    EXPECT_NE(Stored(c.notIn, kApp), "C:\\Program Files\\Tool\\Tessaly.exe -auto");
    EXPECT_TRUE(TvqLib::GetAutoStart(kApp));
    EXPECT_TRUE(TvqLib::SetAutoStart(kApp, false));
    EXPECT_EQ(Stored(c.storedIn, kApp), "<none>");
    EXPECT_FALSE(TvqLib::GetAutoStart(kApp));
  }
}

// A program outside the machine's drives starts from its host path.
TEST(VqLibRegistry, AutorunDataOfAHostPath) {
  vqtest::MachineRootFixture machine;
  vqtest::TempDir dir;
  machine.SetProgramHostFile(dir.file("bin/Tessaly"));
  ASSERT_TRUE(TvqLib::SetAutoStart(kApp, true));
  EXPECT_EQ(Stored(kRun32, kApp), dir.file("bin/Tessaly") + " -auto");
}

// On 64-bit Windows the native 64-bit value is outside the program's view, so it does not count.
TEST(VqLibRegistry, GetAutoStartLooksInTheProgramsView) {
  vqtest::MachineRootFixture machine;
  ASSERT_TRUE(TvqLib::RegWrite(kRun, kApp, "x -auto", 2));
  EXPECT_FALSE(TvqLib::GetAutoStart(kApp));
  ASSERT_TRUE(TvqLib::RegWrite(kRun32, kApp, "x -auto", 2));
  EXPECT_TRUE(TvqLib::GetAutoStart(kApp));
}

// Switching off reports failure when either deletion fails, with the log lines of each step.
TEST(VqLibRegistry, AutorunOffFailsWhenADeletionFails) {
  {
    vqtest::MachineRootFixture machine;
    vqtest::MachineRootLog log(true);
    ASSERT_EQ(RegKey::DeleteKey(RegRoot::LocalMachine, kRun32, RegView::Force64), platform::kErrorSuccess);
    EXPECT_FALSE(TvqLib::SetAutoStart(kApp, false));
    EXPECT_NE(log.Text().find("取消开机启动失败[64]"), std::string::npos);
    EXPECT_NE(log.Text().find("取消开机启动成功[32]"), std::string::npos);
  }
  {
    vqtest::MachineRootFixture machine;
    vqtest::MachineRootLog log(false);
    ASSERT_TRUE(TvqLib::SetAutoStart(kApp, true));
    machine.SetMachineValue("Admin", "0");
    EXPECT_FALSE(TvqLib::SetAutoStart(kApp, true));
    EXPECT_FALSE(TvqLib::SetAutoStart(kApp, false));
    EXPECT_TRUE(TvqLib::GetAutoStart(kApp));
    EXPECT_NE(log.Text().find("取消开机启动失败[64]"), std::string::npos);
    EXPECT_NE(log.Text().find("取消开机启动失败[32]"), std::string::npos);
  }
}

}  // namespace
