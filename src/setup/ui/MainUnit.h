#pragma once
// TMain: the setup wizard's window, borderless, 520 by 393, gray (a 1-pixel frame around the
// current page), font "Microsoft YaHei" 15 px. It holds the five page panels (start with its
// options panel, items, configuration, install, finish), the minimise and close marks and the
// three timers, and is the page flow's view (IWizardView): it shows, places and colours its
// controls as the flow says and forwards every click, hover, typed character, path change, timer
// tick, drag and close request to the flow (TWizardController), which owns the setup engine
// from the window's creation to its destruction.
//
// The window also keeps the setup core alive while it waits: it installs itself as the core's
// message pump, its message boxes as the core's information and question boxes, and, once the
// flow attaches it, its progress bar. UI thread only.
#include <QPoint>
#include <QTimer>
#include <array>
#include <atomic>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "setup/core/MessagePump.h"
#include "setup/ui/DialogBoxes.h"
#include "setup/ui/VqForm.h"
#include "setup/ui/VqProgressBar.h"
#include "setup/ui/WizardController.h"
#include "setup/ui/WizardView.h"

class QLabel;
class QLineEdit;
class QMouseEvent;

namespace orvane {

class TConfigPage;
class TEditRule;
class TFinishPage;
class TInstallPage;
class TItemsPage;
class TPictureBox;
class TStartPage;
class TTickBox;
class TvqLabel;

class TMain final : public TvqForm, public IWizardView, public IMessagePump {
  Q_OBJECT
 public:
  // Builds the window and runs the flow's FormCreate, which creates the engine.
  explicit TMain(QWidget* parent = nullptr);
  // Runs the flow's FormDestroy: the engine goes and removes its cache folder.
  ~TMain() override;

  // The polite quit (SIGTERM, SIGINT): long waits of the engine give up, and the window closes
  // as soon as the flow grants it (it refuses while a flow runs, so the quit is retried).
  void RequestQuit();
  // An exception that reached the application's event loop: the flow's error box.
  void ApplicationEventsException(const std::string& message);

  [[nodiscard]] TWizardController& Controller() { return FController; }
  // The widget behind a control (a tick box's outer label), and a tick box's two labels.
  [[nodiscard]] QWidget* Control(TCtl ctl) const { return FControls[Index(ctl)]; }
  [[nodiscard]] TTickBox* Tick(TCtl ctl) const { return FTicks[Index(ctl)]; }
  [[nodiscard]] QTimer& Timer(TTimer timer) { return FTimers[static_cast<std::size_t>(timer)]; }

  // IWizardView.
  void SetCaption(TCtl ctl, const std::string& text) override;
  [[nodiscard]] std::string Text(TCtl ctl) const override;
  void SetHint(TCtl ctl, const std::string& hint) override;
  void SetMaxLength(TCtl ctl, int maxChars) override;
  void SetVisible(TCtl ctl, bool visible) override;
  void SetEnabled(TCtl ctl, bool enabled) override;
  void BringToFront(TCtl ctl) override;
  [[nodiscard]] TRect Bounds(TCtl ctl) const override;
  void SetBounds(TCtl ctl, const TRect& bounds) override;
  void SetAlignment(TCtl ctl, TAlign align) override;
  void SetTick(TCtl box, bool ticked) override;
  void SetInnerTickColor(TCtl box, TColor color) override;
  void SetColor(TCtl ctl, TColor back) override;
  void SetFontColor(TCtl ctl, TColor font) override;
  void SetFontSize(TCtl ctl, int points) override;
  void SetTransparent(TCtl ctl, bool transparent) override;
  void SetShapeColors(TCtl shape, TColor brush, TColor pen) override;
  [[nodiscard]] IPictureTarget& Picture(TCtl image) override;
  void ClearPicture(TCtl image) override;
  void ShowPage(TCtl page) override;
  void SetAppTitle(const std::string& title) override;
  void Minimize() override;
  void StartWindowDrag() override;
  void Close() override;
  void StartTimer(TTimer timer, int intervalMs) override;
  void StopTimer(TTimer timer) override;
  [[nodiscard]] IStatusLine& StatusLine() override;
  void AttachProgress() override;
  [[nodiscard]] std::optional<std::string> ChooseFolder(const std::string& caption,
                                                        const std::string& startFolder) override;

  // IMessagePump.
  void ProcessMessages() override;
  [[nodiscard]] bool Terminating() override;

 signals:
  // The window has closed; the program's loop ends.
  void closed();

 protected:
  void FormShow() override;
  void FormCloseQuery(bool& canClose) override;
  void FormClose() override;
  void FormResize() override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  [[nodiscard]] static std::size_t Index(TCtl ctl) { return static_cast<std::size_t>(ctl); }
  // MainPages.cpp: the pages, the marks, and every control by its name.
  void BuildMarks();
  void RegisterControls();
  void Put(TCtl ctl, QWidget* widget, bool autoSize = false);
  void PutTick(TCtl ctl, TTickBox& box);
  void ConnectControls();
  [[nodiscard]] std::optional<TCtl> ControlOf(const QObject* object) const;
  void FitPage(QWidget* page);
  // MainUnit.cpp.
  [[nodiscard]] QLabel* Label(TCtl ctl) const;
  [[nodiscard]] QLineEdit* Edit(TCtl ctl) const;
  // The picture control `ctl`; throws when it is none.
  [[nodiscard]] TPictureBox& Image(TCtl ctl) const;
  void FitText(TCtl ctl);
  // Every edit box keeps its rules on its text however it changes (EditRule.h).
  void AttachEditRules();
  [[nodiscard]] TEditRule* Rule(TCtl ctl) const;
  // Mouse over a drag area: presses start, moves while pressed ask the flow to drag.
  bool DragEvent(QEvent* event);

  TvqDialogBoxes FBoxes;
  TvqProgressBar FProgress;
  bool FProgressAttached = false;
  std::array<QTimer, 3> FTimers;
  QTimer FQuitRetry;
  std::atomic<bool> FQuitRequested{false};

  TStartPage* FStart = nullptr;
  TItemsPage* FItems = nullptr;
  TConfigPage* FConfig = nullptr;
  TInstallPage* FInstall = nullptr;
  TFinishPage* FFinish = nullptr;
  QWidget* FCurrentPage = nullptr;
  TvqLabel* lblMin = nullptr;
  QLabel* lblMinBack = nullptr;
  TvqLabel* lblClose = nullptr;
  QLabel* lblCloseBack = nullptr;

  std::array<QWidget*, static_cast<std::size_t>(TCtl::Count)> FControls{};
  std::array<TTickBox*, static_cast<std::size_t>(TCtl::Count)> FTicks{};
  std::array<bool, static_cast<std::size_t>(TCtl::Count)> FAutoSize{};
  std::map<const QObject*, TCtl> FByWidget;
  std::vector<const QObject*> FDragAreas;
  QPoint FDragOffset;
  bool FDragPressed = false;

  // Last: it is built when every control exists, and it goes first.
  TWizardController FController;
};

}  // namespace orvane
