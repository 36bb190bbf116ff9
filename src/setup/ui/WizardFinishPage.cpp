// The finish page: the success texts and pictures per mode, up to ten rows of finish actions the
// user may tick, and the finish step that runs them and, for the uninstaller, deletes it.
#include <algorithm>

#include "platform/TextCodec.h"
#include "setup/core/ConfigRecords.h"
#include "setup/core/LineList.h"
#include "setup/core/TagValue.h"
#include "setup/core/VqApp.h"
#include "setup/core/VqLib.h"
#include "setup/ui/WizardController.h"

namespace orvane {
namespace {

constexpr int kBandTall = 218;
constexpr int kBandShort = 80;
constexpr int kRowHeight = 35;
constexpr int kRowRoom = 37;
constexpr int kCharWidth = 12;
constexpr int kOneColumnWidest = 8;

std::string ExecSection(const TvqApp& app, const std::string& owner) {
  return owner + "_exec_" + (app.Mode == kModeUninstall ? "3" : "1");
}

// The owners of finish actions in their order: the modules marked for setup, then the global
// section.
std::vector<std::string> ExecOwners(const TvqApp& app) {
  std::vector<std::string> owners;
  for (const std::string& line : app.ModuleList) {
    const TModuleRecord module = ParseModuleLine(line);
    if (module.setup) owners.push_back(module.key);
  }
  owners.emplace_back();
  return owners;
}

}  // namespace

int TWizardController::CountFinishExecs() const {
  TvqApp& app = *FApp;
  const bool win64 = TvqLib::IsWin64();
  int count = 0;
  for (const std::string& owner : ExecOwners(app)) {
    TLineList lines;
    app.ReadConfigSection(ExecSection(app, owner), lines);
    for (const std::string& line : lines) {
      const TExecRecord exec = ParseExecLine(line);
      if (exec.FitsWindows(win64) && exec.is_can_select) ++count;
    }
  }
  return count;
}

void TWizardController::ShowFinishPage() {
  TvqApp& app = *FApp;
  const std::uint32_t mode = app.Mode;
  const bool execs = (mode == kModeInstall || mode == kModeUninstall) && CountFinishExecs() > 0;
  Show(TCtl::pnlExecs, execs);
  SetCaption(TCtl::lblFinishWord, mode == kModeUninstall ? app.Main.AppUnInstWord : app.Main.AppInstWord);
  SetCaption(TCtl::lblFinishTitle, Text(ModeKey(mode)) + Text("IDS_SUCCESS"));
  FView.StopTimer(TTimer::Slider);

  const int bandWidth = FView.Bounds(TCtl::lblFinishBack).width;
  const auto band = [&](int height) { FView.SetBounds(TCtl::lblFinishBack, {0, 0, -1, height}); };
  const auto finishTop = [&](int top) {
    FView.SetBounds(TCtl::btnFinish, {FView.Bounds(TCtl::btnFinish).left, top, -1, -1});
  };
  const auto execArea = [&](int top, int gap) {
    const TRect area = FView.Bounds(TCtl::pnlExecs);
    FView.SetBounds(TCtl::pnlExecs, {area.left, top, -1, FView.Bounds(TCtl::btnFinish).top - gap - top});
  };
  const auto words = [&](int top) {
    FView.SetAlignment(TCtl::lblFinishWord, TAlign::Center);
    FView.SetBounds(TCtl::lblFinishWord, {FView.Bounds(TCtl::lblFinishWord).left, top, -1, -1});
    Show(TCtl::lblFinishWord, true);
  };
  const auto picture = [&](bool loaded) {
    if (!loaded) return;
    FView.SetBounds(TCtl::ImgStepFinshBackImg, {0, 0, bandWidth, kBandTall});
    Show(TCtl::ImgStepFinshBackImg, true);
  };

  // Without pictures: the words, under a short band above the action rows when there are any.
  const auto wordsLayout = [&](int execGap) {
    if (execs) {
      execArea(100, execGap);
      band(kBandShort);
      words(38);
    } else {
      band(kBandTall);
      finishTop(300);
      words(95);
    }
  };

  FView.ClearPicture(TCtl::ImgStepFinshBackImg);
  if (mode == kModeUninstall) {
    const bool loaded = app.LoadResPicture(FView.Picture(TCtl::ImgStepFinshBackImg), "res_uninsted_back_img", true);
    if (loaded) {
      band(kBandTall);
      picture(true);
      finishTop(318);
      FView.SetAlignment(TCtl::lblFinishWord, TAlign::Left);
    } else {
      wordsLayout(1);
    }
  } else {
    finishTop(318);
    if (mode == kModeChange || mode == kModeRepair) finishTop(275);
    const bool loaded = app.LoadResPicture(FView.Picture(TCtl::ImgStepFinshBackImg), "res_insted_back_img", true);
    FView.ClearPicture(TCtl::ImgIOSQRCode);
    const bool code = app.LoadResPicture(FView.Picture(TCtl::ImgIOSQRCode), "res_down_qrcode_ios", true);
    if (code) {
      execArea(kBandTall, 1);
      band(kBandTall);
      picture(loaded);
      Show(TCtl::ImgIOSQRCode, true);
      Show(TCtl::lblIOSQRCode, true);
    } else {
      wordsLayout(0);
    }
  }
  ShowPage(TCtl::pnlStepFinsh);
  if (!app.UpgradeMode && (mode == kModeInstall || mode == kModeUninstall)) FillExecRows();
}

void TWizardController::AddExecRows(const std::string& owner, int& row, int& widest) {
  TvqApp& app = *FApp;
  TLineList lines;
  app.ReadConfigSection(ExecSection(app, owner), lines);
  const bool win64 = TvqLib::IsWin64();
  for (const std::string& line : lines) {
    const TExecRecord exec = ParseExecLine(line);
    if (exec.key.empty() || !exec.FitsWindows(win64) || !exec.is_can_select) continue;
    widest = std::max(widest, TvqLib::AnsiCharCount(exec.exec_name));
    if (const auto caption = NthCtl(TCtl::lblExec1, row, kExecRows)) {
      const TCtl box = *NthCtl(TCtl::chkExecOk1, row, kExecRows);
      SetCaption(*caption, exec.exec_name);
      SetHint(*caption, exec.key);
      Show(*caption, true);
      Show(box, true);
      FView.BringToFront(box);
      SetTag(box, IsFlagSet(exec.is_def_select) ? 1 : 0);
    }
    ++row;
  }
  app.CollectFinishExecs(owner);
}

void TWizardController::FillExecRows() {
  if (!IsVisible(TCtl::pnlExecs)) return;
  FApp->FinishExecs.clear();
  int widest = 0;
  int row = 1;
  for (const std::string& owner : ExecOwners(*FApp)) AddExecRows(owner, row, widest);
  int shown = 0;
  for (int n = 1; n <= kExecRows; ++n) shown += IsVisible(*NthCtl(TCtl::lblExec1, n, kExecRows)) ? 1 : 0;
  if (shown == 0) return;
  const int rows = widest > kOneColumnWidest && shown > 4 ? (shown + 1) / 2 : shown;
  const TRect area = FView.Bounds(TCtl::pnlExecs);
  const bool tooTall = kRowRoom * rows > area.height;
  const bool single = (widest <= kOneColumnWidest || shown <= 4) && !tooTall;
  int line = 1;
  int top = 0;
  for (int n = 1; n <= kExecRows; ++n) {
    const TCtl caption = *NthCtl(TCtl::lblExec1, n, kExecRows);
    if (!IsVisible(caption)) continue;
    int left = 0;
    if (single) {
      left = (area.width - widest * kCharWidth) / 2;
      top = line++ * kRowHeight;
    } else if (n % 2 == 1) {
      left = 102;
      top = line * kRowHeight;
    } else {
      left = 310;
      ++line;
    }
    const TCtl box = *NthCtl(TCtl::chkExecOk1, n, kExecRows);
    MoveTo(caption, left, top);
    MoveTo(box, left - 24, top);
    PaintTick(box);
  }
}

int TWizardController::ApplyExecTicks() {
  int shown = 0;
  for (int n = 1; n <= kExecRows; ++n) {
    const TCtl caption = *NthCtl(TCtl::lblExec1, n, kExecRows);
    if (!IsVisible(caption)) continue;
    ++shown;
    const bool ticked = IsTicked(*NthCtl(TCtl::chkExecOk1, n, kExecRows));
    for (std::string& line : FApp->FinishExecs)
      if (platform::SameText(LineName(line), Hint(caption))) {
        line = LineName(line) + "=" + SetTagValue(LineValue(line), "is_select:", ';', ticked ? "1" : "0");
        break;
      }
  }
  return shown;
}

void TWizardController::lblExecClick(int row) {
  Guard([&] {
    if (const auto box = NthCtl(TCtl::chkExecOk1, row, kExecRows)) ToggleTick(*box);
  });
}

void TWizardController::RunFinishActions() {
  TvqApp& app = *FApp;
  struct TReenable {
    TWizardController& self;
    ~TReenable() { self.Enable(TCtl::btnFinish, true); }
  } reenable{*this};
  Enable(TCtl::btnFinish, false);
  app.FinishExecs.clear();
  for (const std::string& owner : ExecOwners(app)) app.CollectFinishExecs(owner);
  if (IsVisible(TCtl::pnlExecs)) (void)ApplyExecTicks();
  (void)app.RunFinishExecs(app.Mode);
  // A partial uninstall keeps the entry, which still names this uninstaller: it must stay.
  if (app.Mode == kModeUninstall && FStartedAsUninstaller && !app.ReadInstallLocation())
    (void)app.StartSelfDelete(IsTicked(TCtl::chkUninstDeepness));
}

void TWizardController::btnFinishClick() {
  Guard([&] {
    if (!IsEnabled(TCtl::btnFinish) || Busy() || !FApp) return;
    if (RunBusy([&] { RunFinishActions(); })) CloseWindow();
  });
}

}  // namespace orvane
