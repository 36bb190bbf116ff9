// Failed page posts: the three attempts, which replies count as failures, what the checkpoints
// do after a failure, refused member-points pages, pages that cannot be built and checkpoint
// reads that fail; and a seeded run of many faults and stops over many cycles.
#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <random>

#include "UploadWorkerFixture.h"
#include "engine/AppUtil.h"

namespace tessaly {
namespace {

using vqtest::CatalogueRow;
using vqtest::FakeReply;

struct FaultCase {
  const char* name;
  std::vector<FakeReply> replies;  // the first replies of the upload path, then acceptance
  std::size_t requests;            // requests of the first cycle
  std::optional<int> checkpoint;   // after the first cycle
  std::vector<std::string> lines;  // log lines that must appear
};

// 45 rows in pages of 20. A failed attempt keeps the final checkpoint and stops the
// intermediate ones; three failures end the table; the next cycle resumes from the checkpoint.
TEST_F(UploadWorkerTest, FailedAttemptsRetryAndKeepCheckpoints) {
  const FaultCase cases[] = {
      {"500 once on page 2",
       {Accepted(), FakeReply::Status(500)},
       4,
       20,
       {"[t][2/3]传输失败，重试第一次...", "[t][2/3]上传出错：", "[t][2/3]数据上传成功", "[t][3/3]数据上传成功"}},
      {"closed three times on page 2",
       {Accepted(), FakeReply::CloseWithoutAnswer(), FakeReply::CloseWithoutAnswer(), FakeReply::CloseWithoutAnswer()},
       4,
       20,
       {"[t][2/3]传输失败，重试第二次..."}},
      {"refused, not JSON, reset on page 2",
       {Accepted(), Refused("库存不足"), FakeReply::NonJson(), FakeReply::Reset()},
       4,
       20,
       {"[t][2/3]上传失败1：库存不足", "[t][2/3]上传失败2："}},
      {"bResult false twice on page 1",
       {FakeReply::Json("{\"bResult\":false}"), FakeReply::Json("{\"bResult\":false,\"errMsg\":\"x\"}")},
       5,
       std::nullopt,
       {"[t][1/3]上传失败1：", "[t][1/3]数据上传成功", "[t][2/3]数据上传成功"}},
      {"a reply that starts like JSON but is not",
       {FakeReply::Json("{\"bResult\":tru"), FakeReply::Json("{\"bResult\":\"yes\"}"),
        FakeReply::Json(" {\"bResult\":true}")},
       3,
       std::nullopt,
       {"[t][1/3]上传失败2：{\"bResult\":tru", "[t][1/3]上传失败2： {\"bResult\":true}"}},
  };
  int tableNo = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    logView->Clear();
    const std::string table = "f" + std::to_string(++tableNo);
    MakeItems(table, 1, 45);
    ASSERT_TRUE(db.Exec("delete from spf_t_trans_table"));
    AddItemsCatalogue(table, "t");
    for (const auto& reply : c.replies) server.Enqueue(kUploadPath, reply);
    const std::size_t before = PostedPages().size();
    RunCycle();
    EXPECT_EQ(PostedPages().size() - before, c.requests);
    EXPECT_EQ(Checkpoint("BI", table), c.checkpoint);
    for (const auto& line : c.lines) EXPECT_GE(logView->Count(line), 1u) << line;
    EXPECT_EQ(logView->Count("更新传输标记[45]"), 0u);

    // The next cycle starts from the checkpoint and finishes the table.
    const std::size_t sent = PostedRows("t").size();
    RunCycle();
    const auto rows = PostedRows("t");
    ASSERT_FALSE(rows.size() == sent);
    EXPECT_EQ(rows[sent]["trans_last_change"].get<int>(), c.checkpoint.value_or(0) + 1);
    EXPECT_EQ(rows.back()["trans_last_change"].get<int>(), 45);
    EXPECT_EQ(Checkpoint("BI", table), 45);
  }
}

// A page whose text cannot be built is logged and not sent, and no checkpoint of its table
// passes it; the cycle goes on with the next table.
TEST_F(UploadWorkerTest, PageThatCannotBeBuiltKeepsTheCheckpointBehindIt) {
  // A points query without the points column: its pages cannot be built.
  std::string error;
  ASSERT_TRUE(db.Exec("create table vip_bad(vip_no varchar(20), trans_last_change int)", &error)) << error;
  ASSERT_TRUE(db.Exec("insert into vip_bad values('V1',1),('V2',2),('V3',3)", &error)) << error;
  SetMaxChange("vip_bad", 3);
  CatalogueRow vip;
  vip.transTable = "vipintegral";
  vip.tableName = "vip_bad";
  vip.updateSql = "select :softid as softid, vip_no, trans_last_change from vip_bad order by trans_last_change";
  AddCatalogue(vip);
  MakeItems("after", 1, 2);
  AddItemsCatalogue("after");
  appVar.UploadPageSize.v(1);

  RunCycle();
  EXPECT_EQ(logView->Count("[vipintegral][1/3]生成数据集JSON失败：会员数据集转换JSON组出错,"), 1u);
  EXPECT_EQ(logView->Count("[vipintegral][3/3]生成数据集JSON失败：会员数据集转换JSON组出错,"), 1u);
  EXPECT_EQ(Checkpoint("BI", "vip_bad"), std::nullopt);
  EXPECT_EQ(PostedRows("vipintegral").size(), 0u);
  // The cycle goes on with the next table.
  EXPECT_EQ(Checkpoint("BI", "after"), 2);
}

// A points page changes the member-points cache only once the platform has accepted it, so a
// refused page is sent again in the next cycle; accepted members are not sent again.
TEST_F(UploadWorkerTest, RefusedPointsPageIsSentAgain) {
  std::string error;
  ASSERT_TRUE(db.Exec("create table vip_src(vip_no varchar(20), vip_integral numeric(16,4))", &error)) << error;
  ASSERT_TRUE(db.Exec("insert into vip_src values('V1',1.5),('V2',2),('V3',3)", &error)) << error;
  CatalogueRow vip;
  vip.transTable = "vipintegral";
  vip.tableName = "vip_src";
  vip.updateSql = "select :softid as softid, vip_no, vip_integral from vip_src order by vip_no";
  AddCatalogue(vip);
  appVar.UploadPageSize.v(2);
  appVar.VipIntegralList.Add("V2", "2.00");  // already sent with these points
  server.Enqueue(kUploadPath, Refused());
  server.Enqueue(kUploadPath, Refused());
  server.Enqueue(kUploadPath, Refused());

  RunCycle();
  // Page 1 (V1) refused three times, then the table ends.
  ASSERT_EQ(PostedPages().size(), 3u);
  EXPECT_EQ(PostedPages()[0], "{\"vipintegral\":[{\"softid\":5,\"vip_no\":\"V1\",\"vip_integral\":1.50}]}");
  EXPECT_EQ(appVar.VipIntegralList.GetId("V1"), -1);

  RunCycle();
  ASSERT_EQ(PostedPages().size(), 5u);
  EXPECT_EQ(PostedPages()[3], PostedPages()[0]);
  EXPECT_EQ(PostedPages()[4], "{\"vipintegral\":[{\"softid\":5,\"vip_no\":\"V3\",\"vip_integral\":3.00}]}");
  EXPECT_EQ(appVar.VipIntegralList.GetValue("V1"), "1.50");
  EXPECT_EQ(appVar.VipIntegralList.GetValue("V3"), "3.00");

  // Changed points go out again; unchanged ones never.
  ASSERT_TRUE(db.Exec("update vip_src set vip_integral=1.504 where vip_no='V1'", &error)) << error;
  ASSERT_TRUE(db.Exec("update vip_src set vip_integral=2.006 where vip_no='V2'", &error)) << error;
  RunCycle();
  ASSERT_EQ(PostedPages().size(), 6u);
  EXPECT_EQ(PostedPages()[5], "{\"vipintegral\":[{\"softid\":5,\"vip_no\":\"V2\",\"vip_integral\":2.01}]}");
  EXPECT_EQ(logView->Count("[vipintegral][2/2]生成数据集JSON失败：无积分变动"), 1u);
}

// Accepted points pages are saved to the cache file at once (a refused one is not), so a restart
// remembers what was sent: a member whose points went up and back to the older saved value is
// sent again, not skipped as unchanged.
TEST_F(UploadWorkerTest, AcceptedPointsPagesAreSavedAtOnce) {
  std::string error;
  ASSERT_TRUE(db.Exec("create table vip_src(vip_no varchar(20), vip_integral numeric(16,4))", &error)) << error;
  ASSERT_TRUE(db.Exec("insert into vip_src values('V1',1),('V2',2)", &error)) << error;
  CatalogueRow vip;
  vip.transTable = "vipintegral";
  vip.tableName = "vip_src";
  vip.updateSql = "select :softid as softid, vip_no, vip_integral from vip_src order by vip_no";
  AddCatalogue(vip);
  appVar.UploadPageSize.v(1);
  const std::string file = TSPfApp::VipIntegralFile(appVar.SoftId.v());
  vqtest::WriteFileBytes(file, "V1=1.00\r\n");
  appVar.VipIntegralList.Load(file);
  ASSERT_TRUE(db.Exec("update vip_src set vip_integral=7 where vip_no='V1'", &error)) << error;
  server.Enqueue(kUploadPath, Accepted());
  for (int i = 0; i < 3; ++i) server.Enqueue(kUploadPath, Refused());

  RunCycle();
  ASSERT_EQ(PostedPages().size(), 4u);
  EXPECT_EQ(vqtest::ReadFileBytes(file), "V1=7.00\r\n");

  // A restart: the cache comes from the file; V1 is back at 1 and must go out.
  appVar.VipIntegralList.Clear();
  appVar.VipIntegralList.Load(file);
  ASSERT_TRUE(db.Exec("update vip_src set vip_integral=1 where vip_no='V1'", &error)) << error;
  RunCycle();
  ASSERT_EQ(PostedPages().size(), 6u);
  EXPECT_EQ(PostedPages()[4], "{\"vipintegral\":[{\"softid\":5,\"vip_no\":\"V1\",\"vip_integral\":1.00}]}");
  EXPECT_EQ(vqtest::ReadFileBytes(file), "V1=1.00\r\nV2=2.00\r\n");
}

// A table whose delete pass did not finish (refused page, failed query, unreadable delete
// checkpoint) sends no updates in that cycle, so a row deleted and inserted again never reaches
// the platform before its older delete; the next cycle sends the deletes, then the updates.
TEST_F(UploadWorkerTest, UnfinishedDeletePassHoldsBackTheUpdatePass) {
  enum class Fault { Refused, QueryFails, CheckpointUnreadable };
  const std::pair<Fault, const char*> cases[] = {
      {Fault::Refused, "[bi_t_item][1/1]上传失败1："},
      {Fault::QueryFails, "[bi_t_item]查询删除数据失败："},
      {Fault::CheckpointUnreadable, "[bi_t_item]读取传输标记[D-BI]失败："},
  };
  int round = 0;
  for (const auto& [fault, line] : cases) {
    SCOPED_TRACE(line);
    logView->Clear();
    db.ClearFailures();
    const std::string items = "items" + std::to_string(++round);
    const std::string gone = "gone" + std::to_string(round);
    std::string error;
    ASSERT_TRUE(db.Exec("delete from spf_t_trans_table", &error)) << error;
    MakeItems(items, 1, 3);
    ASSERT_TRUE(db.Exec("create table " + gone + "(item_no varchar(20), local_change int)", &error)) << error;
    ASSERT_TRUE(db.Exec("insert into " + gone + " values('1',1)", &error)) << error;
    AddDeleteChange(gone, 1);
    CatalogueRow row;
    row.transTable = "bi_t_item";
    row.tableName = items;
    row.table2Name = gone;
    row.deleteSql = "select item_no from " + gone + " where local_change > :last_change";
    row.updateSql = "select item_no, item_name, trans_last_change from " + items +
                    " where trans_last_change > :last_change order by trans_last_change";
    AddCatalogue(row);
    switch (fault) {
      case Fault::Refused:
        for (int i = 0; i < 3; ++i) server.Enqueue(kUploadPath, Refused());
        break;
      case Fault::QueryFails:
        db.FailStatements("select item_no from " + gone + "%", "deadlock victim");
        break;
      case Fault::CheckpointUnreadable:
        db.FailStatements("select last_change from spf_t_trans_record where % and trans_type='D-BI'%", "deadlock victim");
        break;
    }
    const std::size_t rowsBefore = PostedRows("bi_t_item").size();
    RunCycle();
    EXPECT_GE(logView->Count(line), 1u);
    EXPECT_EQ(logView->Count("[bi_t_item]删除数据未上传完成，本轮不上传更新数据"), 1u);
    EXPECT_EQ(PostedRows("bi_t_item").size(), rowsBefore);
    EXPECT_EQ(Checkpoint("BI", items), std::nullopt);

    db.ClearFailures();
    const std::size_t deletesBefore = PostedRows("sys_delete").size();
    const std::size_t pagesBefore = PostedPages().size();
    RunCycle();
    const auto pages = PostedPages();
    ASSERT_EQ(pages.size(), pagesBefore + 2);
    EXPECT_EQ(pages[pagesBefore].rfind("{\"sys_delete\":", 0), 0u) << pages[pagesBefore];
    EXPECT_EQ(PostedRows("sys_delete").size(), deletesBefore + 1);
    EXPECT_EQ(PostedRows("bi_t_item").size(), rowsBefore + 3);
    EXPECT_EQ(Checkpoint("BI", items), 3);
  }
}

// A checkpoint that cannot be read skips the table for the cycle instead of sending it from the
// start; the cycle after that resumes from the stored checkpoint.
TEST_F(UploadWorkerTest, UnreadableCheckpointSkipsTheTable) {
  MakeItems("bi_t_item", 1, 30);
  AddItemsCatalogue("bi_t_item");
  MakeItems("other", 1, 2);
  AddItemsCatalogue("other");
  SetCheckpoint("BI", "bi_t_item", 25);
  db.FailStatements("select last_change from spf_t_trans_record where % and table_name='bi_t_item'", "deadlock victim");

  RunCycle();
  EXPECT_EQ(PostedRows("bi_t_item").size(), 0u);
  EXPECT_EQ(logView->Count("[bi_t_item]读取传输标记[BI]失败："), 1u);
  EXPECT_EQ(Checkpoint("BI", "bi_t_item"), 25);
  EXPECT_EQ(PostedRows("other").size(), 2u);

  db.ClearFailures();
  RunCycle();
  EXPECT_EQ(PostedChanges("bi_t_item"), Range(26, 30));
  EXPECT_EQ(Checkpoint("BI", "bi_t_item"), 30);
}

// Many cycles with faults on random attempts, stops during random pages and rows added between
// cycles: no checkpoint ever lies past a row the platform has not accepted, and in the end
// every row has been accepted.
TEST_F(UploadWorkerTest, SeededFaultsAndStopsLoseNoRow) {
  std::mt19937 random(20240517);
  appVar.UploadPageSize.v(3);
  int maxRow = 20;
  MakeItems("bi_t_item", 1, maxRow);
  AddItemsCatalogue("bi_t_item");

  enum class Kind { Accept, Fail, Held };
  std::deque<Kind> queued;  // mirrors the server's queue: requests take replies in order
  std::size_t seen = 0;     // requests already matched with their reply
  std::set<int> accepted;
  const auto account = [&] {
    const auto requests = server.RequestsTo(kUploadPath);
    for (; seen < requests.size(); ++seen) {
      Kind kind = Kind::Accept;
      if (!queued.empty()) {
        kind = queued.front();
        queued.pop_front();
      }
      if (kind == Kind::Fail) continue;
      const auto json = nlohmann::ordered_json::parse(requests[seen].field("json"));
      for (const auto& row : json["bi_t_item"]) accepted.insert(row["trans_last_change"].get<int>());
    }
  };
  const auto checkInvariant = [&] {
    account();
    const auto mark = Checkpoint("BI", "bi_t_item");
    for (int n = 1; mark && n <= *mark; ++n)
      ASSERT_TRUE(accepted.count(n)) << "checkpoint " << *mark << " passes " << n;
  };

  AddWorker(false);
  for (int cycle = 0; cycle < 120; ++cycle) {
    SCOPED_TRACE(cycle);
    const std::string gate = "g" + std::to_string(cycle);
    const int replies = static_cast<int>(random() % 8);
    const int held = random() % 3 == 0 ? static_cast<int>(random() % 4) : -1;
    for (int k = 0; k < replies || k <= held; ++k) {
      if (k == held) {
        server.Enqueue(kUploadPath, FakeReply::Held(gate, Accepted()));
        queued.push_back(Kind::Held);
        continue;
      }
      switch (random() % 7) {
        case 0:
          server.Enqueue(kUploadPath, FakeReply::Status(500));
          queued.push_back(Kind::Fail);
          break;
        case 1:
          server.Enqueue(kUploadPath, Refused());
          queued.push_back(Kind::Fail);
          break;
        case 2:
          server.Enqueue(kUploadPath, FakeReply::CloseWithoutAnswer());
          queued.push_back(Kind::Fail);
          break;
        case 3:
          server.Enqueue(kUploadPath, FakeReply::NonJson());
          queued.push_back(Kind::Fail);
          break;
        case 4:
          server.Enqueue(kUploadPath, FakeReply::Reset());
          queued.push_back(Kind::Fail);
          break;
        default:
          server.Enqueue(kUploadPath, Accepted());
          queued.push_back(Kind::Accept);
          break;
      }
    }
    const std::size_t ends = CycleEnds();
    const std::size_t stops = logView->Count("检测到服务停止/退出，中断传输任务");
    const std::size_t requestsBefore = server.RequestsTo(kUploadPath).size();
    appVar.UploadState.v(TUploadState::StartRequested);
    if (held >= 0) {
      // Stop while the held page is on its way, if the cycle gets that far.
      ASSERT_TRUE(WaitUntil(
          [&] { return CycleEnds() > ends || server.RequestsTo(kUploadPath).size() > requestsBefore + held; }));
      appVar.UploadState.v(TUploadState::StopRequested);
      server.Release(gate);
    } else {
      ASSERT_TRUE(WaitUntil([&] { return CycleEnds() > ends; }));
      appVar.UploadState.v(TUploadState::StopRequested);
    }
    ASSERT_TRUE(WaitState(TUploadState::StoppedAfterStop));
    if (logView->Count("检测到服务停止/退出，中断传输任务") > stops) {
      EXPECT_EQ(CycleEnds(), ends);
    }
    checkInvariant();
    if (random() % 2 == 0) {
      const int added = 1 + static_cast<int>(random() % 5);
      MakeItems("bi_t_item", maxRow + 1, maxRow + added);
      maxRow += added;
    }
  }
  // Faults over: the remaining rows go through.
  server.Release("all");
  for (int cycle = 0; cycle < 10 && Checkpoint("BI", "bi_t_item") != maxRow; ++cycle) RunCycle();
  checkInvariant();
  EXPECT_EQ(Checkpoint("BI", "bi_t_item"), maxRow);
  for (int n = 1; n <= maxRow; ++n) EXPECT_TRUE(accepted.count(n)) << n;
  // The seed did exercise stops in a page, retries and whole failed pages.
  EXPECT_GT(logView->Count("检测到服务停止/退出，中断传输任务"), 0u);
  EXPECT_GT(logView->Count("传输失败，重试第一次..."), 0u);
  EXPECT_GT(logView->Count("传输失败，重试第二次..."), 0u);
}

}  // namespace
}  // namespace tessaly
