#pragma once
// Drives the setup message box that opens next: a zero-delay timer finds the shown box and hands
// it to the test's callback, which answers it. Keys go through the box's own key handling.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QTimer>
#include <functional>

#include "setup/ui/VqMessageBox.h"

namespace orvane::testing {

inline void Press(QWidget* widget, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QKeyEvent press(QEvent::KeyPress, key, modifiers);
  QApplication::sendEvent(widget, &press);
}

// The visible message box, or nullptr.
inline TvqMessageBox* ShownBox() {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    auto* box = qobject_cast<TvqMessageBox*>(widget);
    if (box != nullptr && box->isVisible()) return box;
  }
  return nullptr;
}

// Answers the next box with `answer`; a box that is not found fails the test (and the modal call
// that waits for it would hang, so the callback is not run).
inline void OnNextBox(std::function<void(TvqMessageBox&)> answer) {
  QTimer::singleShot(0, [answer = std::move(answer)] {
    TvqMessageBox* box = ShownBox();
    ASSERT_NE(box, nullptr) << "no message box shown";
    answer(*box);
    // A callback that left the box open would hang the test: close it as the close mark would.
    if (box->isVisible()) {
      ADD_FAILURE() << "the box stayed open";
      box->lblClose->Click();
    }
  });
}

}  // namespace orvane::testing
