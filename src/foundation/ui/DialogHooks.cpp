// The dialog kit as the foundation's UI hooks.
#include <QApplication>
#include <QClipboard>
#include <QMetaObject>
#include <QString>

#include "foundation/UiHooks.h"
#include "foundation/ui/MsgBoxUnit.h"

namespace tessaly {

void RegisterDialogHooks() {
  UiHooks::SetMsgBoxHook(ShowMessageBox);
  UiHooks::SetMsgQueryHook(ShowQueryBox);
  UiHooks::SetCopyToClipHook([](const std::string& aText) {
    QCoreApplication* app = QApplication::instance();
    if (!app) return;
    // The clipboard belongs to the UI thread; other threads hand the text over without waiting.
    QMetaObject::invokeMethod(
        app, [text = QString::fromStdString(aText)] { QGuiApplication::clipboard()->setText(text); },
        IsUiThread() ? Qt::DirectConnection : Qt::QueuedConnection);
  });
}

}  // namespace tessaly
