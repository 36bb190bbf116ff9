#include "foundation/ui/MsgBoxUnit.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTextLayout>
#include <QTimer>
#include <QtTest/QTest>
#include <future>
#include <memory>
#include <string>
#include <vector>

#include "foundation/Logger.h"
#include "foundation/UiHooks.h"
#include "foundation/VqLibUtil.h"
#include "support/CapturedLogView.h"
#include "support/MachineRootFixture.h"
#include "support/OffscreenApp.h"

namespace tessaly {
namespace {

void Press(QWidget* aWidget, int aKey) {
  QKeyEvent press(QEvent::KeyPress, aKey, Qt::NoModifier);
  QApplication::sendEvent(aWidget, &press);
}

QColor Back(QWidget* w) { return w->palette().color(QPalette::Window); }
QColor Text(QWidget* w) { return w->palette().color(QPalette::WindowText); }

class MsgBoxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    vqtest::OffscreenApp();
    Skin.LoadSkin("skyblue");
  }
  void TearDown() override { Skin.LoadSkin(""); }
};

struct LayoutCase {
  int MsgType;
  bool Picture;
  int Width, ViewLeft, HintHeight, PointSize;
  QColor MsgColor;
};

// Each MsgType gives its layout: the picture, the window width, the message area, the message
// font and colour, and the remark's height.
TEST_F(MsgBoxTest, LayoutByMsgType) {
  const std::vector<LayoutCase> cases = {
      {1, true, 520, 96, 80, 18, QColor(255, 0, 0)},
      {0, false, 480, 24, 105, 11, QColor(0, 0, 0)},
      {7, false, 480, 24, 105, 11, QColor(0, 0, 0)},
  };
  for (const auto& c : cases) {
    TMsgBox box;
    box.SetRemark("说明");
    box.SetMsgType(c.MsgType);
    EXPECT_EQ(box.MsgType(), c.MsgType);
    EXPECT_EQ(!box.imgWarning->isHidden(), c.Picture) << c.MsgType;
    EXPECT_EQ(box.width(), c.Width) << c.MsgType;
    EXPECT_EQ(box.pnlView->x(), c.ViewLeft) << c.MsgType;
    EXPECT_EQ(box.pnlView->x() + box.pnlView->width(), c.Width - 20) << c.MsgType;
    EXPECT_EQ(box.lblHint->height(), c.HintHeight) << c.MsgType;
    EXPECT_EQ(box.lblMsg->font().pointSize(), c.PointSize) << c.MsgType;
    EXPECT_EQ(Text(box.lblMsg), c.MsgColor) << c.MsgType;
    EXPECT_EQ(box.height(), 280);
  }
}

struct KeyCase {
  const char* OkCaption;
  bool ReTryShown;
  bool NoShown;
  int Key;
  int Result;  // FiResult after the key; -1: the box stays open
};

// The F2 / Enter / Esc rules and the hot-key captions, through the window's key handling.
TEST_F(MsgBoxTest, KeysClickButtons) {
  const std::vector<KeyCase> cases = {
      {"确定(Enter)", false, true, Qt::Key_Return, 1},
      {"确定(Enter)", false, true, Qt::Key_Enter, 1},
      {"确定(Enter)", false, true, Qt::Key_Escape, 0},
      {"确定(Enter)", false, false, Qt::Key_Escape, -1},  // the information box
      {"确定(Enter)", true, true, Qt::Key_F2, 2},
      {"确定(Enter)", false, true, Qt::Key_F2, -1},  // ReTry hidden
      {"确定(F5)", false, true, Qt::Key_F5, 1},
      {"确定(F5)", false, true, Qt::Key_Return, -1},  // F5 took Enter's place
      {"确定", false, true, Qt::Key_Return, 1},       // no hot-key text: the plain Enter rule
      {"确定(f12)", false, true, Qt::Key_F12, 1},
      {"确定(Enter)", false, true, Qt::Key_A, -1},
  };
  for (const auto& c : cases) {
    TMsgBox box;
    box.lblOK->setText(c.OkCaption);
    box.lblReTry->setVisible(c.ReTryShown);
    box.lblNO->setVisible(c.NoShown);
    box.show();
    Press(&box, c.Key);
    EXPECT_EQ(box.FiResult, c.Result) << c.OkCaption << " key " << c.Key;
    EXPECT_EQ(box.isVisible(), c.Result == -1) << c.OkCaption << " key " << c.Key;
  }
}

