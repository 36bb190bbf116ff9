// The main window around the engine: close-to-tray, the exit confirmation and the polite quit,
// the log view, the tips, the header and footer lines, the Ctrl + double-click, and screenshots.
#include <QMouseEvent>
#include <QSystemTrayIcon>
#include <QtTest/QTest>

#include <thread>

#include "foundation/Logger.h"
#include "foundation/ui/VqSkinUtil.h"
#include "platform/WindowCaptions.h"
#include "shell/AppConfigUnit.h"
#include "shell/MainFixture.h"
#include "support/WaitUntil.h"

#include <unistd.h>

namespace tessaly {
namespace {

using MainWindow = MainFixture;

// Every close that is not a confirmed exit hides (here: minimises, there is no tray) and never
// ends the program, whatever the engine state.
TEST_F(MainWindow, CloseOnlyHides) {
  for (int state : {TUploadState::Stopped, TUploadState::StartRequested, TUploadState::Running}) {
    SCOPED_TRACE(state);
    NewMain();
    AppVar->UploadState.v(state);
    main->lblCloseClick();
    EXPECT_FALSE(main->IsShownNormally());
    EXPECT_TRUE(main->isVisible());
    main->pmnShowClick();
    EXPECT_TRUE(main->IsShownNormally());
    EXPECT_FALSE(main->close());  // Alt+F4 and the window manager's close
    EXPECT_FALSE(main->IsShownNormally());
    main->TrayIconDblClick();
    EXPECT_TRUE(main->IsShownNormally());
    EXPECT_EQ(exits, 0);
    EXPECT_EQ(AppVar->IsExitApp.v(), 0);
    EXPECT_EQ(AppVar->UploadState.v(), state);
  }
}

struct ExitCase {
  std::string Name;
  bool Answer;
  int State;
  int StateAfter;
  int Exits;
};

// The exit asks first; "yes" sets IsExitApp, requests a stop only from the running state, and
// closes the window for good. "no" changes nothing. The tray menu's exit is the same.
TEST_F(MainWindow, ExitConfirmation) {
  const std::vector<ExitCase> cases = {
      {"no", false, TUploadState::Running, TUploadState::Running, 0},
      {"yes while running", true, TUploadState::Running, TUploadState::StopRequested, 1},
      {"yes while starting", true, TUploadState::StartRequested, TUploadState::StartRequested, 1},
      {"yes while stopped", true, TUploadState::Stopped, TUploadState::Stopped, 1},
  };
  for (const bool fromTray : {false, true}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(c.Name + (fromTray ? " (tray)" : ""));
      AppVar->IsExitApp.v(0);
      exits = 0;
      questions.clear();
      NewMain();
      main->lblCloseClick();  // the exit shows a hidden window first
      AppVar->UploadState.v(c.State);
      answer = c.Answer;
      fromTray ? main->pmnExitClick() : main->btnExitAppClick();
      EXPECT_EQ(questions, std::vector<std::string>{"询问|确定退出Velmora自助平台数据传输工具吗？"});
      EXPECT_EQ(AppVar->UploadState.v(), c.StateAfter);
      EXPECT_EQ(AppVar->IsExitApp.v(), c.Answer ? 1 : 0);
      EXPECT_EQ(exits, c.Exits);
      EXPECT_EQ(main->isVisible(), !c.Answer);
    }
  }
}

// Quitting from the tray while the settings dialog is open closes the dialog, returns from its
// modal loop, and then closes the window.
TEST_F(MainWindow, ExitFromTrayUnwindsAnOpenDialog) {
  NewMain();
  AppVar->UploadState.v(TUploadState::Stopped);
  bool dialogSeen = false;
  QTimer::singleShot(0, [&] {
    dialogSeen = qobject_cast<TAppConfig*>(QApplication::activeModalWidget()) != nullptr;
    main->pmnExitClick();
  });
  main->btnConfigClick();  // returns once the dialog has been closed
  EXPECT_TRUE(dialogSeen);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  EXPECT_EQ(exits, 1);
  EXPECT_EQ(AppVar->IsExitApp.v(), 1);
}

// The polite quit (SIGTERM, SIGINT) is the confirmed exit without the question: the running
// engine is asked to stop and the window closes, also from under an open dialog.
TEST_F(MainWindow, PoliteQuit) {
  NewMain();
  AppVar->UploadState.v(TUploadState::Running);
  QTimer::singleShot(0, [&] { main->QuitPolitely(); });
  main->btnConfigClick();
  EXPECT_TRUE(questions.empty());
  EXPECT_EQ(AppVar->IsExitApp.v(), 1);
  EXPECT_EQ(AppVar->UploadState.v(), TUploadState::StopRequested);
  EXPECT_EQ(exits, 1);
  main->QuitPolitely();  // a second signal changes nothing
  EXPECT_EQ(exits, 1);
}

// The window registers its caption, so the setup program finds the agent by it; the
// registration goes with the window.
TEST_F(MainWindow, CaptionIsRegistered) {
  const std::string caption = TMain::Caption();
  EXPECT_EQ(caption, "Velmora移动智能平台数据同步服务 - " + TvqLib::GetVersion());
  NewMain();
  EXPECT_EQ(main->windowTitle().toStdString(), caption);
  EXPECT_EQ(Text(main->lblTitle), caption);
  EXPECT_EQ(platform::FindWindowProcess(caption), static_cast<int>(::getpid()));
  main.reset();
  EXPECT_EQ(platform::FindWindowProcess(caption), 0);
}

// The log view mirrors the log and holds at most 1000 lines: the line with index 1000 empties it.
TEST_F(MainWindow, LogViewKeepsAtMostAThousandLines) {
  NewMain();
  main->mmLog->clear();
  QCoreApplication::processEvents();
  const int before = main->mmLog->document()->lineCount() - (main->mmLog->toPlainText().isEmpty() ? 1 : 0);
  for (int i = before; i < 1000; ++i) TvqLib::Log("line " + std::to_string(i), true);
  QCoreApplication::processEvents();
  EXPECT_EQ(main->mmLog->document()->blockCount(), 1000);
  EXPECT_NE(Memo().find("line 999"), std::string::npos);
  TvqLib::Log("line 1000", true);
  EXPECT_EQ(Memo(), "");
  TvqLib::Log("line 1001", true);
  EXPECT_EQ(Memo().substr(Memo().find(' ') + 1), "line 1001");
}

// A tip raised on a worker's thread runs on the UI thread later: the worker returns before the
// window has seen it. Without a tray the tip goes to the log.
TEST_F(MainWindow, TipsReachTheUiThread) {
  NewMain();
  std::thread worker([] { SPfApp->DoAppTips(1, "有新的自助收银订单：\r\nXS1"); });
  worker.join();
  EXPECT_EQ(LogFiles().find("提醒："), std::string::npos);
  EXPECT_EQ(MemoCount("[主窗口] 提醒：有新的自助收银订单："), 1u);
  EXPECT_NE(LogFiles().find("提醒："), std::string::npos);
  main.reset();
  SPfApp->DoAppTips(1, "after the window");  // the window has gone: dropped, no crash
  QCoreApplication::processEvents();
}

// Ctrl + double-click on the header resumes the workers with a detail-log line; without Ctrl,
// or with detailed logging off, nothing is logged.
TEST_F(MainWindow, CtrlDoubleClickChecks) {
  NewMain();
  const auto doubleClick = [&](QWidget* target, Qt::KeyboardModifiers modifiers) {
    QMouseEvent click(QEvent::MouseButtonDblClick, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton, Qt::LeftButton,
                      modifiers);
    QApplication::sendEvent(target, &click);
  };
  doubleClick(main->imgHead, Qt::NoModifier);
  EXPECT_EQ(MemoCount("检查重启线程..."), 0u);
  doubleClick(main->imgHead, Qt::ControlModifier);
  EXPECT_EQ(MemoCount("[主窗口] 检查重启线程..."), 1u);
  doubleClick(main->pnlHead, Qt::ControlModifier);
  EXPECT_EQ(MemoCount("[主窗口] 检查重启线程..."), 2u);
  TvqLib::DetailLogEnabled = false;
  doubleClick(main->imgHead, Qt::ControlModifier);
  EXPECT_EQ(MemoCount("检查重启线程..."), 2u);
  EXPECT_EQ(AppVar->UploadState.v(), TUploadState::Stopped);
}

struct LinesCase {
  std::string Name;
  int DBMode;
  int SoftModel;
  int Distributed;
  bool Vip;
  std::string DBInfo;
};

// The footer's database line for each mode and family, and the VIP marker.
TEST_F(MainWindow, DatabaseLine) {
  NewMain();
  AppVar->DBHost = "10.0.0.5,1433";
  AppVar->DBUser = "sa";
  AppVar->DBName = "hbposv8";
  AppVar->SvrHost = "192.168.1.9";
  AppVar->SvrPort = 9011;
  AppVar->SvrDBName = "门店帐套";
  const std::vector<LinesCase> cases = {
      {"direct", 0, 1, 1, false, "[分布式1] 帐套服务器：10.0.0.5,1433，用户：sa，帐套：hbposv8"},
      {"server", 1, 0, 0, true, "[分布式0] 服务器地址：192.168.1.9，端口：9011，帐套：门店帐套"},
      {"hosted", 2, 2, 2, false, "[托管式2] 托管企业：192.168.1.9:9011，帐套：门店帐套 "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    AppVar->DBMode = c.DBMode;
    AppVar->SoftModel = c.SoftModel;
    AppVar->DBDistributed = c.Distributed;
    AppVar->SvrVIPConnOK.v(c.Vip);
    NewMain();
    EXPECT_EQ(Text(main->lblDBInfo), c.DBInfo);
    EXPECT_EQ(Text(main->lblVIPState), c.Vip ? "VIP" : "");
  }
  AppVar->SoftVer.clear();
  NewMain();
  EXPECT_EQ(Text(main->lblSoftVer), "请设置软件");
  EXPECT_EQ(Text(main->lblDBInfo), "");
}

// The login line: the enterprise id, and the branch for the distributed family only.
TEST_F(MainWindow, LoginLine) {
  AppVar->SoftId.v(5);
  AppVar->BranchNo.v("0001");
  AppVar->SoftModel = 1;
  NewMain();
  EXPECT_EQ(Text(main->lblLogin), "平台企业Id：5，门店编号：0001");
  EXPECT_EQ(main->lblVIPState->x(), main->lblLogin->geometry().right() + 1 + 4);
  AppVar->SoftModel = 2;
  NewMain();
  EXPECT_EQ(Text(main->lblLogin), "平台企业Id：5");
}

// The exception hook logs the message; when the line cannot be written (the log folder is gone,
// a file in its place) a message box shows the same text instead.
TEST_F(MainWindow, ExceptionHookFallsBackToABox) {
  NewMain();
  TvqLib::DetailLogEnabled = true;
  TMain::ApplicationEventsException("坏的事件");
  EXPECT_EQ(MemoCount("[主窗口] 运行时出错：坏的事件"), 1u);
  EXPECT_TRUE(messages.empty());

  const std::string dir = machine.programDir() + "log";
  std::filesystem::rename(dir, dir + ".kept");
  vqtest::WriteFileBytes(dir, "");
  Logger.load()->SetByHour(true);  // the next line opens a file of a new name
  TMain::ApplicationEventsException("又一个");
  Logger.load()->SetByHour(false);
  std::filesystem::remove(dir);
  std::filesystem::rename(dir + ".kept", dir);
  EXPECT_EQ(messages, std::vector<std::string>{std::string(kAppTitle) + "|运行时出错：又一个"});
}

// The VIP marker turned on after the window was made (the member service checked at the engine
// start) shows its whole text.
TEST_F(MainWindow, VipMarkerSizedWhenItTurnsOn) {
  AppVar->SvrVIPConnOK.v(false);
  NewMain();
  EXPECT_EQ(Text(main->lblVIPState), "");
  AppVar->SvrVIPConnOK.v(true);
  main->SvrStart();
  ASSERT_EQ(Text(main->lblVIPState), "VIP");
  const QFontMetrics metrics(main->lblVIPState->font());
  EXPECT_GE(main->lblVIPState->contentsRect().width(), metrics.horizontalAdvance("VIP"));
  EXPECT_EQ(main->lblVIPState->x(), main->lblLogin->geometry().right() + 1 + 4);
}

// A notification area that appears after the window was made (a desktop starting its panel
// after the agent): the icon shows by itself, and "×" then hides the window into it. While
// there is no area, or the icon is not shown, "×" only minimises: the window stays reachable.
class MainTray : public MainFixture {
 protected:
  void SetUp() override {
    MainFixture::SetUp();
    SetTrayAreaQuery([this] { return area; });
  }
  void TearDown() override {
    SetTrayAreaQuery({});
    MainFixture::TearDown();
  }
  void ClickClose() { QTest::mouseClick(main->lblClose, Qt::LeftButton, {}, main->lblClose->rect().center()); }

  bool area = false;
};

TEST_F(MainTray, AreaAppearingLaterGetsTheIcon) {
  NewMain();
  EXPECT_FALSE(main->TrayIcon->isVisible());
  ClickClose();
  EXPECT_TRUE(main->isVisible());
  EXPECT_TRUE(main->isMinimized());
  main->pmnShowClick();

  area = true;
  // Without any action of the user the icon follows the area.
  EXPECT_TRUE(vqtest::WaitUntil([&] {
    QCoreApplication::processEvents();
    return main->TrayIcon->isVisible();
  }));
  ClickClose();
  EXPECT_FALSE(main->isVisible());
  main->TrayIconDblClick();
  EXPECT_TRUE(main->IsShownNormally());
}

TEST_F(MainTray, NeverHiddenWithoutAVisibleIcon) {
  NewMain();
  area = true;
  // The area is there before the icon could follow it: the hide shows the icon first.
  ClickClose();
  EXPECT_TRUE(main->TrayIcon->isVisible());
  EXPECT_FALSE(main->isVisible());
  main->pmnShowClick();

  // The automatic hide after an "-auto" start, with the area gone meanwhile: minimised.
  area = false;
  NewMain("-auto");
  AppVar->AutoStart = true;
  main->tmrAutoStartTimer();
  Poll(TUploadState::Running);
  EXPECT_TRUE(main->isVisible());
  EXPECT_TRUE(main->isMinimized());
  EXPECT_EQ(exits, 0);
}

// Screenshots of the window stopped, and running with a filled log.
TEST_F(MainWindow, Screenshots) {
  Skin.LoadSkin("skyblue");  // the program body's set
  AppVar->SoftVerName = "演示门店系统";
  AppVar->SoftId.v(5);
  AppVar->BranchNo.v("0001");
  NewMain();
  main->tmrAutoStartTimer();
  QCoreApplication::processEvents();
  EXPECT_FALSE(vqtest::SaveScreenshot(*main, "main_stopped").empty());

  AppVar->SvrVIPConnOK.v(true);  // the VIP marker appears with the start
  main->SvrStart();
  Poll(TUploadState::Running);
  for (int i = 1; i <= 40; ++i)
    TvqLib::Log("[工作线程] [bi_t_item_info][" + std::to_string(i) + "/40]上传成功，商品资料 农夫山泉 550ml", true);
  SPfApp->DoAppTips(1, "有新的自助收银订单：\r\nXS20260001");
  EXPECT_EQ(MemoCount("XS20260001"), 1u);
  main->showNormal();
  EXPECT_FALSE(vqtest::SaveScreenshot(*main, "main_running").empty());
  Skin.LoadSkin("");
}

}  // namespace
}  // namespace tessaly
