// Reads of the back-office product's objects: settings rows, edition and branch functions, and
// the change number and change date of a sync table by product, table and checkpoint type.
#include "AppDMFixture.h"
#include "foundation/Clock.h"
#include "support/FakeClock.h"

namespace tessaly {
namespace {

class AppDMBackOfficeTest : public AppDMFixture {
 protected:
  void SetUp() override {
    AppDMFixture::SetUp();
    SetClock(&clock);
    ASSERT_TRUE(db.RunTsql(
        "insert into vq_tab_tabledesc(table_name,max_change) values('bi_t_item',30)\r\n"
        "insert into vq_tab_tabledesc(table_name,max_change) values('pos_t_vip_specprc',31)\r\n"
        "insert into bi_t_datadelete(table_name,local_change) values('bi_t_item',40)\r\n"
        "insert into bi_t_datadelete(table_name,local_change) values('bi_t_item',41)\r\n"
        "insert into bi_t_datadelete(table_name,local_change) values('pos_t_vip_specprc',42)\r\n"
        "create table bi_t_goods(goods_no varchar(20), max_change int)\r\n"
        "insert into bi_t_goods values('a',50)\r\ninsert into bi_t_goods values('b',51)\r\n"
        "create table bi_t_empty(goods_no varchar(20), max_change int)"));
    db.SetScalar("CHANGE_TRACKING_CURRENT_VERSION", 77);
  }
  void TearDown() override {
    SetClock(nullptr);
    AppDMFixture::TearDown();
  }

