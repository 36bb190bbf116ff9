#include "shell/AppStartup.h"

#include <QApplication>

#include <cstdio>
#include <exception>

#include "engine/AppUtil.h"
#include "engine/AppVarUtil.h"
#include "foundation/Clock.h"
#include "foundation/Logger.h"
#include "foundation/VqLibUtil.h"
#include "foundation/ui/MsgBoxUnit.h"
#include "foundation/ui/VqSkinUtil.h"
#include "platform/ProgramInfo.h"
#include "platform/WinPath.h"
#include "shell/AppConfigUnit.h"
#include "shell/AppLoginUnit.h"
#include "shell/MainUnit.h"
#include "shell/PoliteQuit.h"

namespace tessaly {
namespace {

// Where the updater downloads from: the deployer's site and the agent's fixed folder on it.
const char* const kUpdateUrl = "http://update.velmora.example/down/vqfq_service/";
const char* const kUpdaterTitle = "Velmora智能平台数据同步服务";

// The message loop with the exception hook: an exception leaving an event handler is logged and
// the loop goes on.
class TAgentApplication final : public QApplication {
 public:
  TAgentApplication(int& argc, char** argv) : QApplication(argc, argv) {}

  bool notify(QObject* aReceiver, QEvent* aEvent) override {
    try {
      return QApplication::notify(aReceiver, aEvent);
    } catch (const std::exception& e) {
      TMain::ApplicationEventsException(e.what());
    } catch (...) {
      TMain::ApplicationEventsException("unknown exception");
    }
    return false;
  }
};

}  // namespace

TAppStartup::TAppStartup(std::string aFirstArg) : FFirstArg(std::move(aFirstArg)) {}

TAppStartup::~TAppStartup() {
  // The workers may still log into the main window's view while they end.
  if (FEngine) {
    FEngine.reset();
    SPfApp = nullptr;
  }
  FMain.reset();
}

std::string TAppStartup::MutexName() {
  // A program inside the machine's drives is named by its Windows path, as the autorun entry is.
  const std::string file = platform::ProgramFile();
  return TvqLib::GetMutexKey(platform::WindowsPathOf(file).value_or(file));
}

bool TAppStartup::TakeGuard() { return !TvqLib::CheckOnlyRunn(MutexName()); }

void TAppStartup::StartUpdater() {
  std::string error;
  if (!TvqLib::CheckUpgrade(kUpdateUrl, kUpdaterTitle, error)) TvqLib::Log("升级检测失败，" + error, true, 9);
}

bool TAppStartup::CreateEngine() {
  TvqLib::DetailLogEnabled = true;
  try {
    FEngine = std::make_unique<TSPfApp>();
  } catch (const std::exception& e) {
    TvqLib::Log(std::string("[APP] 创建服务对象失败：") + e.what(), true, 9);
    return false;
  }
  SPfApp = FEngine.get();
  FEngine->Init();
  Skin.LoadSkin("skyblue");
  return true;
}

void TAppStartup::AutoStartWait() const {
  if (AppVar->SoftVer.empty() || !IsAutoArg(FFirstArg)) return;
  // In slices, so that a quit signal ends the wait at once however long it was set.
  constexpr int kSliceMs = 50;
  for (int left = AppVar->AutoStartWaitTime; left > 0 && !Quitting(); left -= kSliceMs)
    GetClock().SleepMs(left < kSliceMs ? left : kSliceMs);
}

bool TAppStartup::EnsureProductCode() {
  if (AppVar->SoftVer.empty() && !Quitting()) {
    TAppConfig dialog(false);
    dialog.exec();
  }
  return !AppVar->SoftVer.empty();
}

bool TAppStartup::Login() {
  if (Quitting()) return false;
  if (FEngine->AutoLogin(FFirstArg)) return true;
  if (Quitting()) return false;
  TAppLogin dialog;
  dialog.exec();
  return dialog.FiResult == 1 && !Quitting();
}

void TAppStartup::CreateMainWindow() {
  FMain = std::make_unique<TMain>(FFirstArg);
  QObject::connect(FMain.get(), &TMain::exitConfirmed, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
  FMain->show();
}

int TAppStartup::RunLoop() {
  if (!FMain || Quitting()) return 0;
  QApplication::exec();
  return 0;
}

int TAppStartup::Run() {
  StartUpdater();
  if (!CreateEngine()) return 0;
  AutoStartWait();
  if (Quitting()) return 0;
  if (EnsureProductCode() && Login()) {
    CreateMainWindow();
    RunLoop();
  }
  return 0;
}

void TAppStartup::QuitRequested() {
  FQuitting = true;
  if (FMain)
    FMain->QuitPolitely();
  else
    CloseModalDialogs();
}

bool TAppStartup::Quitting() const { return FQuitting || TPoliteQuit::Requested(); }

void SetUpAgentApplication() {
  QApplication::setQuitOnLastWindowClosed(false);
  // The application title is ours alone: set as the toolkit's display name it would be appended
  // to every window title the desktop shows.
  TvqLib::SetAppTitle(kAppTitle);
}

int RunAgent(int argc, char** argv) {
  TvqLib::SetDateFormat();
  // Before anything else: a second copy ends here, silently and without writing anything.
  if (!TAppStartup::TakeGuard()) return 0;
  std::string error;
  if (!InitGlobalLogger(error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  int exitCode = 0;
  {
    TAgentApplication app(argc, argv);
    SetUpAgentApplication();
    RegisterDialogHooks();
    const QStringList args = QApplication::arguments();
    TAppStartup startup(args.size() > 1 ? args[1].toStdString() : std::string());
    TPoliteQuit politeQuit;
    QObject::connect(&politeQuit, &TPoliteQuit::requested, &app, [&startup] { startup.QuitRequested(); });
    exitCode = startup.Run();
  }
  FreeGlobalLogger();
  return exitCode;
}

}  // namespace tessaly
