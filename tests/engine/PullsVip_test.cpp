// The new-member pull, end to end: fake platform, puller thread, test database.
#include <string>
#include <vector>

#include "engine/PullsFixture.h"

namespace vqtest {
namespace {

constexpr const char* kVipProc = "pr_spf_soft_pos_vip";

class PullsVipTest : public PullsFixture {
 protected:
  void SetUp() override {
    PullsFixture::SetUp();
    appVar.DBDistributed = 1;  // members are pulled by head offices
  }
  [[nodiscard]] std::optional<std::string> VipDate() { return CheckpointDate("VIP", "wxp_vip_new"); }
};

// Each member is stored once with data source "1" and handed over; the checkpoint takes
// update_time and the next request begins there.
TEST_F(PullsVipTest, StoresHandsOverAndMovesCheckpoint) {
  server.Enqueue(kWxPath, FakeReply::Json(VipReply("2020-07-16 11:00:00", {Vip("V001", "张三"), Vip("V002", "李四")})));
  RunPuller(kWxPath, 1);
  server.Enqueue(kWxPath, FakeReply::Json(VipReply("2020-07-16 12:00:00", {Vip("V002", "李四")})));
  RunPuller(kWxPath, 1);

  EXPECT_EQ(Rows("spf_t_pos_vip_info"), 2);
  EXPECT_EQ(Rows("spf_t_pos_vip_info", "data_source='1'"), 2);
  EXPECT_EQ(Calls(kVipProc), (std::vector<std::string>{"5, 'V001'", "5, 'V002'", "5, 'V002'"}));
  EXPECT_EQ(Checkpoint("VIP", "wxp_vip_new"), 0);
  EXPECT_EQ(VipDate(), "2020-07-16 12:00:00.000");
  EXPECT_EQ(logView->Count("[工作线程] [拉取会员][1899-12-30 00:00:00][2/1]同步会员成功：[V001]张三"), 1U);
  EXPECT_EQ(logView->Count("[拉取会员][1899-12-30 00:00:00]拉取到会员[拉取时间：1899-12-30 00:00:00，服务器最大时间："
                           "2020-07-16 11:00:00]，共：2条"),
            1U);

  const auto requests = server.RequestsTo(kWxPath);
  ASSERT_GE(requests.size(), 4U);
  EXPECT_EQ(requests[0].fields.at(0), (std::pair<std::string, std::string>{"action", "vipinfo"}));
  const auto first = RequestJson(kWxPath, 0);
  EXPECT_EQ(first["softid"], 5);
  EXPECT_EQ(first["PageSize"], 10);
  EXPECT_EQ(first["BeginDate"], "1899-12-30 00:00:00");
  EXPECT_FALSE(first.contains("branch_no"));
  EXPECT_EQ(RequestJson(kWxPath, -1)["BeginDate"], "2020-07-16 12:00:00");
}

// A member that cannot be stored keeps the checkpoint; the others of the page are stored.
TEST_F(PullsVipTest, UnstoredMemberKeepsCheckpoint) {
  SetCheckpoint("VIP", "wxp_vip_new", 0, "2020-07-01 08:00:00.000");
  db.FailStatements("%insert into spf_t_pos_vip_info%'V002'%", "disk full");
  server.Enqueue(kWxPath, FakeReply::Json(VipReply("2020-07-16 11:00:00", {Vip("V001", "张三"), Vip("V002", "李四")})));
  RunPuller(kWxPath, 1);
  EXPECT_EQ(Calls(kVipProc), (std::vector<std::string>{"5, 'V001'"}));
  EXPECT_EQ(logView->Count("[拉取会员][2020-07-01 08:00:00][2/2]保存会员失败[V002]：保存会员信息失败："), 1U);
  EXPECT_EQ(VipDate(), "2020-07-01 08:00:00.000");
}

// A member the database refuses for its own values (a name longer than its column in the code
// page) would fail on every run: it is logged as skipped, neither stored nor handed over, and
// the checkpoint moves on.
TEST_F(PullsVipTest, MemberThatCannotFitIsSkippedAndCheckpointMoves) {
  SetCheckpoint("VIP", "wxp_vip_new", 0, "2020-07-01 08:00:00.000");
  std::string longName;
  for (int i = 0; i < 31; ++i) longName += "张";  // 62 bytes in code page 936, 60 fit
  server.Enqueue(kWxPath,
                 FakeReply::Json(VipReply("2020-07-16 11:00:00", {Vip("V001", longName), Vip("V002", "李四")})));
  RunPuller(kWxPath, 1);
  EXPECT_EQ(Rows("spf_t_pos_vip_info"), 1);
  EXPECT_EQ(Calls(kVipProc), (std::vector<std::string>{"5, 'V002'"}));
  EXPECT_EQ(logView->Count("[拉取会员][2020-07-01 08:00:00][2/1]记录[V001]的数据不符合数据库字段，已跳过"), 1U);
  EXPECT_EQ(VipDate(), "2020-07-16 11:00:00.000");
}

// A null in the member array is a missing member: logged, the checkpoint stays, the other
// members are stored and handed over, and no empty member is stored for it.
TEST_F(PullsVipTest, NullMemberInArrayIsAMissingMember) {
  SetCheckpoint("VIP", "wxp_vip_new", 0, "2020-07-01 08:00:00.000");
  auto reply = nlohmann::json::parse(VipReply("2020-07-16 11:00:00", {Vip("V001", "张三"), Vip("V002", "李四")}));
  auto& members = reply["oResult"]["vipinfo"];
  members.insert(members.begin(), nullptr);
  server.Enqueue(kWxPath, FakeReply::Json(reply.dump()));
  RunPuller(kWxPath, 1);
  EXPECT_EQ(Rows("spf_t_pos_vip_info"), 2);
  EXPECT_EQ(Calls(kVipProc), (std::vector<std::string>{"5, 'V001'", "5, 'V002'"}));
  EXPECT_EQ(logView->Count("[工作线程] [拉取会员][2020-07-01 08:00:00][3/1]会员数据解析有误"), 1U);
  EXPECT_EQ(VipDate(), "2020-07-01 08:00:00.000");
  EXPECT_EQ(RequestJson(kWxPath, -1)["BeginDate"], "2020-07-01 08:00:00");
}

// A checkpoint date that cannot be read skips the run instead of pulling from the zero date.
TEST_F(PullsVipTest, UnreadableCheckpointSkipsRun) {
  SetCheckpoint("VIP", "wxp_vip_new", 0, "2020-07-01 08:00:00.000");
  db.FailStatements("select last_date from spf_t_trans_record%", "deadlock victim");
  AddWorker(true);
  appVar.UploadState.v(tessaly::TUploadState::StartRequested);
  ASSERT_TRUE(WaitLog("[拉取会员]读取传输时间失败：", 2));
  workers.clear();
  EXPECT_TRUE(server.RequestsTo(kWxPath).empty());
}

// Faults of the request, the reply, the store and the hand-over: only a failed hand-over (the
// member is stored) lets the checkpoint move.
class PullsVipFaultTest : public PullsVipTest, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(PullsVipFaultTest, CheckpointUnderFault) {
  SetCheckpoint("VIP", "wxp_vip_new", 0, "2020-07-01 08:00:00.000");
  const std::size_t requests = Arrange(GetParam().fault, kWxPath, VipReply("2020-07-16 11:00:00", {Vip("V1", "王五")}),
                                       "%insert into spf_t_pos_vip_info%", kVipProc);
  RunPuller(kWxPath, requests);
  const std::string moved = GetParam().checkpointMoves ? "2020-07-16 11:00:00" : "2020-07-01 08:00:00";
  EXPECT_EQ(VipDate(), moved + ".000");
  EXPECT_EQ(RequestJson(kWxPath, -1)["BeginDate"], moved);
  EXPECT_GE(logView->Count(GetParam().logPart), 1U) << GetParam().logPart;
}

INSTANTIATE_TEST_SUITE_P(
    Faults, PullsVipFaultTest,
    ::testing::Values(FaultCase{Fault::Status500, false, "[拉取会员][2020-07-01 08:00:00]失败3："},
                      FaultCase{Fault::Close, false, "[拉取会员][2020-07-01 08:00:00]失败3："},
                      FaultCase{Fault::NonJson, false, "[拉取会员][2020-07-01 08:00:00]解析数据出错："},
                      FaultCase{Fault::DeepNesting, false, "[拉取会员][2020-07-01 08:00:00]解析数据出错：JSON nested deeper than 512 levels"},
                      FaultCase{Fault::Refused, false, "[拉取会员][2020-07-01 08:00:00]服务器返回：账号已停用"},
                      FaultCase{Fault::RefusedEmpty, false, "[拉取会员][2020-07-01 08:00:00]服务器返回：请求服务器失败"},
                      FaultCase{Fault::StoreFails, false, "[拉取会员][2020-07-01 08:00:00][1/1]保存会员失败[V1]："},
                      FaultCase{Fault::ProcedureFails, true, "[拉取会员][2020-07-01 08:00:00][1/1]同步会员失败：库存不足"},
                      FaultCase{Fault::RetryRecovers, true, "[拉取会员][2020-07-01 08:00:00][1/1]同步会员成功：[V1]王五"}),
    FaultName);

}  // namespace
}  // namespace vqtest
