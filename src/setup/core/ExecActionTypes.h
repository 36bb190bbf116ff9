#pragma once
// The work of one exec action by its type, after the engine's filters have let it through.
// Each action shows its status line, does its work and writes one setup-log line ending in
// "[成功]" or "[失败]". UI thread only; the waits keep the window alive.
#include <string>

namespace orvane {

class TvqApp;
struct TExecRecord;

// Performs `record` on the expanded source file `src`. False only when closing a program or a
// service aborts the run; `error` then holds the text the user sees. An unknown type does
// nothing. The caller makes the closing pause.
[[nodiscard]] bool PerformExecAction(TvqApp& app, const TExecRecord& record, const std::string& src,
                                     std::string& error);

// The status line of an action: the texts of `keys`, the name in straight double quotes, a
// comma, the texts of `waitKeys` and "...", with the 300 ms pause.
void ShowActionStatus(TvqApp& app, const std::string& keys, const std::string& name,
                      const std::string& waitKeys = "IDS_PLEASEWAITING");

}  // namespace orvane
