#include "setup/ui/VqMessageBox.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <optional>
#include <string>
#include <vector>

#include "platform/TextCodec.h"
#include "setup/core/VqLang.h"
#include "setup/core/VqSkin.h"
#include "setup/ui/SkinPaint.h"
#include "setup_ui/MessageBoxDriver.h"
#include "support/OffscreenApp.h"

namespace orvane {
namespace {

using testing::OnNextBox;
using testing::Press;

QColor Back(QWidget* w) { return w->palette().color(QPalette::Window); }
QColor Text(QWidget* w) { return w->palette().color(QPalette::WindowText); }

class MessageBoxTest : public ::testing::Test {
 protected:
  void SetUp() override { vqtest::OffscreenApp(); }
  TvqLang lang_;
  TvqSkin skin_;
};

// What a test does to the shown box.
enum class TAction { Btn1, Btn2, Btn3, CloseMark, Enter, WindowClose };

struct FlagsCase {
  int Flags;
  const char* Btn1;  // caption, nullptr when hidden
  const char* Btn2;
  const char* Btn3;
  int Default;  // the highlighted button, 1 to 3
  int Result1, Result2, Result3;
  QLabel* TvqMessageBox::*Icon;  // the picture shown, nullptr for none
};

// Every button set of the flags (and the icons beside them): captions, which buttons show, the
// highlighted default, and the answer of each button, of the close mark, of Enter and of a close
// from outside, through the modal ShowBox.
TEST_F(MessageBoxTest, FlagsTable) {
  const std::vector<FlagsCase> cases = {
      {0, nullptr, "确定", nullptr, 2, kIdCancel, kIdOk, kIdCancel, nullptr},
      {1 + 16, nullptr, "确定", "取消", 2, kIdCancel, kIdOk, kIdCancel, &TvqMessageBox::imgError},
      {2 + 48, "重试", "确定", "取消", 1, kIdRetry, kIdIgnore, kIdAbort, &TvqMessageBox::imgWaring},
      {3 + 32, "是", "否", "取消", 1, kIdYes, kIdNo, kIdCancel, &TvqMessageBox::imgQuery},
      {4 + 32, nullptr, "是", "否", 2, kIdNo, kIdYes, kIdNo, &TvqMessageBox::imgQuery},
      {5, nullptr, "重试", "取消", 2, kIdCancel, kIdRetry, kIdCancel, nullptr},
      {6 + 64, nullptr, "确定", nullptr, 2, kIdCancel, kIdOk, kIdCancel, &TvqMessageBox::imgInfo},
      {15, nullptr, "确定", nullptr, 2, kIdCancel, kIdOk, kIdCancel, nullptr},
      {64, nullptr, "确定", nullptr, 2, kIdCancel, kIdOk, kIdCancel, &TvqMessageBox::imgInfo},
  };
  const std::vector<TAction> actions = {TAction::Btn1,      TAction::Btn2,  TAction::Btn3,
                                        TAction::CloseMark, TAction::Enter, TAction::WindowClose};
  for (const FlagsCase& c : cases) {
    const char* captions[] = {c.Btn1, c.Btn2, c.Btn3};
    const int results[] = {c.Result1, c.Result2, c.Result3};
    for (TAction action : actions) {
      const int index = static_cast<int>(action);
      if (index < 3 && captions[index] == nullptr) continue;
      SCOPED_TRACE("flags " + std::to_string(c.Flags) + " action " + std::to_string(index));
      OnNextBox([&](TvqMessageBox& box) {
        TvqLabel* buttons[] = {box.lblBtn1, box.lblBtn2, box.lblBtn3};
        for (int i = 0; i < 3; ++i) {
          EXPECT_EQ(buttons[i]->isHidden(), captions[i] == nullptr) << i + 1;
          if (captions[i] != nullptr) {
            EXPECT_EQ(buttons[i]->text().toStdString(), captions[i]) << i + 1;
          }
        }
        EXPECT_EQ(box.DefaultButton(), buttons[c.Default - 1]);
        EXPECT_EQ(Back(box.DefaultButton()), ToQColor(skin_.Button_selectedBack));
        for (QLabel* TvqMessageBox::*image :
             {&TvqMessageBox::imgInfo, &TvqMessageBox::imgWaring, &TvqMessageBox::imgError, &TvqMessageBox::imgQuery})
          EXPECT_EQ((box.*image)->isVisible(), image == c.Icon);
        switch (action) {
          case TAction::Btn1: box.lblBtn1->Click(); break;
          case TAction::Btn2: box.lblBtn2->Click(); break;
          case TAction::Btn3: box.lblBtn3->Click(); break;
          case TAction::CloseMark: box.lblClose->Click(); break;
          case TAction::Enter: Press(&box, Qt::Key_Return); break;
          case TAction::WindowClose: box.close(); break;
        }
      });
      const int expected = index < 3                   ? results[index]
                           : action == TAction::Enter ? results[c.Default - 1]
                                                      : c.Result3;
      EXPECT_EQ(TvqMessageBox::ShowBox("确定要继续吗？", "询问", c.Flags, &lang_, &skin_), expected);
    }
  }
}

// The yes/no question: "是" highlighted, Enter answers yes; the right arrow moves the highlight to
// "否" and Enter then answers no; the left arrow goes back; Esc and other keys do nothing.
TEST_F(MessageBoxTest, ArrowKeysMoveTheDefault) {
  OnNextBox([&](TvqMessageBox& box) {
    Press(&box, Qt::Key_Escape);
    Press(&box, Qt::Key_A);
    EXPECT_TRUE(box.isVisible());
    Press(&box, Qt::Key_Right);
    EXPECT_EQ(box.DefaultButton(), box.lblBtn3);
    EXPECT_EQ(Back(box.lblBtn3), ToQColor(skin_.Button_selectedBack));
    EXPECT_EQ(Text(box.lblBtn3), ToQColor(skin_.Button_selectedFont));
    EXPECT_EQ(Back(box.lblBtn2), ToQColor(skin_.Button_defBack));
    Press(&box, Qt::Key_Right);  // nothing beyond button 3
    EXPECT_EQ(box.DefaultButton(), box.lblBtn3);
    Press(&box, Qt::Key_Left);
    Press(&box, Qt::Key_Left);  // button 1 is hidden: the default stays on button 2
    EXPECT_EQ(box.DefaultButton(), box.lblBtn2);
    EXPECT_EQ(Back(box.lblBtn2), ToQColor(skin_.Button_selectedBack));
    Press(&box, Qt::Key_Right);
    Press(&box, Qt::Key_Enter);
  });
  EXPECT_EQ(TvqMessageBox::ShowBox("确定卸载吗？", "询问", 36, &lang_, &skin_), kIdNo);
  OnNextBox([](TvqMessageBox& box) { Press(&box, Qt::Key_Return); });
  EXPECT_EQ(TvqMessageBox::ShowBox("确定卸载吗？", "询问", 36, &lang_, &skin_), kIdYes);
}

// Keys reach the box first even while its memo has the focus: Enter answers, Ctrl+C copies the
// whole message rather than the memo's selection.
TEST_F(MessageBoxTest, KeysArePreviewedOverTheMemo) {
  const std::string message(300, 'x');
  OnNextBox([&](TvqMessageBox& box) {
    ASSERT_TRUE(box.mmMsgEx->isVisible());
    box.mmMsgEx->selectAll();
    QGuiApplication::clipboard()->clear();
    Press(box.mmMsgEx, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), message);
    Press(box.mmMsgEx, Qt::Key_Right);
    EXPECT_EQ(box.DefaultButton(), box.lblBtn3);
    Press(box.mmMsgEx, Qt::Key_Return);
  });
  EXPECT_EQ(TvqMessageBox::ShowBox(message, "出错", 36, &lang_, &skin_), kIdNo);
}

struct CopyCase {
  const char* Name;
  Qt::KeyboardModifiers Modifiers;
  bool Copies;
};

// Ctrl+C alone copies the whole untrimmed message (also when the label shows it trimmed), as does
// the "复制" label; C with other modifiers does not.
TEST_F(MessageBoxTest, CopyToClipboard) {
  const std::string message = "  安装失败：磁盘空间不足\r\n";
  const std::vector<CopyCase> cases = {
      {"ctrl", Qt::ControlModifier, true},
      {"ctrl keypad", Qt::ControlModifier | Qt::KeypadModifier, true},
      {"ctrl shift", Qt::ControlModifier | Qt::ShiftModifier, false},
      {"ctrl alt", Qt::ControlModifier | Qt::AltModifier, false},
      {"plain", Qt::NoModifier, false},
  };
  for (const CopyCase& c : cases) {
    TvqMessageBox box(&lang_, &skin_);
    box.SetMsgData(message);
    box.SetButtons(kMbOk);
    box.show();
    QGuiApplication::clipboard()->setText("before");
    Press(&box, Qt::Key_C, c.Modifiers);
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), c.Copies ? message : "before") << c.Name;
    EXPECT_TRUE(box.isVisible()) << c.Name;
  }
  TvqMessageBox box(&lang_, &skin_);
  box.SetMsgData(message);
  EXPECT_EQ(box.lblMsg->text().toStdString(), "安装失败：磁盘空间不足");
  QGuiApplication::clipboard()->clear();
  box.lblCopy->Click();
  EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), message);
}

