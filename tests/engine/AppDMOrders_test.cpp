// Pulled orders and members: stored all or nothing in one transaction, and handed over to the
// back-office procedures with their arguments.
#include "AppDMFixture.h"
#include "engine/AppObjectsUtil.h"
#include "foundation/VqRttiHelperUtil.h"

namespace tessaly {
namespace {

class AppDMOrdersTest : public AppDMFixture {
 protected:
  static TPosData Order(const std::string& sheet, int details, int pays) {
    TPosData order;
    order.pos_master = std::make_unique<TPosMaster>();
    order.pos_master->Set<"softid">(5);
    order.pos_master->Set<"sheet_no">(sheet);
    order.pos_master->Set<"oper_date">("2024-05-06 10:20:30");
    order.pos_master->Set<"pos_memo">("顾客's 备注");
    order.pos_master->Set<"real_amt">(12.5);
    for (int i = 1; i <= details; ++i) {
      TPosDetail d;
      d.Set<"softid">(5);
      d.Set<"sheet_no">(sheet);
      d.Set<"sheet_sort">(i);
      d.Set<"item_no">("I" + std::to_string(i));
      d.Set<"sub_qty">(i);
      order.pos_detail.push_back(d);
    }
    for (int i = 1; i <= pays; ++i) {
      TPosPay p;
      p.Set<"softid">(5);
      p.Set<"sheet_no">(sheet);
      p.Set<"sheet_sort">(i);
      p.Set<"pay_way">("WX");
      p.Set<"pay_amt">(12.5);
      order.pos_pay.push_back(p);
    }
    return order;
  }

