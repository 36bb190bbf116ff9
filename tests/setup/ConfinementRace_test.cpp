#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdio.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/WinPath.h"
#include "setup/core/VqLib.h"
#include "support/ConfinementTraps.h"
#include "support/MachineRootFixture.h"
#include "support/SetupFakeClock.h"
#include "support/TempDir.h"

namespace {

using orvane::TvqLib;
namespace fs = std::filesystem;

constexpr int kTries = 1000;

// Swaps names on a thread of its own while it is running. Pausing waits for a swap in progress,
// so the caller can lay out the next try undisturbed.
class Flipper {
 public:
  explicit Flipper(std::function<void()> flip)
      : flip_(std::move(flip)), thread_([this] {
          while (!quit_) {
            bool flipped = false;
            {
              std::lock_guard<std::mutex> hold(lock_);
              if (running_) flip_();
              flipped = running_;
            }
            if (!flipped) std::this_thread::yield();
          }
        }) {}
  ~Flipper() {
    quit_ = true;
    thread_.join();
  }
  Flipper(const Flipper&) = delete;
  Flipper& operator=(const Flipper&) = delete;

  void Run(bool running) {
    std::lock_guard<std::mutex> hold(lock_);
    running_ = running;
  }

 private:
  std::function<void()> flip_;
  std::mutex lock_;
  bool running_ = false;
  std::atomic<bool> quit_{false};
  std::thread thread_;
};

struct RaceStage {
  vqtest::OutsideWorld outside;
  vqtest::MachineRootFixture machine;
  vqtest::ScopedConfinement confined{true};
  vqtest::SetupFakeClock clock;
  vqtest::ScopedSetupClock useClock{clock};
};

// A subfolder that is swapped for a link to the outside, between the listing and the descent
// or before the tree's own name is opened, never lets the tree deletion reach the outside.
TEST(ConfinementRace, DeleteTreeNeverFollowsASwappedFolder) {
  RaceStage stage;
  const std::string race = platform::HostPath("C:\\Race");
  const std::string sub = race + "/sub";
  const std::string out = race + "/.out";
  const std::string before = stage.outside.Fingerprint();
  // The real folder and the link to the outside trade names in one step.
  Flipper flipper([&] { (void)::renameat2(AT_FDCWD, sub.c_str(), AT_FDCWD, out.c_str(), RENAME_EXCHANGE); });

  for (int i = 0; i < kTries; ++i) {
    fs::remove_all(race);
    vqtest::WriteFileBytes(sub + "/a.txt", "a");
    vqtest::WriteFileBytes(sub + "/inner/b.txt", "b");
    fs::create_symlink(stage.outside.decoy(), out);
    flipper.Run(true);
    TvqLib::DeleteTree(i % 2 == 0 ? "C:\\Race" : "C:\\Race\\sub");
    flipper.Run(false);
  }
  // A change outside stays: nothing here puts the decoy back.
  EXPECT_TRUE(stage.outside.Untouched(before, stage.machine.root()));
}

// A program's folder whose link is turned between a machine folder and the outside while the
// shell opens the program starts the machine's program or nothing, never the outside one.
TEST(ConfinementRace, ShellOpenNeverStartsAProgramThroughASwappedLink) {
  RaceStage stage;
  vqtest::RecordShellOpens();
  const std::string race = platform::HostPath("C:\\Race");
  fs::create_directories(race + "/real");
  fs::copy_file("/bin/true", race + "/real/tool.exe");
  fs::create_symlink("real", race + "/sub");
  const std::string before = stage.outside.Fingerprint();
  // A prepared link is renamed over the name, so the name always exists and points one way.
  bool outward = true;
  Flipper flipper([&] {
    const std::string prepared = race + "/.next";
    ::unlink(prepared.c_str());
    if (::symlink(outward ? stage.outside.decoy().c_str() : "real", prepared.c_str()) == 0 &&
        ::rename(prepared.c_str(), (race + "/sub").c_str()) == 0)
      outward = !outward;
  });

  flipper.Run(true);
  for (int i = 0; i < kTries; ++i) (void)TvqLib::ShellOpen("C:\\Race\\sub\\tool.exe", "", false);
  flipper.Run(false);
  EXPECT_TRUE(stage.outside.Untouched(before, stage.machine.root()));
  EXPECT_EQ(vqtest::OpenedOutside(), std::vector<std::string>());
}

}  // namespace
