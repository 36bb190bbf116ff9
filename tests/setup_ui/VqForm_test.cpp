#include "setup/ui/VqForm.h"

#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QLineEdit>
#include <QVBoxLayout>
#include <vector>

#include "setup/ui/VqDlgForm.h"
#include "setup_ui/MessageBoxDriver.h"
#include "support/OffscreenApp.h"

namespace orvane {
namespace {

using testing::Press;

// A form that records its hooks: it consumes F5 and refuses to close while busy.
class TRecordingForm : public TvqForm {
 public:
  std::vector<int> keys;
  int shows = 0;
  int closes = 0;
  bool busy = false;

 protected:
  bool FormKeyDown(QKeyEvent* event) override {
    keys.push_back(event->key());
    return event->key() == Qt::Key_F5;
  }
  void FormShow() override { ++shows; }
  void FormCloseQuery(bool& canClose) override { canClose = !busy; }
  void FormClose() override { ++closes; }
};

class FormTest : public ::testing::Test {
 protected:
  void SetUp() override { vqtest::OffscreenApp(); }
};

// Key preview: a key pressed in a control reaches the form once, before the control; the form
// consumes F5 (the control never sees it) and passes other keys on. Controls added later, also
// deep inside panels, are previewed too.
TEST_F(FormTest, KeyPreview) {
  TRecordingForm form;
  auto* edit = new QLineEdit(&form);
  form.show();
  Press(edit, Qt::Key_A);
  QKeyEvent typed(QEvent::KeyPress, Qt::Key_B, Qt::NoModifier, "b");
  QApplication::sendEvent(edit, &typed);
  EXPECT_EQ(edit->text(), "b");
  Press(edit, Qt::Key_F5);
  EXPECT_EQ(form.keys, (std::vector<int>{Qt::Key_A, Qt::Key_B, Qt::Key_F5}));

  auto* panel = new QWidget(&form);
  auto* inner = new QWidget(panel);
  auto* late = new QLineEdit(inner);
  form.keys.clear();
  QKeyEvent typedLate(QEvent::KeyPress, Qt::Key_C, Qt::NoModifier, "c");
  QApplication::sendEvent(late, &typedLate);
  EXPECT_EQ(late->text(), "c");
  Press(&form, Qt::Key_D);  // straight to the form: once too
  EXPECT_EQ(form.keys, (std::vector<int>{Qt::Key_C, Qt::Key_D}));
}

// A key consumed by the preview does not reach the control: typing "x" while the form eats it.
TEST_F(FormTest, ConsumedKeyNeverReachesTheControl) {
  struct TEatX : TvqForm {
    bool FormKeyDown(QKeyEvent* event) override { return event->key() == Qt::Key_X; }
  } form;
  auto* edit = new QLineEdit(&form);
  form.show();
  QKeyEvent x(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, "x");
  QApplication::sendEvent(edit, &x);
  QKeyEvent y(QEvent::KeyPress, Qt::Key_Y, Qt::NoModifier, "y");
  QApplication::sendEvent(edit, &y);
  EXPECT_EQ(edit->text(), "y");
}

// Esc and Enter, in the form or in a control that leaves them alone, do not close the window as a
// plain dialog would.
TEST_F(FormTest, EscAndEnterDoNotClose) {
  for (int key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
    TRecordingForm form;
    auto* edit = new QLineEdit(&form);
    form.show();
    Press(edit, key);
    Press(&form, key);
    EXPECT_TRUE(form.isVisible()) << key;
    EXPECT_EQ(form.result(), QDialog::Rejected);
  }
}

// Another window owned by the form keeps its keys to itself.
TEST_F(FormTest, OwnedWindowIsNotPreviewed) {
  TRecordingForm form;
  form.show();
  auto* dialog = new QDialog(&form);
  auto* edit = new QLineEdit(dialog);
  dialog->show();
  Press(edit, Qt::Key_A);
  EXPECT_TRUE(form.keys.empty());
}

// FormShow runs on every show; a refused close leaves the window open and runs no FormClose; an
// allowed one runs it once.
TEST_F(FormTest, ShowAndCloseHooks) {
  TRecordingForm form;
  form.show();
  EXPECT_EQ(form.shows, 1);
  form.busy = true;
  EXPECT_FALSE(form.close());
  EXPECT_TRUE(form.isVisible());
  EXPECT_EQ(form.closes, 0);
  form.busy = false;
  EXPECT_TRUE(form.close());
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(form.closes, 1);
  form.show();
  EXPECT_EQ(form.shows, 2);
}

// The base forms' design values.
TEST_F(FormTest, DesignValues) {
  TvqForm form;
  EXPECT_EQ(form.windowTitle(), "窗体基类");
  EXPECT_EQ(form.size(), QSize(493, 428));
  EXPECT_EQ(form.font().pixelSize(), 15);
  EXPECT_EQ(form.windowType(), Qt::Window);
  TvqDlgForm dialog;
  EXPECT_EQ(dialog.windowTitle(), "对话框窗体基类");
  EXPECT_EQ(dialog.windowType(), Qt::Dialog);
}

}  // namespace
}  // namespace orvane