  vqtest::FakeClock clock{EncodeDateTime({2024, 7, 1, 12, 0, 0, 250})};
};

struct MaxChangeCase {
  const char* product;
  const char* table;
  const char* type;
  int expected;
  const char* sql;  // nullptr: no statement
};

// The decision table of the change number: which statement runs for which product, table and
// type, and what it yields.
TEST_F(AppDMBackOfficeTest, ChangeNumberDecisionTable) {
  const char* tracking = "select CHANGE_TRACKING_CURRENT_VERSION() as max_change";
  const std::vector<MaxChangeCase> cases = {
      {"00029", "bi_t_item", "BI", 77, tracking},
      {"00050", "sys_t_image", "D-BI", 77, tracking},
      {"00039", "x", "CFG", 77, tracking},
      {"00040", "x", "BI", 77, tracking},
      {"00008", "sys_t_image", "BI", -1, nullptr},
      {"00009", "SYS_T_Image", "D-BI", -1, nullptr},
      {"00009", "pos_t_vip_specprc", "D-BI", 31,
       "select max_change from vq_tab_tabledesc where table_name='pos_t_vip_specprc'"},
      {"00009", "POS_T_VIP_SPECPRC", "BI", 31,
       "select max_change from vq_tab_tabledesc where table_name='POS_T_VIP_SPECPRC'"},
      {"00008", "pos_t_vip_specprc", "D-BI", 42,
       "select max(local_change) as max_change from bi_t_datadelete where table_name='pos_t_vip_specprc'"},
      {"00008", "bi_t_item", "D-BI", 41,
       "select max(local_change) as max_change from bi_t_datadelete where table_name='bi_t_item'"},
      {"00009", "bi_t_item", "d-BI", 30, "select max_change from vq_tab_tabledesc where table_name='bi_t_item'"},
      {"00008", "bi_t_item", "BI", 30, "select max_change from vq_tab_tabledesc where table_name='bi_t_item'"},
      {"00008", "no_such", "BI", -1, "select max_change from vq_tab_tabledesc where table_name='no_such'"},
      {"00012", "sys_t_image", "BI", -1, nullptr},
      {"00012", "bi_t_goods", "D-BI", 51, "select max(max_change) as max_change from bi_t_goods"},
      {"00012", "bi_t_empty", "BI", 0, "select max(max_change) as max_change from bi_t_empty"},
      {"00012", "bi_t_goods;delete from bi_t_goods", "BI", -1, nullptr},
      {"00001", "bi_t_item", "BI", -1, nullptr},
      {"", "bi_t_item", "BI", -1, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.product) + " " + c.table + " " + c.type);
    appVar.SoftVer = c.product;
    TDbConnection worker;
    int got = 0;
    const auto sent = SqlSent([&] { got = dm.SoftGetTransMaxRecord(reason, c.type, c.table, &worker); });
    EXPECT_EQ(got, c.expected);
    EXPECT_EQ(sent, c.sql ? std::vector<std::string>{c.sql} : std::vector<std::string>{});
  }
  EXPECT_EQ(db.Value("select count(*) from bi_t_goods"), "2");
}

// A table name goes into the statement only when it cannot end the name or start another
// statement: plain or dotted identifiers and bracketed parts; anything else is refused with a
// reason and no statement is sent.
TEST_F(AppDMBackOfficeTest, UnsafeTableNameIsRefused) {
  appVar.SoftVer = "00012";
  const char* const accepted[] = {"bi_t_goods", "dbo.bi_t_goods", "[dbo].[bi_item]", "[bi item]", "vq.[t-1].x",
                                  "[表一]", "[a[b]"};
  // The server answers every accepted statement with this failure, which proves it was sent.
  db.FailStatements("select max(max_change) as max_change from %", "reached the server");
  for (const char* name : accepted) {
    SCOPED_TRACE(name);
    reason.clear();
    EXPECT_EQ(dm.SoftGetTransMaxRecord(reason, "BI", name), -1);
    EXPECT_NE(reason.find("reached the server"), std::string::npos) << reason;
  }
  const std::string refused[] = {"bi_t_goods where 1=0", "bi_t_goods;delete from bi_t_goods",
                                 "[dbo]].[x]",           "[bi_item] where 1=0",
                                 "[bi_item",             "bi_item]",
                                 "[]",                   "bi-item",
                                 "[a\nb]",              "bi_t_goods--",
                                 "表一",                 std::string("[a") + '\0' + "b]",
                                 "[a\tb]"};
  for (const auto& name : refused) {
    SCOPED_TRACE(name);
    int got = 0;
    const auto sent = SqlSent([&] { got = dm.SoftGetTransMaxRecord(reason, "BI", name); });
    EXPECT_EQ(got, -1);
    EXPECT_TRUE(sent.empty());
    EXPECT_EQ(reason, "同步表名无效：" + name);
  }
}

// A change-number query that fails gives -1 with the server's reason.
TEST_F(AppDMBackOfficeTest, FailingChangeNumberQuery) {
  appVar.SoftVer = "00029";
  db.FailStatements("%CHANGE_TRACKING%", "change tracking is off");
  EXPECT_EQ(dm.SoftGetTransMaxRecord(reason, "BI", "t"), -1);
  EXPECT_NE(reason.find("change tracking is off"), std::string::npos) << reason;
}

// The change date is the newest picture date for sys_t_image of the picture products (a null
// maximum reads as the zero date), and the current time everywhere else or when the query fails.
TEST_F(AppDMBackOfficeTest, ChangeDate) {
  const TDateTime now = EncodeDateTime({2024, 7, 1, 12, 0, 0, 250});
  appVar.SoftVer = "00012";
  EXPECT_EQ(SqlSent([&] { EXPECT_EQ(dm.SoftGetTransMaxRecordDate(reason, "BI", "x", "sys_t_image"), 0.0); }),
            std::vector<std::string>{"select max(update_time) as max_date from sys_t_image"});
  ASSERT_TRUE(db.RunTsql("insert into sys_t_image values(1,'2024-03-04 05:06:07.089')\r\n"
                         "insert into sys_t_image values(2,'2023-01-01 00:00:00')"));
  for (const char* product : {"00012", "00008", "00009"}) {
    appVar.SoftVer = product;
    EXPECT_EQ(FormatDateTime("yyyy-MM-dd hh:nn:ss.zzz", dm.SoftGetTransMaxRecordDate(reason, "BI", "x", "SYS_T_IMAGE")),
              "2024-03-04 05:06:07.089")
        << product;
    EXPECT_EQ(dm.SoftGetTransMaxRecordDate(reason, "BI", "x", "bi_t_item"), now) << product;
  }
  appVar.SoftVer = "00029";
  EXPECT_EQ(dm.SoftGetTransMaxRecordDate(reason, "BI", "x", "sys_t_image"), now);
  appVar.SoftVer = "00012";
  db.FailStatements("%sys_t_image%", "no");
  EXPECT_EQ(dm.SoftGetTransMaxRecordDate(reason, "BI", "x", "sys_t_image"), now);
}

// The edition is asked of the function only for the distributed products; a failing query
// gives -1, a value that is no number 0.
TEST_F(AppDMBackOfficeTest, Distributed) {
  db.SetScalar("fn_spf_soft_get_distributed", 2, "5");
  appVar.SoftVer = "00012";
  EXPECT_EQ(SqlSent([&] { EXPECT_EQ(dm.SoftGetDistributed(reason), 2); }),
            std::vector<std::string>{"select dbo.fn_spf_soft_get_distributed(5) as is_distributed "});
  appVar.SoftVer = "00029";
  EXPECT_TRUE(SqlSent([&] { EXPECT_EQ(dm.SoftGetDistributed(reason), 1); }).empty());
  appVar.SoftVer = "00008";
  db.SetScalarText("fn_spf_soft_get_distributed", "x", "5");
  EXPECT_EQ(dm.SoftGetDistributed(reason), 0);
  db.FailStatements("%fn_spf_soft_get_distributed%", "function missing");
  EXPECT_EQ(dm.SoftGetDistributed(reason), -1);
  EXPECT_NE(reason.find("function missing"), std::string::npos) << reason;
}

// The branch number comes from its function; none is a failure with its fixed text.
TEST_F(AppDMBackOfficeTest, BranchNo) {
  db.SetScalarText("fn_spf_soft_get_branch_no", "0012", "5");
  EXPECT_EQ(SqlSent([&] { EXPECT_EQ(dm.SoftGetBranchNo(reason), 1); }),
            std::vector<std::string>{"select dbo.fn_spf_soft_get_branch_no(5) as branch_no "});
  EXPECT_EQ(reason, "0012");
  db.SetScalarText("fn_spf_soft_get_branch_no", std::nullopt, "5");
  EXPECT_EQ(dm.SoftGetBranchNo(reason), -1);
  EXPECT_EQ(reason, "未取到当前门店编号");
}

// The member-service key and the account-set id come from sys_t_system; the id is read only
// for the products that carry one, and DBId is emptied first in every case.
TEST_F(AppDMBackOfficeTest, SettingsRows) {
  std::string key = "old", msg = "kept";
  EXPECT_EQ(dm.SoftGetRDAKey(key, msg), 1);
  EXPECT_EQ(key, "");
  ASSERT_TRUE(db.RunTsql("insert into sys_t_system(sys_var_id,sys_var_value) values('vqrda_key','K-1')\r\n"
                         "insert into sys_t_system(sys_var_id,sys_var_value) values('hq_clearround','DB07')"));
  EXPECT_EQ(SqlSent([&] { EXPECT_EQ(dm.SoftGetRDAKey(key, msg), 1); }),
            std::vector<std::string>{"select sys_var_value from sys_t_system where sys_var_id='vqrda_key' "});
  EXPECT_EQ(key, "K-1");
  EXPECT_EQ(msg, "kept");

  for (const char* product : {"00050", "00040", "00012", "00029", "00008", "00009", "00039"}) {
    appVar.SoftVer = product;
    appVar.DBId = "x";
    std::string flag;
    EXPECT_EQ(SqlSent([&] { EXPECT_EQ(dm.SoftGetDBFlagId(reason, flag), 1); }),
              std::vector<std::string>{"select sys_var_value from sys_t_system where sys_var_id='hq_clearround' "});
    EXPECT_EQ(appVar.DBId, "DB07") << product;
    EXPECT_EQ(flag, "DB07") << product;
  }
  appVar.SoftVer = "00001";
  appVar.DBId = "x";
  std::string flag = "left";
  EXPECT_EQ(dm.SoftGetDBFlagId(reason, flag), 1);
  EXPECT_EQ(appVar.DBId, "");
  EXPECT_EQ(flag, "left");
}

}  // namespace
}  // namespace tessaly
