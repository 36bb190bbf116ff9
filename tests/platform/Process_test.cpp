#include "platform/Process.h"
#include "platform/ShellOpen.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "support/TempDir.h"

namespace {

// Waits for a file the started program writes; the limit only guards against a hang.
std::string WaitForFile(const std::string& path) {
  for (int i = 0; i < 1000; ++i) {
    if (access((path + ".done").c_str(), F_OK) == 0) return vqtest::ReadFileBytes(path);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return "<timed out>";
}

// A script that writes each argument on a line of `out`, then marks it done.
std::string ArgvScript(const vqtest::TempDir& dir, const std::string& name, mode_t mode = 0755) {
  const std::string script = dir.file(name);
  vqtest::WriteFileBytes(script, "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"" + dir.file("out") +
                                     "\"\ntouch \"" + dir.file("out") + ".done\"\n");
  chmod(script.c_str(), mode);
  return script;
}

// Command lines split as the Windows runtime splits them.
TEST(Process, SplitsCommandLinesByTheWindowsRules) {
  struct Case {
    const char* text;
    std::vector<std::string> args;
  } cases[] = {
      {"", {}},
      {"  a  b\tc ", {"a", "b", "c"}},
      {"\"a b\" \"\"", {"a b", ""}},
      {"-http://x/ -0 -0 -名 称 -1.0", {"-http://x/", "-0", "-0", "-名", "称", "-1.0"}},
      {"a\\\\b \\\"q\\\"", {"a\\\\b", "\"q\""}},
      {"\"c:\\dir\\\\\" next", {"c:\\dir\\", "next"}},
      {"\"say \"\"hi\"\"\"", {"say \"hi\""}},
      {"ab\"c d\"e", {"abc de"}},
  };
  for (const Case& c : cases) EXPECT_EQ(platform::SplitCommandLine(c.text), c.args) << c.text;
}

// A started program gets the arguments and runs on its own; a program that cannot start says why.
TEST(Process, StartsDetachedOrSaysWhyNot) {
  vqtest::TempDir dir;
  const std::string script = ArgvScript(dir, "tool");
  std::string error;
  ASSERT_TRUE(platform::StartDetached(script, {"one", "two words"}, error)) << error;
  EXPECT_EQ(WaitForFile(dir.file("out")), "one\ntwo words\n");

  EXPECT_FALSE(platform::StartDetached(dir.file("missing"), {}, error));
  EXPECT_EQ(error, "No such file or directory");
}

// Shell "open" starts a program with the split parameters; a ".exe" that may not run fails.
TEST(Process, ShellOpenStartsPrograms) {
  vqtest::TempDir dir;
  const std::string script = ArgvScript(dir, "Run.exe");
  std::string error;
  ASSERT_TRUE(platform::ShellOpen(script, "-a \"b c\"", error)) << error;
  EXPECT_EQ(WaitForFile(dir.file("out")), "-a\nb c\n");

  const std::string locked = ArgvScript(dir, "Locked.exe", 0644);
  EXPECT_FALSE(platform::ShellOpen(locked, "", error));
  EXPECT_EQ(error, "Permission denied");
}

// The executable name of a process, or nothing for a process that does not exist.
TEST(Process, NamesTheExecutableOfAProcess) {
  const std::string self = platform::ProcessExeName(getpid());
  EXPECT_EQ(self, "platform_Process_test");
  EXPECT_EQ(platform::ProcessExeName(-1), "");
  EXPECT_EQ(platform::ProcessExeName(0x3ffffff), "");
  const auto ids = platform::ProcessIds();
  EXPECT_NE(std::find(ids.begin(), ids.end(), getpid()), ids.end());
}

}  // namespace
