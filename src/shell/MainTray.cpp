// The main window in the notification area: hiding and showing, the tips, the dialogs it opens
// and the exit.
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QSystemTrayIcon>
#include <QTimer>

#include "engine/AppUtil.h"
#include "engine/AppVarUtil.h"
#include "foundation/VqLibUtil.h"
#include "shell/AppConfigUnit.h"
#include "shell/AppTransQueryUnit.h"
#include "shell/AppTransResetUnit.h"
#include "shell/MainUnit.h"

namespace tessaly {
namespace {
std::function<bool()>& TrayAreaQuery() {
  static std::function<bool()> query;
  return query;
}
}  // namespace

bool TrayAreaAvailable() {
  const auto& query = TrayAreaQuery();
  return query ? query() : QSystemTrayIcon::isSystemTrayAvailable();
}

void SetTrayAreaQuery(std::function<bool()> aQuery) { TrayAreaQuery() = std::move(aQuery); }

void CloseModalDialogs() {
  for (int guard = 0; guard < 16; ++guard) {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr) return;
    if (auto* dialog = qobject_cast<QDialog*>(modal))
      dialog->reject();
    else
      modal->close();
    if (QApplication::activeModalWidget() == modal) modal->hide();
  }
}

bool TMain::IsShownNormally() const { return isVisible() && !isMinimized(); }

void TMain::closeEvent(QCloseEvent* aEvent) {
  if (!FCloseAllowed && AppVar->IsExitApp.v() != 1) {
    aEvent->ignore();
    HideToTray();
    return;
  }
  QWidget::closeEvent(aEvent);
  emit exitConfirmed();
}

void TMain::ShowTrayIcon() {
  if (!TrayIcon->isVisible() && TrayAreaAvailable()) TrayIcon->show();
  if (TrayIcon->isVisible()) tmrTrayArea->stop();
}

void TMain::HideToTray() {
  ShowTrayIcon();
  // Without a visible icon a hidden window could never be reached again.
  if (TrayIcon->isVisible() && TrayAreaAvailable())
    hide();
  else
    showMinimized();
}

void TMain::ShowWindow() {
  showNormal();
  raise();
  activateWindow();
}

void TMain::lblCloseClick() { close(); }

void TMain::pmnShowClick() {
  if (!IsShownNormally()) ShowWindow();
  // An open dialog, perhaps gone behind other windows, comes to the front over the window.
  if (QWidget* dialog = QApplication::activeModalWidget()) {
    if (dialog->isMinimized()) dialog->showNormal();
    dialog->raise();
    dialog->activateWindow();
  }
}

void TMain::TrayIconDblClick() { pmnShowClick(); }

void TMain::ShowTips(const std::string& aTips) {
  if (TrayAreaAvailable() && TrayIcon->isVisible()) {
    TrayIcon->showMessage("提醒", QString::fromStdString(aTips), QSystemTrayIcon::Information, 3000);
    return;
  }
  Log("提醒：" + aTips, true);
}

void TMain::btnExitAppClick() {
  ShowWindow();
  if (!TvqLib::MsgQuery("确定退出Velmora自助平台数据传输工具吗？", "询问", "")) return;
  ExitApp();
}

void TMain::pmnExitClick() { btnExitAppClick(); }

void TMain::QuitPolitely() { ExitApp(); }

void TMain::ExitApp() {
  if (FCloseAllowed) return;  // already on the way out
  AppVar->IsExitApp.v(1);
  if (AppVar->UploadState.v() == TUploadState::Running) {
    std::string error;
    SPfApp->Stop(error);
  }
  FCloseAllowed = true;
  tmrAutoStart->stop();
  // A dialog still open (the tray menu and the signals reach past it) is closed first.
  CloseModalDialogs();
  close();
}

void TMain::btnConfigClick() {
  TAppConfig dialog(true, this);  // the database part is locked while logged in
  dialog.exec();
}

void TMain::btnResetClick() {
  TAppTransReset dialog(this);
  dialog.exec();
}

void TMain::btnQueryClick() {
  TAppTransQuery dialog(this);
  dialog.exec();
}

}  // namespace tessaly
