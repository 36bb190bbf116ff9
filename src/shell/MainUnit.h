#pragma once
// TMain: the agent's main window, its only non-modal one. It shows the product, the login and
// the database line, mirrors the log, starts and stops the engine and polls its state word, sits
// in the notification area (or, while the desktop has none, minimised), shows the workers' tips
// and confirms the exit. Its final close ends the program's message loop.
//
// Needs the engine object SPfApp (and so AppVar and AppDM) for its whole life, and a
// QApplication. UI thread only; the tips and the log lines reach it from other threads through
// queued calls (TMainTipsSink, TMemoLogView).
//
// Closing: every close is refused and hides the window (close-to-tray) until the exit has been
// confirmed (btnExitAppClick, pmnExitClick) or asked for by the system (QuitPolitely).
#include <QWidget>

#include <functional>
#include <memory>
#include <string>

class QFrame;
class QLabel;
class QMenu;
class QAction;
class QPlainTextEdit;
class QSystemTrayIcon;
class QTimer;

namespace tessaly {

// The application title, shown on the taskbar and in the main window's caption.
inline constexpr const char* kAppTitle = "Velmora移动智能平台数据同步服务";

// Whether the program's first argument asks for an automatic start: "-auto" in any case.
[[nodiscard]] bool IsAutoArg(const std::string& aFirstArg);

// Closes the modal dialogs that are open, innermost first. Each one's loop returns when control
// gets back to it (at once when the message loop is ending).
void CloseModalDialogs();

// Whether the desktop has a notification area right now. The system's answer unless a test
// stands in for an area (an empty function restores the system's answer).
[[nodiscard]] bool TrayAreaAvailable();
void SetTrayAreaQuery(std::function<bool()> aQuery);

class TVqLabel;
class TMemoLogView;
class TMainTipsSink;

class TMain : public QWidget {
  Q_OBJECT
 public:
  // aFirstArg: the program's first argument; "-auto" (any case) marks an automatic start, after
  // which reaching the running state hides the window. Sets up everything FormCreate does:
  // the log view, the tray icon, the caption, the tip handler, the header; arms tmrAutoStart.
  explicit TMain(const std::string& aFirstArg, QWidget* aParent = nullptr);
  ~TMain() override;

  // Components (their object names are these names).
  QFrame* pnlHead;
  QLabel* imgHead;
  QLabel* lblTitle;
  QLabel* lblSoftVer;
  QLabel* lblLogin;
  QLabel* lblVIPState;
  TVqLabel* btnConfig;
  TVqLabel* btnServer;
  TVqLabel* btnReset;
  TVqLabel* btnQuery;
  TVqLabel* btnExitApp;  // Tag 1
  QLabel* lblCloseBack;
  TVqLabel* lblClose;
  QPlainTextEdit* mmLog;
  QFrame* pnlFoot;
  QLabel* lblDBInfo;
  QLabel* imgState1;  // stopped
  QLabel* imgState2;  // running
  QSystemTrayIcon* TrayIcon;
  QMenu* PopupMenu;  // the tray menu; owned, without a parent
  QAction* pmnShow;
  QAction* pmnExit;
  QTimer* tmrAutoStart;  // 600 ms, one run
  QTimer* tmrServer;     // 300 ms state poll
  QTimer* tmrTrayArea;   // 1 s, until the tray icon could be shown

  // The engine start: every refusal becomes one line of the log view, never a box.
  void SvrStart();

  // Handlers, callable without the mouse.
  void tmrAutoStartTimer();
  void tmrServerTimer();
  void btnServerClick();
  void btnConfigClick();
  // The transfer reset and transfer query dialogs, modal.
  void btnResetClick();
  void btnQueryClick();
  void btnExitAppClick();
  void pmnShowClick();
  void pmnExitClick();
  void TrayIconDblClick();
  // With Ctrl held: logs "检查重启线程..." and resumes the workers.
  void pnlHeadDblClick(Qt::KeyboardModifiers aModifiers);
  void lblCloseClick();
  void ShowTips(const std::string& aTips);
  // The exception hook of the message loop: logs "运行时出错：" + aMessage (detail log); when the
  // line cannot be written, a message box shows the text.
  static void ApplicationEventsException(const std::string& aMessage);

  // The polite quit (SIGTERM, SIGINT): the exit confirmation's "yes" without the question. Open
  // modal dialogs are closed first; the window closes once their loops have unwound.
  void QuitPolitely();

  [[nodiscard]] bool IsInited() const { return FIsInited; }
  [[nodiscard]] bool IsAutoStart() const { return FIsAutoStart; }
  [[nodiscard]] bool IsStarting() const { return FIsStarting; }
  // Shown and not minimised: what the user sees as "the window is open".
  [[nodiscard]] bool IsShownNormally() const;
  // The main window's caption: the title, " - " and the program version.
  [[nodiscard]] static std::string Caption();

 signals:
  // The window really closed (after a confirmed or polite exit); the message loop ends.
  void exitConfirmed();

 protected:
  void showEvent(QShowEvent* aEvent) override;
  void closeEvent(QCloseEvent* aEvent) override;
  bool eventFilter(QObject* aWatched, QEvent* aEvent) override;

 private:
  void BuildHeader();
  void BuildFooter();
  void BuildTray();
  void BindHover(TVqLabel* aButton);
  void SetSkinColors();
  void btnConfigMouseEnter(TVqLabel* aButton);
  void btnConfigMouseLeave(TVqLabel* aButton);
  void lblCloseMouseEnter();
  void lblCloseMouseLeave();
  void LayoutHeader();
  // "[主窗口] " + aLog at level 9 (an empty text without the prefix).
  static void Log(const std::string& aLog, bool aIsLog);
  void ShowSoftVer();
  void ShowDBInfo();
  void ShowLogin();
  // The state icons and the three dialog buttons for a stopped or a running engine.
  void ShowState(bool aRunning);
  // Shows the tray icon once the desktop has a notification area.
  void ShowTrayIcon();
  // Hides to the tray, or minimises while no icon can be shown there.
  void HideToTray();
  void ShowWindow();
  // Sets IsExitApp, stops a running engine and closes the window for good.
  void ExitApp();

  std::string FFirstArg;
  bool FIsInited = false;
  bool FIsAutoStart = false;
  bool FIsStarting = false;
  bool FCloseAllowed = false;  // set once the exit is under way: closes are no longer refused
  long FCaptionHandle = 0;     // the caption registration of the window
  std::shared_ptr<TMemoLogView> FLogView;
  std::shared_ptr<TMainTipsSink> FTipsSink;
};

}  // namespace tessaly
