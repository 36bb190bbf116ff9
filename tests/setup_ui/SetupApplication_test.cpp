// The wizard's application object, offscreen, with the wizard window over a packed test
// product: an error that escapes an event handler ends in the window's error box, and the
// program goes on with the next event.
#include "setup/ui/SetupApplication.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>

#include "setup/ui/MainUnit.h"
#include "setup_ui/MessageBoxDriver.h"
#include "support/SetupEngineFixture.h"

namespace orvane {
namespace {

const auto kFailing = static_cast<QEvent::Type>(QEvent::User + 1);
const auto kFailingOddly = static_cast<QEvent::Type>(QEvent::User + 2);
const auto kPlain = static_cast<QEvent::Type>(QEvent::User + 3);

// A handler that fails on the test's failing events and counts the plain ones it gets.
class TFailingHandler final : public QObject {
 public:
  int delivered = 0;

 protected:
  bool event(QEvent* event) override {
    if (event->type() == kFailing) throw std::runtime_error("磁盘已满");
    if (event->type() == kFailingOddly) throw 42;
    if (event->type() != kPlain) return QObject::event(event);
    ++delivered;
    return true;
  }
};

// The test binary's one application: the wizard's own, on the offscreen platform.
TSetupApplication& App() {
  static TSetupApplication* app = [] {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "setup_application_test";
    static char* argv[] = {name, nullptr};
    return new TSetupApplication(argc, argv);
  }();
  return *app;
}

class SetupApplicationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    (void)App();
    vqtest::SetupExeBuilder builder;
    builder.SetConfig(
        "[Main]\r\nAppId=1001\r\nAppGuid=5B1E0C7A-9D2F-4E61-8A3B-6C4D2E1F0A9B\r\nAppTitle=Tessaly\r\n"
        "AppName=tessaly\r\nAppVersion=2.1.0\r\nAppDefPath=C:\\Apps\\T\r\n"
        "[module]\r\ncore=核心;can_select:0;setup:1;\r\n");
    builder.AddAppFile({"D:\\src\\readme.txt", "readme.txt", "说明"});
    fx.Pack(builder);
    window = std::make_unique<TMain>();
    window->show();
    // The package wait ends before the test raises anything, so no box of its own comes between.
    for (int i = 0; i < 4000 && window->Timer(TTimer::Start).isActive(); ++i) {
      QCoreApplication::processEvents();
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_FALSE(window->Timer(TTimer::Start).isActive());
    App().SetWindow(window.get());
  }
  void TearDown() override {
    App().SetWindow(nullptr);
    window.reset();
  }

  // Answers the next box, keeping its title and text.
  void ExpectBox() {
    testing::OnNextBox([this](TvqMessageBox& box) {
      title = box.lblTitle->text().toStdString();
      text = box.MsgData();
      box.lblBtn2->Click();
    });
  }

  vqtest::SetupEngineFixture fx;
  std::unique_ptr<TMain> window;
  TFailingHandler handler;
  std::string title = "<no box>";
  std::string text;
};

// An error sent straight to a handler shows the error box with its message (none for an error
// that carries no message); the event counts as not handled, and the next one arrives as usual.
TEST_F(SetupApplicationTest, ErrorInAHandlerShowsTheErrorBox) {
  struct Case {
    QEvent::Type type;
    const char* message;
  };
  for (const Case& c : {Case{kFailing, "磁盘已满"}, Case{kFailingOddly, ""}}) {
    SCOPED_TRACE(c.message);
    title = "<no box>";
    ExpectBox();
    QEvent failing(c.type);
    EXPECT_FALSE(QCoreApplication::sendEvent(&handler, &failing));
    EXPECT_EQ(title, "出错");
    EXPECT_EQ(text, c.message);
  }
  QEvent plain(kPlain);
  EXPECT_TRUE(QCoreApplication::sendEvent(&handler, &plain));
  EXPECT_EQ(handler.delivered, 1);
  EXPECT_TRUE(window->isVisible());
}

// A failing event posted to the loop does not end it: the box shows, and the events queued
// behind the failing one are still delivered.
TEST_F(SetupApplicationTest, TheLoopGoesOnAfterAnError) {
  ExpectBox();
  QCoreApplication::postEvent(&handler, new QEvent(kFailing));
  QCoreApplication::postEvent(&handler, new QEvent(kPlain));
  QCoreApplication::postEvent(&handler, new QEvent(kPlain));
  QCoreApplication::sendPostedEvents(&handler);
  EXPECT_EQ(title, "出错");
  EXPECT_EQ(text, "磁盘已满");
  EXPECT_EQ(handler.delivered, 2);
  EXPECT_TRUE(window->isVisible());
}

// Without a window (before it is made or after it has gone) an error is dropped, and still
// stops at the application.
TEST_F(SetupApplicationTest, WithoutAWindowTheErrorIsDropped) {
  App().SetWindow(nullptr);
  QEvent failing(kFailing);
  EXPECT_FALSE(QCoreApplication::sendEvent(&handler, &failing));
  EXPECT_EQ(testing::ShownBox(), nullptr);
  QEvent plain(kPlain);
  EXPECT_TRUE(QCoreApplication::sendEvent(&handler, &plain));
  EXPECT_EQ(handler.delivered, 1);
}

}  // namespace
}  // namespace orvane