struct MemoCase {
  const char* Name;
  std::string Message;
  bool Memo;
};

// The memo takes texts of 256 bytes or more in the setup's code page (a Chinese character is two
// bytes there, three in UTF-8), measured without leading and trailing blanks.
TEST_F(MessageBoxTest, LongTextGoesToTheMemo) {
  std::string chinese127, chinese128;
  for (int i = 0; i < 127; ++i) chinese127 += "错";
  chinese128 = chinese127 + "误";
  const std::vector<MemoCase> cases = {
      {"255 ascii", std::string(255, 'a'), false},
      {"256 ascii", std::string(256, 'a'), true},
      {"255 ascii and blanks", "  " + std::string(255, 'a') + " \r\n", false},
      {"127 chinese (381 utf-8 bytes)", chinese127, false},
      {"128 chinese", chinese128, true},
      {"127 chinese and two ascii", chinese127 + "ab", true},
      {"empty", "", false},
  };
  for (const MemoCase& c : cases) {
    TvqMessageBox box(&lang_, &skin_);
    box.SetMsgData(c.Message);
    EXPECT_EQ(!box.mmMsgEx->isHidden(), c.Memo) << c.Name;
    EXPECT_EQ(!box.lblMsg->isHidden(), !c.Memo) << c.Name;
    EXPECT_EQ(!box.lblIcon->isHidden(), !c.Memo) << c.Name;
    const QString shown = c.Memo ? box.mmMsgEx->toPlainText() : box.lblMsg->text();
    EXPECT_EQ(shown.toStdString(), c.Memo ? c.Message : platform::TrimBlanks(c.Message)) << c.Name;
    EXPECT_EQ(box.MsgData(), c.Message) << c.Name;
  }
  // Once the memo shows, a short text goes there too.
  TvqMessageBox box(&lang_, &skin_);
  box.SetMsgData(chinese128);
  box.SetMsgData(" 短 ");
  EXPECT_FALSE(box.mmMsgEx->isHidden());
  EXPECT_EQ(box.mmMsgEx->toPlainText().toStdString(), " 短 ");
}

