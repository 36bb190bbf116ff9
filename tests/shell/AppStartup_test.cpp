// The program body's steps in-process: the single-instance name and guard, the "-auto" wait,
// the polite quit reaching the start-up dialogs, and the quit signals themselves.
#include "shell/AppStartup.h"

#include <signal.h>

#include <future>

#include "shell/AppConfigUnit.h"
#include "shell/AppLoginUnit.h"
#include "shell/MainFixture.h"
#include "shell/PoliteQuit.h"

namespace tessaly {
namespace {

using AppStartup = MainFixture;

// The mutex name is built from the program's Windows path without its drive; the first guard
// is taken, and while it is held the same name is refused.
TEST_F(AppStartup, GuardOfTheProgramPath) {
  EXPECT_EQ(TAppStartup::MutexName(), "TESSALY_CLIENT_PROGRAM FILES_TOOL_TESSALY.EXE");
  EXPECT_TRUE(TAppStartup::TakeGuard());
  EXPECT_FALSE(TAppStartup::TakeGuard());
}

// The application's settings leave the window titles alone: a display name set for the
// application is appended by the toolkit to every title ("询问 — …").
TEST_F(AppStartup, WindowTitlesGetNothingAppended) {
  SetUpAgentApplication();
  EXPECT_EQ(QGuiApplication::applicationDisplayName(), QCoreApplication::applicationName());
  EXPECT_FALSE(QGuiApplication::quitOnLastWindowClosed());
  QApplication::setQuitOnLastWindowClosed(true);
}

struct WaitCase {
  std::string SoftVer;
  std::string Arg;
  int WaitMs;
  std::int64_t Slept;
};

// The wait before the automatic login needs a product code and "-auto" (any case); a negative
// wait time waits nothing.
TEST_F(AppStartup, AutoStartWait) {
  clock.SetSleepMode(vqtest::FakeClock::SleepMode::Instant);
  const std::vector<WaitCase> cases = {
      {"00012", "-auto", 3000, 3000}, {"00012", "-AUTO", 3000, 3000}, {"00012", "", 3000, 0},
      {"00012", "-auto2", 3000, 0},   {"", "-auto", 3000, 0},         {"00012", "-auto", -5000, 0},
      {"00012", "-auto", 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.SoftVer + " " + c.Arg + " " + std::to_string(c.WaitMs));
    AppVar->SoftVer = c.SoftVer;
    AppVar->AutoStartWaitTime = c.WaitMs;
    const std::int64_t before = clock.SleptMsOnThisThread();
    TAppStartup(c.Arg).AutoStartWait();
    EXPECT_EQ(clock.SleptMsOnThisThread() - before, c.Slept);
  }
}

// With the system's own clock a negative wait time returns at once instead of sleeping for
// weeks (the guard below is a hang guard, not a timing).
TEST_F(AppStartup, NegativeWaitOnTheRealClock) {
  SetClock(nullptr);
  AppVar->SoftVer = "00012";
  AppVar->AutoStartWaitTime = -1;
  auto waited = std::async(std::launch::async, [] { TAppStartup("-auto").AutoStartWait(); });
  EXPECT_EQ(waited.wait_for(std::chrono::seconds(20)), std::future_status::ready);
  SetClock(&clock);
}

// A polite quit while the first-run settings dialog is open closes it, and the start-up ends
// there: no product code, no login.
TEST_F(AppStartup, QuitDuringFirstRunDialog) {
  AppVar->SoftVer.clear();
  TAppStartup startup("");
  bool dialogSeen = false;
  QObject scope;  // a timer left pending must not outlive what it captured
  QTimer::singleShot(0, &scope, [&] {
    dialogSeen = qobject_cast<TAppConfig*>(QApplication::activeModalWidget()) != nullptr;
    startup.QuitRequested();
  });
  EXPECT_FALSE(startup.EnsureProductCode());
  EXPECT_TRUE(dialogSeen);
  EXPECT_FALSE(startup.Login());  // no dialog opens once the quit was asked for
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  EXPECT_EQ(startup.MainWindow(), nullptr);
  EXPECT_TRUE(server.RequestsTo(kLoginPath).empty());
}

// A product code set: the settings dialog does not open.
TEST_F(AppStartup, ProductCodeSkipsTheSettingsDialog) {
  TAppStartup startup("");
  QTimer::singleShot(0, [&] { EXPECT_EQ(QApplication::activeModalWidget(), nullptr); });
  EXPECT_TRUE(startup.EnsureProductCode());
  QCoreApplication::processEvents();
}

// SIGTERM and SIGINT become one request each on the UI thread, and are seen at once by the
// steps that run before any loop; the request goes with its instance.
TEST_F(AppStartup, QuitSignals) {
  for (const int signal : {SIGTERM, SIGINT}) {
    SCOPED_TRACE(signal);
    TPoliteQuit quit;
    int requested = 0;
    QObject::connect(&quit, &TPoliteQuit::requested, [&] { ++requested; });
    EXPECT_FALSE(TPoliteQuit::Requested());
    ASSERT_EQ(::raise(signal), 0);
    EXPECT_TRUE(TPoliteQuit::Requested());
    for (int i = 0; i < 50 && requested == 0; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 100);
    EXPECT_EQ(requested, 1);
  }
  EXPECT_FALSE(TPoliteQuit::Requested());
}

}  // namespace
}  // namespace tessaly
