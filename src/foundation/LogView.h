#pragma once
// The live view that mirrors log lines (the main window's log memo), seen by the logger through
// a small interface so the logger stays free of Qt. The shell implements ILogView by queuing
// each line to the UI thread, where the memo applies TLogViewLines' rule.
#include <cstddef>
#include <string>

namespace tessaly {

class ILogView {
 public:
  virtual ~ILogView() = default;
  // Whether the control is a multi-line text box; only such a view can show the log.
  [[nodiscard]] virtual bool IsMemo() const = 0;
  // The control's class name, for the error about an unsupported view.
  [[nodiscard]] virtual std::string ClassName() const = 0;
  // Takes one finished view line, on the logging thread, never while the logger holds its lock.
  // Must not block: queue the line to the UI thread, in call order, also when already on it.
  // Lines of one thread arrive in the order they were logged.
  virtual void QueueLine(const std::string& line) = 0;
};

// How many lines a log memo holds. The memo shows at most 1000 lines: adding a line whose index
// would be 1000 or more empties it, the new line included. Only the count is kept: the memo
// holds the text, and a second copy of each line (a whole reply, say) would double it.
// UI thread only.
class TLogViewLines {
 public:
  static constexpr std::size_t kMaxLines = 1000;

  // Counts one more line; true when that emptied the memo (the view then clears instead of
  // appending).
  bool Add();
  [[nodiscard]] std::size_t Count() const { return count_; }

 private:
  std::size_t count_ = 0;
};

}  // namespace tessaly
