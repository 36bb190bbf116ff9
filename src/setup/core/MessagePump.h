#pragma once
// How the setup core keeps the wizard's window alive while it waits on the UI thread. The wizard
// installs a pump that processes pending window messages; without one (headless runs, tests)
// pumping does nothing. The pump runs only on the thread that installed it: a package thread
// that waits through the same helpers just sleeps, so no window code ever runs off the UI thread.
namespace orvane {

class IMessagePump {
 public:
  virtual ~IMessagePump() = default;
  // Processes the window messages that are pending now, then returns.
  virtual void ProcessMessages() = 0;
  // True once the application is closing; long waits give up then. Asked from any thread.
  [[nodiscard]] virtual bool Terminating() = 0;
};

// Installs `pump` for the calling thread's UI role; nullptr removes it. The caller keeps
// ownership and removes the pump before freeing it.
void SetMessagePump(IMessagePump* pump);

// Runs the installed pump when called on the thread that installed it; else nothing.
void ProcessMessages();
// The installed pump's answer; false without a pump.
[[nodiscard]] bool AppTerminating();

// Waits `ms` milliseconds through the setup clock: ms / 100 sleeps of 100 ms and one sleep of
// ms % 100, processing messages after every sleep. Nothing for ms <= 0.
void PumpWait(int ms);

}  // namespace orvane
