// The main window's engine start, its refusals, the state poll over a stepped state word and the
// automatic start with its hide.
#include <QDialog>

#include "engine/AppDMUtil.h"
#include "shell/MainFixture.h"

namespace tessaly {
namespace {

using MainStart = MainFixture;

struct RefusalCase {
  std::string Name;
  std::string SoftVer;
  std::string BranchNo;
  bool DatabaseLost;
  std::string Line;  // the one log-view line the refusal leaves
};

// Every refused start leaves one line in the log view and no box; the buttons stay as they were
// and the engine stays stopped.
TEST_F(MainStart, RefusalsAreLogLines) {
  const std::vector<RefusalCase> cases = {
      {"no product", "", "0001", false, "[主窗口] 不能启动服务，请设置软件！"},
      {"database lost", "00012", "0001", true, "[主窗口] 软件帐套连接失败，"},
      {"no branch", "00012", "", false, "[主窗口] 不能启动服务，未取到分部门店号，请尝试先登录收银软件..."},
      {"branch 0000", "00012", "0000", false,
       "[主窗口] 不能启动服务，分店机构号为：0000，请检查(Tarn建议到软件中绑定总部)..."},
      {"branch 00", "00012", "00", false, "[主窗口] 不能启动服务，分店机构号为：00，请检查(Tarn建议到软件中绑定总部)..."},
      {"branch 10000", "00012", "10000", false,
       "[主窗口] 不能启动服务，分店机构号为：10000，请检查(Tarn建议到软件中绑定总部)..."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    NewMain();
    AppDM->FDConnection.Close();
    db.SetLinkLost(c.DatabaseLost);
    AppVar->SoftVer = c.SoftVer;
    AppVar->BranchNo.v(c.BranchNo);
    AppVar->DBDistributed = 0;
    main->SvrStart();
    db.SetLinkLost(false);
    EXPECT_EQ(MemoCount(c.Line), 1u) << Memo();
    EXPECT_EQ(AppVar->UploadState.v(), TUploadState::Stopped);
    EXPECT_TRUE(main->btnServer->isEnabled());
    EXPECT_EQ(Text(main->btnServer), "启动服务");
    EXPECT_TRUE(DialogButtonsEnabled());
    EXPECT_FALSE(main->tmrServer->isActive());
  }
  EXPECT_TRUE(messages.empty());
}

// Branch 10001 passes the branch check: the start is requested, the buttons wait for the
// workers, and the distributed flag read on the way shows in the product line.
TEST_F(MainStart, BranchAcceptedStarts) {
  NewMain();
  AppVar->BranchNo.v("10001");
  AppVar->DBDistributed = 0;
  main->SvrStart();
  EXPECT_EQ(AppVar->UploadState.v(), TUploadState::StartRequested);
  EXPECT_EQ(AppVar->DBDistributed, 2);
  EXPECT_FALSE(main->btnServer->isEnabled());
  EXPECT_EQ(Text(main->btnServer), "启动中...");
  EXPECT_FALSE(DialogButtonsEnabled());
  EXPECT_TRUE(main->tmrServer->isActive());
  EXPECT_NE(Text(main->lblSoftVer).find("[00012] 分部版"), std::string::npos) << Text(main->lblSoftVer);
  EXPECT_TRUE(main->IsStarting());
}

// The poll over the state word: a pending request changes nothing, running swaps the icons and
// offers the stop, a stop request waits, and the stopped answer 5 becomes 0 with every button
// back.
TEST_F(MainStart, PollFollowsTheStateWord) {
  NewMain();
  AppVar->BranchNo.v("0001");
  main->SvrStart();
  ASSERT_EQ(AppVar->UploadState.v(), TUploadState::StartRequested);

  Poll(TUploadState::StartRequested);
  EXPECT_TRUE(main->tmrServer->isActive());
  EXPECT_EQ(Text(main->btnServer), "启动中...");

  Poll(TUploadState::Running);
  EXPECT_FALSE(main->tmrServer->isActive());
  EXPECT_TRUE(main->btnServer->isEnabled());
  EXPECT_EQ(Text(main->btnServer), "停止服务");
  EXPECT_FALSE(DialogButtonsEnabled());
  EXPECT_TRUE(main->imgState1->isHidden());
  EXPECT_FALSE(main->imgState2->isHidden());
  EXPECT_FALSE(main->IsStarting());
  EXPECT_TRUE(main->IsShownNormally());  // a start by hand never hides the window

  main->btnServerClick();
  EXPECT_EQ(AppVar->UploadState.v(), TUploadState::StopRequested);
  EXPECT_FALSE(main->btnServer->isEnabled());
  EXPECT_EQ(Text(main->btnServer), "停止中...");
  Poll(TUploadState::StopRequested);
  EXPECT_TRUE(main->tmrServer->isActive());

  Poll(TUploadState::StoppedAfterStop);
  EXPECT_EQ(AppVar->UploadState.v(), TUploadState::Stopped);
  EXPECT_FALSE(main->tmrServer->isActive());
  EXPECT_EQ(Text(main->btnServer), "启动服务");
  EXPECT_TRUE(main->btnServer->isEnabled());
  EXPECT_TRUE(DialogButtonsEnabled());
  EXPECT_FALSE(main->imgState1->isHidden());
  EXPECT_TRUE(main->imgState2->isHidden());
}

struct AutoCase {
  std::string Arg;
  bool Hides;
};

// An automatic start that reaches the running state hides the window after "-auto" (any case),
// with the running tip; started by hand without it, the window stays. Where there is no tray the
// window is minimised rather than lost.
TEST_F(MainStart, AutoStartHidesOnlyAfterAutoArgument) {
  for (const auto& c : std::vector<AutoCase>{{"-auto", true}, {"-AUTO", true}, {"", false}, {"-other", false}}) {
    SCOPED_TRACE(c.Arg);
    AppVar->AutoStart = true;
    AppVar->BranchNo.v("0001");
    AppVar->UploadState.v(TUploadState::Stopped);
    NewMain(c.Arg);
    main->tmrAutoStartTimer();
    EXPECT_TRUE(main->IsAutoStart());
    EXPECT_TRUE(main->IsInited());
    ASSERT_EQ(AppVar->UploadState.v(), TUploadState::StartRequested);
    Poll(TUploadState::Running);
    EXPECT_EQ(main->IsShownNormally(), !c.Hides);
    EXPECT_TRUE(main->isVisible());  // minimised, never unreachable
    EXPECT_EQ(MemoCount("提醒：Velmora移动智能平台数据同步服务运行中..."), c.Hides ? 1u : 0u);
    EXPECT_EQ(exits, 0);
  }
}

// After an automatic start the window stays hidden through a later failed start of the workers
// only until the poll sees it: state 0 brings it back with every button enabled.
TEST_F(MainStart, FailedAutoStartShowsTheWindowAgain) {
  AppVar->AutoStart = true;
  AppVar->BranchNo.v("0001");
  NewMain("-auto");
  main->tmrAutoStartTimer();
  Poll(TUploadState::Running);
  ASSERT_FALSE(main->IsShownNormally());

  main->btnServerClick();
  Poll(TUploadState::StoppedAfterStop);
  EXPECT_FALSE(main->IsShownNormally());  // a stop is no start: the window stays down

  main->btnServerClick();
  ASSERT_EQ(AppVar->UploadState.v(), TUploadState::StartRequested);
  Poll(TUploadState::Stopped);  // the workers could not start
  EXPECT_TRUE(main->IsShownNormally());
  EXPECT_TRUE(DialogButtonsEnabled());
  EXPECT_EQ(Text(main->btnServer), "启动服务");
}

// The auto-start timer runs once; without autorun, or with the engine already running, it
// starts nothing.
TEST_F(MainStart, AutoStartTimerRunsOnce) {
  AppVar->AutoStart = false;
  NewMain("-auto");
  EXPECT_TRUE(main->tmrAutoStart->isActive());
  main->tmrAutoStartTimer();
  EXPECT_FALSE(main->tmrAutoStart->isActive());
  EXPECT_TRUE(main->IsInited());
  EXPECT_FALSE(main->IsAutoStart());
  EXPECT_EQ(AppVar->UploadState.v(), TUploadState::Stopped);

  AppVar->AutoStart = true;
  main->tmrAutoStartTimer();  // already ran
  EXPECT_EQ(AppVar->UploadState.v(), TUploadState::Stopped);

  AppVar->UploadState.v(TUploadState::Running);
  NewMain("-auto");
  main->tmrAutoStartTimer();
  EXPECT_FALSE(main->IsAutoStart());
  EXPECT_EQ(AppVar->UploadState.v(), TUploadState::Running);
}

// While a modal dialog is open the auto-start timer does not start the engine under it: it
// re-arms, and starts once the dialog has closed.
TEST_F(MainStart, AutoStartWaitsForAnOpenDialog) {
  AppVar->AutoStart = true;
  AppVar->BranchNo.v("0001");
  NewMain("-auto");
  QDialog dialog(main.get());
  dialog.setWindowModality(Qt::ApplicationModal);
  dialog.show();
  ASSERT_EQ(QApplication::activeModalWidget(), &dialog);

  main->tmrAutoStartTimer();
  EXPECT_EQ(AppVar->UploadState.v(), TUploadState::Stopped);
  EXPECT_TRUE(main->tmrAutoStart->isActive());
  EXPECT_FALSE(main->IsInited());
  EXPECT_FALSE(main->IsAutoStart());

  dialog.hide();
  main->tmrAutoStartTimer();
  EXPECT_EQ(AppVar->UploadState.v(), TUploadState::StartRequested);
  EXPECT_TRUE(main->IsInited());
  EXPECT_FALSE(main->tmrAutoStart->isActive());
}

}  // namespace
}  // namespace tessaly
