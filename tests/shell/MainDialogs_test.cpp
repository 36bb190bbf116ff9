// The main window's transfer reset and transfer query buttons.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>

#include "shell/AppTransQueryUnit.h"
#include "shell/AppTransResetUnit.h"
#include "shell/MainFixture.h"

namespace tessaly {
namespace {

class MainDialogs : public MainFixture {};

// Each button opens its dialog modally over the main window; the call returns once it closed.
TEST_F(MainDialogs, ButtonsOpenDialogsModally) {
  NewMain();
  bool resetSeen = false;
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<TAppTransReset*>(QApplication::activeModalWidget());
    resetSeen = dialog != nullptr && dialog->parentWidget() == main.get();
    if (dialog) dialog->lblNOClick();
  });
  main->btnResetClick();
  EXPECT_TRUE(resetSeen);
  bool querySeen = false;
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<TAppTransQuery*>(QApplication::activeModalWidget());
    querySeen = dialog != nullptr && dialog->parentWidget() == main.get();
    if (dialog) dialog->lblCloseClick();
  });
  main->btnQueryClick();
  EXPECT_TRUE(querySeen);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

}  // namespace
}  // namespace tessaly
