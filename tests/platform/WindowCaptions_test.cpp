#include "platform/WindowCaptions.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/MachineRootFixture.h"

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

  // The polite close reaches the owner as SIGTERM.
  EXPECT_TRUE(platform::CloseWindowByCaption("Agent"));
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);

  EXPECT_EQ(platform::FindWindowProcess("Agent"), 0);
  EXPECT_FALSE(platform::CloseWindowByCaption("Agent"));
}

}  // namespace
