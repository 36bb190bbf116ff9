// The self-service order pull, end to end: fake platform, puller thread, test database.
#include <string>
#include <vector>

#include "engine/PullsFixture.h"
#include "foundation/DateTime.h"

namespace vqtest {
namespace {

constexpr const char* kPosProc = "pr_spf_soft_pos_data";

class PullsPosTest : public PullsFixture {
 protected:
  void SetUp() override {
    PullsFixture::SetUp();
    appVar.PullSelfCollect.v(true);
  }
  [[nodiscard]] std::optional<int> PosCheckpoint() { return Checkpoint("POS", "spf_pos_data"); }
};

// A page is stored whole (header, lines, payments, source "0"), each order is handed over once,
// the checkpoint takes last_change, and the next request continues from it.
TEST_F(PullsPosTest, StoresHandsOverAndMovesCheckpoint) {
  server.Enqueue(kPosPath, FakeReply::Json(PosReply(12, {Order("S001").Lines(2), Order("S002")})));
  RunPuller(kPosPath, 1);

  EXPECT_EQ(Rows("spf_t_pos_master"), 2);
  EXPECT_EQ(Rows("spf_t_pos_master", "sheet_source='0'"), 2);
  EXPECT_EQ(Rows("spf_t_pos_detail", "sheet_no='S001'"), 2);
  EXPECT_EQ(Rows("spf_t_pos_pay", "sheet_no='S002'"), 1);
  EXPECT_EQ(Calls(kPosProc), (std::vector<std::string>{"5, 'S001'", "5, 'S002'"}));
  EXPECT_EQ(PosCheckpoint(), 12);
  EXPECT_EQ(logView->Count("[工作线程] [拉取1][0][2/1]销售订单已同步到收银软件：S001"), 1U);
  EXPECT_EQ(logView->Count("[工作线程] [拉取1][0][2/2]销售订单已同步到收银软件：S002"), 1U);
  EXPECT_EQ(logView->Count("[拉取1][0]拉取到订单[当前页：12，服务器：100]，共：2条"), 1U);

  const auto first = RequestJson(kPosPath, 0);
  EXPECT_EQ(first["softid"], 5);
  EXPECT_EQ(first["PageSize"], 10);
  EXPECT_EQ(first["PageLastChange"], 0);  // no checkpoint yet
  EXPECT_EQ(RequestJson(kPosPath, 1)["PageLastChange"], 12);
}

// An order that comes again in a later page stays one row, and only a new order raises a tip:
// one tip per new order of this enterprise, none for another enterprise's or a stored one.
TEST_F(PullsPosTest, OneTipPerNewOrderOfThisEnterprise) {
  ASSERT_TRUE(db.Exec("insert into spf_t_pos_master(softid,sheet_no) values(5,'OLD')"));
  server.Enqueue(kPosPath, FakeReply::Json(PosReply(3, {Order("S001"), Order("X9").Soft(9)})));
  RunPuller(kPosPath, 1);
  server.Enqueue(kPosPath, FakeReply::Json(PosReply(5, {Order("S001").Lines(2), Order("OLD"),
                                                        Order("S002")})));
  RunPuller(kPosPath, 1);

  const std::vector<std::pair<int, std::string>> expected = {{1, "有新的自助收银订单：\r\nS001"},
                                                             {1, "有新的自助收银订单：\r\nS002"}};
  EXPECT_EQ(Tips(), expected);
  EXPECT_EQ(Rows("spf_t_pos_master", "sheet_no='S001'"), 1);
  EXPECT_EQ(Rows("spf_t_pos_detail", "sheet_no='S001'"), 2);
  EXPECT_EQ(Calls(kPosProc), (std::vector<std::string>{"5, 'S001'", "9, 'X9'", "5, 'S001'", "5, 'OLD'",
                                                       "5, 'S002'"}));
  EXPECT_EQ(PosCheckpoint(), 5);
}

// The tip switch off: orders are stored and handed over without a tip.
TEST_F(PullsPosTest, NoTipWhenSwitchedOff) {
  appVar.IsNewOrderTips.v(0);
  server.Enqueue(kPosPath, FakeReply::Json(PosReply(3, {Order("S001")})));
  RunPuller(kPosPath, 1);
  EXPECT_TRUE(Tips().empty());
  EXPECT_EQ(Calls(kPosProc).size(), 1U);
}

// The branch number goes only with the distributed family; the page size is PullPageSize.
TEST_F(PullsPosTest, BranchNumberOnlyForDistributedFamily) {
  struct Case {
    int softModel;
    std::string branchNo;
    std::string sent;
  };
  const std::vector<Case> cases = {{1, "0012", "0012"}, {2, "0012", ""}, {0, "0012", ""}};
  for (const auto& c : cases) {
    appVar.SoftModel = c.softModel;
    appVar.BranchNo.v(c.branchNo);
    appVar.PullPageSize.v(7);
    RunPuller(kPosPath, 0);
    const auto json = RequestJson(kPosPath, -1);
    EXPECT_EQ(json["branch_no"], c.sent) << "SoftModel " << c.softModel;
    EXPECT_EQ(json["PageSize"], 7);
  }
}

// The start-date filter skips orders dated up to the start of that day, logs only the first,
// takes undated ones, and still moves the checkpoint after the page.
TEST_F(PullsPosTest, StartDateFilterSkipsEarlyOrders) {
  appVar.PullStartDate.v(tessaly::EncodeDate(2020, 5, 10) + tessaly::EncodeTime(14, 30, 0, 0));
  server.Enqueue(kPosPath, FakeReply::Json(PosReply(
                               20, {Order("A").Date("2020-05-10 00:00:00"),
                                    Order("B").Date("2020-05-10 00:00:01"),
                                    Order("C").Date(""),
                                    Order("D").Date("not a date"),
                                    Order("E").Date(" 2020-05-11 09:00:00 ")})));
  RunPuller(kPosPath, 1);

  EXPECT_EQ(Calls(kPosProc), (std::vector<std::string>{"5, 'B'", "5, 'C'", "5, 'E'"}));
  EXPECT_EQ(Rows("spf_t_pos_master"), 3);
  const auto skipped = logView->With("不同步！！");
  ASSERT_EQ(skipped.size(), 1U);
  EXPECT_EQ(skipped[0], "[工作线程] [拉取1][0][5/1]*已设置【订单开始拉取时间：2020-05-10】，订单[A][2020-05-10 00:00:00]不同步！！");
  EXPECT_EQ(PosCheckpoint(), 20);
}

// A start date up to 2015-01-01 00:00:00 switches the filter off.
TEST_F(PullsPosTest, StartDateFilterOffUpTo2015) {
  for (const double start : {0.0, tessaly::EncodeDate(2015, 1, 1)}) {
    appVar.PullStartDate.v(start);
    server.Enqueue(kPosPath, FakeReply::Json(PosReply(2, {Order("OLD" + std::to_string(static_cast<int>(start))).Date("2001-01-01 00:00:00")})));
    RunPuller(kPosPath, 1);
  }
  EXPECT_EQ(Calls(kPosProc).size(), 2U);
  EXPECT_EQ(logView->Count("不同步！！"), 0U);
}

// A page whose second order cannot be stored keeps the checkpoint; the next run stores and
// hands over all three again. The unstored order is announced once, when it is finally stored.
TEST_F(PullsPosTest, UnstoredOrderKeepsCheckpointAndPageRepeats) {
  SetCheckpoint("POS", "spf_pos_data", 7);
  const std::string page = PosReply(10, {Order("S1"), Order("S2"), Order("S3")});
  db.FailStatements("%insert into spf_t_pos_master%'S2'%", "disk full");
  server.Enqueue(kPosPath, FakeReply::Json(page));
  RunPuller(kPosPath, 1);
  EXPECT_EQ(Calls(kPosProc), (std::vector<std::string>{"5, 'S1'", "5, 'S3'"}));
  EXPECT_EQ(PosCheckpoint(), 7);
  EXPECT_EQ(logView->Count("[拉取1][7][3/2]保存销售订单失败[S2]：保存销售订单失败："), 1U);
  EXPECT_EQ(RequestJson(kPosPath, -1)["PageLastChange"], 7);

  db.ClearFailures();
  server.Enqueue(kPosPath, FakeReply::Json(page));
  RunPuller(kPosPath, 1);
  EXPECT_EQ(Calls(kPosProc).size(), 5U);
  EXPECT_EQ(Rows("spf_t_pos_master"), 3);
  EXPECT_EQ(PosCheckpoint(), 10);
  const std::vector<std::pair<int, std::string>> tips = {
      {1, "有新的自助收银订单：\r\nS1"}, {1, "有新的自助收银订单：\r\nS3"}, {1, "有新的自助收银订单：\r\nS2"}};
  EXPECT_EQ(Tips(), tips);
}

// An order the database refuses for its own values (a memo longer than its column) would fail on
// every run: it is logged as skipped and the checkpoint moves on. A failure of another kind
// in the same page still holds the checkpoint.
TEST_F(PullsPosTest, OrderThatCannotFitIsSkippedAndCheckpointMoves) {
  SetCheckpoint("POS", "spf_pos_data", 7);
  server.Enqueue(kPosPath, FakeReply::Json(PosReply(10, {Order("S1"), Order("S2").Memo(std::string(255, 'm')),
                                                         Order("S3")})));
  RunPuller(kPosPath, 1);
  EXPECT_EQ(Calls(kPosProc), (std::vector<std::string>{"5, 'S1'", "5, 'S3'"}));
  EXPECT_EQ(Rows("spf_t_pos_master"), 2);
  EXPECT_EQ(Rows("spf_t_pos_detail", "sheet_no='S2'"), 0);
  EXPECT_EQ(logView->Count("[拉取1][7][3/2]保存销售订单失败[S2]："), 1U);
  EXPECT_EQ(logView->Count("[拉取1][7][3/2]记录[S2]的数据不符合数据库字段，已跳过"), 1U);
  EXPECT_EQ(PosCheckpoint(), 10);

  db.FailStatements("%insert into spf_t_pos_master%'S5'%", "disk full");
  server.Enqueue(kPosPath, FakeReply::Json(PosReply(12, {Order("S4").Memo(std::string(300, 'm')), Order("S5")})));
  RunPuller(kPosPath, 1);
  EXPECT_EQ(PosCheckpoint(), 10);
}

// An order without its header is refused by the store, logged, and keeps the checkpoint; the
// other orders of the page are stored.
TEST_F(PullsPosTest, OrderWithoutHeaderKeepsCheckpoint) {
  SetCheckpoint("POS", "spf_pos_data", 7);
  server.Enqueue(kPosPath, FakeReply::Json(PosReply(9, {Order("S1"), Order("S2").NoHeader(),
                                                        Order("S3")})));
  RunPuller(kPosPath, 1);
  EXPECT_EQ(Calls(kPosProc), (std::vector<std::string>{"5, 'S1'", "5, 'S3'"}));
  EXPECT_EQ(Rows("spf_t_pos_detail", "sheet_no='S2'"), 0);
  EXPECT_EQ(logView->Count("[拉取1][7][3/2]保存销售订单失败[]：销售主表有误"), 1U);
  EXPECT_EQ(PosCheckpoint(), 7);
}

// Only the store's own failure decides whether an order is skipped: a data error of the order
// before it (here its hand-over) does not let an order without header pass as unstorable.
TEST_F(PullsPosTest, EarlierDataErrorDoesNotSkipAnOrderWithoutHeader) {
  SetCheckpoint("POS", "spf_pos_data", 7);
  db.FailStatements("exec pr_spf_soft_pos_data%'S1'%", "Arithmetic overflow error converting numeric to data type int.",
                    "22003");
  server.Enqueue(kPosPath, FakeReply::Json(PosReply(9, {Order("S1"), Order("S2").NoHeader()})));
  RunPuller(kPosPath, 1);
  EXPECT_EQ(logView->Count("[拉取1][7][2/1]销售订单同步到收银软件失败："), 1U);
  EXPECT_EQ(logView->Count("[拉取1][7][2/2]保存销售订单失败[]：销售主表有误"), 1U);
  EXPECT_EQ(logView->Count("已跳过"), 0U);
  EXPECT_EQ(PosCheckpoint(), 7);
}

// A null in the order array is a missing order: it is logged and keeps the checkpoint, and the
// other orders of the page are stored and handed over; nothing is stored for the null.
TEST_F(PullsPosTest, NullOrderInArrayIsAMissingOrder) {
  SetCheckpoint("POS", "spf_pos_data", 7);
  auto reply = nlohmann::json::parse(PosReply(9, {Order("S1"), Order("S3")}));
  auto& orders = reply["oResult"]["posResult"];
  orders.insert(orders.begin() + 1, nullptr);
  server.Enqueue(kPosPath, FakeReply::Json(reply.dump()));
  RunPuller(kPosPath, 1);
  EXPECT_EQ(Rows("spf_t_pos_master"), 2);
  EXPECT_EQ(Calls(kPosProc), (std::vector<std::string>{"5, 'S1'", "5, 'S3'"}));
  EXPECT_EQ(logView->Count("[工作线程] [拉取1][7][3/2]销售数据解析有误"), 1U);
  EXPECT_EQ(logView->Count("解析返回数据出错："), 0U);
  EXPECT_EQ(PosCheckpoint(), 7);
  EXPECT_EQ(RequestJson(kPosPath, -1)["PageLastChange"], 7);
}

// An element of the order array that is neither an order nor null still makes the reply
// unreadable: nothing is stored, the checkpoint stays.
TEST_F(PullsPosTest, NonOrderElementMakesReplyUnreadable) {
  SetCheckpoint("POS", "spf_pos_data", 7);
  auto reply = nlohmann::json::parse(PosReply(9, {Order("S1")}));
  reply["oResult"]["posResult"].push_back(5);
  server.Enqueue(kPosPath, FakeReply::Json(reply.dump()));
  RunPuller(kPosPath, 1);
  EXPECT_EQ(Rows("spf_t_pos_master"), 0);
  EXPECT_EQ(logView->Count("[拉取1][7]解析返回数据出错："), 1U);
  EXPECT_EQ(PosCheckpoint(), 7);
}

// A checkpoint that cannot be read skips the run instead of pulling everything again from 0.
TEST_F(PullsPosTest, UnreadableCheckpointSkipsRun) {
  SetCheckpoint("POS", "spf_pos_data", 7);
  db.FailStatements("select last_change from spf_t_trans_record%", "deadlock victim");
  AddWorker(true);
  appVar.UploadState.v(tessaly::TUploadState::StartRequested);
  ASSERT_TRUE(WaitLog("[拉取1]读取传输标记失败：", 2));
  workers.clear();
  EXPECT_TRUE(server.RequestsTo(kPosPath).empty());

  db.ClearFailures();
  appVar.UploadState.v(tessaly::TUploadState::Stopped);
  RunPuller(kPosPath, 0);
  EXPECT_EQ(RequestJson(kPosPath, 0)["PageLastChange"], 7);
}

// A checkpoint that cannot be written is logged; the next run asks for the same page.
TEST_F(PullsPosTest, UnwritableCheckpointIsLogged) {
  SetCheckpoint("POS", "spf_pos_data", 7);
  db.FailStatements("%spf_t_trans_record set last_change%", "disk full");
  server.Enqueue(kPosPath, FakeReply::Json(PosReply(12, {Order("S1")})));
  RunPuller(kPosPath, 1);
  EXPECT_EQ(logView->Count("[拉取1][7]更新传输标记[12]失败："), 1U);
  EXPECT_EQ(PosCheckpoint(), 7);
  EXPECT_EQ(RequestJson(kPosPath, -1)["PageLastChange"], 7);
}

// An empty page logs "无数据" and leaves the checkpoint alone.
TEST_F(PullsPosTest, EmptyPageKeepsCheckpoint) {
  SetCheckpoint("POS", "spf_pos_data", 7);
  server.Enqueue(kPosPath, FakeReply::Json(PosReply(50, {})));
  RunPuller(kPosPath, 1);
  EXPECT_GE(logView->Count("[拉取1][7]无数据"), 1U);
  EXPECT_EQ(PosCheckpoint(), 7);
}

// The program's exit during a page stops after the current order and keeps the checkpoint;
// SvrDownloadState is 1 while an order is stored and handed over, and 0 afterwards.
class PullsPosExitTest : public PullsPosTest {
 protected:
  void OnTip(int type, const std::string& text) override {
    downloadStateInTip = dm.SvrDownloadState();
    appVar.IsExitApp.v(1);
    PullsPosTest::OnTip(type, text);
  }
  int downloadStateInTip = -1;
};

TEST_F(PullsPosExitTest, ExitCutsPageShort) {
  SetCheckpoint("POS", "spf_pos_data", 7);
  server.Enqueue(kPosPath, FakeReply::Json(PosReply(12, {Order("S1"), Order("S2")})));
  AddWorker(true, [this](int type, const std::string& text) { OnTip(type, text); });
  appVar.UploadState.v(tessaly::TUploadState::StartRequested);
  ASSERT_TRUE(WaitLog("工作线程已结束."));
  workers.clear();
  EXPECT_EQ(Calls(kPosProc), (std::vector<std::string>{"5, 'S1'"}));
  EXPECT_EQ(logView->Count("[拉取1][7][2/1]还未处理完停止了传输"), 1U);
  EXPECT_EQ(PosCheckpoint(), 7);
  EXPECT_EQ(downloadStateInTip, 1);
  EXPECT_EQ(dm.SvrDownloadState(), 0);
}

// Faults of the request, the reply, the store and the hand-over: only a failed hand-over (the
// order is stored) lets the checkpoint move.
class PullsPosFaultTest : public PullsPosTest, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(PullsPosFaultTest, CheckpointUnderFault) {
  SetCheckpoint("POS", "spf_pos_data", 7);
  const std::size_t requests = Arrange(GetParam().fault, kPosPath, PosReply(12, {Order("S1")}),
                                       "%insert into spf_t_pos_master%", kPosProc);
  RunPuller(kPosPath, requests);
  EXPECT_EQ(PosCheckpoint(), GetParam().checkpointMoves ? 12 : 7);
  EXPECT_EQ(RequestJson(kPosPath, -1)["PageLastChange"], GetParam().checkpointMoves ? 12 : 7);
  EXPECT_GE(logView->Count(GetParam().logPart), 1U) << GetParam().logPart;
}

INSTANTIATE_TEST_SUITE_P(
    Faults, PullsPosFaultTest,
    ::testing::Values(FaultCase{Fault::Status500, false, "[拉取1][7]失败3："},
                      FaultCase{Fault::Close, false, "[拉取1][7]失败3："},
                      FaultCase{Fault::NonJson, false, "[拉取1][7]解析返回数据出错："},
                      FaultCase{Fault::DeepNesting, false, "[拉取1][7]解析返回数据出错：JSON nested deeper than 512 levels"},
                      FaultCase{Fault::Refused, false, "[工作线程] [拉取1][7]账号已停用"},
                      FaultCase{Fault::RefusedEmpty, false, "[工作线程] [拉取1][7]请求服务器失败"},
                      FaultCase{Fault::StoreFails, false, "[拉取1][7][1/1]保存销售订单失败[S1]："},
                      FaultCase{Fault::ProcedureFails, true, "[拉取1][7][1/1]销售订单同步到收银软件失败：库存不足"},
                      FaultCase{Fault::RetryRecovers, true, "[拉取1][7][1/1]销售订单已同步到收银软件：S1"}),
    FaultName);

}  // namespace
}  // namespace vqtest
