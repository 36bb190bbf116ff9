#include "platform/WindowCaptions.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>

#include "platform/MachineRoot.h"
#include "platform/Process.h"
#include "support/MachineRootFixture.h"
#include "support/RunningStandin.h"
#include "support/Standins.h"

namespace {

// A caption is found while its registration lives, by exact text, and no longer after it is removed.
TEST(WindowCaptions, FoundWhileRegistered) {
  vqtest::MachineRootFixture machine;
  EXPECT_EQ(platform::FindWindowProcess("数据同步服务"), 0);
  const long handle = platform::RegisterWindowCaption("数据同步服务");
  ASSERT_GT(handle, 0);
  EXPECT_EQ(platform::FindWindowProcess("数据同步服务"), getpid());
  EXPECT_EQ(platform::FindWindowProcess("数据同步"), 0);
  EXPECT_EQ(platform::FindWindowProcess("数据同步服务 "), 0);
  platform::UnregisterWindowCaption(handle);
  EXPECT_EQ(platform::FindWindowProcess("数据同步服务"), 0);
}

// A registration left behind by a process that died never matches, so a dead agent is not
// mistaken for a running one.
TEST(WindowCaptions, DeadProcessNeverMatches) {
  vqtest::MachineRootFixture machine;
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    const bool ok = platform::RegisterWindowCaption("Agent") > 0;
    char c = ok ? 'y' : 'n';
    (void)write(ready[1], &c, 1);
    pause();
    _exit(0);
  }
  char c = 0;
  ASSERT_EQ(read(ready[0], &c, 1), 1);
  ASSERT_EQ(c, 'y');
  EXPECT_EQ(platform::FindWindowProcess("Agent"), child);

  // The child runs a host program, so the polite close leaves it alone.
  EXPECT_FALSE(platform::CloseWindowByCaption("Agent"));
  ASSERT_EQ(kill(child, SIGKILL), 0);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);

  EXPECT_EQ(platform::FindWindowProcess("Agent"), 0);
  EXPECT_FALSE(platform::CloseWindowByCaption("Agent"));
}

std::atomic<int> g_terms{0};

// The polite close goes to a machine program owning the caption, never to the caller or to a
// host program that registered the same caption.
TEST(WindowCaptions, CloseReachesOnlyTheMachinesPrograms) {
  vqtest::MachineRootFixture machine;
  struct sigaction count {};
  struct sigaction saved {};
  count.sa_handler = [](int) { ++g_terms; };
  ASSERT_EQ(sigaction(SIGTERM, &count, &saved), 0);
  const long mine = platform::RegisterWindowCaption("同步 窗口");
  ASSERT_GT(mine, 0);
  platform::ChildProcess host;
  std::string error;
  ASSERT_TRUE(platform::ChildProcess::Start(vqtest::ProgramStandinFile(),
                                            {"--caption", "同步 窗口", "--sleep-ms", "600000"}, "", host, error))
      << error;
  // The host program's registration is in place once a file named after its id is.
  ASSERT_TRUE(vqtest::WaitUntil([&] {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(platform::MachineRunDir() + "/windows", ec)) {
      if (entry.path().filename().string().rfind(std::to_string(host.pid()) + "-", 0) == 0) return true;
    }
    return false;
  }));
  EXPECT_FALSE(platform::CloseWindowByCaption("同步 窗口"));

  vqtest::RunningStandin program("C:\\App\\Agent.exe", {"--caption", "同步 窗口", "--sleep-ms", "600000"});
  ASSERT_TRUE(vqtest::WaitUntil([] { return platform::CloseWindowByCaption("同步 窗口"); }));
  EXPECT_EQ(program.ExitCode(), 0);
  EXPECT_FALSE(platform::CloseWindowByCaption("同步 窗口"));
  int code = 0;
  EXPECT_FALSE(host.Finished(code));
  EXPECT_EQ(g_terms.load(), 0);
  platform::UnregisterWindowCaption(mine);
  kill(host.pid(), SIGKILL);
  (void)host.Wait();
  sigaction(SIGTERM, &saved, nullptr);
}

}  // namespace
