// The mini-program order pull, end to end: fake platform, puller thread, test database.
#include <string>
#include <vector>

#include "engine/PullsFixture.h"
#include "foundation/DateTime.h"

namespace vqtest {
namespace {

constexpr const char* kPosProc = "pr_spf_soft_pos_data";

class PullsAppletTest : public PullsFixture {
 protected:
  void SetUp() override {
    PullsFixture::SetUp();
    appVar.PullWXApplet.v(true);
  }
  [[nodiscard]] std::optional<std::string> AppletDate() { return CheckpointDate("POS", "wxp_pos_data"); }
};

// The pos_wxapp_* members read like a self-service order: stored with source "1", handed over,
// one tip each; the checkpoint takes update_time with change number 0 and the next request
// begins there.
TEST_F(PullsAppletTest, RenamedOrdersAreStoredAndHandedOver) {
  server.Enqueue(kWxPath, FakeReply::Json(AppletReply("2020-07-16 10:20:30", {Order("W001").Lines(2), Order("W002")})));
  RunPuller(kWxPath, 1);

  EXPECT_EQ(Rows("spf_t_pos_master", "sheet_source='1'"), 2);
  EXPECT_EQ(Rows("spf_t_pos_detail", "sheet_no='W001'"), 2);
  EXPECT_EQ(Rows("spf_t_pos_pay", "sheet_no='W002'"), 1);
  EXPECT_EQ(Calls(kPosProc), (std::vector<std::string>{"5, 'W001'", "5, 'W002'"}));
  const std::vector<std::pair<int, std::string>> tips = {{1, "有新的微信小程序订单：\r\nW001"},
                                                         {1, "有新的微信小程序订单：\r\nW002"}};
  EXPECT_EQ(Tips(), tips);
  EXPECT_EQ(Checkpoint("POS", "wxp_pos_data"), 0);
  EXPECT_EQ(AppletDate(), "2020-07-16 10:20:30.000");
  EXPECT_EQ(logView->Count("[工作线程] [拉取2][1899-12-30 00:00:00][2/1]同步订单成功：W001"), 1U);
  EXPECT_EQ(logView->Count("[拉取2][1899-12-30 00:00:00]拉取到订单[拉取时间：1899-12-30 00:00:00，服务器最大时间："
                           "2020-07-16 10:20:30]，共：2条"),
            1U);

  const auto first = RequestJson(kWxPath, 0);
  EXPECT_EQ(first["BeginDate"], "1899-12-30 00:00:00");
  EXPECT_EQ(first["PageSize"], 10);
  EXPECT_EQ(server.RequestsTo(kWxPath)[0].fields.at(0), (std::pair<std::string, std::string>{"action", "pos"}));
  EXPECT_EQ(RequestJson(kWxPath, 1)["BeginDate"], "2020-07-16 10:20:30");
}

// Only member names are renamed: values that spell a pos_wxapp_* name are stored as sent.
TEST_F(PullsAppletTest, ValuesSpellingMemberNamesStayAsSent) {
  auto reply = nlohmann::ordered_json::parse(AppletReply("2020-07-16 10:20:30", {Order("W001").Memo("pos_wxapp_master")}));
  reply["oResult"]["wxposResult"][0]["pos_wxapp_master"]["oper_txt"] = "pos_wxapp_pay";
  server.Enqueue(kWxPath, FakeReply::Json(reply.dump()));
  RunPuller(kWxPath, 1);
  EXPECT_EQ(db.Value("select pos_memo from spf_t_pos_master where sheet_no='W001'"), "pos_wxapp_master");
  EXPECT_EQ(db.Value("select oper_txt from spf_t_pos_master where sheet_no='W001'"), "pos_wxapp_pay");
  EXPECT_EQ(Rows("spf_t_pos_pay", "sheet_no='W001'"), 1);
}

// A null in the order array is a missing order: logged, the date checkpoint stays, and the
// other orders are stored (with the renamed members) and handed over.
TEST_F(PullsAppletTest, NullOrderInArrayIsAMissingOrder) {
  SetCheckpoint("POS", "wxp_pos_data", 0, "2020-07-01 08:00:00.000");
  auto reply = nlohmann::json::parse(AppletReply("2020-07-16 10:20:30", {Order("W1"), Order("W2")}));
  reply["oResult"]["wxposResult"].push_back(nullptr);
  server.Enqueue(kWxPath, FakeReply::Json(reply.dump()));
  RunPuller(kWxPath, 1);
  EXPECT_EQ(Rows("spf_t_pos_master", "sheet_source='1'"), 2);
  EXPECT_EQ(Rows("spf_t_pos_pay", "sheet_no='W2'"), 1);
  EXPECT_EQ(Calls(kPosProc), (std::vector<std::string>{"5, 'W1'", "5, 'W2'"}));
  EXPECT_EQ(logView->Count("[工作线程] [拉取2][2020-07-01 08:00:00][3/3]销售数据解析有误"), 1U);
  EXPECT_EQ(AppletDate(), "2020-07-01 08:00:00.000");
}

// The branch number goes only with the distributed family.
TEST_F(PullsAppletTest, BranchNumberOnlyForDistributedFamily) {
  for (const int softModel : {1, 2}) {
    appVar.SoftModel = softModel;
    appVar.BranchNo.v("0031");
    RunPuller(kWxPath, 0);
    EXPECT_EQ(RequestJson(kWxPath, -1)["branch_no"], softModel == 1 ? "0031" : "") << softModel;
  }
}

// An update_time that is no date-time keeps the old date, which a complete page writes again.
TEST_F(PullsAppletTest, UnreadableUpdateTimeKeepsOldDate) {
  SetCheckpoint("POS", "wxp_pos_data", 99, "2020-07-01 08:00:00.000");
  server.Enqueue(kWxPath, FakeReply::Json(AppletReply("yesterday", {Order("W001")})));
  RunPuller(kWxPath, 1);
  EXPECT_EQ(Checkpoint("POS", "wxp_pos_data"), 0);  // written again
  EXPECT_EQ(AppletDate(), "2020-07-01 08:00:00.000");
  EXPECT_EQ(RequestJson(kWxPath, -1)["BeginDate"], "2020-07-01 08:00:00");
}

// The start-date filter names the skipped order a mini-program order.
TEST_F(PullsAppletTest, StartDateFilterSkipsEarlyOrders) {
  appVar.PullStartDate.v(tessaly::EncodeDate(2020, 5, 10));
  server.Enqueue(kWxPath, FakeReply::Json(AppletReply("2020-07-16 10:20:30", {Order("W1").Date("2020-05-09 23:59:59"),
                                                                              Order("W2").Date("2020-05-10 08:00:00")})));
  RunPuller(kWxPath, 1);
  EXPECT_EQ(Calls(kPosProc), (std::vector<std::string>{"5, 'W2'"}));
  EXPECT_EQ(logView->Count("[拉取2][1899-12-30 00:00:00][2/1]*已设置【订单开始拉取时间：2020-05-10】，微信订单[W1]["
                           "2020-05-09 23:59:59]不同步！！"),
            1U);
  EXPECT_EQ(AppletDate(), "2020-07-16 10:20:30.000");
}

// A checkpoint date that cannot be read skips the run instead of pulling from the zero date.
TEST_F(PullsAppletTest, UnreadableCheckpointSkipsRun) {
  SetCheckpoint("POS", "wxp_pos_data", 0, "2020-07-01 08:00:00.000");
  db.FailStatements("select last_date from spf_t_trans_record%", "deadlock victim");
  AddWorker(true);
  appVar.UploadState.v(tessaly::TUploadState::StartRequested);
  ASSERT_TRUE(WaitLog("[拉取2]读取传输时间失败：", 2));
  workers.clear();
  EXPECT_TRUE(server.RequestsTo(kWxPath).empty());
}

// Faults of the request, the reply, the store and the hand-over: only a failed hand-over (the
// order is stored) lets the checkpoint move.
class PullsAppletFaultTest : public PullsAppletTest, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(PullsAppletFaultTest, CheckpointUnderFault) {
  SetCheckpoint("POS", "wxp_pos_data", 0, "2020-07-01 08:00:00.000");
  const std::size_t requests = Arrange(GetParam().fault, kWxPath, AppletReply("2020-07-16 10:20:30", {Order("W1")}),
                                       "%insert into spf_t_pos_master%", kPosProc);
  RunPuller(kWxPath, requests);
  const std::string moved = GetParam().checkpointMoves ? "2020-07-16 10:20:30" : "2020-07-01 08:00:00";
  EXPECT_EQ(AppletDate(), moved + ".000");
  EXPECT_EQ(RequestJson(kWxPath, -1)["BeginDate"], moved);
  EXPECT_GE(logView->Count(GetParam().logPart), 1U) << GetParam().logPart;
}

INSTANTIATE_TEST_SUITE_P(
    Faults, PullsAppletFaultTest,
    ::testing::Values(FaultCase{Fault::Status500, false, "[拉取2][2020-07-01 08:00:00]失败3："},
                      FaultCase{Fault::Close, false, "[拉取2][2020-07-01 08:00:00]失败3："},
                      FaultCase{Fault::NonJson, false, "[拉取2][2020-07-01 08:00:00]解析数据出错："},
                      FaultCase{Fault::DeepNesting, false, "[拉取2][2020-07-01 08:00:00]解析数据出错：JSON nested deeper than 512 levels"},
                      FaultCase{Fault::Refused, false, "[拉取2][2020-07-01 08:00:00]服务器返回：账号已停用"},
                      FaultCase{Fault::RefusedEmpty, false, "[拉取2][2020-07-01 08:00:00]服务器返回：请求服务器失败"},
                      FaultCase{Fault::StoreFails, false, "[拉取2][2020-07-01 08:00:00][1/1]保存订单失败[W1]："},
                      FaultCase{Fault::ProcedureFails, true, "[拉取2][2020-07-01 08:00:00][1/1]同步订单失败：库存不足"},
                      FaultCase{Fault::RetryRecovers, true, "[拉取2][2020-07-01 08:00:00][1/1]同步订单成功：W1"}),
    FaultName);

}  // namespace
}  // namespace vqtest
