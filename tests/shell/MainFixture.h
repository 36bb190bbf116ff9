#pragma once
// Shared fixture of the main window's tests: the dialog fixture's world (emulated machine,
// Tessaly.ini on the test database, fake platform server, engine object as SPfApp, offscreen
// application) with the workers held still, so the state word is whatever a test steps it to.
// The workers' clock is manual: SetUp returns once both workers sit in a one-second tick, which
// then never ends until TearDown lets them go, so a worker that was slow to reach its first
// tick cannot act on a state word the test has set meanwhile.
//
// The exit question is answered by `answer` and recorded in `questions`; message boxes land in
// `messages` (a start refusal must never show one).
#include <QApplication>
#include <QCoreApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTimer>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "engine/AppVarUtil.h"
#include "foundation/UiHooks.h"
#include "foundation/ui/VqLabel.h"
#include "shell/DialogFixture.h"
#include "shell/MainUnit.h"
#include "support/OffscreenApp.h"

namespace tessaly {

class MainFixture : public DialogFixture {
 protected:
  void SetUp() override {
    DialogFixture::SetUp();
    clock.SetSleepMode(vqtest::FakeClock::SleepMode::Manual);
    ASSERT_TRUE(clock.WaitForSleepers(2)) << "the workers did not reach their tick";
    UiHooks::SetMsgQueryHook([this](const std::string& aMsg, const std::string& aTitle, const std::string&) {
      questions.push_back(aTitle + "|" + aMsg);
      return answer;
    });
  }

  void TearDown() override {
    main.reset();
    UiHooks::SetMsgQueryHook({});
    // Released on a stopped engine, the workers find no work before the engine object ends them.
    AppVar->UploadState.v(TUploadState::Stopped);
    clock.SetSleepMode(vqtest::FakeClock::SleepMode::Instant);
    DialogFixture::TearDown();
  }

  // A shown main window for the program's first argument `arg`.
  TMain& NewMain(const std::string& arg = "") {
    main.reset();
    main = std::make_unique<TMain>(arg);
    main->show();
    QObject::connect(main.get(), &TMain::exitConfirmed, [this] { ++exits; });
    return *main;
  }

  // The log view's text once the queued lines have arrived.
  std::string Memo() {
    // Twice: a queued handler (a tip) may queue its own log line.
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    return main->mmLog->toPlainText().toStdString();
  }
  [[nodiscard]] std::size_t MemoCount(const std::string& part) {
    const std::string text = Memo();
    std::size_t count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++count;
    return count;
  }

  // The workers' answer `state`, then one run of the poll.
  void Poll(int state) {
    AppVar->UploadState.v(state);
    main->tmrServerTimer();
  }

  // Every log file of the program folder, concatenated.
  [[nodiscard]] std::string LogFiles() const {
    std::string text;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(machine.programDir() + "log", ec))
      text += vqtest::ReadFileBytes(entry.path().string());
    return text;
  }

  static std::string Text(const QLabel* label) { return label->text().toStdString(); }

  // Whether the three dialog buttons are enabled (all must agree).
  [[nodiscard]] bool DialogButtonsEnabled() const {
    const bool config = main->btnConfig->isEnabled();
    EXPECT_EQ(main->btnReset->isEnabled(), config);
    EXPECT_EQ(main->btnQuery->isEnabled(), config);
    return config;
  }

  std::unique_ptr<TMain> main;
  bool answer = true;
  std::vector<std::string> questions;  // "title|message" of every question asked
  int exits = 0;                       // times the window really closed
};

}  // namespace tessaly
