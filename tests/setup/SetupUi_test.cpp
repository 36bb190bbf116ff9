#include "setup/core/SetupUi.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using ::orvane::kAnswerNo;
using ::orvane::kAnswerYes;

// Questions take the scripted answers in order and then No; every call is logged as it happens.
TEST(SetupUiTest, HeadlessAnswersAsScriptedAndLogsEveryCall) {
  std::vector<std::string> logged;
  orvane::THeadlessUi ui([&](const std::string& line) { logged.push_back(line); });
  ui.ScriptAnswer(kAnswerYes);
  ui.InfoBox("已完成", "安装");
  EXPECT_EQ(ui.QueryBox("继续吗？", "安装"), kAnswerYes);
  EXPECT_EQ(ui.QueryBox("再来？", ""), kAnswerNo);
  ui.ShowStatus("正在安装...");
  ui.SetMax(10);
  ui.SetPosition(3);
  const std::vector<std::string> expected = {
      "info[安装]: 已完成",       "query[安装]: 继续吗？ -> 6", "query[]: 再来？ -> 7",
      "status: 正在安装...",      "progress max: 10",          "progress: 3/10",
  };
  EXPECT_EQ(ui.Transcript(), expected);
  EXPECT_EQ(logged, expected);
  EXPECT_EQ(ui.StatusLines(), std::vector<std::string>{"正在安装..."});
  EXPECT_EQ(ui.GetPosition(), 3);
  EXPECT_EQ(ui.Max(), 10);
}

// Without an installed window the getters reach the headless default, and an installed object
// takes every call until it is removed.
TEST(SetupUiTest, InstalledHandOffsReplaceTheDefault) {
  EXPECT_EQ(&orvane::GetQuestionBox(), static_cast<orvane::IQuestionBox*>(&orvane::HeadlessUi()));
  orvane::HeadlessUi().SetLogSink({});
  EXPECT_EQ(orvane::GetQuestionBox().QueryBox("q", "t"), kAnswerNo);

  orvane::THeadlessUi mine([](const std::string&) {});
  {
    orvane::TScopedSetupUi scoped(mine);
    mine.ScriptAnswer(kAnswerYes);
    EXPECT_EQ(orvane::GetQuestionBox().QueryBox("q", "t"), kAnswerYes);
    orvane::GetInfoBox().InfoBox("i", "t");
    orvane::GetStatusLine().ShowStatus("s");
    orvane::GetProgress().SetPosition(1);
    EXPECT_EQ(mine.Transcript().size(), 4U);
  }
  orvane::GetStatusLine().ShowStatus("after");
  EXPECT_EQ(mine.Transcript().size(), 4U);
  EXPECT_EQ(orvane::HeadlessUi().StatusLines().back(), "after");
}

}  // namespace
