// The four flows as the wizard starts them: the checks before, the engine's flow on the install
// page, and the page that its result leads to.
#include <exception>

#include "platform/TextCodec.h"
#include "setup/core/ConfigRecords.h"
#include "setup/core/MessagePump.h"
#include "setup/core/SetupUi.h"
#include "setup/core/VqApp.h"
#include "setup/core/VqLang.h"
#include "setup/core/VqLib.h"
#include "setup/ui/WizardController.h"
#include "setup/ui/WizardModules.h"

namespace orvane {
namespace {

// The comma list of Windows names holds `name` (without case, blanks around items ignored).
bool ListsWindows(const std::string& list, const std::string& name) {
  std::size_t from = 0;
  while (from <= list.size()) {
    const std::size_t comma = list.find(',', from);
    const std::size_t end = comma == std::string::npos ? list.size() : comma;
    if (platform::SameText(platform::TrimBlanks(list.substr(from, end - from)), name)) return true;
    if (comma == std::string::npos) break;
    from = comma + 1;
  }
  return false;
}

}  // namespace

bool TWizardController::TakeInstallPath() {
  const std::string path = PathText();
  if (path.empty() || !FApp->CheckInstallPath(path)) {
    SetOptionExpanded(true);
    Info(Text("IDS_MSG_INSTALLPATHCANNOTACCESS"), Text("IDS_DAILOG_MESSAGE"));
    return false;
  }
  FApp->SetInstallPath(path);
  return true;
}

TWizardController::TFlowEnd TWizardController::RunFlow(bool install, const std::function<bool(std::string&)>& flow,
                                                       std::string& error) {
  bool ok = false;
  try {
    // Busy from the install page on: its slides already let window messages through.
    if (!RunBusy([&] {
          if (install) (void)FApp->CollectConfigItems();
          EnterInstallPage(install);
          ok = flow(error);
        }))
      return TFlowEnd::Closing;
  } catch (const std::exception& e) {
    error = e.what();
    return TFlowEnd::Raised;
  } catch (...) {
    // Nothing to tell, but the wizard must still leave the install page.
    error.clear();
    return TFlowEnd::Raised;
  }
  if (!ok) return TFlowEnd::Failed;
  // The flow ended well but left files behind: the user learns which before the next page.
  if (FApp->FailedFiles > 0) Info(error, Text("IDS_DAILOG_MESSAGE"));
  return TFlowEnd::Done;
}

void TWizardController::FinishOrStartPage(const char* modeKey, TFlowEnd end, const std::string& error) {
  if (end == TFlowEnd::Closing) return;
  if (end == TFlowEnd::Done) return ShowFinishPage();
  Info(Text(modeKey) + Text("IDS_FIALED") + ":" + error, Text("IDS_DAILOG_MESSAGE"));
  ShowStartPage();
}

void TWizardController::StartInstall() {
  TvqApp& app = *FApp;
  const std::string& required = app.Main.AppSysRequire;
  const std::string current = TvqLib::GetWinVerName();
  if (!required.empty() && !current.empty() && !ListsWindows(required, current)) {
    const std::string question = Text("IDS_MSG_INSTALLSYSREQUIRE") + "\r\n" + Text("IDS_CURRSYSTEM") + "：" + current +
                                 "\r\n" + Text("IDS_SYSREQUIRE") + "：" + required;
    if (GetQuestionBox().QueryBox(question, Text("IDS_DAILOG_QUERY")) != kAnswerYes) return;
  }
  if (!TakeInstallPath()) return;
  if (FSelectable) (void)ApplyItemSelection();
  std::string error;
  const TFlowEnd end = RunFlow(
      true, [&](std::string& e) { return app.RunInstall(e, kModeInstall); }, error);
  if (end == TFlowEnd::Raised) {
    Info(Text("IDS_INSTALL,IDS_FIALED") + ":" + error, kMessageTitle);
    ShowStartPage();
  } else if (end == TFlowEnd::Done && !app.UpgradeMode) {
    NextConfigOrFinish();
  } else {
    FinishOrStartPage("IDS_INSTALL", end, error);
  }
}

void TWizardController::StartChange() {
  if (FSelectable) (void)ApplyItemSelection();
  std::string error;
  const TFlowEnd end = RunFlow(
      true, [&](std::string& e) { return FApp->RunChange(e); }, error);
  FinishOrStartPage("IDS_CHANGE", end, error);
}

void TWizardController::StartRepair() {
  TvqApp& app = *FApp;
  if (FSelectable) {
    bool rowShown = false;
    for (int n = 1; n <= kItemRows; ++n) rowShown = rowShown || IsVisible(*NthCtl(TCtl::lblItem1, n, kItemRows));
    if (app.InstalledItems.empty() && !rowShown) {
      ShowItemsPage();
      return;
    }
    if (!FItemsShown) {
      // Without the page, repair what is installed and every module the user cannot choose.
      for (std::string& line : app.ModuleList) {
        const TModuleRecord module = ParseModuleLine(line);
        const bool setup = !module.can_select || app.IsModuleInstalled(module.key);
        line = WithSetupFlag(line, setup);
      }
    } else {
      (void)ApplyItemSelection();
    }
  }
  std::string error;
  const TFlowEnd end = RunFlow(
      true, [&](std::string& e) { return app.RunRepair(e); }, error);
  FinishOrStartPage("IDS_REPAIR", end, error);
}

void TWizardController::StartUninstall() {
  TvqApp& app = *FApp;
  if (FSelectable) {
    (void)ApplyItemSelection();
  } else {
    // Without the items page the whole product goes: every module the stored list names as
    // installed, whatever the uninstaller's own configuration preselects.
    for (std::string& line : app.ModuleList) line = WithSetupFlag(line, app.IsModuleInstalled(LineName(line)));
  }
  std::string error;
  const TFlowEnd end = RunFlow(
      false, [&](std::string& e) { return app.RunUninstall(e); }, error);
  if (end == TFlowEnd::Closing) return;
  if (end == TFlowEnd::Done) return ShowFinishPage();
  Info(Text("IDS_UNINSTALL,IDS_FIALED") + ":" + error, kMessageTitle);
  // A raised error leaves the wizard open; a failed uninstall ends it.
  if (end == TFlowEnd::Raised) return ShowStartPage();
  CloseWindow();
}

void TWizardController::NextConfigOrFinish() {
  const bool shown = ShowConfigPage();
  ProcessMessages();
  if (shown) return;
  FApp->WriteHiddenConfigItems();
  // Items that could not be stored are told once, all together, and the install still finishes.
  std::string failed;
  if (!FApp->ReportConfigFailures(failed)) Info(failed, Text("IDS_DAILOG_MESSAGE"));
  ShowFinishPage();
}

}  // namespace orvane
