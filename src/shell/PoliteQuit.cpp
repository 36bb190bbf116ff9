#include "shell/PoliteQuit.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QSocketNotifier>

#include <cerrno>
#include <stdexcept>

namespace tessaly {
namespace {

// The self-pipe: the handler writes a byte, the notifier on the read end wakes the loop.
int g_pipe[2] = {-1, -1};
volatile sig_atomic_t g_requested = 0;

extern "C" void OnQuitSignal(int) {
  g_requested = 1;
  const int saved = errno;
  const char byte = 1;
  [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &byte, 1);
  errno = saved;
}

void SetHandler(void (*aHandler)(int)) {
  struct sigaction action {};
  action.sa_handler = aHandler;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
}

}  // namespace

TPoliteQuit::TPoliteQuit(QObject* aParent) : QObject(aParent) {
  if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) throw std::runtime_error("no pipe for the quit signals");
  g_requested = 0;
  FNotifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
  connect(FNotifier, &QSocketNotifier::activated, this, &TPoliteQuit::Drain);
  SetHandler(OnQuitSignal);
}

TPoliteQuit::~TPoliteQuit() {
  // The quit is under way from here on: a further signal must not cut the shut-down short.
  SetHandler(SIG_IGN);
  delete FNotifier;
  ::close(g_pipe[0]);
  ::close(g_pipe[1]);
  g_pipe[0] = g_pipe[1] = -1;
  // A request belongs to the life of its instance; the next one starts without it.
  g_requested = 0;
}

bool TPoliteQuit::Requested() { return g_requested != 0; }

void TPoliteQuit::Drain() {
  char bytes[16];
  bool any = false;
  while (::read(g_pipe[0], bytes, sizeof bytes) > 0) any = true;
  if (any) emit requested();
}

}  // namespace tessaly
