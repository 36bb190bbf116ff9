#pragma once
// The agent's clock is the host layer's process clock (platform/Clock.h): local "now", a
// monotonic tick and sleeps. Everything that reads the time, waits or pauses asks GetClock(), so
// tests can install a clock they step or scale.
#include "foundation/DateTime.h"
#include "platform/Clock.h"

namespace tessaly {

using IClock = platform::IClock;
using TRealClock = platform::RealClock;
using platform::GetClock;
using platform::SetClock;

}  // namespace tessaly