  std::string Count(const std::string& table) { return db.Value("select count(*) from " + table).value_or("?"); }
};

// An order's header, item lines and payment lines are stored with the header's source set; a
// second save of the same order updates its rows instead of adding new ones.
TEST_F(AppDMOrdersTest, SavesWholeOrderAndUpdatesOnSecondSave) {
  TPosData order = Order("S001", 2, 1);
  reason = "untouched";
  ASSERT_TRUE(dm.SavePosData2(reason, "0", &order)) << reason;
  EXPECT_EQ(reason, "untouched");
  EXPECT_FALSE(dm.PosDataSaving());
  EXPECT_EQ(db.Query("select sheet_source, pos_memo, oper_date from spf_t_pos_master"),
            (std::vector<vqtest::TestOdbc::Row>{{"0", "顾客's 备注", "2024-05-06 10:20:30.000"}}));
  EXPECT_EQ(Count("spf_t_pos_detail"), "2");
  EXPECT_EQ(Count("spf_t_pos_pay"), "1");

  order.pos_detail[1].Set<"item_no">("changed");
  ASSERT_TRUE(dm.SavePosData1(reason, "1", &order)) << reason;
  EXPECT_EQ(db.Value("select sheet_source from spf_t_pos_master"), "1");
  EXPECT_EQ(Count("spf_t_pos_detail"), "2");
  EXPECT_EQ(db.Value("select item_no from spf_t_pos_detail where sheet_sort=2"), "changed");
  EXPECT_TRUE(dm.ExistsPosData(5, "S001"));
  EXPECT_FALSE(dm.ExistsPosData(6, "S001"));
  EXPECT_FALSE(dm.ExistsPosData(5, "S002"));
}

// The batch is the header's upsert followed by each item line's and each payment line's, in
// array order, joined by CR LF; an order without lines is the header alone.
TEST_F(AppDMOrdersTest, BatchTextJoinsUpsertsInOrder) {
  TPosData order = Order("S001", 2, 1);
  order.pos_master->Set<"sheet_source">("1");
  std::string r;
  const std::string expected =
      TVqRttiHelper::GetAdpterSql(*order.pos_master, "spf_t_pos_master", "softid,sheet_no", r) + "\r\n" +
      TVqRttiHelper::GetAdpterSql(order.pos_detail[0], "spf_t_pos_detail", "softid,sheet_no,sheet_sort", r) + "\r\n" +
      TVqRttiHelper::GetAdpterSql(order.pos_detail[1], "spf_t_pos_detail", "softid,sheet_no,sheet_sort", r) + "\r\n" +
      TVqRttiHelper::GetAdpterSql(order.pos_pay[0], "spf_t_pos_pay", "softid,sheet_no,sheet_sort", r);
  EXPECT_EQ(SqlSent([&] { ASSERT_TRUE(dm.SavePosData2(reason, "1", &order)) << reason; }),
            std::vector<std::string>{expected});

  TPosData bare = Order("S002", 0, 0);
  bare.pos_master->Set<"sheet_source">("0");
  EXPECT_EQ(SqlSent([&] { ASSERT_TRUE(dm.SavePosData2(reason, "0", &bare)) << reason; }),
            std::vector<std::string>{
                TVqRttiHelper::GetAdpterSql(*bare.pos_master, "spf_t_pos_master", "softid,sheet_no", r)});
}

// When one line of an order fails on the server, nothing of the order is stored and the
// failure is reported; the saving flag is clear again.
TEST_F(AppDMOrdersTest, FailingLineStoresNothing) {
  db.FailStatements("%insert into spf_t_pos_detail%'I2'%", "line rejected");
  TPosData order = Order("S001", 3, 1);
  EXPECT_FALSE(dm.SavePosData2(reason, "0", &order));
  EXPECT_EQ(reason.rfind("保存销售订单失败：", 0), 0u) << reason;
  EXPECT_NE(reason.find("line rejected"), std::string::npos) << reason;
  EXPECT_FALSE(dm.PosDataSaving());
  EXPECT_EQ(Count("spf_t_pos_master"), "0");
  EXPECT_EQ(Count("spf_t_pos_detail"), "0");
  EXPECT_EQ(Count("spf_t_pos_pay"), "0");
}

// A failing second statement of a batch run in a transaction rolls back the first one too.
TEST_F(AppDMOrdersTest, FailingSecondStatementRollsBackBatch) {
  db.FailStatements("%'second'%", "no");
  EXPECT_FALSE(dm.SqlExec(reason,
                          "insert into spf_t_pos_vip_info(softid,vip_no) values(5,'first')\r\n"
                          "insert into spf_t_pos_vip_info(softid,vip_no) values(5,'second')",
                          nullptr, true));
  EXPECT_NE(reason.find("no"), std::string::npos);
  EXPECT_EQ(Count("spf_t_pos_vip_info"), "0");
}

// An order without a header (or no order at all) is refused before anything runs.
TEST_F(AppDMOrdersTest, OrderWithoutHeaderIsMalformed) {
  TPosData order = Order("S001", 1, 1);
  order.pos_master.reset();
  EXPECT_TRUE(SqlSent([&] { EXPECT_FALSE(dm.SavePosData2(reason, "0", &order)); }).empty());
  EXPECT_EQ(reason, "销售主表有误");
  reason.clear();
  EXPECT_FALSE(dm.SavePosData2(reason, "0", nullptr));
  EXPECT_EQ(reason, "销售主表有误");
  EXPECT_FALSE(dm.PosDataSaving());
  EXPECT_EQ(Count("spf_t_pos_detail"), "0");
}

// A returned order (state 6) is stored like any other, with one more detail line in the log.
TEST_F(AppDMOrdersTest, ReturnedOrderStoredWithExtraLogLine) {
  TPosData order = Order("R001", 1, 0);
  order.pos_master->Set<"pos_state">("6");
  const std::string log = DetailLog([&] { ASSERT_TRUE(dm.SavePosData2(reason, "0", &order)) << reason; });
  EXPECT_NE(log.find("[DM] 退单\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find("[DM] 生成销售明细SQL，共：1条"), std::string::npos) << log;
  EXPECT_NE(log.find("[DM] 生成支付明细SQL，共：0条"), std::string::npos) << log;
  EXPECT_NE(log.find("[DM] 保存销售订单：if exists"), std::string::npos) << log;
  EXPECT_EQ(db.Value("select pos_state from spf_t_pos_master"), "6");
}

// A member is stored with its source and updated on a second save; a missing member or a
// failing statement is reported.
TEST_F(AppDMOrdersTest, SavesMember) {
  TVipInfo vip;
  vip.Set<"softid">(5);
  vip.Set<"vip_no">("V001");
  vip.Set<"vip_name">("张三");
  reason = "untouched";
  ASSERT_TRUE(dm.SaveVipInfo(reason, "1", &vip)) << reason;
  EXPECT_EQ(reason, "untouched");
  vip.Set<"vip_name">("李四");
  ASSERT_TRUE(dm.SaveVipInfo(reason, "1", &vip)) << reason;
  EXPECT_EQ(db.Query("select vip_name, data_source from spf_t_pos_vip_info"),
            (std::vector<vqtest::TestOdbc::Row>{{"李四", "1"}}));

  EXPECT_FALSE(dm.SaveVipInfo(reason, "1", nullptr));
  EXPECT_EQ(reason, "会员信息对象为空");

  db.FailStatements("%spf_t_pos_vip_info%", "member rejected");
  EXPECT_FALSE(dm.SaveVipInfo(reason, "1", &vip));
  EXPECT_EQ(reason.rfind("保存会员信息失败：", 0), 0u) << reason;
}

struct HandOverCase {
  const char* name;
  const char* proc;
  std::function<int(TAppDM&, std::string&, TDbConnection*)> call;
  const char* sql;
  const char* args;
};

// The hand-over procedures are called with the enterprise id and the quoted number, committed;
// a failing procedure gives -1 with the server's reason and the statement.
TEST_F(AppDMOrdersTest, HandOverCallsProceduresWithArguments) {
  const std::vector<HandOverCase> cases = {
      {"order", "pr_spf_soft_pos_data",
       [](TAppDM& m, std::string& r, TDbConnection* c) { return m.SoftPostData(r, 5, "S'01", c); },
       "exec pr_spf_soft_pos_data 5, 'S''01'", "5, 'S''01'"},
      {"member", "pr_spf_soft_pos_vip",
       [](TAppDM& m, std::string& r, TDbConnection* c) { return m.SoftPostVip(r, 7, "V001", c); },
       "exec pr_spf_soft_pos_vip 7, 'V001'", "7, 'V001'"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TDbConnection worker;
    std::vector<std::string> sent;
    sent = SqlSent([&] { EXPECT_EQ(c.call(dm, reason, &worker), 1) << reason; });
    EXPECT_EQ(sent, std::vector<std::string>{c.sql});
    const auto log = db.ExecLog();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back().proc, c.proc);
    EXPECT_EQ(log.back().args, c.args);
    EXPECT_FALSE(log.back().autocommit);

    db.FailProcedure(c.proc, "余额不足");
    EXPECT_EQ(c.call(dm, reason, &worker), -1);
    EXPECT_NE(reason.find("余额不足"), std::string::npos) << reason;
    EXPECT_NE(reason.find(std::string(" SQL[") + c.sql + "]"), std::string::npos) << reason;
    db.ClearFailures();
  }
}

// A failing existence query counts as not stored.
TEST_F(AppDMOrdersTest, ExistsPosDataFailingQueryIsFalse) {
  TPosData order = Order("S001", 0, 0);
  ASSERT_TRUE(dm.SavePosData2(reason, "0", &order)) << reason;
  EXPECT_EQ(SqlSent([&] { EXPECT_TRUE(dm.ExistsPosData(5, "S001")); }),
            std::vector<std::string>{"select 1 from spf_t_pos_master where softid=5 and sheet_no='S001'"});
  db.FailStatements("select 1 from spf_t_pos_master%", "gone");
  EXPECT_FALSE(dm.ExistsPosData(5, "S001"));
}

}  // namespace
}  // namespace tessaly
