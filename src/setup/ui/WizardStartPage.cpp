// The start page: its three variants (fresh install, installed product, uninstaller), the
// agreement, the install path with its folder dialog and checks, and the product buttons.
#include <cstdint>
#include <filesystem>
#include <system_error>

#include "platform/Drives.h"
#include "platform/MachineRoot.h"
#include "platform/TextCodec.h"
#include "platform/WinPath.h"
#include "setup/core/SetupFiles.h"
#include "setup/core/VqApp.h"
#include "setup/core/VqLang.h"
#include "setup/core/VqLib.h"
#include "setup/core/VqSkin.h"
#include "setup/ui/WizardController.h"

namespace orvane {
namespace {

constexpr TColor kSilver = 0xC0C0C0;
constexpr int kDriveTests = 10;
constexpr int kDriveTestMs = 100;
// The prompt an add-on module shows until the user picks the product's folder.
constexpr const char* kPickFolderPrompt = "请选择需要安装“本模块”的软件目录...";

bool Contains(const std::string& text, const std::string& part) {
  return !part.empty() && text.find(part) != std::string::npos;
}

// The host folder the folder dialog opens at: the nearest folder of `path` that exists on one of
// the machine's drives, else the machine root (never the folder the program runs in).
std::string DialogStartFolder(const std::string& path) {
  if (platform::IsDrivePath(path)) {
    std::filesystem::path folder = platform::HostPath(path);
    std::error_code error;
    while (platform::WindowsPathOf(folder.string())) {
      if (std::filesystem::is_directory(folder, error)) return folder.string();
      if (!folder.has_relative_path() || folder.parent_path() == folder) break;
      folder = folder.parent_path();
    }
  }
  return platform::MachineRoot();
}

}  // namespace

void TWizardController::ShowStartVariant() {
  TvqApp& app = *FApp;
  const TMainConfig& main = app.Main;
  Show(TCtl::btnStart, true);
  for (const TCtl ctl : {TCtl::btnEdit, TCtl::btnRepair, TCtl::btnUnInstall, TCtl::chkAgreementOk, TCtl::lblReadAndOK,
                         TCtl::lblAgreement, TCtl::lblOption, TCtl::chkUninstDeepness, TCtl::lblUninstDeepness,
                         TCtl::lblOperDesc, TCtl::lblInstedInfo, TCtl::lblSysRequire})
    Show(ctl, false);

  if (app.Mode == kModeUninstall) {
    FStartedAsUninstaller = true;
    SetCaption(TCtl::lblTitle, Text("IDS_SORRYTOUNINSTALL"));
    SetCaption(TCtl::btnStart, Text("IDS_BUTTON_UNINSTALL"));
    const bool deepBox = main.AppSoftType != "1";
    Show(TCtl::chkUninstDeepness, deepBox);
    Show(TCtl::lblUninstDeepness, deepBox);
    SetTag(TCtl::chkUninstDeepness, 0);
    SetCaption(TCtl::lblInstedInfo, app.InstallPath);
    Show(TCtl::lblInstedInfo, true);
    PaintTick(TCtl::chkUninstDeepness);
  } else if (app.ReadInstallLocation()) {
    SetCaption(TCtl::lblTitle, Text("IDS_THANKTOUSE"));
    SetCaption(TCtl::btnEdit, Text("IDS_BUTTON_CHANGE"));
    SetCaption(TCtl::btnRepair, Text("IDS_BUTTON_REPAIR"));
    SetCaption(TCtl::btnUnInstall, Text("IDS_BUTTON_UNINSTALL"));
    for (const TCtl button : {TCtl::btnEdit, TCtl::btnRepair, TCtl::btnUnInstall}) Show(button, true);
    Show(TCtl::btnStart, false);
    SetCaption(TCtl::lblInstedInfo, app.InstallPath);
    Show(TCtl::lblInstedInfo, true);
  } else {
    SetCaption(TCtl::lblTitle, Text("IDS_WELCOME"));
    if (!main.AppSysRequire.empty()) {
      const std::string line = Text("IDS_SYSREQUIRE") + "：" + main.AppSysRequire;
      SetCaption(TCtl::lblSysRequire, line);
      SetHint(TCtl::lblSysRequire, line);
      Show(TCtl::lblSysRequire, true);
    }
    SetCaption(TCtl::btnStart, Text(app.CountSelectableModules() == 0 ? "IDS_IMMEDIATEINSTALL" : "IDS_BUTTON_INSTALL"));
    for (const TCtl ctl : {TCtl::chkAgreementOk, TCtl::lblReadAndOK, TCtl::lblAgreement}) Show(ctl, true);
    SetTick(TCtl::chkAgreementOk, true);
    Show(TCtl::lblOption, true);
  }
  if (app.Mode != kModeUninstall && FSelectable)
    SetCaption(TCtl::btnStart, Text("IDS_BUTTON_READY") + Caption(TCtl::btnStart));

  SetCaption(TCtl::lblAppTitle, main.AppTitle);
  SetCaption(TCtl::lblAppVersion, main.AppVersion);
  FView.SetAppTitle(Text("IDS_INSTALLTITLE") + " - " + main.AppTitle);

  std::string path = app.InstallPath;
  if (main.AppSoftType == "1" && (Contains(path, main.AppTitle) || Contains(path, "选择")))
    path = Contains(main.AppDefPath, "选择") ? main.AppDefPath : kPickFolderPrompt;
  SetCaption(TCtl::edtPath, path);

  PlaceLogo();
  const TRect band = FView.Bounds(TCtl::lblSetp1Back);
  const bool picture = ShowResPicture(TCtl::imgAppStepStartLogo,
                                      app.Mode == kModeUninstall ? "res_uninst_back_img" : "res_inst_back_img", 0, 0,
                                      band.width, band.height, false);
  if (picture && main.AppInstalUnshowAppTitle)
    for (const TCtl ctl : {TCtl::imgAppLogo, TCtl::lblAppTitle, TCtl::lblAppVersion}) Show(ctl, false);
}

void TWizardController::PlaceLogo() {
  FApp->LoadAppLogo(FView.Picture(TCtl::imgAppLogo));
  const TRect logo = FView.Bounds(TCtl::imgAppLogo);
  const int titleBottom = FView.Bounds(TCtl::lblTitle).bottom();
  const int left = (FView.Bounds(TCtl::lblSetp1Back).width - logo.width) / 2;
  const int top = titleBottom + (FView.Bounds(TCtl::lblAppTitle).top - titleBottom - logo.height) / 2;
  MoveTo(TCtl::imgAppLogo, left, top);
}

bool TWizardController::ShowResPicture(TCtl image, const std::string& key, int left, int top, int width, int height,
                                       bool fromPackage) {
  FView.ClearPicture(image);
  if (!FApp->LoadResPicture(FView.Picture(image), key, fromPackage)) return false;
  FView.SetBounds(image, {left, top, width > 0 ? width : -1, height > 0 ? height : -1});
  Show(image, true);
  return true;
}

// The start button waits for the application files, and for the agreement while it is offered.
void TWizardController::UpdateStartEnabled() {
  const bool agreed = !IsVisible(TCtl::chkAgreementOk) || IsTicked(TCtl::chkAgreementOk);
  Enable(TCtl::btnStart, FLoaded && agreed);
}

void TWizardController::lblReadAndOKClick() {
  Guard([&] {
    ToggleTick(TCtl::chkAgreementOk);
    FView.SetColor(TCtl::btnStart, IsTicked(TCtl::chkAgreementOk) ? FApp->Skin().Button_defBack : kSilver);
    UpdateStartEnabled();
  });
}

void TWizardController::lblAgreementClick() {
  Guard([&] { Info(FApp->AgreementText, Caption(TCtl::lblAgreement)); });
}

void TWizardController::btnPathClick() {
  Guard([&] {
    const auto chosen = FView.ChooseFolder(Text("IDS_SELECT,IDS_FOLDER"), DialogStartFolder(PathText()));
    if (!chosen) return;
    // The dialog sees the host's folders; only those inside a drive of the machine are install
    // folders.
    const auto windowsPath = platform::WindowsPathOf(*chosen);
    if (!windowsPath) {
      Info(Text("IDS_MSG_INSTALLPATHCANNOTACCESS") + "\r\n" + *chosen, Text("IDS_DAILOG_MESSAGE"));
      return;
    }
    SetCaption(TCtl::edtPath, *windowsPath);
    UpdateDiskInfo();
  });
}

void TWizardController::edtPathChange() {
  Guard([&] { UpdateDiskInfo(); });
}

bool TWizardController::ValidateInstallPath() {
  const TMainConfig& main = FApp->Main;
  const std::string path = PathText();
  if (path.empty()) {
    Info(Text("IDS_MSG_INSTALLPATHCANNOTNULL"), kMessageTitle);
    return false;
  }
  if (main.AppSoftType == "1" &&
      (Contains(path, main.AppTitle) || Contains(path, "选择") || Contains(path, "select"))) {
    const bool prompt = Contains(main.AppDefPath, "选择") || Contains(main.AppDefPath, "select");
    Info(prompt ? main.AppDefPath : Text("IDS_MSG_INSTALLPATH_PLEASESELECT"), kMessageTitle);
    return false;
  }
  const std::string group = "\\" + Text("IDS_SETUPPATH_GROUP") + "\\";
  std::string folder = path.substr(0, 3);
  // Anything but "X:\..." would name a host folder relative to wherever the program runs.
  if (!platform::IsDrivePath(folder) || folder.size() < 3 || folder[2] != '\\' ||
      !TvqLib::WaitFolderExists(folder, kDriveTests, kDriveTestMs)) {
    Info(Text("IDS_MSG_INSTALLPATHCANNOTACCESS") + "\r\n" + folder, kMessageTitle);
    return false;
  }
  if (const std::size_t at = path.find(group); at != std::string::npos) folder = path.substr(0, at) + group;
  (void)platform::CreateFolderTree(folder);
  if (!TvqLib::IsFolderWritable(folder)) {
    Info(Text("IDS_MSG_INSTALLPATHCANNOTACCESS"), kMessageTitle);
    return false;
  }
  if (TvqLib::GetFreeSpace(path) < TvqLib::GetFileSizeOf(ProgramPath())) {
    Info(Text("IDS_MSG_INSTALLPATHINSUFFICIENTSPACE"), kMessageTitle);
    return false;
  }
  return true;
}

// --- Product buttons -----------------------------------------------------------------------------

void TWizardController::btnStartClick() {
  Guard([&] {
    if (!IsEnabled(TCtl::btnStart) || Busy() || !ValidateInstallPath()) return;
    SetOptionExpanded(false);
    if (FSelectable) {
      ShowItemsPage();
    } else if (FApp->Mode == kModeUninstall) {
      StartUninstall();
    } else {
      StartInstall();
    }
  });
}

void TWizardController::btnEditClick() {
  Guard([&] {
    if (!IsEnabled(TCtl::btnEdit) || Busy() || !ValidateInstallPath()) return;
    FApp->Mode = kModeChange;
    if (FSelectable) {
      ShowItemsPage();
    } else {
      StartChange();
    }
  });
}

void TWizardController::btnRepairClick() {
  Guard([&] {
    if (!IsEnabled(TCtl::btnRepair) || Busy() || !ValidateInstallPath()) return;
    FApp->Mode = kModeRepair;
    StartRepair();
  });
}

void TWizardController::btnUnInstallClick() {
  Guard([&] {
    if (!IsEnabled(TCtl::btnUnInstall) || Busy() || !ValidateInstallPath()) return;
    FApp->Mode = kModeUninstall;
    if (FSelectable) {
      ShowItemsPage();
    } else {
      StartUninstall();
    }
  });
}

void TWizardController::btnItemsNextClick() {
  Guard([&] {
    if (Busy()) return;
    switch (FApp->Mode) {
      case kModeUninstall:
        return StartUninstall();
      case kModeRepair:
        return StartRepair();
      case kModeChange:
        return StartChange();
      default:
        return StartInstall();
    }
  });
}

void TWizardController::btnItemsBackClick() {
  Guard([&] {
    if (!Busy()) ShowStartPage();
  });
}

}  // namespace orvane
