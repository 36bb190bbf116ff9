#pragma once
// What the wizard's page flow (TWizardController) asks of its window. The window is only a
// surface: it creates the controls of the form, places, colours and fills them as told, and
// forwards the user's clicks, typing and timer ticks to the controller. Every decision, every
// text and all state (ticks, tags, visibility) lie with the controller, so the flow runs and is
// tested without widgets. No Qt here; texts are UTF-8. UI thread only.
//
// Controls are named by TCtl, the form's component names. A tick box is named by its outer label
// (chk...); the window keeps its inner label (chk...In) itself: shown only while unticked, 2
// pixels inside the outer label and 4 pixels smaller, coloured as SetInnerTickColor says.
// Coordinates are pixels relative to the control's parent (the window's client area for pages).
//
// Design state the controller relies on (it sets everything else itself): the window is 520 by
// 393, gray, with every page hidden; controls that the form shows are visible; the numbered rows
// and headings, the configuration row area, the finish words, the finish pictures and the code
// caption are hidden until the controller shows them.
#include <optional>
#include <string>

#include "setup/core/SkinColor.h"
#include "setup/core/VqApp.h"

namespace orvane {

class IStatusLine;

enum class TCtl : int {
  Main,  // the window itself (client area)
  // Pages and their areas.
  pnlStepStart,
  pnlStepItems,
  pnlStepConfig,
  pnlStepInstall,
  pnlStepFinsh,
  pnlStepOption,
  pnlItems,
  pnlICfg,
  pnlExecs,
  // Window marks, moved onto the current page by ShowPage.
  lblMin,
  lblMinBack,
  lblClose,
  lblCloseBack,
  // Start page.
  lblSetp1Back,
  imgAppStepStartLogo,
  imgAppLogo,
  lblAppTitle,
  lblAppVersion,
  lblTitle,
  btnStart,
  btnEdit,
  btnRepair,
  btnUnInstall,
  lblOperDesc,
  lblInstedInfo,
  lblSysRequire,
  chkAgreementOk,
  lblReadAndOK,
  lblAgreement,
  lblOption,
  chkUninstDeepness,
  lblUninstDeepness,
  // Options panel.
  lblSetupPathLabel,
  edtPath,
  btnPath,
  lblPathInfo,
  chkCreateDeskIcon,
  lblCreateDeskIcon,
  chkCreateStartmenu,
  lblCreateStartmenu,
  // Items page.
  lblItemTitleBack,
  lblItemTitle,
  lblGroup1,
  lblGroup2,
  lblGroup3,
  lblGroup4,
  lblGroup5,
  lblItem1,
  lblItem2,
  lblItem3,
  lblItem4,
  lblItem5,
  lblItem6,
  lblItem7,
  lblItem8,
  lblItem9,
  lblItem10,
  chkItem1Ok,
  chkItem2Ok,
  chkItem3Ok,
  chkItem4Ok,
  chkItem5Ok,
  chkItem6Ok,
  chkItem7Ok,
  chkItem8Ok,
  chkItem9Ok,
  chkItem10Ok,
  lblItemsFileInfo1,
  lblItemsFileSize,
  lblItemsFileInfo2,
  lblItemsSetupPath,
  btnItemsBack,
  btnItemsNext,
  // Configuration page.
  lblICFGBack,
  lblICfgTitle,
  lblICfgLabel,
  lblICfgItem1,
  lblICfgItem2,
  lblICfgItem3,
  lblICfgItem4,
  lblICfgItem5,
  lblICfgItem6,
  edtICfgItem1,
  edtICfgItem2,
  edtICfgItem3,
  edtICfgItem4,
  edtICfgItem5,
  edtICfgItem6,
  btnICFGBack,
  btnICFGNext,
  // Install page.
  lblInstallBack,
  imgSlider,
  lblInstTitle,
  PBarBack,
  PBar,
  PBarHint,
  lblInstallState,
  // Finish page.
  lblFinishBack,
  ImgStepFinshBackImg,
  lblFinishTitle,
  lblFinishAppVersion,
  lblFinishWord,
  ImgIOSQRCode,
  lblIOSQRCode,
  lblExec1,
  lblExec2,
  lblExec3,
  lblExec4,
  lblExec5,
  lblExec6,
  lblExec7,
  lblExec8,
  lblExec9,
  lblExec10,
  chkExecOk1,
  chkExecOk2,
  chkExecOk3,
  chkExecOk4,
  chkExecOk5,
  chkExecOk6,
  chkExecOk7,
  chkExecOk8,
  chkExecOk9,
  chkExecOk10,
  btnFinish,
  Count
};

// Sizes of the numbered control families.
inline constexpr int kGroupHeadings = 5;
inline constexpr int kItemRows = 10;
inline constexpr int kConfigRows = 6;
inline constexpr int kExecRows = 10;

// The n-th control (1-based) of the family that starts at `first`; nothing outside 1..count.
[[nodiscard]] constexpr std::optional<TCtl> NthCtl(TCtl first, int n, int count) {
  if (n < 1 || n > count) return std::nullopt;
  return static_cast<TCtl>(static_cast<int>(first) + n - 1);
}
// The number (1-based) of `ctl` in the family that starts at `first`; 0 when it is not one of it.
[[nodiscard]] constexpr int CtlNumber(TCtl ctl, TCtl first, int count) {
  const int n = static_cast<int>(ctl) - static_cast<int>(first) + 1;
  return n >= 1 && n <= count ? n : 0;
}

// A control's place and size, relative to its parent.
struct TRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  [[nodiscard]] int right() const { return left + width; }
  [[nodiscard]] int bottom() const { return top + height; }
  bool operator==(const TRect&) const = default;
};

