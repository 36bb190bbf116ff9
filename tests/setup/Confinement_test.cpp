#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <ostream>
#include <memory>
#include <string>
#include <vector>

#include "platform/Process.h"
#include "platform/Registry.h"
#include "platform/WinPath.h"
#include "setup/core/SetupLog.h"
#include "setup/core/VqLib.h"
#include "support/ConfinementTraps.h"
#include "support/MachineRootFixture.h"
#include "support/SetupFakeClock.h"
#include "support/TempDir.h"
#include "support/WaitUntil.h"

namespace {

using orvane::TvqLib;
using vqtest::Trap;
using vqtest::TrapPaths;

constexpr const char* kPayload = "C:\\Src\\payload.txt";
constexpr const char* kDesktop = "C:\\Users\\Public\\Desktop";

// The machine-wide desktop as the registry names it, in both views.
void SetCommonDesktop(const std::string& folder) {
  for (const auto view : {platform::RegView::Force64, platform::RegView::Force32}) {
    platform::RegKey key;
    ASSERT_EQ(platform::RegKey::Create(platform::RegRoot::LocalMachine,
                                       "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", view,
                                       key),
              0);
    ASSERT_EQ(key.WriteString("Common Desktop", folder), 0);
  }
}

void WriteIni(const std::string& file) {
  try {
    TvqLib::WriteIniValue(file, "S", "k", "v");
  } catch (const orvane::EVqLibError&) {
    // A refusal is a right answer; only what reached the outside counts.
  }
}

// A road of the setup library, handed the names a trap gives.
struct Road {
  const char* name;
  std::function<void(const TrapPaths&)> run;
};

const std::vector<Road>& Roads() {
  static const std::vector<Road> roads = {
      {"Copy", [](const TrapPaths& t) { (void)TvqLib::CopyFileRetry(kPayload, t.Name("victim.txt")); }},
      {"CopyToNewFile", [](const TrapPaths& t) { (void)TvqLib::CopyFileRetry(kPayload, t.Name("fresh.txt")); }},
      {"Move", [](const TrapPaths& t) { (void)TvqLib::MoveFileRetry(kPayload, t.Name("victim.txt")); }},
      {"MoveAway", [](const TrapPaths& t) { (void)TvqLib::MoveFileRetry(t.Name("victim.txt"), "C:\\Src\\moved.txt"); }},
      {"Delete", [](const TrapPaths& t) { (void)TvqLib::DeleteFileRetry(t.Name("victim.txt"), 3, 100); }},
      {"DeleteTree", [](const TrapPaths& t) { TvqLib::DeleteTree(t.Name("sub")); }},
      {"ClearReadOnly", [](const TrapPaths& t) { (void)TvqLib::ClearReadOnly(t.Name("locked.txt")); }},
      {"FileTimes", [](const TrapPaths& t) { (void)TvqLib::SetFileTimes(t.Name("victim.txt"), 40000.0, 40000.0); }},
      {"IniWrite", [](const TrapPaths& t) { WriteIni(t.Name("victim.txt")); }},
      {"IniCreate", [](const TrapPaths& t) { WriteIni(t.Name("sub") + "\\fresh.ini"); }},
      {"LogWrite", [](const TrapPaths& t) { TvqLib::WriteLogFile("entry", "victim", t.dir); }},
      {"SetupLog",
       [](const TrapPaths& t) {
         orvane::SetSetupLogFolder(t.dir);
         orvane::WriteSetupLog("entry");
         orvane::SetSetupLogFolder("");
       }},
      {"DesktopShortcut",
       [](const TrapPaths& t) {
         SetCommonDesktop(t.Name("sub"));
         TvqLib::CreateDesktopLink(kPayload, "victim", "", "");
         TvqLib::DeleteDesktopLink("victim");
         TvqLib::CreateDesktopLink(kPayload, "victim", "", "");
       }},
      {"ShortcutToProgram", [](const TrapPaths& t) { TvqLib::CreateDesktopLink(t.program, "Tool", "", ""); }},
      {"StartMenuShortcut",
       [](const TrapPaths& t) { TvqLib::CreateStartMenuLink(t.program, "Vq", "Tool", "", ""); }},
      {"FontInstall", [](const TrapPaths& t) { (void)TvqLib::InstallFont(t.Name("font.ttf")); }},
      {"Start", [](const TrapPaths& t) { (void)TvqLib::RunCommand("\"" + t.program + "\" arg", false); }},
      {"StartUnquoted", [](const TrapPaths& t) { (void)TvqLib::RunCommand(t.program + " arg", false); }},
      {"StartAndWait", [](const TrapPaths& t) { (void)TvqLib::RunCommandWait("\"" + t.program + "\" arg", false); }},
      {"Open", [](const TrapPaths& t) { (void)TvqLib::ShellOpen(t.program, "arg", false); }},
      {"OpenAndWait", [](const TrapPaths& t) { (void)TvqLib::ShellOpenWait(t.program, "arg", false); }},
      {"OpenDocument", [](const TrapPaths& t) { (void)TvqLib::ShellOpen(t.Name("doc.txt"), "", false); }},
      {"OpenFolder", [](const TrapPaths& t) { (void)TvqLib::ShellOpen(t.Name("sub"), "", false); }},
      {"OpenFileAddress",
       [](const TrapPaths& t) { (void)TvqLib::ShellOpen("file://" + platform::HostPath(t.Name("doc.txt")), "", false); }},
  };
  return roads;
}

using Case = vqtest::RoadCase<Road>;

std::vector<Case> Cases() {
  std::vector<Case> cases;
  for (const Road& road : Roads())
    for (const Trap trap : vqtest::AllTraps()) cases.push_back({&road, trap});
  return cases;
}

// The state a case works in: the outside, a confined machine with a payload, recorded opens and
// a clock whose waits cost nothing.
struct Stage {
  vqtest::OutsideWorld outside;
  vqtest::MachineRootFixture machine;
  vqtest::ScopedConfinement confined{true};
  vqtest::SetupFakeClock clock;
  vqtest::ScopedSetupClock useClock{clock};

