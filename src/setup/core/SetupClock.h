#pragma once
// The setup program's clock is the host layer's process clock (platform/Clock.h): local "now",
// a monotonic tick and sleeps. The engine, the library's waits and the package threads ask
// GetClock(), so tests install a clock whose sleeps cost nothing and whose time they step.
#include "platform/Clock.h"

namespace orvane {

// Days since 1899-12-30 00:00 local time; the fraction is the time of day.
using TDateTime = double;

using IClock = platform::IClock;
using TRealClock = platform::RealClock;
using platform::GetClock;
using platform::SetClock;

}  // namespace orvane
