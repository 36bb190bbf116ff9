// The wizard's colours from the setup skin, its captions from the text table, and the hover
// looks of its marks, links and label buttons.
#include "setup/core/VqApp.h"
#include "setup/core/VqLang.h"
#include "setup/core/VqSkin.h"
#include "setup/ui/WizardController.h"

namespace orvane {
namespace {

constexpr int kLighter = 20;
constexpr int kRowFontPoints = 12;
constexpr int kTickFontPoints = 15;

constexpr TCtl kLabelButtons[] = {TCtl::btnStart,    TCtl::btnEdit,      TCtl::btnRepair,    TCtl::btnUnInstall,
                                  TCtl::btnPath,     TCtl::btnItemsBack, TCtl::btnItemsNext, TCtl::btnICFGBack,
                                  TCtl::btnICFGNext, TCtl::btnFinish};

bool IsLabelButton(TCtl ctl) {
  for (const TCtl button : kLabelButtons)
    if (button == ctl) return true;
  return false;
}

bool IsTickBox(TCtl ctl) {
  return ctl == TCtl::chkAgreementOk || ctl == TCtl::chkUninstDeepness || ctl == TCtl::chkCreateDeskIcon ||
         ctl == TCtl::chkCreateStartmenu || CtlNumber(ctl, TCtl::chkItem1Ok, kItemRows) > 0 ||
         CtlNumber(ctl, TCtl::chkExecOk1, kExecRows) > 0;
}

// The description that the three buttons of an installed product show while hovered.
const char* DescriptionOf(TCtl ctl) {
  switch (ctl) {
    case TCtl::btnEdit:
      return "IDS_CHANGE_DESC";
    case TCtl::btnRepair:
      return "IDS_REPAIR_DESC";
    case TCtl::btnUnInstall:
      return "IDS_UNINSTALL_DESC";
    default:
      return nullptr;
  }
}

}  // namespace

void TWizardController::ApplySkin() {
  const TvqSkin& skin = FApp->Skin();
  FView.SetFontColor(TCtl::Main, skin.Form_back);
  for (const TCtl panel : {TCtl::pnlStepStart, TCtl::pnlStepItems, TCtl::pnlStepConfig, TCtl::pnlStepInstall,
                           TCtl::pnlStepFinsh, TCtl::pnlStepOption, TCtl::pnlItems, TCtl::pnlICfg, TCtl::pnlExecs})
    FView.SetColor(panel, skin.Form_font);
  for (const TCtl band :
       {TCtl::lblSetp1Back, TCtl::lblItemTitleBack, TCtl::lblICFGBack, TCtl::lblInstallBack, TCtl::lblFinishBack})
    FView.SetColor(band, skin.Form_back);
  FView.SetColor(TCtl::lblMinBack, AdjustColor(skin.Form_back, kLighter));
  for (const TCtl title :
       {TCtl::lblTitle, TCtl::lblICfgTitle, TCtl::lblInstTitle, TCtl::lblFinishTitle, TCtl::lblFinishAppVersion,
        TCtl::lblFinishWord, TCtl::lblMin, TCtl::lblClose, TCtl::lblAppTitle, TCtl::lblAppVersion})
    FView.SetFontColor(title, skin.Form_font);
  for (const TCtl button : kLabelButtons) HoverButton(button, false);
  for (const TCtl box :
       {TCtl::chkAgreementOk, TCtl::chkUninstDeepness, TCtl::chkCreateDeskIcon, TCtl::chkCreateStartmenu}) {
    FView.SetColor(box, skin.Button_defBack);
    FView.SetFontColor(box, skin.Button_defFont);
    FView.SetInnerTickColor(box, skin.Button_defFont);
  }
  FView.SetTransparent(TCtl::lblSysRequire, false);
  FView.SetFontColor(TCtl::lblSysRequire, skin.Button_defBack);
  for (const TCtl link :
       {TCtl::lblAgreement, TCtl::lblReadAndOK, TCtl::lblOption, TCtl::lblUninstDeepness, TCtl::lblItemsSetupPath})
    FView.SetFontColor(link, skin.Form_back);
  FView.SetFontColor(TCtl::lblPathInfo, skin.Button_defBack);
  FView.SetFontColor(TCtl::lblItemsFileSize, skin.Button_defBack);
  FView.SetFontColor(TCtl::lblInstedInfo, AdjustColor(skin.Form_back, kLighter));
  ColourItemRows();
  ColourExecRows();
  FView.SetShapeColors(TCtl::PBarBack, skin.Form_font, skin.Form_back);
  FView.SetShapeColors(TCtl::PBar, skin.Form_back, skin.Form_font);
  FView.SetFontColor(TCtl::PBarHint, skin.Button_exit_moveFont);
}

void TWizardController::ColourItemRows() { ColourRows(TCtl::lblItem1, TCtl::chkItem1Ok, kItemRows); }

void TWizardController::ColourExecRows() { ColourRows(TCtl::lblExec1, TCtl::chkExecOk1, kExecRows); }

void TWizardController::ColourRows(TCtl firstCaption, TCtl firstBox, int count) {
  const TvqSkin& skin = FApp->Skin();
  for (int n = 1; n <= count; ++n) {
    const TCtl caption = *NthCtl(firstCaption, n, count);
    const TCtl box = *NthCtl(firstBox, n, count);
    FView.SetFontColor(caption, skin.Form_back);
    FView.SetFontSize(caption, kRowFontPoints);
    FView.SetColor(box, skin.Button_defBack);
    FView.SetFontColor(box, skin.Button_defFont);
    FView.SetInnerTickColor(box, skin.Button_defFont);
    FView.SetFontSize(box, kTickFontPoints);
  }
}

void TWizardController::ApplyTexts() {
  const TvqLang& lang = FApp->Lang();
  SetCaption(TCtl::lblReadAndOK, lang.GetText("IDS_READANDAGREEN"));
  SetCaption(TCtl::lblAgreement, lang.GetText("IDS_AGREEMENT"));
  SetCaption(TCtl::lblOption, "∨ " + lang.GetText("IDS_CUSTOMOPTION"));
  SetCaption(TCtl::lblSetupPathLabel, lang.GetText("IDS_SETUPPATH"));
  const TRect label = FView.Bounds(TCtl::lblSetupPathLabel);
  const TRect edit = FView.Bounds(TCtl::edtPath);
  const int left = label.right() + 2;
  FView.SetBounds(TCtl::edtPath, {left, edit.top, FView.Bounds(TCtl::btnPath).left - 4 - left, -1});
  SetCaption(TCtl::lblCreateDeskIcon, lang.GetText("IDS_CREATEDESKTOPICON"));
  SetCaption(TCtl::lblCreateStartmenu, lang.GetText("IDS_CREATESTARTMENU"));
  SetCaption(TCtl::lblUninstDeepness, lang.GetText("IDS_UNINSTALL_DEEPNESS"));
  SetCaption(TCtl::lblItemTitle, lang.FormatText("IDS_PLEASESELECTITEM", {lang.GetText("IDS_INSTALL")}));
  SetCaption(TCtl::lblItemsFileInfo1, lang.GetText("IDS_ITEMNEEDDISKLABEL"));
  SetCaption(TCtl::lblItemsFileInfo2, lang.FormatText("IDS_ITEMNEEDDISK", {DriveOf(FApp->InstallPath)}));
  SetCaption(TCtl::lblItemsSetupPath, "(" + FApp->InstallPath + ")");
  for (const TCtl back : {TCtl::btnItemsBack, TCtl::btnICFGBack}) SetCaption(back, lang.GetText("IDS_BUTTON_BACKSTEP"));
  for (const TCtl next : {TCtl::btnItemsNext, TCtl::btnICFGNext}) SetCaption(next, lang.GetText("IDS_BUTTON_NEXTSTEP"));
  SetCaption(TCtl::lblInstTitle, lang.GetText("IDS_INSTALLTITLE"));
  SetCaption(TCtl::lblICfgTitle, lang.GetText("IDS_CONFIGTITLE"));
  SetCaption(TCtl::lblICfgLabel, lang.GetText("IDS_PLEASECONFIG"));
  SetCaption(TCtl::lblFinishTitle, lang.GetText("IDS_INSTALLFINISHTITLE"));
  SetCaption(TCtl::btnFinish, lang.GetText("IDS_BUTTON_FINISH"));
}

void TWizardController::HoverButton(TCtl button, bool over) {
  const TvqSkin& skin = FApp->Skin();
  FView.SetColor(button, over ? skin.Button_moveBack : skin.Button_defBack);
  FView.SetFontColor(button, over ? skin.Button_moveFont : skin.Button_defFont);
}

void TWizardController::MouseEnter(TCtl ctl) {
  Guard([&] {
    if (!FApp) return;
    if (ctl == TCtl::lblMin) {
      FView.SetTransparent(TCtl::lblMinBack, false);
    } else if (ctl == TCtl::lblClose) {
      if (IsEnabled(TCtl::lblClose)) FView.SetTransparent(TCtl::lblCloseBack, false);
    } else if (ctl == TCtl::lblOption || ctl == TCtl::lblAgreement) {
      FView.SetFontColor(ctl, FApp->Skin().Button_moveBack);
    } else if (IsTickBox(ctl)) {
      // The inner label covers an unticked box: the window reports it as the box.
      if (IsVisible(ctl) && !IsTicked(ctl)) FView.SetInnerTickColor(ctl, FApp->Skin().Button_exit_moveFont);
    } else if (IsLabelButton(ctl) && IsEnabled(ctl)) {
      HoverButton(ctl, true);
      if (const char* desc = DescriptionOf(ctl)) {
        SetCaption(TCtl::lblOperDesc, Text(desc));
        Show(TCtl::lblOperDesc, true);
      }
    }
  });
}

void TWizardController::MouseLeave(TCtl ctl) {
  Guard([&] {
    if (!FApp) return;
    if (ctl == TCtl::lblMin) {
      FView.SetTransparent(TCtl::lblMinBack, true);
    } else if (ctl == TCtl::lblClose) {
      if (IsEnabled(TCtl::lblClose)) FView.SetTransparent(TCtl::lblCloseBack, true);
    } else if (ctl == TCtl::lblOption || ctl == TCtl::lblAgreement) {
      FView.SetFontColor(ctl, FApp->Skin().Form_back);
    } else if (IsTickBox(ctl)) {
      if (IsVisible(ctl) && !IsTicked(ctl)) FView.SetInnerTickColor(ctl, FApp->Skin().Form_font);
    } else if (IsLabelButton(ctl) && IsEnabled(ctl)) {
      HoverButton(ctl, false);
      if (DescriptionOf(ctl) != nullptr) Show(TCtl::lblOperDesc, false);
    }
  });
}

}  // namespace orvane
