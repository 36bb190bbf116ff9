// The install page: shown while a flow runs, with the slides, the engine's status line and its
// progress bar.
#include <algorithm>

#include "setup/core/ConfigRecords.h"
#include "setup/core/MessagePump.h"
#include "setup/core/VqApp.h"
#include "setup/ui/WizardController.h"

namespace orvane {
namespace {

constexpr int kMinSliderMs = 300;

}  // namespace

void TWizardController::EnterInstallPage(bool shortcutFlags) {
  TvqApp& app = *FApp;
  if (shortcutFlags) {
    app.DesktopLink = IsTicked(TCtl::chkCreateDeskIcon);
    app.StartMenuLink = IsTicked(TCtl::chkCreateStartmenu);
  }
  SetOptionExpanded(false);
  SetCaption(TCtl::lblInstTitle, app.Main.AppTitle);
  Show(TCtl::lblInstTitle, !app.Main.AppInstalSliderUnshowAppTitle);
  ShowPage(TCtl::pnlStepInstall);
  // The flow must run to its end: the close mark stays off until the next page.
  Enable(TCtl::lblClose, false);
  FSlideCount = app.CountConfigSection(SliderSectionName(""));
  FSlideIndex = 1;
  ShowSlide();
  FView.StartTimer(TTimer::Slider, std::max(app.Main.AppInstalSliderImgtime, kMinSliderMs));
  app.StatusLabel = &FView.StatusLine();
  FView.AttachProgress();
}

void TWizardController::ShowSlide() {
  TvqApp& app = *FApp;
  std::string prefix = app.Mode == kModeUninstall ? "uninst_" : "";
  if (app.CountConfigSection(SliderSectionName(prefix)) == 0) prefix = prefix.empty() ? "uninst_" : "";
  if (FSlideShown != 0 && FSlideShown == FSlideIndex) return;
  if (!app.LoadSliderPicture(FView.Picture(TCtl::imgSlider), prefix, FSlideIndex)) {
    FSlideIndex = 1;
    return;
  }
  FView.SetTransparent(TCtl::lblInstallBack, true);
  FSlideShown = FSlideIndex;
  ProcessMessages();
}

void TWizardController::tmrSliderTimer() {
  Guard([&] {
    if (!FApp) return;
    if (++FSlideIndex > FSlideCount) FSlideIndex = 1;
    ShowSlide();
  });
}

}  // namespace orvane
