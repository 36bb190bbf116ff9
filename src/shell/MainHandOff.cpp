#include "shell/MainHandOff.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QPlainTextEdit>
#include <QScrollBar>

#include "shell/MainUnit.h"

namespace tessaly {
namespace {

// Posts aWork to the UI thread. The application object, not the target control, carries the
// call: it outlives every window, so a call posted while a window is being destroyed is safe.
template <class F>
void PostToUi(F&& aWork) {
  QCoreApplication* app = QCoreApplication::instance();
  if (app == nullptr) return;
  QMetaObject::invokeMethod(app, std::forward<F>(aWork), Qt::QueuedConnection);
}

}  // namespace

TMemoLogView::TMemoLogView(QPlainTextEdit* aMemo) : FMemo(aMemo) {}

void TMemoLogView::QueueLine(const std::string& line) {
  PostToUi([self = weak_from_this(), line] {
    if (const auto view = self.lock()) view->AddLine(line);
  });
}

void TMemoLogView::AddLine(const std::string& aLine) {
  if (FMemo.isNull()) return;
  if (FLines.Add()) {
    FMemo->clear();
    return;
  }
  FMemo->appendPlainText(QString::fromStdString(aLine));
  QScrollBar* bar = FMemo->verticalScrollBar();
  bar->setValue(bar->maximum());
}

TMainTipsSink::TMainTipsSink(TMain* aMain) : FMain(aMain) {}

void TMainTipsSink::QueueTip(int /*aType*/, const std::string& aTips) {
  PostToUi([main = FMain, aTips] {
    if (!main.isNull()) main->ShowTips(aTips);
  });
}

}  // namespace tessaly
