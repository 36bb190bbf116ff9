#include "platform/NamedMutex.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/MachineRootFixture.h"

namespace {

// Runs `probe` in a child process and gives its answer.
template <class F>
bool InChild(F probe) {
  const pid_t child = fork();
  if (child == 0) _exit(probe() ? 1 : 0);
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 1;
}

// A name exists only while a handle is held: by this process or by another one still alive.
TEST(NamedMutex, ExistsWhileSomeProcessHoldsIt) {
  vqtest::MachineRootFixture machine;
  EXPECT_FALSE(platform::OpenNamedMutex("Vq\\Global One"));
  EXPECT_FALSE(InChild([] { return platform::OpenNamedMutex("Vq\\Global One"); }));

  int ready[2];
  int release[2];
  ASSERT_EQ(pipe(ready), 0);
  ASSERT_EQ(pipe(release), 0);
  const pid_t holder = fork();
  ASSERT_GE(holder, 0);
  if (holder == 0) {
    close(release[1]);
    const bool created = platform::CreateNamedMutex("Vq\\Global One");
    char c = created ? 'y' : 'n';
    (void)write(ready[1], &c, 1);
    (void)read(release[0], &c, 1);  // until the parent closes its end
    _exit(0);
  }
  char c = 0;
  ASSERT_EQ(read(ready[0], &c, 1), 1);
  EXPECT_EQ(c, 'y');
  EXPECT_TRUE(platform::OpenNamedMutex("Vq\\Global One"));
  EXPECT_FALSE(platform::OpenNamedMutex("vq\\global one"));  // names are case-sensitive
  close(release[1]);
  int status = 0;
  ASSERT_EQ(waitpid(holder, &status, 0), holder);
  EXPECT_FALSE(platform::OpenNamedMutex("Vq\\Global One"));

  ASSERT_TRUE(platform::CreateNamedMutex("Vq\\Global One"));
  EXPECT_TRUE(platform::OpenNamedMutex("Vq\\Global One"));
  EXPECT_TRUE(InChild([] { return platform::OpenNamedMutex("Vq\\Global One"); }));
  EXPECT_TRUE(InChild([] { return platform::CreateNamedMutex("Vq\\Global One"); }));
  close(ready[0]);
  close(ready[1]);
  close(release[0]);
}

}  // namespace
