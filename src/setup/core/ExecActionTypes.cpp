#include "setup/core/ExecActionTypes.h"

#include <filesystem>

#include "platform/WinPath.h"
#include "setup/core/ConfigRecords.h"
#include "setup/core/SetupLog.h"
#include "setup/core/VqApp.h"
#include "setup/core/VqLang.h"
#include "setup/core/VqLib.h"
#include "setup/core/WinPathText.h"

namespace orvane {
namespace {

constexpr int kStatusPauseMs = 300;
// A file that an earlier step has just placed may take a moment to appear.
constexpr int kFileTries = 10;
constexpr int kFileTryMs = 100;
constexpr int kClosePasses = 6;
constexpr int kClosePassMs = 600;
constexpr int kManualFirstTries = 3;
constexpr int kManualSecondTries = 5;
constexpr int kManualTryMs = 1000;
// Ending a process or stopping a service returns before the program is gone.
constexpr int kGoneTries = 11;
constexpr int kGoneTryMs = 600;

std::string Tag(bool outcome) { return outcome ? "[成功]" : "[失败]"; }

std::string DisplayName(const TExecRecord& r, const std::string& src) {
  const std::string& title = r.is_service ? r.service_title : r.window_title;
  return title.empty() ? "[" + ExtractFileName(src) + "]" : title;
}

// True once the program no longer runs, tested now and after each pause.
bool WaitProgramGone(const std::string& src) {
  for (int i = 0; i < kGoneTries; ++i) {
    if (!TvqLib::IsProgramRunning(src)) return true;
    TvqLib::Delay(kGoneTryMs);
  }
  return !TvqLib::IsProgramRunning(src);
}

// The texts that tell a program from a service in the closing steps.
struct TCloseTexts {
  const char* logHead;
  const char* thingKey;
  const char* closeKey;
  const char* closedKey;
};
constexpr TCloseTexts kProgramTexts{"关闭程序：", "IDS_APP", "IDS_CLOSE", "IDS_CLOSED"};
constexpr TCloseTexts kServiceTexts{"停止服务：", "IDS_SERVICE", "IDS_STOP", "IDS_STOPED"};

std::string NotClosedError(TvqApp& app, const std::string& name, const std::string& closeKey) {
  const TvqLang& lang = app.Lang();
  return lang.GetText("IDS_APP") + "“" + name + "”" + lang.GetText("IDS_HAVENOT," + closeKey) + "," +
         lang.GetText("IDS_CANNOT,IDS_INSTALL") + "!";
}

// Asks the user to close the running program by hand. False, with the error text, when it is
// still running afterwards; else `pending` becomes the log line that says it was closed.
bool CloseByHand(TvqApp& app, const TCloseTexts& t, const std::string& name, const std::string& src,
                 std::string& pending, std::string& error) {
  const TvqLang& lang = app.Lang();
  const std::string thing = std::string(t.thingKey);
  TvqLib::InfoBox(lang.FormatText("IDS_MSG_INSTALL_CHECKISRUNING", {lang.GetText(thing)}) + "," +
                      lang.GetText("IDS_PLEASE," + std::string(t.closeKey) + "," + thing) + "“" + name + "”!",
                  "消息");
  if (TvqLib::WaitProgramRunning(src, kManualFirstTries, kManualTryMs))
    (void)TvqLib::QueryBox(lang.GetText("IDS_IS," + std::string(t.closedKey) + "," + thing) + "“" + name + "”?",
                           lang.GetText("IDS_DAILOG_QUERY"));
  if (TvqLib::WaitProgramRunning(src, kManualSecondTries, kManualTryMs)) {
    WriteSetupLog(std::string(t.logHead) + "提示需要手动停止，但检测到进程还未关闭-" + name + "-" + src);
    error = NotClosedError(app, name, t.closeKey);
    return false;
  }
  pending = std::string(t.logHead) + "提示需要手动停止，检测到进程已关闭OK-" + name + "-" + src;
  return true;
}

void RegisterComponentAction(TvqApp& app, const TExecRecord& r, const std::string& src) {
  ShowActionStatus(app, "IDS_INSTALLING,IDS_COMPONENT", r.window_title + ExtractFileName(src));
  const bool outcome = TvqLib::WaitFileExists(src, kFileTries, kFileTryMs) && TvqLib::RegisterComponent(src);
  WriteSetupLog("注册组件：" + src + Tag(outcome));
}

void InstallFontAction(TvqApp& app, const TExecRecord& r, const std::string& src) {
  ShowActionStatus(app, "IDS_INSTALLING,IDS_FONT", r.window_title + ExtractFileName(src));
  const bool outcome = TvqLib::WaitFileExists(src, kFileTries, kFileTryMs) && TvqLib::InstallFont(src);
  WriteSetupLog("安装字体：" + r.window_title + "-" + src + Tag(outcome));
}

// A waited command succeeds when it ran and ended with 0, an unwaited one when it started.
void RunCommandAction(TvqApp& app, const TExecRecord& r) {
  ShowActionStatus(app, "IDS_RUNNING,IDS_PARAMS", r.exec_params);
  bool outcome = false;
  if (r.is_wait_finshed) {
    bool started = false;
    outcome = TvqLib::RunCommandWait(r.exec_params, false, started) == 0 && started;
  } else {
    outcome = TvqLib::RunCommand(r.exec_params, false);
  }
  WriteSetupLog("执行命令：" + r.exec_params + Tag(outcome));
}

// Polite passes through the main window, then the kill; only a program started from the folder
// of `src` is ever ended.
bool CloseProgramAction(TvqApp& app, const TExecRecord& r, const std::string& src, std::string& error) {
  const std::string name = DisplayName(r, src);
  ShowActionStatus(app, "IDS_CLOSING,IDS_APP", name);
  std::string pending = "关闭程序：" + name + "-" + src;
  if (r.is_not_autorun && TvqLib::IsProgramRunning(src) && !CloseByHand(app, kProgramTexts, name, src, pending, error))
    return false;
  WriteSetupLog(pending);
  if (!r.window_title.empty()) {
    for (int pass = 0; pass < kClosePasses; ++pass) {
      const bool sent = TvqLib::CloseWindowByTitle(r.window_title);
      WriteSetupLog("关闭程序：发出退出消息到窗口-" + r.window_title + Tag(sent));
      if (!TvqLib::IsProgramRunning(src)) break;
      TvqLib::Delay(kClosePassMs);
    }
  }
  if (TvqLib::IsProgramRunning(src)) {
    const bool killed = TvqLib::KillProgram(src) > 0;
    WriteSetupLog("关闭程序：发出退出消息到窗口-" + r.window_title + "后，进程还存在，强制结束进程" + Tag(killed));
    if (killed) (void)WaitProgramGone(src);
  }
  if (r.is_must_close && TvqLib::IsProgramRunning(src)) {
    WriteSetupLog("关闭程序：必须关闭退出才能继续安装" + name + "-" + src);
    error = NotClosedError(app, name, "IDS_CLOSE");
    return false;
  }
  return true;
}

bool StopServiceAction(TvqApp& app, const TExecRecord& r, const std::string& src, std::string& error) {
  const std::string name = DisplayName(r, src);
  ShowActionStatus(app, "IDS_STOPING,IDS_SERVICE", name);
  std::string pending = "停止服务：" + name + "-" + src;
  if (r.is_not_autorun && TvqLib::IsProgramRunning(src) && !CloseByHand(app, kServiceTexts, name, src, pending, error))
    return false;
  WriteSetupLog(pending);
  const bool stopped = TvqLib::StopService(r.service_name);
  WriteSetupLog("停止服务：TvqLib.StopService OK-" + name + "-" + src + Tag(stopped));
  // The stop request does not wait; a must-close service gets its time to go before it counts
  // as still running.
  if (r.is_must_close && !WaitProgramGone(src)) {
    WriteSetupLog("停止服务：设置必须停止服务才可继续安装，检测到服务进程还存在-" + name + "-" + src);
    error = NotClosedError(app, name, "IDS_CLOSE");
    return false;
  }
  return true;
}

// The shell moves the process into the program's folder; the setup program's own folder is
// put back afterwards, whatever happened.
class TKeepExeFolder {
 public:
  TKeepExeFolder() = default;
  ~TKeepExeFolder() {
    std::error_code ec;
    std::filesystem::current_path(platform::HostPath(TvqLib::GetExeFolder()), ec);
  }
  TKeepExeFolder(const TKeepExeFolder&) = delete;
  TKeepExeFolder& operator=(const TKeepExeFolder&) = delete;
};

void StartProgramAction(TvqApp& app, const TExecRecord& r, const std::string& src) {
  const std::string name = DisplayName(r, src);
  ShowActionStatus(app, "IDS_STARTING,IDS_APP", name);
  std::string text = name + "-" + src;
  bool outcome = false;
  if (TvqLib::WaitFileExists(src, kFileTries, kFileTryMs)) {
    text += r.is_wait_finshed ? "等待完成ShellExecOK" : "不等待ShellExec";
    TKeepExeFolder keep;
    outcome = r.is_wait_finshed ? TvqLib::ShellOpenWait(src, r.exec_params, true)
                                : TvqLib::ShellOpen(src, r.exec_params, true) > 32;
  }
  WriteSetupLog("启动程序：" + text + "-" + Tag(outcome));
}

void StartServiceAction(TvqApp& app, const TExecRecord& r, const std::string& src) {
  ShowActionStatus(app, "IDS_STARTING,IDS_SERVICE", DisplayName(r, src));
  const bool outcome = TvqLib::WaitFileExists(src, kFileTries, kFileTryMs) &&
                       TvqLib::InstallService(r.service_name, r.service_title, src, true);
  WriteSetupLog("启动服务：TvqLib.InstallService-" + r.service_name + "-" + r.service_title + Tag(outcome));
}

void AutorunAction(TvqApp& app, const TExecRecord& r, const std::string& src) {
  std::string valueName = r.service_name;
  for (const std::string& next : {r.service_title, r.window_title, ExtractFileName(src)})
    if (valueName.empty()) valueName = next;
  bool outcome = false;
  if (!valueName.empty() && TvqLib::WaitFileExists(src, 1, 0)) {
    ShowActionStatus(app, "IDS_CONFIGING,IDS_APP", valueName, "IDS_STARTUP_AUTORUN,IDS_PLEASEWAITING");
    try {
      TvqLib::SetAutoRun(valueName, "\"" + src + "\" " + r.exec_params);
      outcome = true;
    } catch (const EVqLibError& e) {
      WriteSetupLog("开机启动：" + valueName + "：" + e.what());
    }
  }
  WriteSetupLog("开机启动：" + src + "-" + Tag(outcome));
}

}  // namespace

void ShowActionStatus(TvqApp& app, const std::string& keys, const std::string& name, const std::string& waitKeys) {
  app.ShowSetupStatus(app.Lang().GetText(keys) + "\"" + name + "\"," + app.Lang().GetText(waitKeys) + "...",
                      kStatusPauseMs);
}

bool PerformExecAction(TvqApp& app, const TExecRecord& record, const std::string& src, std::string& error) {
  const std::string& type = record.exec_type;
  if (type == "1") {
    RegisterComponentAction(app, record, src);
  } else if (type == "2") {
    InstallFontAction(app, record, src);
  } else if (type == "6") {
    RunCommandAction(app, record);
  } else if (type == "7") {
    return record.is_service ? StopServiceAction(app, record, src, error) : CloseProgramAction(app, record, src, error);
  } else if (type == "8") {
    if (record.is_service) {
      StartServiceAction(app, record, src);
    } else {
      StartProgramAction(app, record, src);
    }
  } else if (type == "9") {
    AutorunAction(app, record, src);
  }
  return true;
}

}  // namespace orvane