// The title: an empty one becomes the text table's "消息", and stays empty without a table.
// Button captions come from the table, overrides included.
TEST_F(MessageBoxTest, TextsFromTheTable) {
  TvqMessageBox box(&lang_, &skin_);
  box.SetTitle("");
  EXPECT_EQ(box.lblTitle->text().toStdString(), "消息");
  box.SetTitle("询问");
  EXPECT_EQ(box.lblTitle->text().toStdString(), "询问");
  TvqMessageBox bare;
  bare.SetTitle("");
  EXPECT_EQ(bare.lblTitle->text().toStdString(), "");
  bare.SetButtons(kMbYesNoCancel);
  EXPECT_EQ(bare.lblBtn1->text().toStdString(), "是");
  EXPECT_EQ(bare.lblCopy->text().toStdString(), "复制");

  const TvqLang custom([](std::string_view name) -> std::optional<std::string> {
    if (name != TvqLang::kOverrideResource) return std::nullopt;
    return platform::Utf8ToCp936("IDS_BUTTON_YES=好的\r\nIDS_BUTTON_COPY=拷贝\r\nIDS_BUTTON_NO=\r\n");
  });
  TvqMessageBox overridden(&custom, &skin_);
  overridden.SetButtons(kMbYesNo);
  EXPECT_EQ(overridden.lblBtn2->text().toStdString(), "好的");
  EXPECT_EQ(overridden.lblBtn3->text().toStdString(), "否");  // an empty override keeps the built-in text
  EXPECT_EQ(overridden.lblCopy->text().toStdString(), "拷贝");
}

// Layout at show time: a lone OK button is centred in the box; the message label spans the
// message area; the skin's colours are on the head, foot, buttons and memo.
TEST_F(MessageBoxTest, LayoutAndColours) {
  TvqSkin green;
  ASSERT_TRUE(green.LoadSkin("green"));
  TvqMessageBox box(&lang_, &green);
  box.SetMsgData("安装完成");
  box.SetButtons(kMbOk);
  box.show();
  EXPECT_EQ(box.size(), QSize(404, 282));
  EXPECT_EQ(box.lblBtn2->x(), (404 - 100) / 2);
  EXPECT_EQ(box.lblMsg->geometry(), QRect(20, 2, 402 - 20 - 2 - 2, 190 - 4));
  EXPECT_EQ(box.mmMsgEx->geometry(), QRect(0, 0, 400, 190));
  EXPECT_EQ(box.imgInfo->y(), (190 - 57) / 2);
  EXPECT_EQ(Back(box.lblHead_back), ToQColor(green.Form_back));
  EXPECT_EQ(Back(box.lblFoot_back), ToQColor(green.Form_back));
  EXPECT_EQ(Text(box.lblTitle), ToQColor(green.Form_font));
  EXPECT_EQ(Text(box.lblMsg), QColor(0, 0, 0));
  EXPECT_EQ(Back(box.lblBtn2), ToQColor(green.Button_selectedBack));
  EXPECT_EQ(box.mmMsgEx->palette().color(QPalette::Base), ToQColor(green.Form_font));
  EXPECT_EQ(box.mmMsgEx->palette().color(QPalette::Text), ToQColor(green.Form_back));

  TvqMessageBox three(&lang_, &green);
  three.SetButtons(kMbYesNoCancel);
  three.show();
  EXPECT_EQ(three.lblBtn2->x(), 199);  // not centred while other buttons show
  EXPECT_EQ(Back(three.lblBtn1), ToQColor(green.Button_selectedBack));
  EXPECT_EQ(Back(three.lblBtn3), ToQColor(green.Button_defBack));
}