// A disabled button ignores its key; the close label "X" closes with -1.
TEST_F(MsgBoxTest, DisabledButtonsAndCloseLabel) {
  TMsgBox box;
  box.lblOK->setEnabled(false);
  box.show();
  Press(&box, Qt::Key_Return);
  EXPECT_TRUE(box.isVisible());
  box.lblClose->Click();
  EXPECT_FALSE(box.isVisible());
  EXPECT_EQ(box.FiResult, -1);
}

// InitButtons: captions, enable flags by position, the exit colours on the chosen button, and a
// notified button whose handler keeps the box open.
TEST_F(MsgBoxTest, InitButtons) {
  TMsgBox box;
  box.InitButtons("是(F1)", "否(F3)", "重来(F4)", "10", "100", 1);
  EXPECT_EQ(box.lblOK->text(), "是(F1)");
  EXPECT_FALSE(box.lblReTry->isHidden());
  EXPECT_TRUE(box.lblOK->isEnabled());
  EXPECT_FALSE(box.lblNO->isEnabled());
  EXPECT_FALSE(box.lblReTry->isEnabled());  // missing position
  EXPECT_EQ(Back(box.lblOK), ToQColor(Skin.button_exit_defback));
  EXPECT_EQ(Back(box.lblNO), ToQColor(Skin.button_defback));
  std::vector<int> asked;
  bool allow = false;
  box.SetOnButtonClick([&](bool& aIsCanDo, int aIndex) {
    asked.push_back(aIndex);
    aIsCanDo = allow;
  });
  box.show();
  Press(&box, Qt::Key_F1);
  EXPECT_TRUE(box.isVisible());
  allow = true;
  Press(&box, Qt::Key_F1);
  EXPECT_FALSE(box.isVisible());
  EXPECT_EQ(box.FiResult, 1);
  EXPECT_EQ(asked, (std::vector<int>{1, 1}));

  TMsgBox other;
  other.InitButtons("a", "b", "", "", "", 2);
  EXPECT_TRUE(other.lblReTry->isHidden());
  EXPECT_TRUE(other.lblOK->isEnabled());
  EXPECT_EQ(Back(other.lblNO), ToQColor(Skin.button_exit_defback));
}

// Hover: a disabled button keeps its colours under the mouse and takes its normal ones when the
// mouse leaves; NO takes the exit hover colours.
TEST_F(MsgBoxTest, HoverColours) {
  TMsgBox box;
  box.show();
  EXPECT_EQ(Back(box.lblOK), ToQColor(Skin.button_defback));
  EXPECT_EQ(Back(box.lblNO), ToQColor(Skin.button_exit_defback));
  QEvent enter(QEvent::Enter), leave(QEvent::Leave);
  QEnterEvent enterEvent(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
  QApplication::sendEvent(box.lblNO, &enterEvent);
  EXPECT_EQ(Back(box.lblNO), ToQColor(Skin.button_exit_moveback));
  QApplication::sendEvent(box.lblNO, &leave);
  EXPECT_EQ(Back(box.lblNO), ToQColor(Skin.button_exit_defback));
  box.lblOK->setEnabled(false);
  SetSkinColors(box.lblOK, 0x123456, 0x654321);
  QApplication::sendEvent(box.lblOK, &enterEvent);
  EXPECT_EQ(Back(box.lblOK), ToQColor(0x123456));
  QApplication::sendEvent(box.lblOK, &leave);
  EXPECT_EQ(Back(box.lblOK), ToQColor(Skin.button_defback));
  (void)enter;
}

// The bring-to-front timer runs from show until a button is clicked.
TEST_F(MsgBoxTest, BringFrontTimer) {
  TMsgBox box;
  EXPECT_FALSE(box.tmrBringFront->isActive());
  EXPECT_EQ(box.tmrBringFront->interval(), 1000);
  box.show();
  EXPECT_TRUE(box.tmrBringFront->isActive());
  box.lblNOClick();
  EXPECT_FALSE(box.tmrBringFront->isActive());
}

// Answers the modal box that opens next with `key`, or with its close label for 0.
void AnswerNextBox(int aKey) {
  QTimer::singleShot(0, [aKey] {
    auto* box = qobject_cast<TMsgBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    if (aKey == 0)
      box->lblClose->Click();
    else
      Press(box, aKey);
  });
}

struct QueryCase {
  int Key;
  bool Answer;
};

// The query box through the foundation's hooks: true only for OK, false for Esc and "X".
TEST_F(MsgBoxTest, QueryThroughHooks) {
  RegisterDialogHooks();
  for (const auto& c : std::vector<QueryCase>{{Qt::Key_Return, true}, {Qt::Key_Escape, false}, {0, false}}) {
    AnswerNextBox(c.Key);
    EXPECT_EQ(TvqLib::MsgQuery("确定退出吗？", "询问", "退出后停止传输"), c.Answer) << c.Key;
  }
  // The information box ignores Esc and closes on Enter.
  QTimer::singleShot(0, [] {
    auto* box = qobject_cast<TMsgBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->lblNO->isHidden());
    EXPECT_EQ(box->lblOK->x(), (box->width() - box->lblOK->width()) / 2);
    EXPECT_EQ(box->lblTitle->text(), "消息");
    Press(box, Qt::Key_Escape);
    EXPECT_TRUE(box->isVisible());
    Press(box, Qt::Key_Return);
  });
  TvqLib::MsgBox("保存成功", "消息");
  UiHooks::SetMsgBoxHook({});
  UiHooks::SetMsgQueryHook({});
  UiHooks::SetCopyToClipHook({});
}

