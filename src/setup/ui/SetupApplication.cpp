#include "setup/ui/SetupApplication.h"

#include <exception>

#include "setup/ui/MainUnit.h"

namespace orvane {

TSetupApplication::TSetupApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TSetupApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& e) {
    ShowError(e.what());
  } catch (...) {
    // Nothing to tell but that it failed; the handlers' own guard shows the same empty text.
    ShowError("");
  }
  return false;
}

void TSetupApplication::ShowError(const std::string& message) {
  if (FWindow != nullptr) FWindow->ApplicationEventsException(message);
}

}  // namespace orvane
