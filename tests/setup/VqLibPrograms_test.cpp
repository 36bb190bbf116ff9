#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/MachinePath.h"
#include "platform/Process.h"
#include "platform/ProcessFind.h"
#include "platform/Profile.h"
#include "platform/WinPath.h"
#include "platform/WindowCaptions.h"
#include "setup/core/VqLib.h"
#include "support/MachineRootFixture.h"
#include "support/SetupFakeClock.h"
#include "support/Standins.h"
#include "support/TempDir.h"

namespace {

using orvane::TvqLib;

// Keeps the test's current folder: the shell's open moves it.
class KeepCurrentFolder {
 public:
  KeepCurrentFolder() : saved_(std::filesystem::current_path()) {}
  ~KeepCurrentFolder() { std::filesystem::current_path(saved_); }

 private:
  std::filesystem::path saved_;
};

// Captures the library's notes while it lives.
class CapturedNotes {
 public:
  CapturedNotes() {
    orvane::SetLibraryLog([this](const std::string& line) { lines.push_back(line); });
  }
  ~CapturedNotes() { orvane::SetLibraryLog({}); }
  std::vector<std::string> lines;
};

platform::ChildProcess StartSleeper(const std::string& host, std::vector<std::string> extra = {}) {
  platform::ChildProcess child;
  std::string error;
  extra.insert(extra.end(), {"--sleep-ms", "60000"});
  EXPECT_TRUE(platform::ChildProcess::Start(host, extra, "", child, error)) << error;
  EXPECT_TRUE(vqtest::WaitUntil([&] { return !platform::ProcessImagePath(child.pid()).empty(); }));
  return child;
}

// Started on its own, without the build folder that ctest names, a test program still finds the
// stand-ins of its build.
TEST(VqLibPrograms, StandinsFoundWithoutTheNamedBuildFolder) {
  const char* named = std::getenv("VQ_TEST_BINARY_DIR");
  const std::string saved = named != nullptr ? named : "";
  unsetenv("VQ_TEST_BINARY_DIR");
  const std::string found = vqtest::ProgramStandinFile();
  if (named != nullptr) setenv("VQ_TEST_BINARY_DIR", saved.c_str(), 1);
  EXPECT_TRUE(std::filesystem::is_regular_file(found)) << found;
}

// The waited command line gives the program's exit code and runs it in the current folder; an
// unquoted path with blanks is found as Windows finds it.
TEST(VqLibPrograms, RunCommandWaitGivesExitCodeAndWorkingFolder) {
  vqtest::MachineRootFixture machine;
  KeepCurrentFolder keep;
  vqtest::TempDir out;
  vqtest::PlaceProgramStandin("C:\\Program Files\\Tool\\Stand.exe");
  const std::string work = platform::HostPath("C:\\Work");
  std::filesystem::create_directories(work);
  std::filesystem::current_path(work);
  struct Case {
    std::string commandLine;
    int exitCode;
  } cases[] = {
      {"\"C:\\Program Files\\Tool\\Stand.exe\" --cwd " + out.file("cwd") + " --exit 7", 7},
      {"C:\\Program Files\\Tool\\Stand.exe --exit 3", 3},
      {"c:\\program files\\tool\\stand --exit 0", 0},
      {"C:\\Program Files\\Tool\\Missing.exe --exit 9", 0},
      {"sh -c \"exit 5\"", 0},
      {"   ", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(TvqLib::RunCommandWait(c.commandLine, false), c.exitCode) << c.commandLine;
  EXPECT_EQ(vqtest::ReadFileBytes(out.file("cwd")), work);
}

// A command line longer than 512 characters is refused and logged, not cut and run.
TEST(VqLibPrograms, RunCommandWaitRefusesLongCommandLines) {
  vqtest::MachineRootFixture machine;
  CapturedNotes notes;
  vqtest::TempDir out;
  vqtest::PlaceProgramStandin("C:\\T\\Stand.exe");
  const std::string head = "C:\\T\\Stand.exe --args " + out.file("args") + " --exit 4 ";
  const std::string fits = head + std::string(512 - head.size(), 'a');
  EXPECT_EQ(TvqLib::RunCommandWait(fits, false), 0);  // --args swallows the rest
  EXPECT_EQ(vqtest::ReadFileBytes(out.file("args")), "--exit\n4\n" + std::string(512 - head.size(), 'a') + "\n");
  EXPECT_TRUE(notes.lines.empty());
  std::filesystem::remove(out.file("args"));
  EXPECT_EQ(TvqLib::RunCommandWait(fits + "b", false), 0);
  EXPECT_FALSE(std::filesystem::exists(out.file("args")));
  ASSERT_EQ(notes.lines.size(), 1u);
  EXPECT_EQ(notes.lines[0].rfind("command line refused, longer than 512 characters: C:\\T\\Stand.exe", 0), 0u);
}

// A started command writes its output to /dev/null, so a talkative program runs to its end.
TEST(VqLibPrograms, RunCommandDoesNotWaitAndDiscardsOutput) {
  vqtest::MachineRootFixture machine;
  vqtest::TempDir out;
  vqtest::PlaceProgramStandin("C:\\T\\Stand.exe");
  ASSERT_TRUE(TvqLib::RunCommand("C:\\T\\Stand.exe --print 1000000 --cwd " + out.file("done"), false));
  EXPECT_TRUE(vqtest::WaitUntil([&] { return std::filesystem::exists(out.file("done")); }));
  EXPECT_FALSE(TvqLib::RunCommand("C:\\T\\Missing.exe", false));
  EXPECT_FALSE(TvqLib::RunCommand("", false));
}

// Programs are found by file name or by full path (folder compared without case), waited for
// and killed by either; the caller is never found.
TEST(VqLibPrograms, FindsWaitsAndKillsByNameAndPath) {
  vqtest::MachineRootFixture machine;
  vqtest::SetupFakeClock clock;
  vqtest::ScopedSetupClock useClock(clock);
  const std::string app = vqtest::PlaceProgramStandin("C:\\App\\Tessaly.exe");
  vqtest::PlaceProgramStandin("C:\\Other\\Tessaly.exe");
  EXPECT_EQ(TvqLib::FindProcess("Tessaly.exe"), 0);
  EXPECT_FALSE(TvqLib::WaitProgramRunning("Tessaly.exe", 3, 1000));
  EXPECT_EQ(clock.ElapsedMs(), 3000);
  EXPECT_EQ(TvqLib::KillProgram("Tessaly.exe"), -1);

  platform::ChildProcess child = StartSleeper(app);
  EXPECT_EQ(TvqLib::FindProcess("TESSALY.EXE"), child.pid());
  EXPECT_EQ(TvqLib::FindProcess("c:\\APP\\tessaly.exe"), child.pid());
  EXPECT_EQ(TvqLib::FindProcess("C:\\Other\\Tessaly.exe"), 0);
  EXPECT_TRUE(TvqLib::IsProgramRunning("Tessaly.exe"));
  EXPECT_TRUE(TvqLib::WaitProgramRunning("Tessaly.exe", 3, 1000));
  EXPECT_EQ(clock.ElapsedMs(), 3000);
  EXPECT_EQ(TvqLib::GetProgramFolder("Tessaly.exe"), "C:\\App\\");
  EXPECT_EQ(TvqLib::KillProgram("C:\\Other\\Tessaly.exe"), -1);
  EXPECT_TRUE(TvqLib::IsProgramRunning("C:\\App\\Tessaly.exe"));
  EXPECT_EQ(TvqLib::KillProgram("C:\\App\\Tessaly.exe"), 1);
  EXPECT_EQ(child.Wait(), 128 + SIGKILL);
  EXPECT_FALSE(TvqLib::IsProgramRunning("Tessaly.exe"));
  EXPECT_EQ(TvqLib::KillProgram(platform::ProcessExeName(getpid())), -1);

  // A bare file name ends the machine's program of that name, as it is found running.
  child = StartSleeper(app);
  EXPECT_EQ(TvqLib::KillProgram("tessaly.exe"), 1);
  EXPECT_EQ(child.Wait(), 128 + SIGKILL);
  EXPECT_FALSE(TvqLib::IsProgramRunning("Tessaly.exe"));
}

// A path that the file functions accept names the same running program for the lookup and the
// kill, whatever its separators.
TEST(VqLibPrograms, SlashedPathsFindAndKill) {
  vqtest::MachineRootFixture machine;
  const std::string app = vqtest::PlaceProgramStandin("C:\\App\\Tessaly.exe");
  platform::ChildProcess child = StartSleeper(app);
  for (const char* path : {"C:/App/Tessaly.exe", "C:\\App\\.\\Tessaly.exe", "C:\\App\\\\Tessaly.exe"}) {
    EXPECT_TRUE(TvqLib::WaitFileExists(path, 1, 0)) << path;
    EXPECT_TRUE(TvqLib::IsProgramRunning(path)) << path;
    EXPECT_EQ(TvqLib::GetProgramFolder(path), "C:\\App\\") << path;
  }
  EXPECT_EQ(TvqLib::KillProgram("c:/app/tessaly.exe"), 1);
  EXPECT_EQ(child.Wait(), 128 + SIGKILL);
}

// A "#!" program is found and ended by its own path, also by its bare name.
TEST(VqLibPrograms, ScriptProgramsAreFoundAndKilled) {
  vqtest::MachineRootFixture machine;
  platform::ChildProcess child = StartSleeper(vqtest::PlaceScriptStandin("C:\\App\\Run.exe"));
  EXPECT_EQ(TvqLib::FindProcess("C:\\App\\Run.exe"), child.pid());
  EXPECT_TRUE(TvqLib::IsProgramRunning("Run.exe"));
  EXPECT_EQ(TvqLib::KillProgram("Run.exe"), 1);
  EXPECT_EQ(child.Wait(), 128 + SIGKILL);
  EXPECT_FALSE(TvqLib::IsProgramRunning("C:\\App\\Run.exe"));
}

// A program asked to close by its main window's caption gets the polite quit.
TEST(VqLibPrograms, ClosesAProgramByItsWindowCaption) {
  vqtest::MachineRootFixture machine;
  const std::string app = vqtest::PlaceProgramStandin("C:\\App\\Tessaly.exe");
  platform::ChildProcess child = StartSleeper(app, {"--caption", "Tessaly 同步"});
  ASSERT_TRUE(vqtest::WaitUntil([] { return platform::FindWindowProcess("Tessaly 同步") != 0; }));
  EXPECT_FALSE(TvqLib::CloseWindowByTitle("Tessaly"));
  EXPECT_TRUE(TvqLib::CloseWindowByTitle("Tessaly 同步"));
  EXPECT_EQ(child.Wait(), 0);
}

// The shell's open moves to the file's folder, starts programs and waits for them when asked;
// documents and addresses go to the recorder; a missing file is the shell's "not found".
TEST(VqLibPrograms, ShellOpenAndWait) {
  vqtest::MachineRootFixture machine;
  vqtest::SetupFakeClock clock;
  vqtest::ScopedSetupClock useClock(clock);
  KeepCurrentFolder keep;
  vqtest::TempDir out;
  ASSERT_TRUE(
      platform::WritePrivateProfileString("Shell", "Recorder", out.file("opened"), machine.root() + "/machine.ini"));
  vqtest::PlaceProgramStandin("C:\\Setup\\dotNetFx.exe");
  EXPECT_TRUE(TvqLib::ShellOpenWait("C:\\Setup\\dotNetFx.exe", "--sleep-ms 50 --cwd " + out.file("cwd"), false));
  EXPECT_EQ(vqtest::ReadFileBytes(out.file("cwd")), platform::HostPath("C:\\Setup"));
  EXPECT_EQ(std::filesystem::current_path().string(), platform::HostPath("C:\\Setup"));
  EXPECT_GE(clock.ElapsedMs(), 100);

  vqtest::WriteFileBytes(platform::HostPath("C:\\Docs\\read me.txt"), "x");
  EXPECT_GT(TvqLib::ShellOpen("C:\\Docs\\read me.txt", "", true), 32);
  EXPECT_GT(TvqLib::ShellOpen("http://www.example.test/", "", true), 32);
  EXPECT_TRUE(TvqLib::ShellOpenWait("http://www.example.test/x", "", true));
  EXPECT_EQ(TvqLib::ShellOpen("C:\\Docs\\missing.txt", "", true), 2);
  EXPECT_FALSE(TvqLib::ShellOpenWait("C:\\Docs\\missing.txt", "", true));
  EXPECT_EQ(vqtest::ReadFileBytes(out.file("opened")),
            "C:\\Docs\\read me.txt\t\nhttp://www.example.test/\t\nhttp://www.example.test/x\t\n");
}

// The confined shell's open starts and opens nothing outside the machine: a host program with
// parameters from a configuration, a link inside the machine to one, or a host document is
// refused with the shell's "access denied" and a note, and nothing runs or is opened.
TEST(VqLibPrograms, ShellOpenRefusesProgramsOutsideTheMachine) {
  vqtest::MachineRootFixture machine;
  vqtest::SetupFakeClock clock;
  vqtest::ScopedSetupClock useClock(clock);
  KeepCurrentFolder keep;
  CapturedNotes notes;
  vqtest::TempDir out;
  ASSERT_TRUE(
      platform::WritePrivateProfileString("Shell", "Recorder", out.file("opened"), machine.root() + "/machine.ini"));
  const std::string marker = out.file("ran");
  const std::string params = "-c \"echo ran > " + marker + "\"";
  const std::string link = platform::HostPath("C:\\Tools\\sh.exe");
  std::filesystem::create_directories(std::filesystem::path(link).parent_path());
  std::filesystem::create_symlink("/bin/sh", link);
  platform::SetMachineConfinement(true);
  EXPECT_EQ(TvqLib::ShellOpen("/bin/sh", params, true), 5);
  EXPECT_FALSE(TvqLib::ShellOpenWait("/bin/sh", params, true));
  EXPECT_EQ(TvqLib::ShellOpen("C:\\Tools\\sh.exe", params, true), 5);
  EXPECT_FALSE(TvqLib::ShellOpenWait("C:\\Tools\\sh.exe", params, true));
  vqtest::WriteFileBytes(out.file("notes.txt"), "x");
  EXPECT_EQ(TvqLib::ShellOpen(out.file("notes.txt"), "", true), 5);
  // A program inside the machine still starts.
  vqtest::PlaceProgramStandin("C:\\Setup\\Stand.exe");
  EXPECT_TRUE(TvqLib::ShellOpenWait("C:\\Setup\\Stand.exe", "--exit 0", true));
  platform::SetMachineConfinement(false);

  usleep(200 * 1000);
  EXPECT_FALSE(std::filesystem::exists(marker));
  EXPECT_FALSE(std::filesystem::exists(out.file("opened")));
  const std::string host = "shell open refused, not inside the machine: ";
  const std::string program = "shell open refused, the program is not inside the machine: ";
  EXPECT_EQ(notes.lines, (std::vector<std::string>{host + "/bin/sh", host + "/bin/sh", program + "C:\\Tools\\sh.exe",
                                                   program + "C:\\Tools\\sh.exe", host + out.file("notes.txt")}));
}

}  // namespace