enum class TAlign { Left, Center, Right };
enum class TTimer { Start, Loading, Slider };

class IWizardView {
 public:
  virtual ~IWizardView() = default;

  // Texts. A label that autosizes in the form (titles, captions, the size label) takes the size
  // of its text at once, so Bounds tells its new width. For an edit box SetCaption sets its text
  // in full, whatever its typing limit.
  virtual void SetCaption(TCtl ctl, const std::string& text) = 0;
  // The caption of a label or the text of an edit box as it is now (typed text included).
  [[nodiscard]] virtual std::string Text(TCtl ctl) const = 0;
  virtual void SetHint(TCtl ctl, const std::string& hint) = 0;
  // The most characters the user may type into an edit box; 0 means no limit. Texts set through
  // SetCaption are never cut.
  virtual void SetMaxLength(TCtl ctl, int maxChars) = 0;

  // State and place.
  virtual void SetVisible(TCtl ctl, bool visible) = 0;
  virtual void SetEnabled(TCtl ctl, bool enabled) = 0;
  virtual void BringToFront(TCtl ctl) = 0;
  [[nodiscard]] virtual TRect Bounds(TCtl ctl) const = 0;
  // A width or height below 0 keeps the control's own. For Main only the height counts.
  virtual void SetBounds(TCtl ctl, const TRect& bounds) = 0;
  virtual void SetAlignment(TCtl ctl, TAlign align) = 0;

  // Tick boxes (outer label named): paints the box from `ticked` ("√" or the inner label).
  virtual void SetTick(TCtl box, bool ticked) = 0;
  // The colour of a box's inner label.
  virtual void SetInnerTickColor(TCtl box, TColor color) = 0;

  // Colours (skin colours as $00BBGGRR or system colours, see SkinColor.h) and fonts.
  virtual void SetColor(TCtl ctl, TColor back) = 0;
  virtual void SetFontColor(TCtl ctl, TColor font) = 0;
  virtual void SetFontSize(TCtl ctl, int points) = 0;
  // A transparent label shows its parent's colour; an opaque one its own.
  virtual void SetTransparent(TCtl ctl, bool transparent) = 0;
  // The progress shapes: fill and outline.
  virtual void SetShapeColors(TCtl shape, TColor brush, TColor pen) = 0;

  // Pictures: the image control as the engine's picture target, and clearing it. A picture that
  // loads into an autosized image gives it the picture's size (Bounds tells it).
  [[nodiscard]] virtual IPictureTarget& Picture(TCtl image) = 0;
  virtual void ClearPicture(TCtl image) = 0;

  // Pages: hides the current page, fits `page` into the window (1 pixel in on every side,
  // anchored), shows it and moves lblMinBack, lblMin, lblCloseBack and lblClose onto it, in front
  // in that order.
  virtual void ShowPage(TCtl page) = 0;

  // The window: its application title, minimising, dragging from the bound areas, and closing.
  // Close asks the window to close as the user would; the window then asks the controller's
  // CloseQuery like for any other close request.
  virtual void SetAppTitle(const std::string& title) = 0;
  virtual void Minimize() = 0;
  virtual void StartWindowDrag() = 0;
  virtual void Close() = 0;

  // Timers; starting a running timer restarts it with the new interval.
  virtual void StartTimer(TTimer timer, int intervalMs) = 0;
  virtual void StopTimer(TTimer timer) = 0;

  // The install page's status line (lblInstallState) for the engine.
  [[nodiscard]] virtual IStatusLine& StatusLine() = 0;
  // Attaches the progress bar to PBar, PBarBack and PBarHint and installs it as the setup core's
  // progress hand-off (SetProgress) until the window is destroyed.
  virtual void AttachProgress() = 0;

  // The folder dialog titled `caption`, opened at `startFolder` (a host path, may be empty): the
  // chosen folder as a host path, or nothing when the user cancelled.
  [[nodiscard]] virtual std::optional<std::string> ChooseFolder(const std::string& caption,
                                                                const std::string& startFolder) = 0;
};

}  // namespace orvane