// A box asked for from another thread neither shows nor blocks: it is logged and answers "no".
TEST_F(MsgBoxTest, OtherThreadLogsAndAnswersNo) {
  vqtest::MachineRootFixture machine;
  TLogger logger;
  logger.SetEnabled(true);
  auto view = std::make_shared<vqtest::CapturedLogView>();
  logger.SetLogShower(view);
  Logger.store(&logger);
  RegisterDialogHooks();
  auto answer = std::async(std::launch::async, [] {
    TvqLib::MsgBox("线程消息", "消息");
    return TvqLib::MsgQuery("线程询问", "询问", "");
  });
  EXPECT_FALSE(answer.get());
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  EXPECT_TRUE(view->WaitFor("线程消息"));
  EXPECT_TRUE(view->WaitFor("线程询问"));
  UiHooks::SetMsgBoxHook({});
  UiHooks::SetMsgQueryHook({});
  UiHooks::SetCopyToClipHook({});
  Logger.store(nullptr);
}

// A long text without a break opportunity (a host name in an error) wraps inside the message
// area instead of running out at both sides; what it says is unchanged.
TEST_F(MsgBoxTest, LongUnbreakableTextWraps) {
  const QString message =
      "服务地址有误：shop0001backofficeserverwitharatherlongname.branchregioneast.velmoraexamplenet.cn:"
      "14330需设置外网地址";
  TMsgBox box;
  box.lblTitle->setText("消息");
  box.lblMsg->setText(message);
  box.show();
  // What the user sees is the scroll area's view of the label.
  EXPECT_LE(box.lblMsg->width(), box.lblMsg->parentWidget()->width());
  const QRect area = box.lblMsg->contentsRect();
  const QRect used =
      QFontMetrics(box.lblMsg->font()).boundingRect(area, Qt::TextWordWrap | Qt::AlignCenter, box.lblMsg->text());
  EXPECT_LE(used.width(), area.width());
  EXPECT_GE(used.left(), area.left());
  EXPECT_EQ(QString(box.lblMsg->text()).remove(QChar(0x200B)), message);
  EXPECT_FALSE(vqtest::SaveScreenshot(box, "msgbox_long_host").empty());
}

// Screenshots of the information box and the question box with a remark and ReTry.
TEST_F(MsgBoxTest, Screenshots) {
  TMsgBox info;
  info.lblTitle->setText("消息");
  info.lblMsg->setText("数据库帐套连接失败，请检查数据库主机和用户名、密码是否正确！");
  info.lblNO->hide();
  info.lblOK->move((info.width() - info.lblOK->width()) / 2, info.lblOK->y());
  info.show();
  EXPECT_FALSE(vqtest::SaveScreenshot(info, "msgbox_info").empty());

  TMsgBox query;
  query.lblTitle->setText("询问");
  query.lblMsg->setText("确定要退出传输客户端吗？");
  query.SetRemark("退出后将停止所有数据传输，未上传的数据会在下次启动后继续上传。");
  query.lblReTry->show();
  query.show();
  EXPECT_FALSE(vqtest::SaveScreenshot(query, "msgbox_query").empty());

  TMsgBox warning;
  warning.SetMsgType(1);
  warning.lblMsg->setText("警告：配置无效");
  warning.show();
  EXPECT_FALSE(vqtest::SaveScreenshot(warning, "msgbox_warning").empty());
}

}  // namespace
}  // namespace tessaly

