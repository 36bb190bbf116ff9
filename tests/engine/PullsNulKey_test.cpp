// Orders and members whose number holds a NUL, pulled end to end through the test driver and
// through FreeTDS against the fake TDS server: no hand-over statement can carry such a key, so
// the record is refused before it is stored, logged as one the database cannot hold, and the
// checkpoint moves on past it.
#include <memory>
#include <string>
#include <vector>

#include "engine/PullsFixture.h"
#include "support/FakeTdsServer.h"

namespace vqtest {
namespace {

constexpr const char* kPosProc = "pr_spf_soft_pos_data";
constexpr const char* kVipProc = "pr_spf_soft_pos_vip";
const std::string kNulSheet(
    "S\0"
    "2",
    3);
const std::string kNulVip(
    "V\0"
    "2",
    3);

class PullsNulKeyTest : public PullsFixture, public ::testing::WithParamInterface<bool> {
 protected:
  void SetUp() override {
    PullsFixture::SetUp();
    if (GetParam()) {
      tds = std::make_unique<FakeTdsServer>(db.DatabasePath());
      dm.FDConnection.SetParams({"DriverID=MSSQL", std::string("ODBCDriver=") + kFreeTdsOdbcDriver,
                                 "Server=" + tds->Host(), "User_Name=sa", "Password=test", "Database=shop",
                                 "LoginTimeout=5", "QueryTimeout=20"});
    }
  }
  void TearDown() override {
    PullsFixture::TearDown();
    tds.reset();
  }
  // Batches the database received that hold `part`; only counted through FreeTDS.
  [[nodiscard]] std::size_t BatchesWith(const std::string& part) const {
    std::size_t n = 0;
    if (tds)
      for (const auto& b : tds->Batches()) n += b.find(part) != std::string::npos ? 1 : 0;
    return n;
  }

  std::unique_ptr<FakeTdsServer> tds;
};

TEST_P(PullsNulKeyTest, OrderIsRefusedBeforeStoreAndCheckpointMoves) {
  appVar.PullSelfCollect.v(true);
  SetCheckpoint("POS", "spf_pos_data", 7);
  server.Enqueue(kPosPath, FakeReply::Json(PosReply(10, {Order("S1"), Order(kNulSheet).Lines(2), Order("S3")})));
  RunPuller(kPosPath, 1);

  EXPECT_EQ(Calls(kPosProc), (std::vector<std::string>{"5, 'S1'", "5, 'S3'"}));
  EXPECT_EQ(Rows("spf_t_pos_master"), 2);
  EXPECT_EQ(Rows("spf_t_pos_detail", "sheet_no not in ('S1','S3')"), 0);
  EXPECT_EQ(Rows("spf_t_pos_pay", "sheet_no not in ('S1','S3')"), 0);
  EXPECT_EQ(Checkpoint("POS", "spf_pos_data"), 10);
  EXPECT_EQ(logView->Count("[拉取1][7][3/2]保存销售订单失败[" + kNulSheet + "]：单号含有空字符，无法转入收银软件"), 1U);
  EXPECT_EQ(logView->Count("[拉取1][7][3/2]记录[" + kNulSheet + "]的数据不符合数据库字段，已跳过"), 1U);
  EXPECT_EQ(logView->Count("同步到收银软件失败"), 0U) << LogTail();
  EXPECT_EQ(BatchesWith("CHAR(0)"), 0U);
}

TEST_P(PullsNulKeyTest, MemberIsRefusedBeforeStoreAndCheckpointMoves) {
  appVar.DBDistributed = 1;
  SetCheckpoint("VIP", "wxp_vip_new", 0, "2020-07-01 08:00:00.000");
  server.Enqueue(kWxPath, FakeReply::Json(VipReply("2020-07-16 11:00:00", {Vip("V1", "张三"), Vip(kNulVip, "李四")})));
  RunPuller(kWxPath, 1);

  EXPECT_EQ(Calls(kVipProc), (std::vector<std::string>{"5, 'V1'"}));
  EXPECT_EQ(Rows("spf_t_pos_vip_info"), 1);
  EXPECT_EQ(CheckpointDate("VIP", "wxp_vip_new"), "2020-07-16 11:00:00.000");
  EXPECT_EQ(logView->Count("[拉取会员][2020-07-01 08:00:00][2/2]保存会员失败[" + kNulVip +
                           "]：会员号含有空字符，无法转入收银软件"),
            1U);
  EXPECT_EQ(logView->Count("[2/2]记录[" + kNulVip + "]的数据不符合数据库字段，已跳过"), 1U);
  EXPECT_EQ(logView->Count("同步会员失败"), 0U) << LogTail();
  EXPECT_EQ(BatchesWith("CHAR(0)"), 0U);
}

INSTANTIATE_TEST_SUITE_P(Drivers, PullsNulKeyTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return info.param ? "FreeTds" : "TestDriver";
                         });

}  // namespace
}  // namespace vqtest
