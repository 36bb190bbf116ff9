#pragma once
// The agent's program body: start-up, the message loop and shut-down, in this order: the
// single-instance guard, the updater, the detail-log switch, the engine object, the dialogs' skin,
// the "-auto" wait, the settings dialog on first run, the automatic or dialog login, the main
// window and its loop; then the engine is freed (both workers joined) before the windows.
//
// RunAgent is the whole program; TAppStartup holds its steps so that each can be driven on its
// own. UI thread only; the steps that show windows need a QApplication.
#include <memory>
#include <string>

namespace tessaly {

class TMain;
class TSPfApp;
class TPoliteQuit;

class TAppStartup {
 public:
  // aFirstArg: the program's first argument (empty when none); later arguments have no effect.
  explicit TAppStartup(std::string aFirstArg);
  // Shut-down: frees the engine object (ending both workers) and then the main window.
  ~TAppStartup();
  TAppStartup(const TAppStartup&) = delete;
  TAppStartup& operator=(const TAppStartup&) = delete;

  // The single-instance name of the running program file.
  [[nodiscard]] static std::string MutexName();
  // Takes the single-instance guard; false when another copy from the same path runs (the
  // program then ends at once, writing nothing).
  [[nodiscard]] static bool TakeGuard();

  // Starts the updater; logs "升级检测失败，" + the reason when it cannot.
  static void StartUpdater();
  // Switches detailed logging on, creates the engine object and loads the settings. False, with
  // a log line, when the engine cannot be created.
  [[nodiscard]] bool CreateEngine();
  // With a product code and "-auto": waits AutoStartWaitTime ms through the clock (a negative
  // time waits nothing). A quit signal ends it at once.
  void AutoStartWait() const;
  // Opens the full settings dialog when no product code is set; true when one is set afterwards.
  [[nodiscard]] bool EnsureProductCode();
  // The automatic login, else the login dialog; true after a successful login.
  [[nodiscard]] bool Login();
  // Creates and shows the main window.
  void CreateMainWindow();
  // Runs the message loop until the main window really closes; at once without a main window.
  int RunLoop();
  // The whole start-up and the loop; the exit code.
  int Run();

  // The polite quit (SIGTERM, SIGINT): quits through the main window when it exists; before
  // that, closes the open dialog and ends the start-up at its next step.
  void QuitRequested();

  [[nodiscard]] TMain* MainWindow() const { return FMain.get(); }
  [[nodiscard]] TSPfApp* Engine() const { return FEngine.get(); }

 private:
  [[nodiscard]] bool Quitting() const;

  std::string FFirstArg;
  bool FQuitting = false;
  std::unique_ptr<TMain> FMain;
  std::unique_ptr<TSPfApp> FEngine;  // declared last: freed first
};

// The application-wide settings of the agent: the loop goes on without windows until the main
// window ends it, and the application title. Window titles stay exactly as each window sets them.
void SetUpAgentApplication();

// The program: argc and argv as main() got them. Exit code 0 in every normal end.
int RunAgent(int argc, char** argv);

}  // namespace tessaly
