// The wizard's life: the engine from creation to destruction, the state the controller keeps
// for every control, the error guard around the handlers, page switching, the options panel,
// the tick boxes, the timers of the start page and closing.
#include "setup/ui/WizardController.h"

#include <exception>

#include "platform/TextCodec.h"
#include "setup/core/LineList.h"
#include "setup/core/MessagePump.h"
#include "setup/core/SetupUi.h"
#include "setup/core/VqApp.h"
#include "setup/core/VqLang.h"
#include "setup/core/VqSign.h"
#include "setup/core/VqSkin.h"

namespace orvane {
namespace {

constexpr int kStartPollMs = 300;
constexpr int kLoadingMs = 500;
constexpr int kMaxLoadingDots = 6;
constexpr int kTypedLimit = 8;  // configuration edit boxes 2 to 6

// Controls the form keeps hidden until the flow shows them.
bool HiddenByDesign(TCtl ctl) {
  switch (ctl) {
    case TCtl::pnlStepStart:
    case TCtl::pnlStepItems:
    case TCtl::pnlStepConfig:
    case TCtl::pnlStepInstall:
    case TCtl::pnlStepFinsh:
    case TCtl::pnlStepOption:
    case TCtl::pnlICfg:
    case TCtl::imgAppStepStartLogo:
    case TCtl::chkCreateDeskIcon:
    case TCtl::lblCreateDeskIcon:
    case TCtl::chkCreateStartmenu:
    case TCtl::lblCreateStartmenu:
    case TCtl::btnICFGBack:
    case TCtl::lblFinishWord:
    case TCtl::ImgStepFinshBackImg:
    case TCtl::ImgIOSQRCode:
    case TCtl::lblIOSQRCode:
      return true;
    default:
      break;
  }
  return CtlNumber(ctl, TCtl::lblGroup1, kGroupHeadings) > 0 || CtlNumber(ctl, TCtl::lblItem1, kItemRows) > 0 ||
         CtlNumber(ctl, TCtl::chkItem1Ok, kItemRows) > 0 || CtlNumber(ctl, TCtl::lblICfgItem1, kConfigRows) > 0 ||
         CtlNumber(ctl, TCtl::edtICfgItem1, kConfigRows) > 0 || CtlNumber(ctl, TCtl::lblExec1, kExecRows) > 0 ||
         CtlNumber(ctl, TCtl::chkExecOk1, kExecRows) > 0;
}

}  // namespace

TWizardController::TWizardController(IWizardView& view) : FView(view) {}

TWizardController::~TWizardController() {
  if (FApp) FApp->OnQuit = nullptr;
}

// --- Control state -----------------------------------------------------------------------------

void TWizardController::SetCaption(TCtl ctl, const std::string& text) {
  State(ctl).caption = text;
  FView.SetCaption(ctl, text);
}

void TWizardController::SetHint(TCtl ctl, const std::string& hint) {
  State(ctl).hint = hint;
  FView.SetHint(ctl, hint);
}

void TWizardController::Show(TCtl ctl, bool visible) {
  State(ctl).visible = visible;
  FView.SetVisible(ctl, visible);
}

void TWizardController::Enable(TCtl ctl, bool enabled) {
  State(ctl).enabled = enabled;
  FView.SetEnabled(ctl, enabled);
}

void TWizardController::MoveTo(TCtl ctl, int left, int top) { FView.SetBounds(ctl, {left, top, -1, -1}); }

void TWizardController::SetDesignState() {
  for (int i = 0; i < static_cast<int>(TCtl::Count); ++i) {
    const auto ctl = static_cast<TCtl>(i);
    Show(ctl, ctl == TCtl::Main || !HiddenByDesign(ctl));
  }
  // The shortcut boxes stay hidden and ticked: every install makes both kinds of links.
  SetTag(TCtl::chkCreateDeskIcon, 1);
  SetTag(TCtl::chkCreateStartmenu, 1);
  SetTag(TCtl::chkAgreementOk, 1);
  FView.SetMaxLength(TCtl::edtICfgItem1, 0);
  for (int n = 2; n <= kConfigRows; ++n) FView.SetMaxLength(*NthCtl(TCtl::edtICfgItem1, n, kConfigRows), kTypedLimit);
}

std::string TWizardController::Text(const char* keys) const { return FApp ? FApp->Lang().GetText(keys) : ""; }

std::string TWizardController::LoadingText(int dots) const {
  return Text("IDS_OUTPUTING,IDS_INSTALL,IDS_PACKAGE") + "," + Text("IDS_PLEASEWAITING") +
         std::string(static_cast<std::size_t>(dots), '.');
}

const char* TWizardController::ModeKey(std::uint32_t mode) {
  switch (mode) {
    case kModeUninstall:
      return "IDS_UNINSTALL";
    case kModeRepair:
      return "IDS_REPAIR";
    case kModeChange:
      return "IDS_CHANGE";
    default:
      return "IDS_INSTALL";
  }
}

std::string TWizardController::PathText() const { return platform::TrimBlanks(FView.Text(TCtl::edtPath)); }

void TWizardController::Info(const std::string& text, const std::string& title) { GetInfoBox().InfoBox(text, title); }

// --- Errors --------------------------------------------------------------------------------------

void TWizardController::Guard(const std::function<void()>& handler) {
  try {
    handler();
  } catch (const std::exception& e) {
    ShowError(e.what());
  } catch (...) {
    ShowError("");
  }
}

void TWizardController::ShowError(const std::string& message) {
  try {
    Info(message, FApp ? Text("IDS_ERRO") : "出错");
  } catch (...) {
    // The box itself failed; there is nothing left to tell the user with.
  }
}

void TWizardController::ApplicationEventsException(const std::string& message) { ShowError(message); }

// --- Window events -------------------------------------------------------------------------------

void TWizardController::FormCreate() {
  Guard([&] {
    FBaseHeight = FView.Bounds(TCtl::Main).height;
    FStartedAsUninstaller = false;
    FItemsShown = false;
    SetDesignState();
    FApp = std::make_unique<TvqApp>();
    FApp->OnQuit = [this] {
      if (Busy()) {
        FQuitPending = true;
      } else {
        CloseWindow();
      }
    };
    FCurrentPage.reset();
    FSlideIndex = 1;
    FSlideShown = 0;
    FView.SetAppTitle(Text("IDS_INSTALLTITLE"));
  });
}

void TWizardController::FormShow() {
  Guard([&] {
    if (!FApp) return;
    TvqApp& app = *FApp;
    ApplySkin();
    ApplyTexts();
    FSelectable = false;
    if (app.Mode != kModeUninstall)
      for (const std::string& line : app.ModuleList)
        if (LineValue(line).find("can_select:1") != std::string::npos) FSelectable = true;
    ShowStartVariant();
    for (const TCtl button : {TCtl::btnStart, TCtl::btnEdit, TCtl::btnRepair, TCtl::btnUnInstall})
      Enable(button, false);
    SetTag(TCtl::lblOperDesc, 0);
    SetCaption(TCtl::lblOperDesc, LoadingText(0));
    Show(TCtl::lblOperDesc, true);
    FView.StartTimer(TTimer::Loading, kLoadingMs);
    FOptionExpanded = app.Main.AppOptionExpanded && app.Mode == kModeInstall && !IsVisible(TCtl::btnEdit);
    ShowStartPage();
    FView.StartTimer(TTimer::Start, kStartPollMs);
  });
}

void TWizardController::FormDestroy() {
  Guard([&] {
    FView.StopTimer(TTimer::Start);
    FView.StopTimer(TTimer::Loading);
    FView.StopTimer(TTimer::Slider);
    if (FApp) FApp->StatusLabel = nullptr;
    FApp.reset();
  });
}

void TWizardController::FormMouseMove() {
  Guard([&] { FView.StartWindowDrag(); });
}

// --- Timers --------------------------------------------------------------------------------------

void TWizardController::tmrLoadingTimer() {
  Guard([&] {
    int dots = Tag(TCtl::lblOperDesc);
    if (dots > kMaxLoadingDots) dots = 0;
    SetCaption(TCtl::lblOperDesc, LoadingText(dots));
    SetTag(TCtl::lblOperDesc, dots + 1);
  });
}

void TWizardController::tmrStartTimer() {
  Guard([&] {
    if (!FApp || !FApp->Sign().Finished()) return;
    FView.StopTimer(TTimer::Start);
    // Opening the package processes window messages: the buttons stay off until the whole
    // loading step is over, or a click would run a flow inside it.
    if (!FApp->RequireAppFiles()) return;
    ProcessMessages();
    if (IsVisible(TCtl::lblAgreement)) {
      FApp->LoadAgreement();
      const bool shown = !FApp->AgreementText.empty();
      for (const TCtl ctl : {TCtl::chkAgreementOk, TCtl::lblReadAndOK, TCtl::lblAgreement}) Show(ctl, shown);
      PaintTick(TCtl::chkAgreementOk);
    }
    FApp->PrepareSliderPictures();
    Show(TCtl::lblOperDesc, false);
    FView.StopTimer(TTimer::Loading);
    SetOptionExpanded(FOptionExpanded);
    FLoaded = true;
    for (const TCtl button : {TCtl::btnEdit, TCtl::btnRepair, TCtl::btnUnInstall}) Enable(button, true);
    UpdateStartEnabled();
  });
}

// --- Pages ---------------------------------------------------------------------------------------

void TWizardController::ShowPage(TCtl page) {
  if (FCurrentPage && *FCurrentPage != page) State(*FCurrentPage).visible = false;
  FCurrentPage = page;
  State(page).visible = true;
  FView.ShowPage(page);
  Enable(TCtl::lblClose, true);
}

void TWizardController::ShowStartPage() {
  FView.StopTimer(TTimer::Slider);
  FSlideIndex = 1;
  FSlideShown = 0;
  ShowPage(TCtl::pnlStepStart);
  SetOptionExpanded(FOptionExpanded);
}

void TWizardController::SetOptionExpanded(bool expanded) {
  // The panel and the taller window belong to the start page; other pages keep the base height.
  if (FCurrentPage != TCtl::pnlStepStart) return;
  FView.SetBounds(TCtl::pnlStepOption, {0, FView.Bounds(TCtl::lblOption).bottom() + 5, -1, -1});
  int height = FBaseHeight;
  if (expanded) {
    height = FBaseHeight + FView.Bounds(TCtl::pnlStepOption).height;
    FView.SetBounds(TCtl::Main, {0, 0, -1, height});
    Show(TCtl::pnlStepOption, true);
    SetCaption(TCtl::lblOption, "∧ " + Text("IDS_CUSTOMOPTION"));
    if (Tag(TCtl::lblPathInfo) != 1) {
      SetTag(TCtl::lblPathInfo, 1);
      UpdateDiskInfo();
    }
  } else {
    Show(TCtl::pnlStepOption, false);
    FView.SetBounds(TCtl::Main, {0, 0, -1, height});
    SetCaption(TCtl::lblOption, "∨ " + Text("IDS_CUSTOMOPTION"));
  }
  FView.SetBounds(TCtl::pnlStepInstall, {1, 1, -1, height - 2});
}

void TWizardController::lblOptionClick() {
  Guard([&] { SetOptionExpanded(!IsVisible(TCtl::pnlStepOption)); });
}

// --- Tick boxes ----------------------------------------------------------------------------------

void TWizardController::PaintTick(TCtl box) {
  FView.SetTick(box, IsTicked(box));
  // An unticked box is its inner label in the button font colour, so it looks empty.
  if (!IsTicked(box) && FApp) FView.SetInnerTickColor(box, FApp->Skin().Button_defFont);
}

void TWizardController::SetTick(TCtl box, bool ticked) {
  SetTag(box, ticked ? 1 : 0);
  PaintTick(box);
}

void TWizardController::ToggleTick(TCtl box) { SetTick(box, !IsTicked(box)); }

void TWizardController::chkUninstDeepnessClick() {
  Guard([&] { ToggleTick(TCtl::chkUninstDeepness); });
}

void TWizardController::chkCreateDeskIconClick() {
  Guard([&] { ToggleTick(TCtl::chkCreateDeskIcon); });
}

void TWizardController::chkCreateStartmenuClick() {
  Guard([&] { ToggleTick(TCtl::chkCreateStartmenu); });
}

// --- Clicks --------------------------------------------------------------------------------------

void TWizardController::Click(TCtl ctl) {
  if (!IsEnabled(ctl) || !IsVisible(ctl)) return;
  if (const int n = CtlNumber(ctl, TCtl::lblItem1, kItemRows); n > 0) return lblItemClick(n);
  if (const int n = CtlNumber(ctl, TCtl::chkItem1Ok, kItemRows); n > 0) return lblItemClick(n);
  if (const int n = CtlNumber(ctl, TCtl::lblExec1, kExecRows); n > 0) return lblExecClick(n);
  if (const int n = CtlNumber(ctl, TCtl::chkExecOk1, kExecRows); n > 0) return lblExecClick(n);
  switch (ctl) {
    case TCtl::lblMin:
      return lblMinClick();
    case TCtl::lblClose:
      return lblCloseClick();
    case TCtl::lblOption:
      return lblOptionClick();
    case TCtl::chkAgreementOk:
    case TCtl::lblReadAndOK:
      return lblReadAndOKClick();
    case TCtl::lblAgreement:
      return lblAgreementClick();
    case TCtl::btnPath:
      return btnPathClick();
    case TCtl::btnStart:
      return btnStartClick();
    case TCtl::btnEdit:
      return btnEditClick();
    case TCtl::btnRepair:
      return btnRepairClick();
    case TCtl::btnUnInstall:
      return btnUnInstallClick();
    case TCtl::btnItemsNext:
      return btnItemsNextClick();
    case TCtl::btnItemsBack:
      return btnItemsBackClick();
    case TCtl::chkUninstDeepness:
    case TCtl::lblUninstDeepness:
      return chkUninstDeepnessClick();
    case TCtl::chkCreateDeskIcon:
    case TCtl::lblCreateDeskIcon:
      return chkCreateDeskIconClick();
    case TCtl::chkCreateStartmenu:
    case TCtl::lblCreateStartmenu:
      return chkCreateStartmenuClick();
    case TCtl::btnICFGNext:
      return btnICFGNextClick();
    case TCtl::btnFinish:
      return btnFinishClick();
    default:
      return;
  }
}

void TWizardController::lblMinClick() {
  Guard([&] { FView.Minimize(); });
}

// --- Closing -------------------------------------------------------------------------------------

void TWizardController::CloseWindow() {
  FClosing = true;
  FView.Close();
}

bool TWizardController::RunBusy(const std::function<void()>& work) {
  std::exception_ptr failure;
  ++FBusy;
  try {
    work();
  } catch (...) {
    failure = std::current_exception();
  }
  --FBusy;
  if (FBusy == 0 && FQuitPending) {
    FQuitPending = false;
    CloseWindow();
  }
  if (failure) std::rethrow_exception(failure);
  return !FClosing;
}

bool TWizardController::CloseQuery() {
  if (FClosing) return true;
  // The engine is in the middle of a flow or of the finish actions: freeing it now would pull
  // the ground from under them, and a second finish run would repeat every action.
  if (Busy()) return false;
  bool granted = false;
  Guard([&] {
    if (FCurrentPage == TCtl::pnlStepFinsh && FApp) (void)RunBusy([&] { RunFinishActions(); });
    granted = true;
  });
  if (granted) FClosing = true;
  return granted;
}

void TWizardController::lblCloseClick() {
  Guard([&] {
    if (!IsEnabled(TCtl::lblClose) || Busy()) return;
    if (FCurrentPage == TCtl::pnlStepFinsh && FApp && !RunBusy([&] { RunFinishActions(); })) return;
    CloseWindow();
  });
}

}  // namespace orvane
