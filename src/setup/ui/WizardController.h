#pragma once
// The setup wizard's page flow, without widgets. TWizardController owns the setup engine from
// FormCreate to FormDestroy, keeps the state of every page (ticks, tags, what is shown) and turns
// the window's events into the engine's flows: install, change, repair and uninstall. It talks
// to its window only through IWizardView (WizardView.h), and to the user's boxes through the
// setup core's hand-offs (SetupUi.h), so the whole flow runs headless.
//
// The window calls the handlers below from its events. Every handler catches what is raised
// inside it and shows the error box, so no event ends the program. While a flow or the finish
// actions run (Busy), close requests are refused; the flows keep the window alive by processing
// window messages, so clicks may arrive meanwhile. UI thread only.
#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "setup/ui/WizardView.h"

namespace orvane {

class TvqApp;

class TWizardController {
 public:
  // `view` must outlive the controller.
  explicit TWizardController(IWizardView& view);
  ~TWizardController();
  TWizardController(const TWizardController&) = delete;
  TWizardController& operator=(const TWizardController&) = delete;

  // --- Window events -------------------------------------------------------------------------
  // Creates the engine (its app-files thread starts) and sets every control's design state.
  void FormCreate();
  // Skin, texts and the start page; starts the loading text and the package wait.
  void FormShow();
  // Frees the engine, which removes its cache folder.
  void FormDestroy();
  // Mouse moves over the window's background areas: a caption drag.
  void FormMouseMove();
  // Every close request (close mark, window manager, Alt+F4, the controller's own Close):
  // true when the window may close now. On the finish page the finish actions run first.
  [[nodiscard]] bool CloseQuery();
  // Unhandled errors that reach the application's event loop.
  void ApplicationEventsException(const std::string& message);

  // --- Timers --------------------------------------------------------------------------------
  void tmrStartTimer();    // 300 ms: waits for the application-files package
  void tmrLoadingTimer();  // 500 ms: the loading dots
  void tmrSliderTimer();   // the install page's slides

  // --- Clicks --------------------------------------------------------------------------------
  // Any click: dispatched to the handler the control is bound to (captions and tick boxes of a
  // row to their row); controls without one are ignored. The window maps an inner tick label to
  // its outer box.
  void Click(TCtl ctl);
  void lblMinClick();
  void lblCloseClick();
  void lblOptionClick();
  void lblReadAndOKClick();
  void lblAgreementClick();
  void btnPathClick();
  void btnStartClick();
  void btnEditClick();
  void btnRepairClick();
  void btnUnInstallClick();
  void btnItemsNextClick();
  void btnItemsBackClick();
  void chkUninstDeepnessClick();
  void chkCreateDeskIconClick();
  void chkCreateStartmenuClick();
  void lblItemClick(int row);  // 1 to 10
  void lblExecClick(int row);  // 1 to 10
  void btnICFGNextClick();
  void btnFinishClick();

  // --- Hover and typing ----------------------------------------------------------------------
  void MouseEnter(TCtl ctl);
  void MouseLeave(TCtl ctl);
  // The path box's text changed (typed or set).
  void edtPathChange();
  // A character typed (or pasted, dropped, composed) into a configuration edit box: false drops
  // it. Backspace is 8.
  [[nodiscard]] bool edtICfgItem1KeyPress(TCtl edit, char32_t key);

  // --- Queries -------------------------------------------------------------------------------
  // The engine between FormCreate and FormDestroy, else nullptr.
  [[nodiscard]] TvqApp* App() const { return FApp.get(); }
  // A flow or the finish actions are running.
  [[nodiscard]] bool Busy() const { return FBusy > 0; }
  // As the controller last told the window.
  [[nodiscard]] bool IsVisible(TCtl ctl) const { return State(ctl).visible; }
  [[nodiscard]] bool IsEnabled(TCtl ctl) const { return State(ctl).enabled; }
  [[nodiscard]] bool IsTicked(TCtl box) const { return State(box).tag == 1; }
  [[nodiscard]] int Tag(TCtl ctl) const { return State(ctl).tag; }
  [[nodiscard]] const std::string& Caption(TCtl ctl) const { return State(ctl).caption; }
  [[nodiscard]] const std::string& Hint(TCtl ctl) const { return State(ctl).hint; }

 private:
  struct TCtlState {
    bool visible = true;
    bool enabled = true;
    int tag = 0;
    std::string caption;
    std::string hint;
  };

  // The title of the information boxes that the text table does not name.
  static constexpr const char* kMessageTitle = "消息";

