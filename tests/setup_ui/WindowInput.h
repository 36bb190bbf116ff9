#pragma once
// Real input for the wizard window's tests: mouse clicks as press and release events on a
// widget, and waiting (bounded) while the event loop runs.
#include <QApplication>
#include <QMouseEvent>
#include <QWidget>
#include <chrono>
#include <functional>
#include <thread>

namespace vqtest {

// Processes events until `done` holds; false when `guardMs` (a hang guard) ran out first.
inline bool WaitFor(const std::function<bool()>& done, int guardMs = 20000) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(guardMs);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    QApplication::processEvents();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

// A left click in the middle of `widget`.
inline void MouseClick(QWidget* widget) {
  const QPointF at(widget->width() / 2.0, widget->height() / 2.0);
  const QPointF global = widget->mapToGlobal(at);
  QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(widget, &press);
  QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(widget, &release);
}

}  // namespace vqtest
