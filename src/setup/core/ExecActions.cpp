// The exec lists of the engine and the steps that run them.
#include "platform/TextCodec.h"
#include "setup/core/ConfigRecords.h"
#include "setup/core/ExecActionTypes.h"
#include "setup/core/TagValue.h"
#include "setup/core/VqApp.h"
#include "setup/core/VqLang.h"
#include "setup/core/VqLib.h"

namespace orvane {
namespace {

constexpr int kClosingPauseMs = 600;
constexpr int kServiceStopTests = 11;
constexpr int kServiceStopTestMs = 600;

std::string SectionName(const std::string& owner, int step) { return owner + "_exec_" + std::to_string(step); }

// A line whose key is already listed (without case) replaces that line where it stands, so a
// later section overrides an earlier record of the same id.
void PutByKey(TLineList& list, const std::string& key, const std::string& line) {
  for (std::string& existing : list) {
    if (platform::SameText(LineName(existing), key)) {
      existing = line;
      return;
    }
  }
  list.push_back(line);
}

// Step 0 of the modules marked "setup:1" in module order, then the global step 0. In an
// uninstall the marked modules are the ones being removed.
void CollectStepZero(TvqApp& app, TLineList& list) {
  list.clear();
  for (const std::string& line : app.ModuleList) {
    const TModuleRecord module = ParseModuleLine(line);
    if (module.setup) app.CollectExecSection(list, module.key, 0);
  }
  app.CollectExecSection(list, "", 0);
}

}  // namespace

bool TvqApp::RunExecAction(std::string& error, const std::string& execId, const std::string& record,
                           std::uint32_t mode) {
  error = Lang().GetText("IDS_INSTALLTITLE,IDS_TASK,IDS_FIALED");
  const TExecRecord exec = ParseExecLine(execId + "=" + record);
  const std::string src = ExpandPathPlaceholders(exec.src_file);
  if (!exec.RunsInStyle(mode)) return true;
  if (!exec.FitsWindows(TvqLib::IsWin64())) return true;
  // The action belongs to a file this install would not write.
  if (exec.is_setup_can_todo && !IsFileInInstallList(exec.src_file)) return true;
  if (!PerformExecAction(*this, exec, src, error)) return false;
  TvqLib::Delay(kClosingPauseMs);
  return true;
}

void TvqApp::CollectExecSection(TLineList& list, const std::string& owner, int step) {
  TLineList lines;
  ReadConfigSection(SectionName(owner, step), lines);
  const bool win64 = TvqLib::IsWin64();
  for (const std::string& line : lines) {
    const std::string key = LineName(line);
    if (!key.empty() && ParseExecLine(line).FitsWindows(win64)) PutByKey(list, key, line);
  }
}

int TvqApp::CollectInstallExecs() {
  CollectStepZero(*this, InstallExecs);
  return static_cast<int>(InstallExecs.size());
}

bool TvqApp::RunInstallExecs(std::uint32_t mode, std::string& error) {
  for (const std::string& line : InstallExecs) {
    std::string actionError;
    if (!RunExecAction(actionError, LineName(line), LineValue(line), mode)) {
      error = actionError;
      return false;
    }
  }
  return true;
}

bool TvqApp::RunFileExecs(std::uint32_t mode, const std::string& groupName, std::string& error,
                          const std::string& targetFile, int step) {
  TLineList lines;
  ReadConfigSection(SectionName(groupName, step), lines);
  if (lines.empty()) ReadConfigSection(SectionName("", step), lines);
  const bool win64 = TvqLib::IsWin64();
  bool result = false;
  for (const std::string& line : lines) {
    const TExecRecord exec = ParseExecLine(line);
    if (exec.key.empty() || !exec.FitsWindows(win64)) continue;
    const std::string src = ExpandPathPlaceholders(exec.src_file);
    if (!src.empty() && platform::SameText(src, targetFile))
      result = RunExecAction(error, exec.key, LineValue(line), mode);
  }
  return result;
}

void TvqApp::CollectFinishExecs(const std::string& owner) {
  TLineList lines;
  ReadConfigSection(SectionName(owner, Mode == kModeUninstall ? 3 : 1), lines);
  const bool win64 = TvqLib::IsWin64();
  for (const std::string& line : lines) {
    const TExecRecord exec = ParseExecLine(line);
    if (exec.key.empty() || !exec.FitsWindows(win64)) continue;
    PutByKey(FinishExecs, exec.key,
             exec.key + "=" + SetTagValue(LineValue(line), "is_select:", ';', exec.is_def_select));
  }
}

// An offered record runs when its box is ticked; one that is not offered runs when it is
// ticked by default. After an upgrade only the upgrade service is restarted.
bool TvqApp::RunFinishExecs(std::uint32_t mode) {
  if (UpgradeMode) {
    (void)RestartUpgradeService();
    return false;
  }
  for (const std::string& line : FinishExecs) {
    const TExecRecord exec = ParseExecLine(line);
    const bool chosen = IsFlagSet(exec.is_select) || (!exec.is_can_select && IsFlagSet(exec.is_def_select));
    std::string error;
    if (exec.RunsInStyle(mode) && chosen) (void)RunExecAction(error, exec.key, LineValue(line), mode);
  }
  return true;
}

int TvqApp::CollectUninstallExecs() {
  CollectStepZero(*this, UninstallExecs);
  return static_cast<int>(UninstallExecs.size());
}

// Nothing stops an uninstall: every action runs whatever the one before it did.
bool TvqApp::RunUninstallExecs() {
  for (const std::string& line : UninstallExecs) {
    std::string error;
    (void)RunExecAction(error, LineName(line), LineValue(line), kModeUninstall);
  }
  return true;
}

bool TvqApp::RestartUpgradeService() {
  const std::string& name = Main.AppUpgradeServiceName;
  if (name.empty()) return true;
  ShowActionStatus(*this, "IDS_RESETING,IDS_SERVICE", name);
  if (!TvqLib::IsServiceRunning(name)) return TvqLib::StartServiceByName(name);
  (void)TvqLib::StopService(name);
  for (int test = 0; test < kServiceStopTests; ++test) {
    if (TvqLib::IsServiceStopped(name)) return TvqLib::StartServiceByName(name);
    TvqLib::Delay(kServiceStopTestMs);
  }
  return false;
}

}  // namespace orvane
