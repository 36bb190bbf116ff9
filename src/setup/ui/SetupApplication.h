#pragma once
// The setup wizard's application object. An exception that escapes an event handler stops at
// notify() instead of unwinding through the event loop: it is shown in the wizard window's error
// box (title "出错" from the text table) and the loop goes on with the next event. UI thread only.
#include <QApplication>
#include <string>

namespace orvane {

class TMain;

class TSetupApplication final : public QApplication {
 public:
  // `argc` and `argv` must outlive the application (Qt keeps them).
  TSetupApplication(int& argc, char** argv);

  // The window whose error box tells of escaped errors; it must outlive its registration.
  // Without one (before the window exists and after it has gone) an error is only dropped, since
  // no event loop runs then.
  void SetWindow(TMain* window) { FWindow = window; }

  bool notify(QObject* receiver, QEvent* event) override;

 private:
  void ShowError(const std::string& message);

  TMain* FWindow = nullptr;
};

}  // namespace orvane