namespace tessaly {
namespace {

bool IsLatin(QChar c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// Where the lines of a label's word-wrapped text start, laid out as the label draws it.
std::vector<int> LineStarts(const QLabel& aLabel) {
  QTextLayout layout(aLabel.text(), aLabel.font());
  QTextOption option;
  option.setWrapMode(QTextOption::WordWrap);
  layout.setTextOption(option);
  std::vector<int> starts;
  layout.beginLayout();
  for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
    line.setLineWidth(aLabel.contentsRect().width());
    starts.push_back(line.textStart());
  }
  layout.endLayout();
  return starts;
}

struct LongCase {
  const char* Name;
  int Repeat;    // copies of the query value
  bool Scrolls;  // too long for the screen
};

// A long message (a 700-character query value, a long database error) grows the box up to the
// screen's height and scrolls beyond it; the buttons stay below the message, and no line break
// falls inside a word of Latin letters such as "yyyy".
TEST_F(MsgBoxTest, LongMessageGrowsThenScrolls) {
  const QString value = "convert(varchar(10),getdate(),'yyyy-MM-dd')+";
  for (const auto& c : {LongCase{"query value", 16, false}, LongCase{"database error", 90, true}}) {
    SCOPED_TRACE(c.Name);
    const QString message = "查询值错误：" + value.repeated(c.Repeat);
    TMsgBox box;
    box.lblTitle->setText("消息");
    box.lblMsg->setText(message);
    box.show();
    QCoreApplication::processEvents();
    const QRect screen = box.screen()->availableGeometry();
    EXPECT_GT(box.height(), 280);
    EXPECT_LE(box.height(), screen.height());
    EXPECT_TRUE(screen.contains(box.geometry()));
    EXPECT_EQ(box.height() == screen.height(), c.Scrolls);
    EXPECT_EQ(box.scbMsg->verticalScrollBar()->isVisible(), c.Scrolls);
    // All of the text is in the label, reachable by scrolling when it does not fit.
    EXPECT_GE(box.lblMsg->height(), box.lblMsg->heightForWidth(box.lblMsg->width()));
    EXPECT_GE(box.lblOK->y(), box.pnlView->geometry().bottom());
    EXPECT_LE(box.lblOK->geometry().bottom(), box.height());
    const QString text = box.lblMsg->text();
    EXPECT_EQ(QString(text).remove(QChar(0x200B)), message);
    const std::vector<int> starts = LineStarts(*box.lblMsg);
    EXPECT_GT(starts.size(), 5u);
    for (const int start : starts) {
      int before = start - 1;
      while (before > 0 && text[before] == QChar(0x200B)) --before;
      if (start > 0 && start < text.size()) {
        EXPECT_FALSE(IsLatin(text[before]) && IsLatin(text[start])) << text.mid(before, 8).toStdString();
      }
    }
    EXPECT_FALSE(vqtest::SaveScreenshot(box, c.Scrolls ? "msgbox_long_scrolls" : "msgbox_long_grows").empty());
  }
}

}  // namespace
}  // namespace tessaly

namespace tessaly {
namespace {

// A box asked for while a dialog is open belongs to that dialog and is modal to it alone, like
// the dialog to its window: a window of its own (the tray icon's) still takes clicks.
TEST_F(MsgBoxTest, BoxBelongsToTheOpenDialog) {
  QWidget owner;
  owner.show();
  TBaseForm dialog(&owner);
  QPushButton tray("托盘");
  tray.show();
  int trayClicks = 0;
  QObject::connect(&tray, &QPushButton::clicked, [&] { ++trayClicks; });
  QWidget* boxParent = nullptr;
  Qt::WindowModality boxModality = Qt::NonModal;
  QTimer::singleShot(0, [&] {
    QTimer::singleShot(0, [&] {
      auto* box = qobject_cast<TMsgBox*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr);
      boxParent = box->parentWidget();
      boxModality = box->windowModality();
      QTest::mouseClick(&tray, Qt::LeftButton);
      box->lblOKClick();
    });
    ShowMessageBox("数据库帐套连接失败", "消息");
    QTest::mouseClick(&tray, Qt::LeftButton);
    dialog.close();
  });
  dialog.exec();
  EXPECT_EQ(dialog.windowModality(), Qt::WindowModal);
  EXPECT_EQ(boxParent, &dialog);
  EXPECT_EQ(boxModality, Qt::WindowModal);
  EXPECT_EQ(trayClicks, 2);
}

}  // namespace
}  // namespace tessaly
