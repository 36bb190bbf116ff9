#pragma once
// A small world in which the real agent executable does its main job, for the demo program
// (tools/demo) and the end-to-end tests:
// - an emulated machine (its own VQ_MACHINE_ROOT, set for this process and so for the agents it
//   starts) with the agent's autorun entry;
// - a program folder holding a copy of the agent executable, Tessaly.ini (product 00012, direct
//   database settings, enterprise 5 with a remembered password, no wait before the automatic
//   login) and the upgrade packages in data/;
// - a back-office database on the T-SQL test ODBC driver (registered as "SQL Server" in this
//   process's test odbcinst.ini, named by ODBCSYSINI) with the agent's tables, a sync-table
//   catalogue of two tables and sample rows, Chinese included;
// - the fake platform server on 127.0.0.1, which accepts the login, the uploads and the member
//   service call, and serves two self-service orders and two new members once.
//
// One world per process at a time. Not thread-safe; the fake server serves on its own threads.
#include <sys/types.h>

#include <string>
#include <vector>

#include "support/FakePlatformServer.h"
#include "support/TempDir.h"
#include "support/TestOdbc.h"

namespace vqtest {

class DemoWorld {
 public:
  // Builds the world around a copy of the executable `agentFile`. Throws std::runtime_error
  // when a part cannot be made.
  explicit DemoWorld(const std::string& agentFile);
  // Kills an agent still running (SIGKILL) and waits for it, then removes the world.
  ~DemoWorld();
  DemoWorld(const DemoWorld&) = delete;
  DemoWorld& operator=(const DemoWorld&) = delete;

  // The program folder, ending with '/'; the agent copy in it; its log file of today.
  [[nodiscard]] std::string ProgramDir() const;
  [[nodiscard]] std::string AgentFile() const;
  [[nodiscard]] std::string LogFile() const;
  // Every log file of the program folder, concatenated (the day may change during a run).
  [[nodiscard]] std::string LogText() const;

  [[nodiscard]] FakePlatformServer& Platform() { return platform_; }
  [[nodiscard]] TestOdbc& Database() { return db_; }

  // Starts the agent copy with `args`, in a process group of its own (so a terminal's Ctrl-C
  // reaches only the starter), standard output and error into `outputFile` (none: /dev/null).
  // Extra "NAME=value" entries are added to its environment. Returns its pid; throws when it
  // cannot be started.
  pid_t StartAgent(const std::vector<std::string>& args, const std::vector<std::string>& env = {},
                   const std::string& outputFile = "");
  // Waits for `pid` (a child) to end: its exit code, 128 + the signal when a signal ended it, or
  // -1 when `guardMs` of real time pass first (a hang guard, not a timing).
  [[nodiscard]] static int WaitExit(pid_t pid, int guardMs);

  // The sample data: sync tables and rows, and the sheets and members the platform serves.
  static constexpr int kItemRows = 3;
  static constexpr int kBranchRows = 2;
  static constexpr const char* kOrderSheets[] = {"XS20260001", "XS20260002"};

 private:
  void WriteProgramFolder(const std::string& agentFile);
  void FillDatabase();
  void ScriptPlatform();

  TempDir machineRoot_;
  TempDir programDir_;
  TestOdbc db_;
  FakePlatformServer platform_;
  std::vector<pid_t> started_;
};

}  // namespace vqtest
