#include <gtest/gtest.h>
#include <unistd.h>

#include "platform/FileOps.h"
#include "platform/WinPath.h"
#include "setup/core/MessagePump.h"
#include "setup/core/VqLib.h"
#include "support/MachineRootFixture.h"
#include "support/SetupFakeClock.h"
#include "support/TempDir.h"

namespace {

using orvane::TvqLib;

// A window that, while the library waits, lets another program release its hold on a file after
// a number of message rounds (0: never).
class ReleasingPump final : public orvane::IMessagePump {
 public:
  ReleasingPump(platform::FileHold& hold, int releaseAfter) : hold_(hold), releaseAfter_(releaseAfter) {
    orvane::SetMessagePump(this);
  }
  ~ReleasingPump() override { orvane::SetMessagePump(nullptr); }
  void ProcessMessages() override {
    if (++rounds_ == releaseAfter_) hold_.Release();
  }
  bool Terminating() override { return false; }

 private:
  platform::FileHold& hold_;
  int releaseAfter_;
  int rounds_ = 0;
};

std::string Read(const std::string& windowsPath) { return vqtest::ReadFileBytes(platform::HostPath(windowsPath)); }
void Write(const std::string& windowsPath, const std::string& bytes) {
  vqtest::WriteFileBytes(platform::HostPath(windowsPath), bytes);
}

struct RetryCase {
  const char* name;
  int releaseAfter;    // message rounds until the hold ends; 0: never
  bool succeeds;
  std::int64_t waitedMs;
};

// Copying over a held target retries every 300 ms and succeeds once the hold ends; after 11
// passes it gives up. The copy of a read-only source is writable.
TEST(VqLibFileRetry, CopyRetriesWhileTheTargetIsHeld) {
  // Each 300 ms wait is three 100 ms slices and one of 0 ms, each followed by a message round.
  const RetryCase cases[] = {{"free", -1, true, 0}, {"released in 2nd wait", 5, true, 600}, {"held", 0, false, 3300}};
  for (const RetryCase& c : cases) {
    vqtest::MachineRootFixture machine;
    vqtest::SetupFakeClock clock;
    vqtest::ScopedSetupClock useClock(clock);
    Write("C:\\Src\\Tessaly.exe", "new");
    Write("C:\\App\\Tessaly.exe", "old");
    platform::FileHold hold;
    if (c.releaseAfter >= 0) hold = platform::FileHold("C:\\App\\Tessaly.exe");
    ReleasingPump pump(hold, c.releaseAfter);
    EXPECT_EQ(TvqLib::CopyFileRetry("C:\\Src\\Tessaly.exe", "C:\\App\\Tessaly.exe"), c.succeeds) << c.name;
    EXPECT_EQ(Read("C:\\App\\Tessaly.exe"), c.succeeds ? "new" : "old") << c.name;
    EXPECT_EQ(clock.ElapsedMs(), c.waitedMs) << c.name;
  }
  vqtest::MachineRootFixture machine;
  Write("C:\\Src\\a.dll", "new");
  Write("C:\\App\\a.dll", "old");
  ASSERT_EQ(platform::SetReadOnly("C:\\Src\\a.dll", true), 0);
  ASSERT_EQ(platform::SetReadOnly("C:\\App\\a.dll", true), 0);
  EXPECT_TRUE(TvqLib::CopyFileRetry("C:\\Src\\a.dll", "C:\\App\\Sub\\..\\a.dll"));
  EXPECT_EQ(Read("C:\\App\\a.dll"), "new");
  EXPECT_FALSE(platform::GetReadOnly("C:\\App\\a.dll"));
  EXPECT_TRUE(TvqLib::CopyFileRetry("C:\\Src\\a.dll", "C:\\New\\Folder\\a.dll"));
  EXPECT_EQ(Read("C:\\New\\Folder\\a.dll"), "new");
}

// A move replaces the target in one step, retrying while the source is held; a missing source
// never costs the installed target.
TEST(VqLibFileRetry, MoveRetriesAndNeverLosesTheTarget) {
  const RetryCase cases[] = {{"free", -1, true, 0}, {"released in 1st wait", 2, true, 300}, {"held", 0, false, 3300}};
  for (const RetryCase& c : cases) {
    vqtest::MachineRootFixture machine;
    vqtest::SetupFakeClock clock;
    vqtest::ScopedSetupClock useClock(clock);
    Write("C:\\Tmp\\Tessaly.exe.tmp", "new");
    Write("C:\\App\\Tessaly.exe", "old");
    ASSERT_EQ(platform::SetReadOnly("C:\\App\\Tessaly.exe", true), 0);
    platform::FileHold hold;
    if (c.releaseAfter >= 0) hold = platform::FileHold("C:\\Tmp\\Tessaly.exe.tmp");
    ReleasingPump pump(hold, c.releaseAfter);
    EXPECT_EQ(TvqLib::MoveFileRetry("C:\\Tmp\\Tessaly.exe.tmp", "C:\\App\\Tessaly.exe"), c.succeeds) << c.name;
    EXPECT_EQ(Read("C:\\App\\Tessaly.exe"), c.succeeds ? "new" : "old") << c.name;
    EXPECT_EQ(clock.ElapsedMs(), c.waitedMs) << c.name;
  }
  vqtest::MachineRootFixture machine;
  vqtest::SetupFakeClock clock;
  vqtest::ScopedSetupClock useClock(clock);
  Write("C:\\App\\Tessaly.exe", "installed");
  EXPECT_FALSE(TvqLib::MoveFileRetry("C:\\Tmp\\missing.tmp", "C:\\App\\Tessaly.exe"));
  EXPECT_EQ(Read("C:\\App\\Tessaly.exe"), "installed");
}

// Deleting retries as often as asked, the given pause apart; a missing file is no failure.
TEST(VqLibFileRetry, DeleteRetriesWhileTheFileIsHeld) {
  struct Case {
    const char* name;
    int releaseAfter;
    int tries;
    int ms;
    bool succeeds;
    std::int64_t waitedMs;
  } cases[] = {
      {"free", -1, 10, 100, true, 0},
      {"released after 3 waits", 6, 10, 100, true, 300},
      {"held", 0, 10, 100, false, 1000},
      {"held, no tries", 0, 0, 100, false, 0},
  };
  for (const Case& c : cases) {
    vqtest::MachineRootFixture machine;
    vqtest::SetupFakeClock clock;
    vqtest::ScopedSetupClock useClock(clock);
    Write("C:\\App\\x.lnk", "x");
    platform::FileHold hold;
    if (c.releaseAfter >= 0) hold = platform::FileHold("C:\\App\\x.lnk");
    ReleasingPump pump(hold, c.releaseAfter);
    EXPECT_EQ(TvqLib::DeleteFileRetry("C:\\App\\x.lnk", c.tries, c.ms), c.succeeds) << c.name;
    EXPECT_EQ(access(platform::HostPath("C:\\App\\x.lnk").c_str(), F_OK) != 0, c.succeeds) << c.name;
    EXPECT_EQ(clock.ElapsedMs(), c.waitedMs) << c.name;
  }
  vqtest::MachineRootFixture machine;
  EXPECT_TRUE(TvqLib::DeleteFileRetry("C:\\App\\missing.lnk", 0, 100));
}

// The waits test as often as asked, pausing after every failed test, the last one too.
TEST(VqLibFileRetry, WaitsForFilesAndFolders) {
  vqtest::MachineRootFixture machine;
  vqtest::SetupFakeClock clock;
  vqtest::ScopedSetupClock useClock(clock);
  Write("C:\\App\\a.txt", "x");
  EXPECT_TRUE(TvqLib::WaitFileExists("C:\\App\\a.txt", 3, 100));
  EXPECT_FALSE(TvqLib::WaitFileExists("C:\\App", 3, 100));
  EXPECT_EQ(clock.ElapsedMs(), 300);
  EXPECT_TRUE(TvqLib::WaitFolderExists("C:\\App", 3, 100));
  EXPECT_FALSE(TvqLib::WaitFolderExists("C:\\App\\a.txt", 2, 50));
  EXPECT_FALSE(TvqLib::WaitFileExists("C:\\App\\a.txt", 0, 100));
  EXPECT_EQ(clock.ElapsedMs(), 400);
}

}  // namespace
