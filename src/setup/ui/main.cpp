// The setup wizard's executable. The application is titled "安装" (its window's title); dates and times are written
// in the setup core's one text form ("yyyy-mm-dd hh:nn:ss", 24-hour clock) wherever they are
// shown or logged. The wizard window creates the setup engine and frees it when it goes, and
// the message loop runs until the window has closed.
//
// An exception that escapes an event handler ends in the error box ("出错") and the program goes
// on. SIGTERM and SIGINT are a polite quit: they ask the window to close, which it does as soon
// as no flow is running, so the engine is destroyed and removes its cache folder (its log stays).
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>

#include "setup/ui/MainUnit.h"
#include "setup/ui/SetupApplication.h"

namespace {

// The self-pipe: the handler writes a byte, the notifier on the read end wakes the loop.
int g_quitPipe[2] = {-1, -1};

extern "C" void OnQuitSignal(int) {
  const int saved = errno;
  const char byte = 1;
  [[maybe_unused]] const ssize_t written = ::write(g_quitPipe[1], &byte, 1);
  errno = saved;
}

void SetQuitHandler(void (*handler)(int)) {
  struct sigaction action {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
}

}  // namespace

int main(int argc, char** argv) {
  orvane::TSetupApplication app(argc, argv);
  app.setQuitOnLastWindowClosed(false);

  if (::pipe2(g_quitPipe, O_CLOEXEC | O_NONBLOCK) != 0) return 1;
  QSocketNotifier quitNotifier(g_quitPipe[0], QSocketNotifier::Read);
  SetQuitHandler(OnQuitSignal);

  int exitCode = 0;
  {
    orvane::TMain window;
    app.SetWindow(&window);
    QObject::connect(&quitNotifier, &QSocketNotifier::activated, &window, [&window] {
      char bytes[16];
      while (::read(g_quitPipe[0], bytes, sizeof bytes) > 0) {
      }
      window.RequestQuit();
    });
    QObject::connect(&window, &orvane::TMain::closed, &app, &QApplication::quit);
    window.show();
    exitCode = app.exec();
    app.SetWindow(nullptr);
  }
  SetQuitHandler(SIG_DFL);
  return exitCode;
}
