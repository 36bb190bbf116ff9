#include "platform/ProcessFind.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <filesystem>

#include "platform/Process.h"
#include "platform/WinError.h"
#include "platform/WinPath.h"
#include "support/MachineRootFixture.h"
#include "support/Standins.h"
#include "support/TempDir.h"

namespace {

// Starts a placed stand-in that sleeps until it is ended.
platform::ChildProcess StartSleeper(const std::string& host) {
  platform::ChildProcess child;
  std::string error;
  EXPECT_TRUE(platform::ChildProcess::Start(host, {"--sleep-ms", "60000"}, "", child, error)) << error;
  EXPECT_TRUE(vqtest::WaitUntil([&] { return !platform::ProcessImagePath(child.pid()).empty(); }));
  return child;
}

// A started program runs in the given folder, and its exit code comes back, waited for or polled.
TEST(ProcessStart, RunsInItsFolderAndReportsItsExitCode) {
  vqtest::MachineRootFixture machine;
  vqtest::TempDir out;
  const std::string program = vqtest::PlaceProgramStandin("C:\\Tools\\Stand.exe");
  const std::string work = platform::HostPath("C:\\Work");
  std::filesystem::create_directories(work);
  platform::ChildProcess child;
  std::string error;
  ASSERT_TRUE(platform::ChildProcess::Start(program, {"--cwd", out.file("cwd"), "--exit", "7"}, work, child, error));
  EXPECT_EQ(child.Wait(), 7);
  EXPECT_EQ(vqtest::ReadFileBytes(out.file("cwd")), work);

  ASSERT_TRUE(platform::ChildProcess::Start(program, {"--exit", "3"}, "", child, error));
  int code = -1;
  EXPECT_TRUE(vqtest::WaitUntil([&] { return child.Finished(code); }));
  EXPECT_EQ(code, 3);
  ASSERT_TRUE(platform::ChildProcess::Start(program, {"--sleep-ms", "60000"}, "", child, error));
  EXPECT_FALSE(child.Finished(code));
  kill(child.pid(), SIGKILL);
  EXPECT_EQ(child.Wait(), 128 + SIGKILL);
}

// Programs resolve only to files inside the machine's drives, never through the host's PATH.
TEST(ProcessStart, ResolvesProgramsOnlyInsideTheMachine) {
  vqtest::MachineRootFixture machine;
  const std::string sys = vqtest::PlaceProgramStandin("C:\\Windows\\System32\\tool.exe");
  const std::string app = vqtest::PlaceProgramStandin("C:\\Program Files\\Tool\\helper.exe");
  const std::string noExt = vqtest::PlaceProgramStandin("C:\\Apps\\run");
  struct Case {
    std::string name;
    std::string host;  // empty: refused
  } cases[] = {
      {"tool.exe", sys},
      {"TOOL", sys},
      {"helper.exe", app},  // beside the running program
      {"C:\\Program Files\\Tool\\HELPER.EXE", app},
      {"c:\\program files\\tool\\helper", app},
      {"C:\\Apps\\run", noExt},
      {app, app},
      {"sh", ""},
      {"/bin/sh", ""},
      {"D:\\tool.exe", ""},
      {"C:\\Windows\\System32", ""},
      {"", ""},
  };
  for (const Case& c : cases) {
    std::string error;
    EXPECT_EQ(platform::ResolveProgram(c.name, error), c.host) << c.name;
    EXPECT_EQ(error.empty(), !c.host.empty()) << c.name;
  }
}

// A program is found by its file name without case or by its full Windows path, whose folder
// must match; a program of the same name elsewhere does not match the full path.
TEST(ProcessFind, FindsByNameOrFullPathAndKills) {
  vqtest::MachineRootFixture machine;
  const std::string first = vqtest::PlaceProgramStandin("C:\\App\\Tessaly.exe");
  const std::string other = vqtest::PlaceProgramStandin("C:\\Other\\Tessaly.exe");
  EXPECT_EQ(platform::FindProgramProcess("Tessaly.exe"), 0);
  platform::ChildProcess a = StartSleeper(other);
  platform::ChildProcess b = StartSleeper(first);

  EXPECT_EQ(platform::ProcessImagePath(b.pid()), "C:\\App\\Tessaly.exe");
  EXPECT_EQ(platform::FindProgramProcess("tessaly.EXE"), std::min(a.pid(), b.pid()));
  EXPECT_EQ(platform::FindProgramProcess("c:\\app\\TESSALY.exe"), b.pid());
  EXPECT_EQ(platform::FindProgramProcess(first), b.pid());
  EXPECT_EQ(platform::FindProgramProcess("C:\\Missing\\Tessaly.exe"), 0);
  EXPECT_EQ(platform::FindProgramProcess("Tessaly"), 0);

  EXPECT_TRUE(platform::KillProcess(b.pid()));
  EXPECT_EQ(b.Wait(), 128 + SIGKILL);
  EXPECT_EQ(platform::FindProgramProcess("C:\\App\\Tessaly.exe"), 0);
  EXPECT_EQ(platform::FindProgramProcess("Tessaly.exe"), a.pid());
  EXPECT_TRUE(platform::KillProcess(a.pid()));
  EXPECT_EQ(a.Wait(), 128 + SIGKILL);
}

// The folder of a full path compares as the file functions read it: either separator, "."
// and doubled separators, ".." and case make no difference.
TEST(ProcessFind, ComparesTheFolderAsAPath) {
  vqtest::MachineRootFixture machine;
  platform::ChildProcess child = StartSleeper(vqtest::PlaceProgramStandin("C:\\App\\X.exe"));
  struct Case {
    const char* path;
    bool found;
  } cases[] = {
      {"C:/App/X.exe", true},         {"C:\\App\\.\\X.exe", true},       {"C:\\App\\\\X.exe", true},
      {"c:/app//./x.EXE", true},      {"C:\\Sub\\..\\App\\X.exe", true}, {"C:\\App\\Sub\\..\\X.exe", true},
      {"C:\\App\\Sub\\X.exe", false}, {"C:\\App\\..\\X.exe", false},     {"D:/App/X.exe", false},
  };
  for (const Case& c : cases) EXPECT_EQ(platform::FindProgramProcess(c.path), c.found ? child.pid() : 0) << c.path;
  EXPECT_TRUE(platform::KillProcess(child.pid()));
  EXPECT_EQ(child.Wait(), 128 + SIGKILL);
}

// A "#!" program runs as its interpreter, yet it is found, and ended, by the script it runs; a
// host program that merely has the script open is not the script's process.
TEST(ProcessFind, FindsAScriptByTheFileItRuns) {
  vqtest::MachineRootFixture machine;
  const std::string script = vqtest::PlaceScriptStandin("C:\\App\\Script.exe");
  platform::ChildProcess reader;
  std::string error;
  ASSERT_TRUE(platform::ChildProcess::Start("tail", {"-f", script}, "", reader, error)) << error;
  platform::ChildProcess child;
  ASSERT_TRUE(platform::ChildProcess::Start(script, {}, "", child, error)) << error;
  ASSERT_TRUE(vqtest::WaitUntil([&] { return !platform::ProcessImagePath(child.pid()).empty(); }));

  EXPECT_EQ(platform::ProcessImagePath(child.pid()), "C:\\App\\Script.exe");
  EXPECT_EQ(platform::ProcessImagePath(reader.pid()), "");
  EXPECT_EQ(platform::FindProgramProcess("Script.exe"), child.pid());
  EXPECT_EQ(platform::FindProgramProcess("C:\\App\\Script.exe"), child.pid());
  EXPECT_EQ(platform::FindProgramProcess("sh"), 0);
  EXPECT_FALSE(platform::KillProcess(reader.pid()));
  EXPECT_TRUE(platform::KillProcess(child.pid()));
  EXPECT_EQ(child.Wait(), 128 + SIGKILL);
  EXPECT_EQ(platform::FindProgramProcess("Script.exe"), 0);
  kill(reader.pid(), SIGKILL);
  (void)reader.Wait();
}

// A "#!" program is its script only on the command line the kernel gives it: the interpreter as
// the "#!" line names it, the line's argument, then the script's absolute path. A host shell
// handed the machine's script any other way is a host program, never found nor killed.
TEST(ProcessFind, MatchesAScriptOnlyByItsOwnCommandLine) {
  vqtest::MachineRootFixture machine;
  const std::string script = vqtest::PlaceScriptStandin("C:\\App\\Strict.exe");
  const std::string body = vqtest::ReadFileBytes(script);
  vqtest::WriteFileBytes(script, "#!/bin/sh -e\n" + body.substr(body.find('\n') + 1));
  const std::string folder = std::filesystem::path(script).parent_path().string();
  vqtest::TempDir outside;
  const std::string hostScript = outside.file("x.sh");
  vqtest::WriteFileBytes(hostScript, "i=0\nwhile [ $i -lt 1200 ]; do sleep 0.05; i=$((i+1)); done\n");
  struct Case {
    const char* what;
    std::string program;
    std::vector<std::string> args;
    std::string workDir;
  };
  const Case hostRuns[] = {
      {"another argument than the line's", "/bin/sh", {"-x", script}, ""},
      {"the interpreter named otherwise", "sh", {"-e", script}, ""},
      {"the script by a relative name", "/bin/sh", {"-e", "Strict.exe"}, folder},
      {"a host script handed the machine's script", "/bin/sh", {hostScript, script}, ""},
  };
  std::vector<platform::ChildProcess> host;
  for (const Case& c : hostRuns) {
    SCOPED_TRACE(c.what);
    platform::ChildProcess child;
    std::string error;
    ASSERT_TRUE(platform::ChildProcess::Start(c.program, c.args, c.workDir, child, error)) << error;
    const std::string cmdlineFile = "/proc/" + std::to_string(child.pid()) + "/cmdline";
    const std::string lastArg = c.args.back();
    // Started once its command line is the one asked for (no longer the test program's).
    ASSERT_TRUE(vqtest::WaitUntil([&] {
      const std::string cmdline = vqtest::ReadFileBytes(cmdlineFile);
      return cmdline.find(lastArg) != std::string::npos;
    }));
    EXPECT_EQ(platform::ProcessImagePath(child.pid()), "");
    EXPECT_FALSE(platform::KillProcess(child.pid()));
    host.push_back(std::move(child));
  }
  EXPECT_EQ(platform::FindProgramProcess("C:\\App\\Strict.exe"), 0);

  platform::ChildProcess own;
  std::string error;
  ASSERT_TRUE(platform::ChildProcess::Start(script, {}, "", own, error)) << error;
  ASSERT_TRUE(vqtest::WaitUntil([&] { return !platform::ProcessImagePath(own.pid()).empty(); }));
  EXPECT_EQ(platform::FindProgramProcess("C:\\App\\Strict.exe"), own.pid());
  EXPECT_TRUE(platform::KillProcess(own.pid()));
  EXPECT_EQ(own.Wait(), 128 + SIGKILL);
  for (platform::ChildProcess& child : host) {
    kill(child.pid(), SIGKILL);
    (void)child.Wait();
  }
}

// The caller and programs outside the machine are never seen, so never killed.
TEST(ProcessFind, NeverSeesTheCallerOrHostPrograms) {
  vqtest::MachineRootFixture machine;
  const std::string self = platform::ProcessExeName(getpid());
  EXPECT_EQ(platform::FindProgramProcess(self), 0);
  EXPECT_EQ(platform::ProcessImagePath(getpid()), "");
  EXPECT_FALSE(platform::KillProcess(getpid()));
  EXPECT_FALSE(platform::KillProcess(1));
  EXPECT_FALSE(platform::KillProcess(0));
  EXPECT_FALSE(platform::KillProcess(-1));
}

}  // namespace