  Stage() {
    vqtest::WriteFileBytes(platform::HostPath(kPayload), "payload");
    vqtest::RecordShellOpens();
  }
};

class SetupConfinement : public testing::TestWithParam<Case> {};

// No file, program, shortcut or opener road of the setup library writes, deletes, changes or
// starts anything outside the machine root, whichever trap the name it is handed runs into.
TEST_P(SetupConfinement, LeavesTheOutsideUntouched) {
  Stage stage;
  const TrapPaths paths = vqtest::PlantTrap(GetParam().trap, stage.outside, stage.machine);
  const std::string before = stage.outside.Fingerprint();

  GetParam().road->run(paths);

  EXPECT_TRUE(stage.outside.Untouched(before, stage.machine.root()));
  EXPECT_EQ(vqtest::OpenedOutside(), std::vector<std::string>());
  EXPECT_EQ(vqtest::ShortcutsLeadingOutside(kDesktop), std::vector<std::string>());
  EXPECT_EQ(vqtest::ShortcutsLeadingOutside("C:\\ProgramData\\Microsoft\\Windows\\Start Menu"),
            std::vector<std::string>());
}

INSTANTIATE_TEST_SUITE_P(RoadsAndTraps, SetupConfinement, testing::ValuesIn(Cases()),
                         [](const testing::TestParamInfo<Case>& info) {
                           return std::string(info.param.road->name) + "_" + vqtest::TrapName(info.param.trap);
                         });

// A bare program name is looked for in the machine's folders only, and the machine's program
// of that name is started from its own file: the host's namesakes on PATH never run, whichever
// road names them.
TEST(SetupConfinementBareNames, HostNamesakesNeverRun) {
  Stage stage;
  const std::vector<std::string> names = {"touch", "notepad.exe", "xdg-open", "cmd.exe", "sh.exe"};
  for (const std::string& name : names) {
    const std::string host = platform::HostPath("C:\\Windows\\System32\\" + name);
    vqtest::WriteFileBytes(host, "#!/bin/sh\nexit 0\n");
    ASSERT_EQ(::chmod(host.c_str(), 0755), 0);
  }
  std::filesystem::current_path(platform::HostPath("C:\\Windows\\System32"));
  const std::string before = stage.outside.Fingerprint();
  for (const std::string& name : names) {
    (void)TvqLib::ShellOpen(name, "x", false);
    (void)TvqLib::ShellOpenWait(name, "x", false);
    (void)TvqLib::RunCommand(name + " x", false);
    (void)TvqLib::RunCommandWait(name + " x", false);
    (void)TvqLib::ShellOpen("notepad", name, false);
  }
  EXPECT_TRUE(stage.outside.Untouched(before, stage.machine.root()));
  EXPECT_EQ(vqtest::OpenedOutside(), std::vector<std::string>());
}

// The self-delete batch file removes nothing outside the machine, whichever trap its program
// path runs into, and expands no "%" of the path, so no other folder of the machine goes either.
// All stages run at once, so the batch file's pause is paid once.
TEST(SetupConfinementSelfDelete, RemovesNothingBeyondTheProgram) {
  std::vector<std::unique_ptr<Stage>> stages;
  std::vector<std::string> before;
  for (const Trap trap : vqtest::AllTraps()) {
    stages.push_back(std::make_unique<Stage>());
    Stage& s = *stages.back();
    const TrapPaths paths = vqtest::PlantTrap(trap, s.outside, s.machine);
    before.push_back(s.outside.Fingerprint());
    try {
      (void)TvqLib::SelfDelete(paths.Name("victim.txt"), true);
    } catch (const orvane::EVqLibError&) {
      // Refused: nothing was started.
    }
  }
  stages.push_back(std::make_unique<Stage>());
  for (int i = 1; i <= 10; ++i)
    vqtest::WriteFileBytes(platform::HostPath("C:\\Game" + std::to_string(i) + "\\keep.txt"), "keep");
  vqtest::WriteFileBytes(platform::HostPath("C:\\Game%var%\\Uninst.exe"), "");
  const std::string gamesBefore = stages.back()->outside.Fingerprint();
  ASSERT_TRUE(TvqLib::SelfDelete("C:\\Game%var%\\Uninst.exe", true));

  for (std::size_t i = 0; i + 1 < stages.size(); ++i)
    EXPECT_TRUE(stages[i]->outside.Untouched(before[i], stages[i]->machine.root()))
        << vqtest::TrapName(vqtest::AllTraps()[i]);
  Stage& games = *stages.back();
  EXPECT_TRUE(games.outside.Untouched(gamesBefore, games.machine.root()));
  for (int i = 1; i <= 10; ++i)
    EXPECT_EQ(vqtest::ReadFileBytes(platform::HostPath("C:\\Game" + std::to_string(i) + "\\keep.txt")), "keep") << i;
  EXPECT_FALSE(std::filesystem::exists(platform::HostPath("C:\\Game%var%\\Uninst.exe")));
  // Each stage put back what it changed (environment, current folder) when it came; they go in
  // the opposite order.
  while (!stages.empty()) stages.pop_back();
}

// A host process that runs a host script with a machine program as its argument is no program
// of the machine: neither found nor killed. The machine's "#!" program itself is.
TEST(SetupConfinementProcesses, HostScriptsAreNeverTakenForMachinePrograms) {
  Stage stage;
  const std::string program = platform::HostPath("C:\\App\\tool.exe");
  vqtest::WriteFileBytes(program, "#!/bin/sh -e\nsleep 60\n");
  ASSERT_EQ(::chmod(program.c_str(), 0755), 0);
  const std::string hostScript = stage.outside.decoy() + "/host.sh";
  vqtest::WriteFileBytes(hostScript, "sleep 60\n");
  std::string error;
  platform::ChildProcess host;
  ASSERT_TRUE(platform::ChildProcess::Start("/bin/sh", {hostScript, program}, "", host, error)) << error;
  struct GroupKill {
    int pgid;
    ~GroupKill() { ::kill(-pgid, SIGKILL); }
  } killHost{host.pid()};
  // The script's sleep runs once the shell reads the script; the shell stays as its parent.
  ASSERT_TRUE(vqtest::WaitUntil([&] {
    return vqtest::ReadFileBytes("/proc/" + std::to_string(host.pid()) + "/cmdline").find(program) !=
           std::string::npos;
  }));

  for (const std::string& path : std::vector<std::string>{"C:\\App\\tool.exe", "tool.exe"}) {
    EXPECT_EQ(TvqLib::FindProcess(path), 0) << path;
    EXPECT_EQ(TvqLib::KillProgram(path), -1) << path;
  }
  int exitCode = 0;
  EXPECT_FALSE(host.Finished(exitCode));

  platform::ChildProcess machineProgram;
  ASSERT_TRUE(platform::ChildProcess::Start(program, {}, "", machineProgram, error)) << error;
  GroupKill killMachine{machineProgram.pid()};
  ASSERT_TRUE(vqtest::WaitUntil([] { return TvqLib::FindProcess("C:\\App\\tool.exe") != 0; }));
  EXPECT_EQ(TvqLib::FindProcess("C:\\App\\tool.exe"), machineProgram.pid());
  EXPECT_EQ(TvqLib::KillProgram("C:\\App\\tool.exe"), 1);
  EXPECT_EQ(machineProgram.Wait(), 128 + SIGKILL);
  EXPECT_FALSE(host.Finished(exitCode));
}

}  // namespace
