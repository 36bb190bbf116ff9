// The wizard window's pages and marks, every control by its form name, and the wiring of their
// clicks, hover, typing and path changes to the page flow.
#include <QLineEdit>

#include "setup/ui/ConfigPage.h"
#include "setup/ui/FinishPage.h"
#include "setup/ui/InstallPage.h"
#include "setup/ui/ItemsPage.h"
#include "setup/ui/MainUnit.h"
#include "setup/ui/SkinPaint.h"
#include "setup/ui/StartPage.h"

namespace orvane {
namespace {

constexpr TColor kCloseBackColor = 0x000000FF;  // clRed

// The n-th control of a family (0-based here, as the pages keep them).
TCtl Nth(TCtl first, std::size_t i, int count) { return *NthCtl(first, static_cast<int>(i) + 1, count); }

}  // namespace

void TMain::BuildMarks() {
  // The marks start on the start page; ShowPage moves them onto every page it shows.
  lblMinBack = NewBand(FStart, 428, 0, 45, 32);
  SetOpaque(lblMinBack, false);
  lblMin = NewButton(FStart, QStringLiteral("-"), 428, 0, 45, 32);
  SetOpaque(lblMin, false);
  SetPixelFont(lblMin, 24);
  lblCloseBack = NewBand(FStart, 473, 0, 45, 32);
  SetBackColor(lblCloseBack, kCloseBackColor);
  SetOpaque(lblCloseBack, false);
  lblClose = NewButton(FStart, QStringLiteral("×"), 473, 0, 45, 32);
  SetOpaque(lblClose, false);
  SetPixelFont(lblClose, 24);
}

void TMain::Put(TCtl ctl, QWidget* widget, bool autoSize) {
  FControls[Index(ctl)] = widget;
  FAutoSize[Index(ctl)] = autoSize;
  FByWidget[widget] = ctl;
}

void TMain::PutTick(TCtl ctl, TTickBox& box) {
  Put(ctl, box.Outer);
  FTicks[Index(ctl)] = &box;
  // A click or hover on the inner label is one on its box.
  FByWidget[box.Inner] = ctl;
}

void TMain::RegisterControls() {
  Put(TCtl::Main, this);
  Put(TCtl::pnlStepStart, FStart);
  Put(TCtl::pnlStepItems, FItems);
  Put(TCtl::pnlStepConfig, FConfig);
  Put(TCtl::pnlStepInstall, FInstall);
  Put(TCtl::pnlStepFinsh, FFinish);
  Put(TCtl::lblMin, lblMin);
  Put(TCtl::lblMinBack, lblMinBack);
  Put(TCtl::lblClose, lblClose);
  Put(TCtl::lblCloseBack, lblCloseBack);

  TStartPage& s = *FStart;
  Put(TCtl::pnlStepOption, s.pnlStepOption);
  Put(TCtl::lblSetp1Back, s.lblSetp1Back);
  Put(TCtl::imgAppStepStartLogo, s.imgAppStepStartLogo);
  Put(TCtl::imgAppLogo, s.imgAppLogo);
  Put(TCtl::lblAppTitle, s.lblAppTitle);
  Put(TCtl::lblAppVersion, s.lblAppVersion);
  Put(TCtl::lblTitle, s.lblTitle, true);
  Put(TCtl::btnStart, s.btnStart);
  Put(TCtl::btnEdit, s.btnEdit);
  Put(TCtl::btnRepair, s.btnRepair);
  Put(TCtl::btnUnInstall, s.btnUnInstall);
  Put(TCtl::lblOperDesc, s.lblOperDesc);
  Put(TCtl::lblInstedInfo, s.lblInstedInfo);
  Put(TCtl::lblSysRequire, s.lblSysRequire);
  PutTick(TCtl::chkAgreementOk, s.chkAgreementOk);
  Put(TCtl::lblReadAndOK, s.lblReadAndOK, true);
  Put(TCtl::lblAgreement, s.lblAgreement, true);
  Put(TCtl::lblOption, s.lblOption, true);
  PutTick(TCtl::chkUninstDeepness, s.chkUninstDeepness);
  Put(TCtl::lblUninstDeepness, s.lblUninstDeepness, true);
  Put(TCtl::lblSetupPathLabel, s.lblSetupPathLabel, true);
  Put(TCtl::edtPath, s.edtPath);
  Put(TCtl::btnPath, s.btnPath);
  Put(TCtl::lblPathInfo, s.lblPathInfo, true);
  PutTick(TCtl::chkCreateDeskIcon, s.chkCreateDeskIcon);
  Put(TCtl::lblCreateDeskIcon, s.lblCreateDeskIcon, true);
  PutTick(TCtl::chkCreateStartmenu, s.chkCreateStartmenu);
  Put(TCtl::lblCreateStartmenu, s.lblCreateStartmenu, true);

  TItemsPage& it = *FItems;
  Put(TCtl::pnlItems, it.pnlItems);
  Put(TCtl::lblItemTitleBack, it.lblItemTitleBack);
  Put(TCtl::lblItemTitle, it.lblItemTitle, true);
  for (std::size_t i = 0; i < it.lblGroup.size(); ++i)
    Put(Nth(TCtl::lblGroup1, i, kGroupHeadings), it.lblGroup[i], true);
  for (std::size_t i = 0; i < it.lblItem.size(); ++i) {
    Put(Nth(TCtl::lblItem1, i, kItemRows), it.lblItem[i], true);
    PutTick(Nth(TCtl::chkItem1Ok, i, kItemRows), it.chkItemOk[i]);
  }
  Put(TCtl::lblItemsFileInfo1, it.lblItemsFileInfo1, true);
  Put(TCtl::lblItemsFileSize, it.lblItemsFileSize, true);
  Put(TCtl::lblItemsFileInfo2, it.lblItemsFileInfo2, true);
  Put(TCtl::lblItemsSetupPath, it.lblItemsSetupPath, true);
  Put(TCtl::btnItemsBack, it.btnItemsBack);
  Put(TCtl::btnItemsNext, it.btnItemsNext);

  TConfigPage& c = *FConfig;
  Put(TCtl::pnlICfg, c.pnlICfg);
  Put(TCtl::lblICFGBack, c.lblICFGBack);
  Put(TCtl::lblICfgTitle, c.lblICfgTitle, true);
  Put(TCtl::lblICfgLabel, c.lblICfgLabel, true);
  for (std::size_t i = 0; i < c.lblICfgItem.size(); ++i) {
    Put(Nth(TCtl::lblICfgItem1, i, kConfigRows), c.lblICfgItem[i]);
    Put(Nth(TCtl::edtICfgItem1, i, kConfigRows), c.edtICfgItem[i]);
  }
  Put(TCtl::btnICFGBack, c.btnICFGBack);
  Put(TCtl::btnICFGNext, c.btnICFGNext);

  TInstallPage& in = *FInstall;
  Put(TCtl::lblInstallBack, in.lblInstallBack);
  Put(TCtl::imgSlider, in.imgSlider);
  Put(TCtl::lblInstTitle, in.lblInstTitle, true);
  Put(TCtl::PBarBack, in.PBarBack);
  Put(TCtl::PBar, in.PBar);
  Put(TCtl::PBarHint, in.PBarHint);
  Put(TCtl::lblInstallState, in.lblInstallState);

  TFinishPage& f = *FFinish;
  Put(TCtl::pnlExecs, f.pnlExecs);
  Put(TCtl::lblFinishBack, f.lblFinishBack);
  Put(TCtl::ImgStepFinshBackImg, f.ImgStepFinshBackImg);
  Put(TCtl::lblFinishTitle, f.lblFinishTitle, true);
  Put(TCtl::lblFinishAppVersion, f.lblFinishAppVersion, true);
  Put(TCtl::lblFinishWord, f.lblFinishWord);
  Put(TCtl::ImgIOSQRCode, f.ImgIOSQRCode);
  Put(TCtl::lblIOSQRCode, f.lblIOSQRCode, true);
  for (std::size_t i = 0; i < f.lblExec.size(); ++i) {
    Put(Nth(TCtl::lblExec1, i, kExecRows), f.lblExec[i], true);
    PutTick(Nth(TCtl::chkExecOk1, i, kExecRows), f.chkExecOk[i]);
  }
  Put(TCtl::btnFinish, f.btnFinish);

  // The window is dragged from its pages, their bands, titles and pictures.
  FDragAreas = {FStart,
                FItems,
                FConfig,
                FInstall,
                FFinish,
                s.lblSetp1Back,
                s.imgAppStepStartLogo,
                s.imgAppLogo,
                s.lblAppTitle,
                s.lblAppVersion,
                s.lblTitle,
                it.lblItemTitleBack,
                it.lblItemTitle,
                c.lblICFGBack,
                c.lblICfgTitle,
                in.lblInstallBack,
                in.imgSlider,
                in.lblInstTitle,
                f.lblFinishBack,
                f.ImgStepFinshBackImg,
                f.lblFinishTitle};
}

void TMain::ConnectControls() {
  for (const auto& [object, ctl] : FByWidget) {
    auto* label = qobject_cast<TvqLabel*>(const_cast<QObject*>(object));
    if (label == nullptr) continue;
    const TCtl target = ctl;
    connect(label, &TvqLabel::clicked, this, [this, target] { FController.Click(target); });
    connect(label, &TvqLabel::mouseEntered, this, [this, target] { FController.MouseEnter(target); });
    connect(label, &TvqLabel::mouseLeft, this, [this, target] { FController.MouseLeave(target); });
  }
  connect(FStart->edtPath, &QLineEdit::textChanged, this, [this] { FController.edtPathChange(); });
}

std::optional<TCtl> TMain::ControlOf(const QObject* object) const {
  const auto found = FByWidget.find(object);
  if (found == FByWidget.end()) return std::nullopt;
  return found->second;
}

void TMain::FitPage(QWidget* page) { page->setGeometry(1, 1, width() - 2, height() - 2); }

void TMain::ShowPage(TCtl ctl) {
  QWidget* page = Control(ctl);
  if (FCurrentPage != nullptr && FCurrentPage != page) FCurrentPage->hide();
  FCurrentPage = page;
  FitPage(page);
  page->show();
  for (QWidget* mark : {static_cast<QWidget*>(lblMinBack), static_cast<QWidget*>(lblMin),
                        static_cast<QWidget*>(lblCloseBack), static_cast<QWidget*>(lblClose)}) {
    const bool hidden = mark->isHidden();
    if (mark->parentWidget() != page) mark->setParent(page);
    mark->setVisible(!hidden);
    mark->raise();
  }
}

}  // namespace orvane
