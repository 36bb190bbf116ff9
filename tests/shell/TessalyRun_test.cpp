// The real Tessaly executable end to end, in the demo world: started with -auto it logs in,
// reaches the running state, uploads the sample rows and pulls the orders; a second copy
// started meanwhile ends at once and writes nothing; SIGTERM stops both workers and the program
// ends with exit code 0.
#include <gtest/gtest.h>
#include <signal.h>

#include <string>

#include <fstream>

#include "support/BuildTree.h"
#include "support/DemoWorld.h"
#include "support/TempDir.h"
#include "support/WaitUntil.h"

namespace {

// A started agent gets this long to reach a state (a hang guard, not a timing).
constexpr int kGuardMs = 60000;

// Until `done` holds, within the guard.
template <typename Condition>
bool WaitUntil(Condition done) {
  return vqtest::WaitUntil(done, kGuardMs);
}

std::size_t Count(const std::string& text, const std::string& part) {
  std::size_t n = 0;
  for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++n;
  return n;
}

const std::vector<std::string> kOffscreen = {"QT_QPA_PLATFORM=offscreen", "LANG=C.UTF-8", "LC_ALL=C.UTF-8"};

// The whole main job of the agent, a second copy refused, and the polite end.
TEST(TessalyRun, AutoStartUploadsPullsAndEndsOnSigterm) {
  vqtest::DemoWorld world(vqtest::BuildFile("src/shell/Tessaly"));
  const std::string output = world.ProgramDir() + "first.out";
  const pid_t agent = world.StartAgent({"-auto"}, kOffscreen, output);

  // Logged in, both workers started, and the window saw the running state.
  ASSERT_TRUE(WaitUntil([&] { return Count(world.LogText(), "[工作线程] 工作线程开启成功.") == 2; }))
      << world.LogText();
  ASSERT_TRUE(WaitUntil([&] { return world.LogText().find("运行中...") != std::string::npos; })) << world.LogText();
  EXPECT_EQ(world.Platform().RequestsTo("Login.ashx").size(), 1u);

  // Every sample row uploaded, signed; both orders stored and handed to the back office.
  ASSERT_TRUE(WaitUntil([&] { return world.LogText().find("[上传]全部表数据上传完成") != std::string::npos; }))
      << world.LogText();
  const auto uploads = world.Platform().RequestsTo("UpTable.ashx");
  ASSERT_EQ(uploads.size(), 2u);
  for (const auto& page : uploads) EXPECT_TRUE(page.signatureValid);
  EXPECT_EQ(Count(uploads[0].field("json"), "\"item_no\""), std::size_t{vqtest::DemoWorld::kItemRows});
  EXPECT_NE(uploads[0].field("json").find("\\u519C\\u592B\\u5C71\\u6CC9"), std::string::npos);  // 农夫山泉
  EXPECT_EQ(Count(uploads[1].field("json"), "\"branch_no\""), std::size_t{vqtest::DemoWorld::kBranchRows});
  ASSERT_TRUE(WaitUntil([&] { return world.Database().Value("select count(*) from spf_t_pos_master") == "2"; }));
  const auto ordersHandedOver = [&] {
    std::size_t n = 0;
    for (const auto& call : world.Database().ExecLog()) n += call.proc == "pr_spf_soft_pos_data" ? 1 : 0;
    return n;
  };
  ASSERT_TRUE(WaitUntil([&] { return ordersHandedOver() == 2; }));

  // A second copy of the same program ends at once, writing nothing anywhere.
  const std::string secondOutput = world.ProgramDir() + "second.out";
  const pid_t second = world.StartAgent({"-auto"}, kOffscreen, secondOutput);
  EXPECT_EQ(vqtest::DemoWorld::WaitExit(second, 20000), 0);
  EXPECT_EQ(vqtest::ReadFileBytes(secondOutput), "");
  EXPECT_EQ(Count(world.LogText(), "升级检测失败，"), 1u);
  EXPECT_EQ(world.Platform().RequestsTo("Login.ashx").size(), 1u);

  // The polite quit: both workers stop and are freed, exit code 0.
  ASSERT_EQ(::kill(agent, SIGTERM), 0);
  EXPECT_EQ(vqtest::DemoWorld::WaitExit(agent, 60000), 0) << world.LogText();
  const std::string log = world.LogText();
  EXPECT_EQ(Count(log, "[工作线程] 工作线程已结束."), 2u);
  EXPECT_EQ(Count(log, "[工作线程] 释放成功："), 2u);
}

// SIGINT (Ctrl-C) ends a running agent the same polite way.
TEST(TessalyRun, SigintIsAPoliteQuitToo) {
  vqtest::DemoWorld world(vqtest::BuildFile("src/shell/Tessaly"));
  const pid_t agent = world.StartAgent({"-auto"}, kOffscreen);
  ASSERT_TRUE(WaitUntil([&] { return Count(world.LogText(), "[工作线程] 工作线程开启成功.") == 2; }))
      << world.LogText();
  ASSERT_EQ(::kill(agent, SIGINT), 0);
  EXPECT_EQ(vqtest::DemoWorld::WaitExit(agent, 60000), 0);
  EXPECT_EQ(Count(world.LogText(), "[工作线程] 释放成功："), 2u);
}

// Signals that keep coming while the agent shuts down are absorbed: the engine is still freed
// (both workers' end lines) and the exit code stays 0.
TEST(TessalyRun, FurtherSignalsDuringShutDownAreAbsorbed) {
  vqtest::DemoWorld world(vqtest::BuildFile("src/shell/Tessaly"));
  const pid_t agent = world.StartAgent({"-auto"}, kOffscreen);
  ASSERT_TRUE(WaitUntil([&] { return Count(world.LogText(), "[工作线程] 工作线程开启成功.") == 2; }))
      << world.LogText();
  int exitCode = -1;
  for (int i = 0; i < kGuardMs / 20 && exitCode == -1; ++i) {
    ::kill(agent, i % 2 == 0 ? SIGTERM : SIGINT);
    exitCode = vqtest::DemoWorld::WaitExit(agent, 1);
  }
  EXPECT_EQ(exitCode, 0);
  const std::string log = world.LogText();
  EXPECT_EQ(Count(log, "[工作线程] 工作线程已结束."), 2u) << log;
  EXPECT_EQ(Count(log, "[工作线程] 释放成功："), 2u) << log;
}

// A SIGTERM during a long "-auto" wait ends the wait at once: the program ends politely without
// logging in.
TEST(TessalyRun, SigtermEndsTheAutoStartWait) {
  vqtest::DemoWorld world(vqtest::BuildFile("src/shell/Tessaly"));
  const std::string ini = world.ProgramDir() + "Tessaly.ini";
  std::string text = vqtest::ReadFileBytes(ini);
  const std::string noWait = "AutoStartWaitTime=0";
  ASSERT_NE(text.find(noWait), std::string::npos);
  text.replace(text.find(noWait), noWait.size(), "AutoStartWaitTime=600000");
  std::ofstream(ini, std::ios::binary | std::ios::trunc) << text;

  const pid_t agent = world.StartAgent({"-auto"}, kOffscreen);
  // The updater line is written just before the wait.
  ASSERT_TRUE(WaitUntil([&] { return world.LogText().find("升级检测失败，") != std::string::npos; }))
      << world.LogText();
  ASSERT_EQ(::kill(agent, SIGTERM), 0);
  EXPECT_EQ(vqtest::DemoWorld::WaitExit(agent, 15000), 0);
  EXPECT_TRUE(world.Platform().RequestsTo("Login.ashx").empty());
  EXPECT_EQ(world.LogText().find("工作线程开启成功"), std::string::npos);
}

}  // namespace
