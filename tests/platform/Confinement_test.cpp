#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/BatchRunner.h"
#include "platform/FileOps.h"
#include "platform/Fonts.h"
#include "platform/Process.h"
#include "platform/Profile.h"
#include "platform/ShellLink.h"
#include "platform/ShellOpen.h"
#include "platform/WinPath.h"
#include "support/ConfinementTraps.h"
#include "support/MachineRootFixture.h"
#include "support/TempDir.h"

namespace {

using vqtest::Trap;
using vqtest::TrapPaths;

constexpr const char* kPayload = "C:\\Src\\payload.txt";

// A road of the host layer, handed the names a trap gives. Whether it succeeds does not matter
// here; only what it does outside the machine does.
struct Road {
  const char* name;
  bool takesAnyName;  // also handed host paths and relative names (the setup program's own roads)
  std::function<void(const TrapPaths&)> run;
};

void RunBatch(const std::string& line) {
  vqtest::WriteFileBytes(platform::HostPath("C:\\Batch\\run.bat"), "@echo off\r\n" + line + "\r\n");
  std::string error;
  (void)platform::RunBatchFile("C:\\Batch\\run.bat", error);
}

const std::vector<Road>& Roads() {
  static const std::vector<Road> roads = {
      {"Create", false, [](const TrapPaths& t) { (void)platform::WriteFileBytes(t.Name("fresh.txt"), "x", false); }},
      {"Write", false, [](const TrapPaths& t) { (void)platform::WriteFileBytes(t.Name("victim.txt"), "x", false); }},
      {"Append", false, [](const TrapPaths& t) { (void)platform::WriteFileBytes(t.Name("victim.log"), "x", true); }},
      {"CopyOver", false, [](const TrapPaths& t) { (void)platform::CopyFileOver(kPayload, t.Name("victim.txt")); }},
      {"MoveOver", false, [](const TrapPaths& t) { (void)platform::MoveFileReplace(kPayload, t.Name("victim.txt")); }},
      {"MoveAway", false,
       [](const TrapPaths& t) { (void)platform::MoveFileNoReplace(t.Name("victim.txt"), "C:\\Src\\moved.txt"); }},
      {"Delete", false, [](const TrapPaths& t) { (void)platform::DeleteFile(t.Name("victim.txt")); }},
      {"ClearReadOnly", false, [](const TrapPaths& t) { (void)platform::SetReadOnly(t.Name("locked.txt"), false); }},
      {"SetReadOnly", false, [](const TrapPaths& t) { (void)platform::SetReadOnly(t.Name("victim.txt"), true); }},
      {"FileTimes", false,
       [](const TrapPaths& t) { (void)platform::SetFileTimes(t.Name("victim.txt"), 1e9, 1e9); }},
      {"IniWrite", false,
       [](const TrapPaths& t) { (void)platform::WritePrivateProfileString("S", "k", "v", t.Name("victim.txt")); }},
      {"Shortcut", false,
       [](const TrapPaths& t) {
         (void)platform::SaveShellLink({"C:\\Src\\payload.txt", "", "", "", ""}, t.Name("victim.lnk"));
       }},
      {"Font", false, [](const TrapPaths& t) { (void)platform::AddFontResource(t.Name("font.ttf")); }},
      {"BatchDel", true, [](const TrapPaths& t) { RunBatch("del \"" + t.Name("victim.txt") + "\""); }},
      {"BatchRd", true, [](const TrapPaths& t) { RunBatch("rd /s /q \"" + t.Name("sub") + "\""); }},
      {"BatchCopy", true,
       [](const TrapPaths& t) { RunBatch(std::string("copy \"") + kPayload + "\" \"" + t.Name("victim.txt") + "\""); }},
      {"Start", true,
       [](const TrapPaths& t) {
         std::string error;
         const std::string program = platform::ResolveProgram(t.program, error);
         if (!program.empty()) (void)platform::StartDetached(program, {"arg"}, error);
       }},
      {"Open", true,
       [](const TrapPaths& t) {
         std::string error;
         (void)platform::ShellOpen(t.program, "arg", error);
       }},
      {"OpenDocument", true,
       [](const TrapPaths& t) {
         std::string error;
         (void)platform::ShellOpen(t.Name("doc.txt"), "", error);
       }},
  };
  return roads;
}

using Case = vqtest::RoadCase<Road>;

// Host paths and relative names are the agent's own business in the host layer; the roads
// only the setup program takes (batch files, starts, opens) meet every trap.
std::vector<Case> Cases() {
  std::vector<Case> cases;
  for (const Road& road : Roads())
    for (const Trap trap : vqtest::AllTraps())
      if (road.takesAnyName || vqtest::IsDriveTrap(trap)) cases.push_back({&road, trap});
  return cases;
}

class HostLayerConfinement : public testing::TestWithParam<Case> {};

// No file, program or opener road of the host layer writes, deletes, changes or starts anything
// outside the machine root, whichever trap the name it is handed runs into. Drive paths are
// confined in the agent's mode too; the other names only in the setup program's.
TEST_P(HostLayerConfinement, LeavesTheOutsideUntouched) {
  vqtest::OutsideWorld outside;
  vqtest::MachineRootFixture machine;
  const vqtest::ScopedConfinement confined(!vqtest::IsDriveTrap(GetParam().trap));
  vqtest::WriteFileBytes(platform::HostPath(kPayload), "payload");
  vqtest::RecordShellOpens();
  const TrapPaths paths = vqtest::PlantTrap(GetParam().trap, outside, machine);
  const std::string before = outside.Fingerprint();

  GetParam().road->run(paths);

  EXPECT_TRUE(outside.Untouched(before, machine.root()));
  EXPECT_EQ(vqtest::OpenedOutside(), std::vector<std::string>());
}

INSTANTIATE_TEST_SUITE_P(RoadsAndTraps, HostLayerConfinement, testing::ValuesIn(Cases()),
                         [](const testing::TestParamInfo<Case>& info) {
                           return std::string(info.param.road->name) + "_" + vqtest::TrapName(info.param.trap);
                         });

// The agent works on host files (its program folder, log and data) as before; the confined
// setup program changes none of them, and still reads them.
TEST(HostLayerConfinementModes, HostFilesAreTheAgentsAlone) {
  vqtest::MachineRootFixture machine;
  vqtest::TempDir host;
  const std::string file = host.file("agent.log");
  const std::string copy = host.file("copy.log");
  for (const bool confined : {false, true}) {
    SCOPED_TRACE(confined ? "setup program" : "agent");
    const vqtest::ScopedConfinement mode(confined);
    vqtest::WriteFileBytes(file, "old");
    const long expected = confined ? platform::kErrorPathNotFound : 0;
    EXPECT_EQ(platform::WriteFileBytes(file, "+new", true), expected);
    EXPECT_EQ(platform::SetFileTimes(file, 1e9, 1e9), expected);
    EXPECT_EQ(platform::CopyFileOver(file, copy), expected);
    std::string bytes;
    EXPECT_EQ(platform::ReadFileBytes(file, bytes), 0);
    EXPECT_EQ(bytes, confined ? "old" : "old+new");
    EXPECT_EQ(vqtest::ReadFileBytes(copy), confined ? "" : "old+new");
    EXPECT_EQ(platform::DeleteFile(copy), expected);
    EXPECT_EQ(platform::DeleteFile(file), expected);
    EXPECT_EQ(std::filesystem::exists(file), confined);
    std::filesystem::remove(file);
  }
}

}  // namespace
