#include "foundation/ui/BaseFormUnit.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFrame>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QtTest/QTest>
#include <vector>

#include "support/OffscreenApp.h"

namespace tessaly {
namespace {

class BaseFormTest : public ::testing::Test {
 protected:
  void SetUp() override { vqtest::OffscreenApp(); }
};

struct EscCase {
  bool CloseHidden;
  bool CloseDisabled;
  bool Closes;
};

// Esc closes the window only while the close label is shown and enabled, and never sets a
// result; QDialog's own Esc handling is off.
TEST_F(BaseFormTest, EscRule) {
  for (const auto& c : std::vector<EscCase>{{false, false, true}, {true, false, false}, {false, true, false}}) {
    TBaseForm form;
    form.show();
    form.lblClose->setHidden(c.CloseHidden);
    form.lblClose->setEnabled(!c.CloseDisabled);
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&form, &esc);
    EXPECT_EQ(form.isVisible(), !c.Closes) << c.CloseHidden << c.CloseDisabled;
    EXPECT_EQ(form.FiResult, -1);
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(&form, &enter);
    EXPECT_EQ(form.isVisible(), !c.Closes);
  }
}

// Dragging with the left button on the background or the title moves the window by the mouse's
// way; a move without the button does not.
TEST_F(BaseFormTest, DragFromBackgroundAndTitle) {
  for (QWidget* (*target)(TBaseForm&) :
       {+[](TBaseForm& f) -> QWidget* { return f.pnlBack; }, +[](TBaseForm& f) -> QWidget* { return f.lblTitle; }}) {
    TBaseForm form;
    form.show();
    form.move(100, 100);
    QWidget* w = target(form);
    const QPointF start = w->mapToGlobal(QPointF(5, 5));
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), start, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w, &press);
    QMouseEvent move(QEvent::MouseMove, QPointF(35, 25), start + QPointF(30, 20), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(w, &move);
    EXPECT_EQ(form.pos(), QPoint(130, 120));
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(35, 25), start + QPointF(30, 20), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &release);
    QMouseEvent hover(QEvent::MouseMove, QPointF(60, 60), start + QPointF(80, 80), Qt::NoButton, Qt::NoButton,
                      Qt::NoModifier);
    QApplication::sendEvent(w, &hover);
    EXPECT_EQ(form.pos(), QPoint(130, 120));
  }
}

// The close label shows the exit colour on the window background, and under the mouse the exit
// hover colour on the exit hover text colour; leaving restores it.
TEST_F(BaseFormTest, CloseLabelHover) {
  Skin.LoadSkin("skyblue");
  TBaseForm form;
  form.show();
  EXPECT_EQ(form.lblClose->palette().color(QPalette::WindowText), ToQColor(Skin.button_exit_defback));
  EXPECT_FALSE(form.lblClose->autoFillBackground());
  QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
  QApplication::sendEvent(form.lblClose, &enter);
  EXPECT_TRUE(form.lblClose->autoFillBackground());
  EXPECT_EQ(form.lblClose->palette().color(QPalette::Window), ToQColor(Skin.button_exit_movefont));
  EXPECT_EQ(form.lblClose->palette().color(QPalette::WindowText), ToQColor(Skin.button_exit_moveback));
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(form.lblClose, &leave);
  EXPECT_FALSE(form.lblClose->autoFillBackground());
  EXPECT_EQ(form.lblClose->palette().color(QPalette::WindowText), ToQColor(Skin.button_exit_defback));
  Skin.LoadSkin("");
}

}  // namespace
}  // namespace tessaly

namespace tessaly {
namespace {

// The label's picture: what the user sees of it.
QImage Look(QWidget& aWidget) { return aWidget.grab().toImage(); }

// A skinned label button and a skinned panel's field look disabled while disabled (greyed text),
// and keep the skin's colours while enabled.
TEST_F(BaseFormTest, DisabledControlsLookDisabled) {
  QWidget panel;
  panel.resize(200, 80);
  auto* button = new TVqLabel("软件配置", &panel);
  button->setGeometry(0, 0, 100, 30);
  SetSkinColors(button, 0x00FE8F3F, 0x00FFFFFF);
  auto* edit = new QLineEdit("10.0.0.5", &panel);
  edit->setGeometry(0, 40, 150, 30);
  SetSkinColors(&panel, 0x00FFFFFF, 0x00000000);
  panel.show();

  const QImage buttonEnabled = Look(*button);
  const QImage editEnabled = Look(*edit);
  EXPECT_EQ(button->palette().color(QPalette::Active, QPalette::WindowText), ToQColor(0x00FFFFFF));
  EXPECT_EQ(edit->palette().color(QPalette::Active, QPalette::Text), ToQColor(0x00000000));
  button->setEnabled(false);
  edit->setEnabled(false);
  EXPECT_NE(Look(*button), buttonEnabled);
  EXPECT_NE(Look(*edit), editEnabled);
  const QColor grey = button->palette().color(QPalette::Disabled, QPalette::WindowText);
  EXPECT_NE(grey, ToQColor(0x00FFFFFF));
  EXPECT_EQ(edit->palette().color(QPalette::Disabled, QPalette::Text), grey);
  button->setEnabled(true);
  EXPECT_EQ(Look(*button), buttonEnabled);
}

}  // namespace
}  // namespace tessaly

namespace tessaly {
namespace {

struct HoverCase {
  int Tag;
  TColor Normal, Hover;  // backgrounds
};

// A label button that is disabled under the pointer (a click that starts work) drops its hover
// colours at once and takes them back when it is enabled again under the pointer; the pointer
// is moved by real mouse events.
TEST_F(BaseFormTest, DisabledButtonUnderThePointerShowsNoHover) {
  Skin.LoadSkin("skyblue");
  for (const auto& c : {HoverCase{0, Skin.button_defback, Skin.button_moveback},
                        HoverCase{1, Skin.button_exit_defback, Skin.button_exit_moveback}}) {
    SCOPED_TRACE(c.Tag);
    TBaseForm form;
    auto* button = new TVqLabel("启动服务", form.pnlBack);
    button->Tag = c.Tag;
    button->setGeometry(100, 100, 120, 38);
    form.BindLabelButton(button);
    form.show();
    form.lblButtonMouseLeave(button);
    const auto back = [&] { return Look(*button).pixelColor(3, 3); };
    QTest::mouseMove(&form, QPoint(20, 250));
    QTest::mouseMove(button, button->rect().center());
    ASSERT_TRUE(button->underMouse());
    EXPECT_EQ(back(), ToQColor(c.Hover));
    button->setText("启动中...");
    button->setEnabled(false);
    EXPECT_EQ(back(), ToQColor(c.Normal));
    QTest::mouseMove(button, button->rect().center() + QPoint(3, 0));
    EXPECT_EQ(back(), ToQColor(c.Normal));
    button->setEnabled(true);
    EXPECT_EQ(back(), ToQColor(c.Hover));
    QTest::mouseMove(&form, QPoint(20, 250));
    EXPECT_EQ(back(), ToQColor(c.Normal));
  }
  Skin.LoadSkin("");
}

}  // namespace
}  // namespace tessaly
