#include "platform/BatchRunner.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "platform/FileOps.h"
#include "platform/ProcessFind.h"
#include "platform/TextCodec.h"
#include "platform/WinPath.h"
#include "support/MachineRootFixture.h"
#include "support/Standins.h"
#include "support/TempDir.h"

namespace {

bool Exists(const std::string& windowsPath) { return access(platform::HostPath(windowsPath).c_str(), F_OK) == 0; }

void WriteBat(const std::string& windowsPath, const std::string& utf8) {
  vqtest::WriteFileBytes(platform::HostPath(windowsPath), platform::Utf8ToCp936(utf8));
}

// The deletion loops of a self-delete batch remove the program and, deep, its folder with
// everything in it, then the batch file itself; GBK paths are read right.
TEST(BatchRunner, RunsTheSelfDeleteForms) {
  vqtest::MachineRootFixture machine;
  vqtest::WriteFileBytes(platform::HostPath("C:\\应用\\Uninstall1001.exe"), "x");
  vqtest::WriteFileBytes(platform::HostPath("C:\\应用\\data\\a.db"), "x");
  WriteBat("C:\\Uninstall1001.exe.bat",
           "@echo off\r\n\r\nSET var=0\r\n\r\n:loop_file\r\n\r\nset /a var+=1\r\n\r\n"
           "del \"C:\\应用\\Uninstall1001.exe\"\r\n\r\nif %var% lss 10 goto loop_file\r\n\r\n"
           "set var=0\r\n\r\n:loop_dir\r\n\r\nset /a var+=1\r\n\r\nrd/s/q \"C:\\应用\\\"\r\n\r\n"
           "if %VAR% lss 10 goto loop_dir\r\n\r\ndel \"C:\\Uninstall1001.exe.bat\"\r\n\r\n");
  std::string error;
  EXPECT_TRUE(platform::RunBatchFile("C:\\Uninstall1001.exe.bat", error)) << error;
  EXPECT_FALSE(Exists("C:\\应用"));
  EXPECT_FALSE(Exists("C:\\Uninstall1001.exe.bat"));
  EXPECT_TRUE(Exists("C:\\Windows"));
}

// rd never removes a drive root, the machine's own folders, nor a folder holding one of them;
// the run goes on past a refused rd.
TEST(BatchRunner, NeverRemovesProtectedFolders) {
  vqtest::MachineRootFixture machine;
  vqtest::WriteFileBytes(platform::HostPath("D:\\keep.txt"), "x");
  vqtest::WriteFileBytes(platform::HostPath("C:\\ProgramData\\Vq\\keep.txt"), "x");
  for (const std::string& target : std::vector<std::string>{"C:\\", "C:", "D:\\", "C:\\Windows\\", "c:\\windows", "C:\\Windows\\..\\", "C:\\Program Files",
        "C:\\Program Files (x86)\\", "C:\\ProgramData", "C:\\Users\\Public\\..\\..", "C:\\ProgramData\\Microsoft\\..\\",
        machine.root(), machine.root() + "/drive_c", "/tmp", "Windows"}) {
    WriteBat("C:\\t.bat", "rd /s /q \"" + target + "\"\r\ndel \"C:\\marker.txt\"\r\n");
    vqtest::WriteFileBytes(platform::HostPath("C:\\marker.txt"), "x");
    std::string error;
    EXPECT_TRUE(platform::RunBatchFile("C:\\t.bat", error)) << target << " " << error;
    EXPECT_FALSE(Exists("C:\\marker.txt")) << target;
    for (const char* kept : {"C:\\Windows\\System32", "C:\\Program Files", "C:\\Program Files (x86)",
                             "C:\\ProgramData\\Vq\\keep.txt", "D:\\keep.txt", "C:\\t.bat"})
      EXPECT_TRUE(Exists(kept)) << target << " removed " << kept;
  }
  vqtest::WriteFileBytes(platform::HostPath("C:\\ProgramData\\Vq\\cache\\x"), "x");
  WriteBat("C:\\t.bat", "rd/s/q \"C:\\ProgramData\\Vq\\cache\\\"\r\n");
  std::string error;
  EXPECT_TRUE(platform::RunBatchFile("C:\\t.bat", error)) << error;
  EXPECT_FALSE(Exists("C:\\ProgramData\\Vq\\cache"));
  EXPECT_TRUE(Exists("C:\\ProgramData\\Vq\\keep.txt"));
}

// Lines are expanded as cmd reads them: "%%" is a literal "%", a set variable is its value, an
// unset one and a lone "%" are nothing.
TEST(BatchRunner, ExpandsOnlyWhatCmdExpands) {
  vqtest::MachineRootFixture machine;
  struct Case {
    const char* line;
    const char* deleted;
  };
  const Case cases[] = {
      {"del \"C:\\Game%%var%%\\x.txt\"", "C:\\Game%var%\\x.txt"},
      {"del \"C:\\Game%var%\\x.txt\"", "C:\\Game7\\x.txt"},
      {"del \"C:\\Game%unset%\\x.txt\"", "C:\\Game\\x.txt"},
      {"del \"C:\\Game50%\\x.txt\"", "C:\\Game50\\x.txt"},
      {"del \"C:\\Game%%%var%%%\\x.txt\"", "C:\\Game%7%\\x.txt"},
  };
  const char* files[] = {"C:\\Game%var%\\x.txt", "C:\\Game7\\x.txt", "C:\\Game\\x.txt", "C:\\Game50\\x.txt",
                         "C:\\Game50%\\x.txt", "C:\\Game%7%\\x.txt"};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    for (const char* f : files) vqtest::WriteFileBytes(platform::HostPath(f), "x");
    WriteBat("C:\\t.bat", std::string("set var=7\r\n") + c.line + "\r\n");
    std::string error;
    EXPECT_TRUE(platform::RunBatchFile("C:\\t.bat", error)) << error;
    for (const char* f : files) EXPECT_EQ(Exists(f), std::string(f) != c.deleted) << f;
  }
}

