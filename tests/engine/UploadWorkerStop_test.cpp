// The engine state handshake of the two workers: stops during a page, failed starts, restarts
// that resume from the checkpoints, and a worker destroyed in the middle of a cycle.
#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "UploadWorkerFixture.h"
#include "support/TempDir.h"

namespace tessaly {
namespace {

using vqtest::FakeReply;

class UploadWorkerStopTest : public UploadWorkerTest {
 protected:
  void SetUp() override {
    UploadWorkerTest::SetUp();
    // The puller takes part in the handshake but pulls nothing.
    appVar.DBDistributed = 2;
    appVar.PullSelfCollect.v(false);
    appVar.PullWXApplet.v(false);
  }
  void TearDown() override {
    // A start still held in the driver must not keep its thread past the test.
    db.ReleaseDelays();
    UploadWorkerTest::TearDown();
  }
  void StartBoth() {
    AddWorker(false);
    AddWorker(true);
    appVar.UploadState.v(TUploadState::StartRequested);
  }
};

// A stop during page 3 of 10 lets page 3 finish, writes no later checkpoint, reaches 5 only
// once both workers have stopped, and the next start resumes from the checkpoints.
TEST_F(UploadWorkerStopTest, StopDuringPageFinishesItAndResumesLater) {
  appVar.UploadPageSize.v(2);
  MakeItems("bi_t_item", 1, 20);
  AddItemsCatalogue("bi_t_item");
  MakeItems("later", 1, 3);
  AddItemsCatalogue("later");
  server.Enqueue(kUploadPath, Accepted());
  server.Enqueue(kUploadPath, Accepted());
  server.Enqueue(kUploadPath, FakeReply::Held("page3", Accepted()));

  StartBoth();
  ASSERT_TRUE(server.WaitForRequests(3));
  appVar.UploadState.v(TUploadState::StopRequested);
  // The puller stops at its next tick; the uploader is still in its page.
  ASSERT_TRUE(WaitLog("工作线程已停止."));
  EXPECT_EQ(appVar.UploadState.v(), TUploadState::StopRequested);
  server.Release("page3");
  ASSERT_TRUE(WaitState(TUploadState::StoppedAfterStop));
  EXPECT_EQ(logView->Count("工作线程已停止."), 2u);
  EXPECT_EQ(logView->Count("[bi_t_item][3/10]检测到服务停止/退出，中断传输任务"), 1u);
  EXPECT_EQ(PostedPages().size(), 3u);
  EXPECT_EQ(Checkpoint("BI", "bi_t_item"), 4);
  EXPECT_EQ(Checkpoint("BI", "later"), std::nullopt);
  EXPECT_EQ(CycleEnds(), 0u);

  // The next start connects again, rereads the catalogue and goes on from row 5.
  appVar.UploadState.v(TUploadState::StartRequested);
  ASSERT_TRUE(WaitUntil([&] { return CycleEnds() == 1; }));
  EXPECT_EQ(logView->Count("工作线程开启成功."), 4u);
  const auto rows = PostedChanges("bi_t_item");
  EXPECT_EQ(std::vector<int>(rows.begin() + 6, rows.end()), Range(5, 20));
  EXPECT_EQ(Checkpoint("BI", "bi_t_item"), 20);
  EXPECT_EQ(Checkpoint("BI", "later"), 3);
}

// A worker whose start fails while the other is mid-cycle turns the start into a stop, so the
// running worker finishes its page and the handshake ends in 5, not in 0 under a running worker.
TEST_F(UploadWorkerStopTest, FailedStartBesideRunningWorkerEndsAsStop) {
  MakeItems("bi_t_item", 1, 45);
  AddItemsCatalogue("bi_t_item");
  server.Enqueue(kUploadPath, FakeReply::Held("page1", Accepted()));
  AddWorker(false);
  appVar.UploadState.v(TUploadState::StartRequested);
  ASSERT_TRUE(server.WaitForRequests(1));
  EXPECT_EQ(appVar.UploadState.v(), TUploadState::Running);

  db.FailStatements("select * from spf_t_trans_table%", "catalogue locked");
  AddWorker(true);
  ASSERT_TRUE(WaitLog("开启工作线程失败：查询待上传表出错，catalogue locked"));
  // The failed start writes the state word right after its log line; the uploader is still held
  // in its page, so nothing else can move the word meanwhile.
  EXPECT_TRUE(WaitState(TUploadState::StopRequested));
  server.Release("page1");
  ASSERT_TRUE(WaitState(TUploadState::StoppedAfterStop));
  EXPECT_EQ(logView->Count("[bi_t_item][1/3]检测到服务停止/退出，中断传输任务"), 1u);
  EXPECT_EQ(PostedPages().size(), 1u);
}

// A stop request that comes while the puller's start is still reading the catalogue survives the
// late start: the state word stays 4 (never 2 over it) until the uploader in its page has
// finished, then ends in 5, and the next start resumes from the checkpoint.
TEST_F(UploadWorkerStopTest, StartLandingAfterStopRequestKeepsTheStop) {
  appVar.UploadPageSize.v(2);
  MakeItems("bi_t_item", 1, 6);
  AddItemsCatalogue("bi_t_item");
  server.Enqueue(kUploadPath, Accepted());
  server.Enqueue(kUploadPath, FakeReply::Held("page2", Accepted()));
  AddWorker(false);
  appVar.UploadState.v(TUploadState::StartRequested);
  ASSERT_TRUE(server.WaitForRequests(2));
  ASSERT_EQ(appVar.UploadState.v(), TUploadState::Running);

  db.DelayStatements("select * from spf_t_trans_table%", 20000);
  AddWorker(true);
  ASSERT_TRUE(WaitUntil([&] { return db.DelayedStatements().size() == 1; }));
  appVar.UploadState.v(TUploadState::StopRequested);
  db.ReleaseDelays();
  // The puller's start lands after the stop request, then it stops at its next tick.
  ASSERT_TRUE(WaitLog("工作线程开启成功.", 2));
  ASSERT_TRUE(WaitLog("工作线程已停止."));
  EXPECT_EQ(appVar.UploadState.v(), TUploadState::StopRequested);

  server.Release("page2");
  bool sawRunning = false;
  ASSERT_TRUE(WaitUntil([&] {
    const int state = appVar.UploadState.v();
    sawRunning = sawRunning || state == TUploadState::Running;
    return state == TUploadState::StoppedAfterStop;
  }));
  EXPECT_FALSE(sawRunning);
  EXPECT_EQ(logView->Count("工作线程已停止."), 2u);
  EXPECT_EQ(logView->Count("[bi_t_item][2/3]检测到服务停止/退出，中断传输任务"), 1u);
  EXPECT_EQ(PostedPages().size(), 2u);
  EXPECT_EQ(Checkpoint("BI", "bi_t_item"), 2);
  EXPECT_EQ(CycleEnds(), 0u);

  // The next start is not held and goes on from row 3.
  appVar.UploadState.v(TUploadState::StartRequested);
  ASSERT_TRUE(WaitUntil([&] { return CycleEnds() == 1; }));
  EXPECT_EQ(appVar.UploadState.v(), TUploadState::Running);
  EXPECT_EQ(db.DelayedStatements().size(), 1u);
  const auto rows = PostedChanges("bi_t_item");
  ASSERT_GE(rows.size(), 4u);
  EXPECT_EQ(std::vector<int>(rows.begin() + 4, rows.end()), Range(3, 6));
  EXPECT_EQ(Checkpoint("BI", "bi_t_item"), 6);
}

struct StartFailCase {
  const char* name;
  bool linkLost;
  const char* line;
};

// A start that fails with no other worker running sets the state back to 0; the next start
// request tries again and succeeds.
TEST_F(UploadWorkerStopTest, FailedStartAloneGoesBackToStopped) {
  const StartFailCase cases[] = {
      {"no database", true, "开启工作线程失败：数据库帐套连接失败，"},
      {"no catalogue", false, "开启工作线程失败：查询待上传表出错，"},
  };
  MakeItems("bi_t_item", 1, 2);
  AddItemsCatalogue("bi_t_item");
  AddWorker(false);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    logView->Clear();
    if (c.linkLost)
      db.SetLinkLost(true);
    else
      db.FailStatements("select * from spf_t_trans_table%", "locked");
    appVar.UploadState.v(TUploadState::StartRequested);
    ASSERT_TRUE(WaitLog(c.line));
    ASSERT_TRUE(WaitState(TUploadState::Stopped));
    EXPECT_EQ(logView->Count("工作线程开启成功."), 0u);
    db.SetLinkLost(false);
    db.ClearFailures();
    appVar.UploadState.v(TUploadState::StartRequested);
    ASSERT_TRUE(WaitUntil([&] { return CycleEnds() == 1; }));
    appVar.UploadState.v(TUploadState::StopRequested);
    ASSERT_TRUE(WaitState(TUploadState::StoppedAfterStop));
    appVar.UploadState.v(TUploadState::Stopped);
  }
}

// Destroying a worker in the middle of a cycle ends its thread once the page in flight is done,
// frees it cleanly, and takes it out of the handshake: the other worker's stop still reaches 5.
TEST_F(UploadWorkerStopTest, DestroyMidCycleEndsThreadCleanly) {
  MakeItems("bi_t_item", 1, 45);
  AddItemsCatalogue("bi_t_item");
  server.Enqueue(kUploadPath, FakeReply::Held("page1", Accepted()));
  StartBoth();
  ASSERT_TRUE(server.WaitForRequests(1));
  ASSERT_TRUE(WaitUntil([&] { return logView->Count("工作线程开启成功.") == 2; }));

  std::unique_ptr<TUploadWorker> uploader = std::move(workers.front());
  workers.erase(workers.begin());
  std::thread destroyer([&] { uploader.reset(); });
  server.Release("page1");
  destroyer.join();
  EXPECT_EQ(logView->Count("工作线程已结束."), 1u);
  EXPECT_EQ(logView->Count("释放成功："), 1u);

  appVar.UploadState.v(TUploadState::StopRequested);
  ASSERT_TRUE(WaitState(TUploadState::StoppedAfterStop));
}

// A start after the database settings changed reads from, and writes checkpoints into, the new
// database: the worker connects again with the main connection's current parameters.
TEST_F(UploadWorkerStopTest, StartAfterSettingsChangeUsesNewDatabase) {
  MakeItems("bi_t_item", 1, 3);
  AddItemsCatalogue("bi_t_item");
  RunCycle();
  ASSERT_EQ(PostedChanges("bi_t_item"), Range(1, 3));

  vqtest::TempDir other;
  const std::string second = other.file("second.db");
  // The first database as it stands, its write-ahead log included.
  std::filesystem::copy_file(db.DatabasePath(), second);
  if (std::filesystem::exists(db.DatabasePath() + "-wal"))
    std::filesystem::copy_file(db.DatabasePath() + "-wal", second + "-wal");
  TDbConnection direct;
  direct.SetParams({"DriverID=SQLite", "Database=" + second, "LockingMode=normal"});
  direct.Open();
  direct.ExecBatch("insert into bi_t_item values('I4','x',4);insert into bi_t_item values('I5','y',5);"
                   "update vq_tab_tabledesc set max_change=5 where table_name='bi_t_item'");
  dm.FDConnection.SetParams(vqtest::TestDriverParams(second));

  RunCycle();
  EXPECT_EQ(PostedChanges("bi_t_item"), Range(1, 5));
  TDbResult rows;
  direct.Query("select last_change from spf_t_trans_record where table_name='bi_t_item'", rows);
  ASSERT_EQ(rows.RowCount(), 1u);
  EXPECT_EQ(rows.Value(0, 0), TDbVariant(std::int64_t{5}));
  EXPECT_EQ(db.Value("select last_change from spf_t_trans_record where table_name='bi_t_item'"), "3");
}

}  // namespace
}  // namespace tessaly