// Hover: a button takes the move colours (button 3 the exit text colour) and on leaving its
// normal ones, the default its highlight; the close mark's red back shows only under the mouse.
TEST_F(MessageBoxTest, HoverColours) {
  TvqMessageBox box(&lang_, &skin_);
  box.SetButtons(kMbYesNoCancel);
  box.show();
  QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(box.lblBtn3, &enter);
  EXPECT_EQ(Back(box.lblBtn3), ToQColor(skin_.Button_moveBack));
  EXPECT_EQ(Text(box.lblBtn3), ToQColor(skin_.Button_exit_moveFont));
  QApplication::sendEvent(box.lblBtn3, &leave);
  EXPECT_EQ(Back(box.lblBtn3), ToQColor(skin_.Button_defBack));
  QApplication::sendEvent(box.lblBtn1, &enter);
  EXPECT_EQ(Text(box.lblBtn1), ToQColor(skin_.Button_moveFont));
  QApplication::sendEvent(box.lblBtn1, &leave);
  EXPECT_EQ(Back(box.lblBtn1), ToQColor(skin_.Button_selectedBack));  // the default again
  EXPECT_FALSE(box.lblCloseBack->autoFillBackground());
  QApplication::sendEvent(box.lblClose, &enter);
  EXPECT_TRUE(box.lblCloseBack->autoFillBackground());
  QApplication::sendEvent(box.lblClose, &leave);
  EXPECT_FALSE(box.lblCloseBack->autoFillBackground());
}

// The head band drags the borderless box.
TEST_F(MessageBoxTest, HeadDragsTheWindow) {
  TvqMessageBox box(&lang_, &skin_);
  box.move(100, 100);
  box.show();
  const QPointF inHead(50, 20);
  const QPointF start = box.lblHead_back->mapToGlobal(inHead);
  QMouseEvent press(QEvent::MouseButtonPress, inHead, start, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(box.lblHead_back, &press);
  QMouseEvent move(QEvent::MouseMove, inHead + QPointF(30, 40), start + QPointF(30, 40), Qt::NoButton,
                   Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(box.lblHead_back, &move);
  QMouseEvent release(QEvent::MouseButtonRelease, inHead, start + QPointF(30, 40), Qt::LeftButton, Qt::NoButton,
                      Qt::NoModifier);
  QApplication::sendEvent(box.lblHead_back, &release);
  EXPECT_EQ(box.pos(), QPoint(130, 140));
}

// Screenshots of the two layouts (label and memo) and of the question box, with Chinese text.
TEST_F(MessageBoxTest, Screenshots) {
  TvqMessageBox info(&lang_, &skin_);
  info.SetTitle("");
  info.SetMsgData("安装目录不能为空，请选择安装目录！");
  info.SetIcon(kMbIconInformation);
  info.SetButtons(kMbOk);
  info.show();
  EXPECT_FALSE(vqtest::SaveScreenshot(info, "setup_msgbox_info").empty());

  TvqMessageBox query(&lang_, &skin_);
  query.SetTitle("询问");
  query.SetMsgData("检测到程序正在运行，是否关闭程序并继续卸载？");
  query.SetIcon(kMbIconQuestion);
  query.SetButtons(kMbYesNo);
  query.show();
  EXPECT_FALSE(vqtest::SaveScreenshot(query, "setup_msgbox_query").empty());

  std::string detail = "安装失败，详细信息：\r\n";
  for (int i = 1; i <= 12; ++i)
    detail += "第" + std::to_string(i) + "个文件无法写入：C:\\Program Files (x86)\\Velmora\\Tessaly\\data\\package" +
              std::to_string(i) + ".db，请关闭正在使用该文件的程序后重试。\r\n";
  TvqMessageBox memo(&lang_, &skin_);
  memo.SetTitle("出错");
  memo.SetMsgData(detail);
  memo.SetIcon(kMbIconError);
  memo.SetButtons(kMbYesNoCancel);
  memo.show();
  EXPECT_FALSE(vqtest::SaveScreenshot(memo, "setup_msgbox_memo").empty());
}

}  // namespace
}  // namespace orvane
