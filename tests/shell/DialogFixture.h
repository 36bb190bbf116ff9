#pragma once
// Shared fixture of the shell's dialog tests: the engine fixture (emulated machine, Tessaly.ini
// on the test database, fake platform server, log capture, engine object as SPfApp) plus the
// offscreen QApplication and a capture of every message box the dialogs ask for, so a test sees
// the boxes' texts without a modal window.
#include <QApplication>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

#include "engine/SPfAppFixture.h"
#include "foundation/UiHooks.h"
#include "support/OffscreenApp.h"

namespace tessaly {

class DialogFixture : public SPfAppFixture {
 protected:
  void SetUp() override {
    SPfAppFixture::SetUp();
    vqtest::OffscreenApp();
    SPfApp = app.get();
    UiHooks::SetMsgBoxHook([this](const std::string& aMsg, const std::string& aTitle) {
      messages.push_back(aTitle + "|" + aMsg);
    });
  }

  void TearDown() override {
    UiHooks::SetMsgBoxHook({});
    SPfApp = nullptr;
    SPfAppFixture::TearDown();
  }

  // The settings file's value, or "<none>" when the key is missing.
  static std::string Ini(const std::string& aSect, const std::string& aKey) {
    return TvqLib::IniRead(aSect, aKey, "<none>");
  }

  // Runs `act` on the modal dialog of type T that the next call opens.
  template <class T>
  static void OnNextModal(std::function<void(T&)> act) {
    QTimer::singleShot(0, [act] {
      auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      act(*dialog);
    });
  }

  std::vector<std::string> messages;  // "title|message" of every box asked for
};

}  // namespace tessaly
