// The agent's own tables: system parameters, the current enterprise id, checkpoints, the sync
// catalogue and the data clear, through unixODBC and the T-SQL test driver.
#include "AppDMFixture.h"

namespace tessaly {
namespace {

class AppDMParamsTest : public AppDMFixture {};

struct GoldenCase {
  const char* name;
  std::function<void(TAppDM&)> op;
  std::vector<std::string> sql;
};

// Every statement of the parameter and checkpoint operations, byte for byte.
TEST_F(AppDMParamsTest, GoldenStatements) {
  const TDateTime stamp = EncodeDateTime({2024, 5, 6, 10, 20, 30, 45});
  const std::string create =
      "if not exists(select 1 from sysobjects where name='spf_t_sys_system')CREATE TABLE spf_t_sys_system(  [softid] "
      "int NOT NULL,  [sys_id] [varchar](20) NOT NULL,  [sys_name] [varchar](100) NULL,  [sys_value] [varchar](254) "
      "NULL,  [sys_memo] [varchar](254) NULL,  [sys_flag] int DEFAULT '0',  [last_date] datetime DEFAULT NULL,  "
      "[last_change] int DEFAULT '0',  PRIMARY KEY(softid,sys_id))";
  const std::vector<GoldenCase> cases = {
      {"SetCurrSoftId", [](TAppDM& m) { std::string e; m.SetCurrSoftId(7, e); },
       {create,
        "if exists(select 1 from spf_t_sys_system where sys_id='CurrSoftId')    update spf_t_sys_system set "
        "softid=7,sys_value='7'    where sys_id='CurrSoftId' else     insert into "
        "spf_t_sys_system(softid,sys_id,sys_name,sys_value,sys_memo,sys_flag,last_date,last_change)    "
        "values(7,'CurrSoftId',N'当前企业Id','7','',0,GetDate(),1)"}},
      {"SetSysParam", [](TAppDM& m) { std::string e; m.SetSysParam(e, "Data'Flag", std::string("1'2"), "名称"); },
       {"if exists(select 1 from spf_t_sys_system where softid=5 and sys_id='Data''Flag')    update "
        "spf_t_sys_system set sys_value='1''2'    where softid=5 and sys_id='Data''Flag' else     insert into "
        "spf_t_sys_system(softid,sys_id,sys_name,sys_value,sys_memo,sys_flag,last_date,last_change)    "
        "values(5,'Data''Flag',N'名称','1''2','',0,GetDate(),1)"}},
      {"GetSysParam", [](TAppDM& m) { (void)m.GetSysParam("DBLastUpdateVer", TDbVariant()); },
       {"select sys_value from spf_t_sys_system  where softid=5 and sys_id='DBLastUpdateVer'"}},
      {"DataClear", [](TAppDM& m) { std::string e; m.DataClear(e); },
       {"delete from spf_t_trans_record where trans_type<>'CFG' "}},
      {"GetTransTable", [](TAppDM& m) { std::string e; TDbQuery q; m.GetTransTable(e, q); },
       {"select * from spf_t_trans_table  where trans_state=1 and soft_ver='00012' order by trans_index"}},
      {"GetTransRecord", [](TAppDM& m) { std::string e; (void)m.GetTransRecord(e, "BI", "bi_t_item"); },
       {"select last_change from spf_t_trans_record where softid=5 and trans_type='BI' and table_name='bi_t_item'"}},
      {"GetTransRecordDate", [](TAppDM& m) { std::string e; (void)m.GetTransRecordDate(e, "D-BI", "it's"); },
       {"select last_date from spf_t_trans_record where softid=5 and trans_type='D-BI' and table_name='it''s'"}},
      {"SetTransRecord", [stamp](TAppDM& m) { std::string e; m.SetTransRecord(e, "BI", "bi_t_item", 42, stamp); },
       {"if exists(select 1 from spf_t_trans_record where softid=5 and trans_type='BI' and table_name='bi_t_item') "
        "begin   update spf_t_trans_record set last_change=42    ,last_date='2024-05-06 10:20:30.045'   where "
        "softid=5     and trans_type='BI' and table_name='bi_t_item' end else begin   insert into "
        "spf_t_trans_record(softid,trans_type,table_name,last_change,last_date)   "
        "values(5,'BI','bi_t_item',42     ,'2024-05-06 10:20:30.045') end"}},
      {"SetTransRecord counting", [](TAppDM& m) { std::string e; m.SetTransRecord(e, "BI", "bi_t_item"); },
       {"if exists(select 1 from spf_t_trans_record where softid=5 and trans_type='BI' and table_name='bi_t_item') "
        "begin   update spf_t_trans_record set last_change=last_change+1   where softid=5     and trans_type='BI' "
        "and table_name='bi_t_item' end else begin   insert into "
        "spf_t_trans_record(softid,trans_type,table_name,last_change)   values(5,'BI','bi_t_item',0) end"}},
  };
  for (const auto& c : cases) EXPECT_EQ(SqlSent([&] { c.op(dm); }), c.sql) << c.name;
}

// SetCurrSoftId works on a database that has no parameter table yet, and a second id leaves one
// row holding the second id in softid and sys_value.
TEST_F(AppDMParamsTest, CurrSoftIdCreatesTableAndKeepsOneRow) {
  ASSERT_FALSE(db.Value("select name from sqlite_master where name='spf_t_sys_system'"));
  ASSERT_TRUE(dm.SetCurrSoftId(5, reason)) << reason;
  ASSERT_TRUE(dm.SetCurrSoftId(9, reason)) << reason;
  const auto rows = db.Query("select softid, sys_name, sys_value from spf_t_sys_system where sys_id='CurrSoftId'");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0][0], "9");
  EXPECT_EQ(rows[0][1], "当前企业Id");
  EXPECT_EQ(rows[0][2], "9");
}