  // WizardController.cpp: state, guards, pages, window behaviour.
  // The text-table key that names `mode`'s flow ("IDS_INSTALL" for the install).
  [[nodiscard]] static const char* ModeKey(std::uint32_t mode);
  [[nodiscard]] const TCtlState& State(TCtl ctl) const { return FState[static_cast<std::size_t>(ctl)]; }
  [[nodiscard]] TCtlState& State(TCtl ctl) { return FState[static_cast<std::size_t>(ctl)]; }
  void Guard(const std::function<void()>& handler);
  void ShowError(const std::string& message);
  void SetCaption(TCtl ctl, const std::string& text);
  void SetHint(TCtl ctl, const std::string& hint);
  void Show(TCtl ctl, bool visible);
  void Enable(TCtl ctl, bool enabled);
  void SetTag(TCtl ctl, int tag) { State(ctl).tag = tag; }
  void MoveTo(TCtl ctl, int left, int top);
  void SetDesignState();
  [[nodiscard]] std::string Text(const char* keys) const;
  // The loading line of the start page with `dots` dots.
  [[nodiscard]] std::string LoadingText(int dots) const;
  [[nodiscard]] std::string PathText() const;
  void Info(const std::string& text, const std::string& title);
  void ShowPage(TCtl page);
  void ShowStartPage();
  void SetOptionExpanded(bool expanded);
  void PaintTick(TCtl box);
  void ToggleTick(TCtl box);
  void SetTick(TCtl box, bool ticked);
  void CloseWindow();
  // Runs a flow or the finish actions: Busy meanwhile; a quit asked for meanwhile closes after.
  // False when the window is closing now.
  [[nodiscard]] bool RunBusy(const std::function<void()>& work);

  // WizardSkin.cpp: colours and captions.
  void ApplySkin();
  void ApplyTexts();
  void ColourItemRows();
  void ColourExecRows();
  void ColourRows(TCtl firstCaption, TCtl firstBox, int count);
  void HoverButton(TCtl button, bool over);

  // WizardStartPage.cpp: the start page, the agreement and the path.
  void ShowStartVariant();
  void PlaceLogo();
  void UpdateStartEnabled();
  [[nodiscard]] bool ValidateInstallPath();
  bool ShowResPicture(TCtl image, const std::string& key, int left, int top, int width, int height, bool fromPackage);

  // WizardFlows.cpp: the four flows and their results.
  void StartInstall();
  void StartChange();
  void StartRepair();
  void StartUninstall();
  void NextConfigOrFinish();
  [[nodiscard]] bool TakeInstallPath();
  enum class TFlowEnd { Done, Failed, Raised, Closing };
  // Runs `flow` on the install page (after the configuration items, for all but the uninstall);
  // its error text, or the text of what it raised (empty when that is no std::exception), in `error`.
  [[nodiscard]] TFlowEnd RunFlow(bool install, const std::function<bool(std::string&)>& flow, std::string& error);
  // The finish page after a flow that ended well, else the failure box and the start page.
  void FinishOrStartPage(const char* modeKey, TFlowEnd end, const std::string& error);

  // WizardItemsPage.cpp.
  // The drive letter of a path: the text before its first ":\".
  [[nodiscard]] static std::string DriveOf(const std::string& path);
  void ShowItemsPage();
  void BuildItemsPage();
  bool PlaceItemRow(int row, int index, const std::string& name, const std::string& title, bool ticked);
  void LayoutItemRows(int widest, int headings);
  int ApplyItemSelection();
  void UpdateNeededSpace();
  void UpdateDiskInfo();

  // WizardConfigPage.cpp.
  [[nodiscard]] bool ShowConfigPage();

  // WizardInstallPage.cpp.
  void EnterInstallPage(bool shortcutFlags);
  void ShowSlide();

  // WizardFinishPage.cpp.
  void ShowFinishPage();
  [[nodiscard]] int CountFinishExecs() const;
  void FillExecRows();
  void AddExecRows(const std::string& owner, int& row, int& widest);
  int ApplyExecTicks();
  void RunFinishActions();

  IWizardView& FView;
  std::unique_ptr<TvqApp> FApp;
  std::array<TCtlState, static_cast<std::size_t>(TCtl::Count)> FState{};

  bool FSelectable = false;
  bool FStartedAsUninstaller = false;
  bool FItemsShown = false;
  int FBaseHeight = 0;
  std::optional<TCtl> FCurrentPage;
  bool FOptionExpanded = false;
  int FSlideIndex = 1;
  int FSlideShown = 0;
  int FSlideCount = 0;
  // The application files are open: the action buttons may be enabled.
  bool FLoaded = false;
  // Module name -> its heading number on the items page.
  std::map<std::string, int> FItemHeading;
  int FBusy = 0;
  // The controller itself closes the window (finish, failures): the close request is granted.
  bool FClosing = false;
  // The engine asked to end the program during a flow: the window closes once the flow returns.
  bool FQuitPending = false;
};

}  // namespace orvane
