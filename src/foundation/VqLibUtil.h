#pragma once
// The agent's utility library: logging front-end, INI and registry access, autorun, the
// single-instance guard, the updater launch, program folder and version, date formats.
// TvqLib is a set of free functions in a namespace of that name, so callers write TvqLib::Log(...).
#include <atomic>
#include <string>

namespace tessaly::TvqLib {

// Lines logged without aIsLog are written only while this is on. Read by every thread.
extern std::atomic<bool> DetailLogEnabled;

// Writes one line through the global logger. Never fails: every error is swallowed.
void Log(const std::string& aLog, bool aIsLog = false, int LogLevel = 9);

}  // namespace tessaly::TvqLib
