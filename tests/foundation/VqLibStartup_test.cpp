#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "foundation/VqLibUtil.h"
#include "platform/ProgramInfo.h"
#include "support/MachineRootFixture.h"

namespace {

using namespace tessaly;

// The single-instance name: Windows paths by the Windows rule, host paths by their own, so two
// programs in different host folders never share one.
TEST(VqLibStartup, MutexKeyOfAProgramPath) {
  struct Case {
    const char* path;
    const char* key;
  } cases[] = {
      {"C:\\Program Files\\Tool\\Tessaly.exe", "TESSALY_CLIENT_PROGRAM FILES_TOOL_TESSALY.EXE"},
      {"d:\\vq\\同步\\Tessaly.exe", "TESSALY_CLIENT_VQ_同步_TESSALY.EXE"},
      {"/opt/tessaly/Tessaly", "TESSALY_CLIENT_opt_tessaly_Tessaly"},
      {"/home/ann/Tessaly", "TESSALY_CLIENT_home_ann_Tessaly"},
      {"/home/Ann/Tessaly", "TESSALY_CLIENT_home_Ann_Tessaly"},
  };
  for (const Case& c : cases) EXPECT_EQ(TvqLib::GetMutexKey(c.path), c.key) << c.path;
}

// Runs CheckOnlyRunn in a child process and gives its answer.
bool CheckInChild(const std::string& name) {
  const pid_t child = fork();
  if (child == 0) _exit(TvqLib::CheckOnlyRunn(name) ? 1 : 0);
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 1;
}

// The first instance gets False and keeps the name; a second process then gets True; once the
// holder has died the name is free again.
TEST(VqLibStartup, CheckOnlyRunnAcrossProcesses) {
  vqtest::MachineRootFixture machine;
  const std::string name = TvqLib::GetMutexKey(machine.programFile());
  int ready[2];
  int release[2];
  ASSERT_EQ(pipe(ready), 0);
  ASSERT_EQ(pipe(release), 0);
  const pid_t first = fork();
  ASSERT_GE(first, 0);
  if (first == 0) {
    close(release[1]);
    char c = TvqLib::CheckOnlyRunn(name) ? 'T' : 'F';
    (void)write(ready[1], &c, 1);
    (void)read(release[0], &c, 1);
    _exit(0);
  }
  close(release[0]);
  char answer = 0;
  ASSERT_EQ(read(ready[0], &answer, 1), 1);
  EXPECT_EQ(answer, 'F');
  EXPECT_TRUE(CheckInChild(name));
  close(release[1]);
  ASSERT_EQ(waitpid(first, nullptr, 0), first);
  EXPECT_FALSE(CheckInChild(name));

  EXPECT_FALSE(TvqLib::CheckOnlyRunn(name));
  EXPECT_TRUE(CheckInChild(name));
  close(ready[0]);
  close(ready[1]);
}

// The guard holds for a program deep in folders with Chinese names, whose key is far longer
// than a file name may be; a key differing only in its last character is another guard.
TEST(VqLibStartup, CheckOnlyRunnWithLongChinesePath) {
  vqtest::MachineRootFixture machine;
  std::string path = "D:\\";
  for (int i = 0; i < 40; ++i) path += "门店数据同步程序目录\\";
  const std::string name = TvqLib::GetMutexKey(path + "Tessaly.exe");
  ASSERT_GT(name.size(), 1000u);
  EXPECT_FALSE(TvqLib::CheckOnlyRunn(name));
  EXPECT_TRUE(CheckInChild(name));
  EXPECT_FALSE(CheckInChild(TvqLib::GetMutexKey(path + "Tessaly.exf")));
}

// Waits for the updater's argument file; the limit only guards against a hang.
std::string WaitForArgs(const std::string& path) {
  for (int i = 0; i < 1000; ++i) {
    if (access((path + ".done").c_str(), F_OK) == 0) return vqtest::ReadFileBytes(path);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return "<timed out>";
}

void WriteUpdater(const std::string& dir, mode_t mode) {
  const std::string updater = dir + "VqUpdata.exe";
  vqtest::WriteFileBytes(updater, "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"" + dir +
                                      "args\"\ntouch \"" + dir + "args.done\"\n");
  ASSERT_EQ(chmod(updater.c_str(), mode), 0);
}

// The updater in the program folder gets the argument text, split as Windows splits it.
TEST(VqLibStartup, CheckUpgradeStartsTheUpdater) {
  struct Case {
    const char* title;
    std::string args;
  } cases[] = {
      {"Velmora智能平台数据同步服务",
       "-http://127.0.0.1:9/upd/\n-0\n-0\n-Velmora智能平台数据同步服务\n-" + platform::ProgramVersion() + "\n"},
      {"", "-http://127.0.0.1:9/upd/\n-0\n-0\n-Tessaly\n-" + platform::ProgramVersion() + "\n"},
      {"Two words", "-http://127.0.0.1:9/upd/\n-0\n-0\n-Two\nwords\n-" + platform::ProgramVersion() + "\n"},
  };
  for (const Case& c : cases) {
    vqtest::MachineRootFixture machine;
    WriteUpdater(machine.programDir(), 0755);
    std::string erro;
    ASSERT_TRUE(TvqLib::CheckUpgrade("http://127.0.0.1:9/upd/", c.title, erro)) << erro;
    EXPECT_EQ(erro, "");
    EXPECT_EQ(WaitForArgs(machine.programDir() + "args"), c.args) << c.title;
  }
}

// Without the updater nothing starts; an updater that cannot run says why.
TEST(VqLibStartup, CheckUpgradeFailures) {
  vqtest::MachineRootFixture machine;
  std::string erro;
  EXPECT_FALSE(TvqLib::CheckUpgrade("http://x/", "t", erro));
  EXPECT_EQ(erro, "未找到升级程序");
  WriteUpdater(machine.programDir(), 0644);
  erro.clear();
  EXPECT_FALSE(TvqLib::CheckUpgrade("http://x/", "t", erro));
  EXPECT_EQ(erro, "运行升级程序出错：Permission denied");
  EXPECT_NE(access((machine.programDir() + "args").c_str(), F_OK), 0);
}

// Program folder and version come from the program file.
TEST(VqLibStartup, ProgramFolderAndVersion) {
  vqtest::MachineRootFixture machine;
  EXPECT_EQ(TvqLib::GetCurrPath(), machine.programDir());
  EXPECT_EQ(TvqLib::GetVersion(), platform::ProgramVersion());
  EXPECT_EQ(TvqLib::GetAppVersion(), platform::ProgramVersion());
  EXPECT_EQ(TvqLib::GetAppTitle(), "Tessaly");
  TvqLib::SetAppTitle("标题");
  EXPECT_EQ(TvqLib::GetAppTitle(), "标题");
  TvqLib::SetAppTitle("");
}

}  // namespace
