#include "setup/core/MessagePump.h"

#include <mutex>
#include <thread>

#include "setup/core/SetupClock.h"

namespace orvane {
namespace {

constexpr int kSliceMs = 100;

std::mutex g_lock;
IMessagePump* g_pump = nullptr;  // guarded by g_lock
std::thread::id g_owner;         // guarded by g_lock; the thread that installed g_pump

IMessagePump* PumpForThisThread() {
  std::lock_guard<std::mutex> hold(g_lock);
  return g_owner == std::this_thread::get_id() ? g_pump : nullptr;
}

}  // namespace

void SetMessagePump(IMessagePump* pump) {
  std::lock_guard<std::mutex> hold(g_lock);
  g_pump = pump;
  g_owner = pump != nullptr ? std::this_thread::get_id() : std::thread::id();
}

void ProcessMessages() {
  if (IMessagePump* pump = PumpForThisThread()) pump->ProcessMessages();
}

bool AppTerminating() {
  std::lock_guard<std::mutex> hold(g_lock);
  return g_pump != nullptr && g_pump->Terminating();
}

void PumpWait(int ms) {
  if (ms <= 0) return;
  IClock& clock = GetClock();
  for (int i = 0; i < ms / kSliceMs; ++i) {
    clock.SleepMs(kSliceMs);
    ProcessMessages();
  }
  clock.SleepMs(ms % kSliceMs);
  ProcessMessages();
}

}  // namespace orvane