// A new parameter row takes its name, the server time and change 1; an update changes only
// sys_value. Reads see only the current enterprise's rows and fall back to the default.
TEST_F(AppDMParamsTest, SysParamInsertThenUpdateValueOnly) {
  ASSERT_TRUE(dm.SetCurrSoftId(5, reason)) << reason;
  db.SetGetDate("2023-01-02 03:04:05.678");
  ASSERT_TRUE(dm.SetSysParam(reason, "DataClearFlag", std::int64_t{3}, "")) << reason;
  db.SetGetDate("2024-09-09 09:09:09.000");
  ASSERT_TRUE(dm.SetSysParam(reason, "DataClearFlag", std::string("中文4"), "other")) << reason;

  const auto rows = db.Query(
      "select sys_name, sys_value, sys_memo, sys_flag, last_date, last_change from spf_t_sys_system "
      "where softid=5 and sys_id='DataClearFlag'");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0], (vqtest::TestOdbc::Row{"", "中文4", "", "0", "2023-01-02 03:04:05.678", "1"}));

  EXPECT_EQ(dm.GetSysParam("DataClearFlag", TDbVariant()), TDbVariant(std::string("中文4")));
  appVar.SoftId.v(6);
  EXPECT_EQ(dm.GetSysParam("DataClearFlag", std::string("def")), TDbVariant(std::string("def")));
}

// A missing checkpoint reads -1 and the zero date; two writes leave one row with the second
// change and date, milliseconds kept; checkpoints of another enterprise are not seen.
TEST_F(AppDMParamsTest, CheckpointWriteTwiceKeepsOneRowWithMilliseconds) {
  EXPECT_EQ(dm.GetTransRecord(reason, "BI", "bi_t_item"), -1);
  EXPECT_EQ(dm.GetTransRecordDate(reason, "BI", "bi_t_item"), 0.0);

  const TDateTime first = EncodeDateTime({2024, 1, 1, 8, 0, 0, 1});
  const TDateTime second = EncodeDateTime({2024, 2, 3, 23, 59, 58, 987});
  ASSERT_TRUE(dm.SetTransRecord(reason, "BI", "bi_t_item", 10, first)) << reason;
  ASSERT_TRUE(dm.SetTransRecord(reason, "BI", "bi_t_item", 11, second)) << reason;

  const auto rows = db.Query("select softid, last_change, last_date from spf_t_trans_record");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0], (vqtest::TestOdbc::Row{"5", "11", "2024-02-03 23:59:58.987"}));
  EXPECT_EQ(dm.GetTransRecord(reason, "BI", "bi_t_item"), 11);
  EXPECT_EQ(FormatDateTime("yyyy-MM-dd hh:nn:ss.zzz", dm.GetTransRecordDate(reason, "BI", "bi_t_item")),
            "2024-02-03 23:59:58.987");

  appVar.SoftId.v(6);
  EXPECT_EQ(dm.GetTransRecord(reason, "BI", "bi_t_item"), -1);
}

// A missing checkpoint and a failed read give the same value; only the read-failed flag tells
// them apart, so that a worker never restarts a table from zero after a failed query.
TEST_F(AppDMParamsTest, CheckpointReadFailureIsToldApartFromMissing) {
  bool failed = true;
  EXPECT_EQ(dm.GetTransRecord(reason, "BI", "bi_t_item", nullptr, &failed), -1);
  EXPECT_FALSE(failed);
  failed = true;
  EXPECT_EQ(dm.GetTransRecordDate(reason, "BI", "bi_t_item", nullptr, &failed), 0.0);
  EXPECT_FALSE(failed);

  db.FailStatements("select last_%from spf_t_trans_record%", "deadlock victim");
  EXPECT_EQ(dm.GetTransRecord(reason, "BI", "bi_t_item", nullptr, &failed), -1);
  EXPECT_TRUE(failed);
  EXPECT_NE(reason.find("deadlock victim"), std::string::npos) << reason;
  failed = false;
  EXPECT_EQ(dm.GetTransRecordDate(reason, "BI", "bi_t_item", nullptr, &failed), 0.0);
  EXPECT_TRUE(failed);
}