// Any line outside the allowed forms stops the run before it acts; endless loops stop too.
TEST(BatchRunner, StopsAtAnyOtherLine) {
  vqtest::MachineRootFixture machine;
  for (const std::string line :
       {"echo hello", "start C:\\x.exe", "del /f \"C:\\marker.txt\"", "rd /s \"C:\\x\"", "cmd /c del C:\\marker.txt",
        "set /a var*=2", "set =1", "if %undefined% lss 10 goto end", "if 1 equ 1 goto end", "goto end",
        "choice /t 100 /d y /n", "choice /d y /n", "del \"/tmp/anything\"", "copy a b", "if 1 lss 2 goto nowhere"}) {
    WriteBat("C:\\t.bat", line + "\r\ndel \"C:\\marker.txt\"\r\n:end\r\n");
    vqtest::WriteFileBytes(platform::HostPath("C:\\marker.txt"), "x");
    std::string error;
    EXPECT_FALSE(platform::RunBatchFile("C:\\t.bat", error)) << line;
    EXPECT_TRUE(Exists("C:\\marker.txt")) << line;
  }
  WriteBat("C:\\t.bat", ":a\r\nset /a v+=0\r\nif %v% lss 1 goto a\r\n");
  std::string error;
  EXPECT_FALSE(platform::RunBatchFile("C:\\t.bat", error));
  EXPECT_EQ(error, "too many steps");
  EXPECT_FALSE(platform::RunBatchFile("C:\\missing.bat", error));
}

// Started as a fresh process, the runner outlives nothing it needs: it deletes a stand-in
// program that ran while the batch was started, once that program has ended.
TEST(BatchRunner, FreshProcessDeletesAProgramAfterItEnded) {
  vqtest::MachineRootFixture machine;
  const std::string program = vqtest::PlaceProgramStandin("C:\\App\\Uninstall7.exe");
  platform::ChildProcess running;
  std::string error;
  ASSERT_TRUE(platform::ChildProcess::Start(program, {"--sleep-ms", "60000"}, "", running, error));
  ASSERT_TRUE(vqtest::WaitUntil([&] { return platform::FindProgramProcess("C:\\App\\Uninstall7.exe") != 0; }));
  platform::FileHold held("C:\\App\\Uninstall7.exe");  // a running program's file, as Windows keeps it
  WriteBat("C:\\Uninstall7.exe.bat",
           "@echo off\r\n\r\nchoice /t 1 /d y /n\r\n\r\nset var=0\r\n\r\n:loop_file\r\n\r\nset /a var+=1\r\n\r\n"
           "del \"C:\\App\\Uninstall7.exe\"\r\n\r\nif %var% lss 10 goto loop_file\r\n\r\n"
           "del \"C:\\Uninstall7.exe.bat\"\r\n\r\n");
  platform::ChildProcess runner;
  ASSERT_TRUE(platform::StartBatchFile("C:\\Uninstall7.exe.bat", runner, error)) << error;
  held.Release();
  EXPECT_TRUE(platform::KillProcess(running.pid()));
  running.Wait();
  EXPECT_EQ(runner.Wait(), 0);
  EXPECT_FALSE(Exists("C:\\App\\Uninstall7.exe"));
  EXPECT_FALSE(Exists("C:\\Uninstall7.exe.bat"));
  EXPECT_TRUE(Exists("C:\\App"));
}

// A runner slower to start than its machine is to go (the uninstall ended and the machine was
// removed) makes no new machine where the old one was.
TEST(BatchRunner, FreshProcessNeverRemakesARemovedMachine) {
  vqtest::MachineRootFixture machine;
  WriteBat("C:\\Uninstall7.exe.bat", "del \"C:\\App\\Uninstall7.exe\"\r\n");
  std::filesystem::remove_all(machine.root());
  platform::ChildProcess runner;
  std::string error;
  ASSERT_TRUE(platform::StartBatchFile("C:\\Uninstall7.exe.bat", runner, error)) << error;
  EXPECT_NE(runner.Wait(), 0);
  EXPECT_FALSE(std::filesystem::exists(machine.root()));
}

}  // namespace
