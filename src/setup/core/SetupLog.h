#pragma once
// The setup log: one entry "[yyyy-MM-dd hh:mm:ss]  text" per call, followed by an empty line, in
// the log folder (the cache root's "VqInstCache\") under the running program's file name up to
// its first "." + ".log". Before the engine has chosen a log folder, entries go to the program's
// own folder. Callable from any thread, also before an engine exists.
#include <string>

namespace orvane {

void WriteSetupLog(const std::string& text);
// Set by the engine once its cache root is known; "" sends entries to the program folder again.
void SetSetupLogFolder(const std::string& folder);
[[nodiscard]] std::string SetupLogFolder();

}  // namespace orvane