// The counting form starts a checkpoint at 0 and adds one on each later call; a null change
// number reads 0.
TEST_F(AppDMParamsTest, CountingCheckpointAndNullChange) {
  ASSERT_TRUE(dm.SetTransRecord(reason, "CFG", "t")) << reason;
  EXPECT_EQ(dm.GetTransRecord(reason, "CFG", "t"), 0);
  ASSERT_TRUE(dm.SetTransRecord(reason, "CFG", "t")) << reason;
  EXPECT_EQ(dm.GetTransRecord(reason, "CFG", "t"), 1);

  ASSERT_TRUE(db.Exec("insert into spf_t_trans_record(softid,trans_type,table_name,last_change) values(5,'BI','n',NULL)"));
  EXPECT_EQ(dm.GetTransRecord(reason, "BI", "n"), 0);
  EXPECT_EQ(dm.GetTransRecordDate(reason, "BI", "n"), 0.0);
}

// DataClear removes the checkpoints of every enterprise except those of type CFG.
TEST_F(AppDMParamsTest, DataClearKeepsOnlyCfgOfEveryEnterprise) {
  ASSERT_TRUE(db.Exec(
      "insert into spf_t_trans_record(softid,trans_type,table_name,last_change) values"
      "(5,'BI','a',1),(5,'CFG','a',2),(5,'D-BI','a',3),(6,'BI','b',4),(6,'CFG','b',5),(6,'cfgx','b',6)"));
  ASSERT_TRUE(dm.DataClear(reason)) << reason;
  EXPECT_EQ(db.Query("select softid, trans_type from spf_t_trans_record order by softid"),
            (std::vector<vqtest::TestOdbc::Row>{{"5", "CFG"}, {"6", "CFG"}}));

  db.FailStatements("delete from spf_t_trans_record%", "table is locked");
  reason.clear();
  EXPECT_FALSE(dm.DataClear(reason));
  EXPECT_EQ(reason.rfind("开业清库操作失败，", 0), 0u) << reason;
  EXPECT_NE(reason.find("table is locked"), std::string::npos) << reason;
}

// The catalogue holds only the current product's active rows, in transfer order.
TEST_F(AppDMParamsTest, TransTableFiltersProductAndStateInOrder) {
  ASSERT_TRUE(db.Exec(
      "insert into spf_t_trans_table(trans_index,soft_ver,trans_state,trans_type,trans_table,table_name) values"
      "(3,'00012',1,'BI','c','t_c'),(1,'00012',1,'BI','a','t_a'),(2,'00012',0,'BI','b','t_b'),"
      "(0,'00008',1,'BI','x','t_x')"));
  TDbQuery qry;
  ASSERT_TRUE(dm.GetTransTable(reason, qry)) << reason;
  std::vector<std::string> tables;
  for (; !qry.Eof(); qry.Next()) tables.push_back(qry.AsString(qry.FieldIndex("trans_table")));
  EXPECT_EQ(tables, (std::vector<std::string>{"a", "c"}));
}

// A worker's own connection takes the main connection's parameters on first use and writes
// into the same database.
TEST_F(AppDMParamsTest, WorkerConnectionTakesMainParameters) {
  TDbConnection worker;
  ASSERT_TRUE(dm.SetTransRecord(reason, "BI", "w", 3, EncodeDateTime({2024, 1, 1, 0, 0, 0, 0}), &worker)) << reason;
  EXPECT_EQ(worker.Params(), MainParams());
  EXPECT_TRUE(worker.Connected());
  EXPECT_EQ(dm.GetTransRecord(reason, "BI", "w"), 3);
}

// A checkpoint write whose statement fails leaves nothing and reports the server's message.
TEST_F(AppDMParamsTest, FailedCheckpointWriteReportsAndStoresNothing) {
  db.FailStatements("%insert into spf_t_trans_record%", "disk full");
  EXPECT_FALSE(dm.SetTransRecord(reason, "BI", "x", 1, 0));
  EXPECT_NE(reason.find("disk full"), std::string::npos) << reason;
  EXPECT_EQ(db.Value("select count(*) from spf_t_trans_record"), "0");
}

}  // namespace
}  // namespace tessaly
