#include "setup/ui/DialogBoxes.h"

#include <gtest/gtest.h>

#include <future>
#include <string>
#include <vector>

#include "setup/core/VqLang.h"
#include "setup/core/VqLib.h"
#include "setup/core/VqSkin.h"
#include "setup/ui/SkinPaint.h"
#include "setup_ui/MessageBoxDriver.h"
#include "support/OffscreenApp.h"

namespace orvane {
namespace {

using testing::OnNextBox;
using testing::Press;

class DialogBoxesTest : public ::testing::Test {
 protected:
  void SetUp() override { vqtest::OffscreenApp(); }
};

// The core's information box is the one-button box with the core's text and title.
TEST_F(DialogBoxesTest, InfoBoxShowsTheMessageBox) {
  TvqDialogBoxes boxes;
  bool shown = false;
  OnNextBox([&](TvqMessageBox& box) {
    shown = true;
    EXPECT_EQ(box.lblMsg->text().toStdString(), "安装完成！");
    EXPECT_EQ(box.lblTitle->text().toStdString(), "消息");
    EXPECT_TRUE(box.lblBtn1->isHidden());
    EXPECT_TRUE(box.lblBtn3->isHidden());
    EXPECT_EQ(box.lblBtn2->text().toStdString(), "确定");
    EXPECT_TRUE(box.imgInfo->isVisible());
    Press(&box, Qt::Key_Return);
  });
  TvqLib::InfoBox("安装完成！", "消息");
  EXPECT_TRUE(shown);
}

struct QueryCase {
  const char* Name;
  std::vector<int> Keys;  // then Enter; none and no Enter: the close mark
  int Answer;
};

// The core's question box answers yes only for "是".
TEST_F(DialogBoxesTest, QueryBoxAnswers) {
  TvqDialogBoxes boxes;
  const std::vector<QueryCase> cases = {
      {"enter", {}, kAnswerYes},
      {"right, enter", {Qt::Key_Right}, kAnswerNo},
      {"right, left, enter", {Qt::Key_Right, Qt::Key_Left}, kAnswerYes},
      {"close mark", {-1}, kAnswerNo},
  };
  for (const QueryCase& c : cases) {
    OnNextBox([&](TvqMessageBox& box) {
      EXPECT_EQ(box.lblBtn2->text().toStdString(), "是");
      EXPECT_EQ(box.lblBtn3->text().toStdString(), "否");
      EXPECT_TRUE(box.imgQuery->isVisible());
      if (c.Keys == std::vector<int>{-1}) {
        box.lblClose->Click();
        return;
      }
      for (int key : c.Keys) Press(&box, key);
      Press(&box, Qt::Key_Return);
    });
    EXPECT_EQ(TvqLib::QueryBox("程序正在运行，是否关闭？", "询问"), c.Answer) << c.Name;
  }
}

// Text table and skin given later reach the boxes: an empty title reads "消息" only once the
// table is there, and the colours follow the skin.
TEST_F(DialogBoxesTest, TableAndSkinArriveLater) {
  TvqDialogBoxes boxes;
  OnNextBox([](TvqMessageBox& box) {
    EXPECT_EQ(box.lblTitle->text().toStdString(), "");
    box.lblBtn2->Click();
  });
  TvqLib::InfoBox("缓存目录创建失败", "");

  TvqLang lang;
  TvqSkin rose;
  ASSERT_TRUE(rose.LoadSkin("rose"));
  boxes.SetLang(&lang);
  boxes.SetSkin(&rose);
  OnNextBox([&](TvqMessageBox& box) {
    EXPECT_EQ(box.lblTitle->text().toStdString(), "消息");
    EXPECT_EQ(box.lblHead_back->palette().color(QPalette::Window), ToQColor(rose.Form_back));
    box.lblBtn2->Click();
  });
  TvqLib::InfoBox("安装完成", "");
}

// Asked from another thread, a box shows nothing and the headless default answers no; once the
// boxes are gone the headless default is back.
TEST_F(DialogBoxesTest, OtherThreadAndRemoval) {
  THeadlessUi& headless = HeadlessUi();
  headless.SetLogSink({});
  {
    TvqDialogBoxes boxes;
    EXPECT_EQ(&GetInfoBox(), &boxes);
    EXPECT_EQ(&GetQuestionBox(), &boxes);
    auto answer = std::async(std::launch::async, [] {
      TvqLib::InfoBox("线程消息", "消息");
      return TvqLib::QueryBox("线程询问", "询问");
    });
    EXPECT_EQ(answer.get(), kAnswerNo);
    EXPECT_EQ(testing::ShownBox(), nullptr);
    const std::vector<std::string> transcript = headless.Transcript();
    ASSERT_GE(transcript.size(), 2u);
    EXPECT_EQ(transcript[transcript.size() - 2], "info[消息]: 线程消息");
    EXPECT_EQ(transcript.back(), "query[询问]: 线程询问 -> 7");
  }
  EXPECT_EQ(&GetInfoBox(), static_cast<IInfoBox*>(&headless));
  EXPECT_EQ(&GetQuestionBox(), static_cast<IQuestionBox*>(&headless));
}

}  // namespace
}  // namespace orvane
