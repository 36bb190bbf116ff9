#pragma once
// How log lines and tips from any thread reach the main window: each is posted to the UI thread
// without waiting, and dropped there when its control has gone in the meantime.
#include <QPointer>

#include <memory>
#include <string>

#include "engine/AppUtil.h"
#include "foundation/LogView.h"

class QPlainTextEdit;

namespace tessaly {

class TMain;

// The logger's view over the main window's log memo. The memo keeps at most 1000 lines
// (TLogViewLines); each added line scrolls it to the end.
class TMemoLogView final : public ILogView, public std::enable_shared_from_this<TMemoLogView> {
 public:
  // Must be made on the UI thread, where the memo lives.
  explicit TMemoLogView(QPlainTextEdit* aMemo);

  [[nodiscard]] bool IsMemo() const override { return true; }
  [[nodiscard]] std::string ClassName() const override { return "TMemo"; }
  void QueueLine(const std::string& line) override;

 private:
  void AddLine(const std::string& aLine);  // UI thread

  QPointer<QPlainTextEdit> FMemo;
  TLogViewLines FLines;  // UI thread only
};

// The engine's tip sink: runs TMain::ShowTips on the UI thread.
class TMainTipsSink final : public IAppTipsSink {
 public:
  // Must be made on the UI thread.
  explicit TMainTipsSink(TMain* aMain);
  void QueueTip(int aType, const std::string& aTips) override;

 private:
  QPointer<TMain> FMain;
};

}  // namespace tessaly
