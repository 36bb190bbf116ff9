// The test driver as the agent meets it: through the unixODBC driver manager and the wide calls.
#include "DriverClient.h"

using namespace drivertest;

namespace {

constexpr const char* kSysTable =
    "if not exists(select 1 from sysobjects where name='spf_t_sys_system')CREATE TABLE spf_t_sys_system(  [softid] int "
    "NOT NULL,  [sys_id] [varchar](20) NOT NULL,  [sys_name] [varchar](100) NULL,  [sys_value] [varchar](254) NULL,  "
    "[sys_memo] [varchar](254) NULL,  [sys_flag] int DEFAULT '0',  [last_date] datetime DEFAULT NULL,  [last_change] "
    "int DEFAULT '0',  PRIMARY KEY(softid,sys_id))";

std::string SetParam(const std::string& id, const std::string& value) {
  return "if exists(select 1 from spf_t_sys_system where softid=5 and sys_id='" + id +
         "')    update spf_t_sys_system set sys_value='" + value + "'    where softid=5 and sys_id='" + id +
         "' else     insert into spf_t_sys_system(softid,sys_id,sys_name,sys_value,sys_memo,sys_flag,last_date,"
         "last_change)    values(5,'" +
         id + "','名称','" + value + "','',0,GetDate(),1)";
}

std::string SetCheckpoint(int change, const std::string& date) {
  return "if exists(select 1 from spf_t_trans_record where softid=5 and trans_type='BI' and table_name='bi_item') "
         "begin   update spf_t_trans_record set last_change=" +
         std::to_string(change) + "    ,last_date='" + date +
         "'   where softid=5     and trans_type='BI' and table_name='bi_item' end else begin   insert into "
         "spf_t_trans_record(softid,trans_type,table_name,last_change,last_date)   values(5,'BI','bi_item'," +
         std::to_string(change) + "     ,'" + date + "') end";
}

// The existence forms: a create guarded by sysobjects runs once, an upsert inserts then updates,
// the begin/end form does the same, and a nested multi-line block takes the right branches.
TEST_F(DriverTest, IfExistsFormsTakeTheRightBranch) {
  Run(kSysTable);
  Run(kSysTable);  // exists now: nothing happens
  Run("create table spf_t_trans_record(softid int, trans_type varchar(20), table_name varchar(50), last_change int,"
      " last_date datetime)");
  db.SetGetDate("2024-01-02 03:04:05.006");
  Conn c(db.ConnectionString());
  for (const char* v : {"1", "2"}) {
    const auto out = c.RunAll(SetParam("DataClearFlag", v));
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].rc, SQL_SUCCESS);
    EXPECT_EQ(out[0].rowCount, 1);
  }
  EXPECT_EQ(db.Query("select sys_value, last_date, sys_name from spf_t_sys_system"),
            (std::vector<vqtest::TestOdbc::Row>{{"2", "2024-01-02 03:04:05.006", "名称"}}));
  ASSERT_EQ(c.RunAll(SetCheckpoint(7, "2024-03-04 05:06:07.890"))[0].rc, SQL_SUCCESS);
  ASSERT_EQ(c.RunAll(SetCheckpoint(9, "2024-03-04 05:06:07.891"))[0].rc, SQL_SUCCESS);
  EXPECT_EQ(db.Query("select last_change, last_date from spf_t_trans_record"),
            (std::vector<vqtest::TestOdbc::Row>{{"9", "2024-03-04 05:06:07.891"}}));

  const auto nested = c.RunAll(
      "if not exists(select 1 from spf_t_trans_record where softid=5)\r\n"
      "begin\r\n  select 'wrong' as r\r\nend\r\n"
      "else\r\nbegin\r\n"
      "  if exists (select 1 from spf_t_trans_record where last_change = 9)\r\n"
      "  begin\r\n    select 'inner' as r\r\n    select case when 1=1 then 'case' else 'x' end as r\r\n  end\r\n"
      "  select 'after' as r\r\n"
      "end\r\n"
      "select 'last' as r");
  std::vector<std::string> seen;
  for (const auto& o : nested) seen.push_back(o.rows.empty() ? "?" : o.rows[0][0].value_or("NULL"));
  EXPECT_EQ(seen, (std::vector<std::string>{"inner", "case", "after", "last"}));
}

// A batch gives one result per statement through SQLMoreResults; a run-time error (here a key
// violation) is reported at its place and the statements after it still run.
TEST_F(DriverTest, BatchResultsAndALaterFailure) {
  Run("create table t(id int primary key, v varchar(10))");
  Conn c(db.ConnectionString());
  const auto out = c.RunAll(
      "insert into t values(1, 'a')\r\ninsert into t values(1, 'dup')\r\ninsert into t values(2, 'b');"
      "select v from t order by id\r\nselect count(*) as n from t");
  ASSERT_EQ(out.size(), 5u);
  EXPECT_EQ(out[0].rc, SQL_SUCCESS);
  EXPECT_EQ(out[1].rc, SQL_ERROR);
  EXPECT_EQ(out[1].state, "23000");
  EXPECT_EQ(out[2].rc, SQL_SUCCESS);
  EXPECT_EQ(out[3].rows, (std::vector<Row>{{"a"}, {"b"}}));
  EXPECT_EQ(out[4].rows, (std::vector<Row>{{"2"}}));
}

// A compile error (missing table, bad syntax) stops the batch there: later statements do not run.
TEST_F(DriverTest, CompileErrorEndsTheBatch) {
  Run("create table t(id int)");
  struct Case {
    std::string bad;
    std::string state;
  } cases[] = {
      {"insert into missing_table values(1)", "42S02"},
      {"select nope from t", "42S22"},
      {"select from where", "42000"},
  };
  Conn c(db.ConnectionString());
  for (const auto& k : cases) {
    const auto out = c.RunAll("insert into t values(1)\n" + k.bad + "\ninsert into t values(2)");
    ASSERT_EQ(out.size(), 2u) << k.bad;
    EXPECT_EQ(out[1].rc, SQL_ERROR) << k.bad;
    EXPECT_EQ(out[1].state, k.state) << k.bad << " " << out[1].message;
  }
  EXPECT_EQ(db.Value("select count(*) from t where id=2"), "0");
  EXPECT_EQ(db.Value("select count(*) from t where id=1"), "3");
}

// Words left over after a complete statement are a syntax error, as on the server, not ignored:
// the statement does not run.
TEST_F(DriverTest, TextAfterAStatementIsASyntaxError) {
  Run("create table t(id int, name varchar(10))\ninsert into t values(1, 'a')");
  const std::string cases[] = {
      "insert into t values(2, 'b') junk",
      "insert into t values(2, 'b'))",
      "update t set name='x' where id=1 junk",
      "update t set name='x' where id=1 and",
      "delete from t where id=1 junk",
      "insert into t values(2 'b')",
      "if exists(select 1 from t) update t set name='x' junk",
  };
  Conn c(db.ConnectionString());
  for (const auto& sql : cases) {
    const auto out = c.RunAll(sql);
    ASSERT_FALSE(out.empty()) << sql;
    EXPECT_EQ(out[0].rc, SQL_ERROR) << sql;
    EXPECT_EQ(out[0].state, "42000") << sql << " " << out[0].message;
  }
  EXPECT_EQ(db.Query("select id, name from t"), (std::vector<vqtest::TestOdbc::Row>{{"1", "a"}}));
}

// An insert, update or delete that touches no row answers SQL_NO_DATA; row counts are exact.
TEST_F(DriverTest, RowCounts) {
  Run("create table t(id int)\ninsert into t values(1)\ninsert into t values(2)\ninsert into t values(3)");
  Conn c(db.ConnectionString());
  EXPECT_EQ(c.Exec("delete from t where id > 10"), SQL_NO_DATA);
  EXPECT_EQ(c.Exec("update t set id = id + 10 where id >= 2"), SQL_SUCCESS);
  SQLLEN n = 0;
  SQLRowCount(c.stmt(), &n);
  EXPECT_EQ(n, 2);
  const auto out = c.RunAll("delete from t where id = 99\ndelete from t");
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[0].rc, SQL_NO_DATA);
  EXPECT_EQ(out[1].rowCount, 3);
}

// With autocommit off the work waits for SQLEndTran: rollback undoes it, the procedure log with
// it, and commit keeps it; the log tells calls inside a transaction apart.
TEST_F(DriverTest, TransactionsCommitAndRollBack) {
  Run("create table t(id int)");
  db.RegisterProcedure("pr_spf_soft_pos_data");
  Conn c(db.ConnectionString());
  for (SQLSMALLINT completion : {SQL_ROLLBACK, SQL_COMMIT}) {
    ASSERT_EQ(SQLSetConnectAttrW(c.dbc(), SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), 0),
              SQL_SUCCESS);
    ASSERT_EQ(c.RunAll("insert into t values(1)\r\nexec pr_spf_soft_pos_data 5, 'S001'")[0].rc, SQL_SUCCESS);
    EXPECT_EQ(c.Value("select count(*) from t"), "1");
    ASSERT_EQ(SQLEndTran(SQL_HANDLE_DBC, c.dbc(), completion), SQL_SUCCESS);
    ASSERT_EQ(SQLSetConnectAttrW(c.dbc(), SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON), 0),
              SQL_SUCCESS);
  }
  EXPECT_EQ(db.Value("select count(*) from t"), "1");
  const auto log = db.ExecLog();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_FALSE(log[0].autocommit);
  // Switching autocommit back on commits what is open.
  SQLSetConnectAttrW(c.dbc(), SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), 0);
  c.RunAll("insert into t values(2)");
  SQLSetConnectAttrW(c.dbc(), SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON), 0);
  EXPECT_EQ(db.Value("select count(*) from t"), "2");
}

// exec records the procedure and its argument text; an unknown procedure and a procedure told to
// fail report errors the client sees, with the test's message and state.
TEST_F(DriverTest, ExecRecordsAndFails) {
  db.RegisterProcedure("pr_spf_soft_pos_data");
  db.RegisterProcedure("pr_spf_soft_pos_vip");
  db.FailProcedure("pr_spf_soft_pos_vip", "会员转入失败", "%'V2'%");
  Conn c(db.ConnectionString());
  EXPECT_EQ(c.Exec("exec pr_spf_soft_pos_data 5, 'S001'"), SQL_SUCCESS);
  EXPECT_EQ(c.Exec("exec dbo.pr_spf_soft_pos_vip 5, 'V1'"), SQL_SUCCESS);
  const auto failed = c.RunAll("exec pr_spf_soft_pos_vip 5, 'V2'");
  EXPECT_EQ(failed[0].rc, SQL_ERROR);
  EXPECT_EQ(failed[0].state, "42000");
  EXPECT_EQ(failed[0].message, "会员转入失败");
  const auto unknown = c.RunAll("exec pr_not_there 1");
  EXPECT_EQ(unknown[0].rc, SQL_ERROR);
  EXPECT_EQ(unknown[0].message, "Could not find stored procedure 'pr_not_there'.");
  const auto log = db.ExecLog();
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[0].proc, "pr_spf_soft_pos_data");
  EXPECT_EQ(log[0].args, "5, 'S001'");
  EXPECT_EQ(log[1].proc, "pr_spf_soft_pos_vip");
  EXPECT_EQ(log[2].args, "5, 'V2'");
  EXPECT_LT(log[0].seq, log[1].seq);
}

// An exec whose arguments are not a comma list of values is a syntax error and runs nothing.
TEST_F(DriverTest, ExecArgumentsMustBeAList) {
  db.RegisterProcedure("pr_x");
  Conn c(db.ConnectionString());
  const struct {
    std::string args;
    bool ok;
  } cases[] = {
      {"", true},          {"5, 'S001'", true},       {"@a = 1, @b = N'名', -2.5, null, default, @v output", true},
      {"5 'S001'", false}, {"5, 'S001' junk", false}, {"5,", false},
      {", 5", false},      {"5,, 6", false},          {"getdate()", false},
  };
  for (const auto& k : cases) {
    const auto out = c.RunAll("exec pr_x " + k.args);
    ASSERT_FALSE(out.empty()) << k.args;
    EXPECT_EQ(out[0].rc != SQL_ERROR, k.ok) << k.args << " " << out[0].message;
    if (!k.ok) {
      EXPECT_EQ(out[0].state, "42000") << k.args;
    }
  }
  EXPECT_EQ(db.ExecLog().size(), 3u);
}

// Inserts and updates hold the server's rules for typed columns: text no longer than the
// declared length (code page bytes for varchar, characters for nvarchar), numbers and dates
// where the column wants them, each refusal with the server's state and message.
TEST_F(DriverTest, TypedColumnsRefuseWhatTheServerRefuses) {
  Run("create table typed(code varchar(4), name nvarchar(3), qty int, amt decimal(10,2), made datetime, "
      "memo varchar(max))");
  Conn c(db.ConnectionString());
  const struct {
    std::string sql;
    std::string state;  // empty: accepted
  } cases[] = {
      {"insert into typed(code) values('abcd')", ""},
      {"insert into typed(code) values('abcde')", "22001"},
      {"insert into typed(code) values('中文')", ""},
      {"insert into typed(code) values('中文a')", "22001"},
      {"insert into typed(name) values(N'中文字')", ""},
      {"insert into typed(name) values(N'中文字x')", "22001"},
      {"insert into typed(qty) values('12')", ""},
      {"insert into typed(qty) values('abc')", "22018"},
      {"insert into typed(amt) values('1.5')", ""},
      {"insert into typed(amt) values('x1.5')", "22018"},
      {"insert into typed(made) values('2024-01-02 03:04:05')", ""},
      {"insert into typed(made) values(' 2024-01-02 ')", ""},
      {"insert into typed(made) values('not a date')", "22007"},
      {"insert into typed(memo) values('" + std::string(9000, 'm') + "')", ""},
      {"update typed set code='toolong' where code='abcd'", "22001"},
      {"update typed set qty='x' where qty=12", "22018"},
  };
  for (const auto& k : cases) {
    const auto out = c.RunAll(k.sql);
    ASSERT_FALSE(out.empty()) << k.sql;
    if (k.state.empty()) {
      EXPECT_NE(out[0].rc, SQL_ERROR) << k.sql << " " << out[0].message;
    } else {
      EXPECT_EQ(out[0].rc, SQL_ERROR) << k.sql;
      EXPECT_EQ(out[0].state, k.state) << k.sql << " " << out[0].message;
    }
  }
  const auto truncated = c.RunAll("insert into typed(code) values('abcde')");
  EXPECT_EQ(truncated[0].message, "String or binary data would be truncated.");
  EXPECT_EQ(db.Value("select count(*) from typed where code='abcde' or code='toolong' or qty='abc'"), "0");
}

// A statement matching a forced failure fails; inside a transaction the client's rollback then
// removes the statements before it, so no header stays without its lines.
TEST_F(DriverTest, ForcedStatementFailureInATransaction) {
  Run("create table spf_t_pos_master(softid int, sheet_no varchar(20), amt numeric(18,4))\n"
      "create table spf_t_pos_detail(softid int, sheet_no varchar(20), sheet_sort int)");
  db.FailStatements("%spf_t_pos_detail%", "磁盘已满", "HY000");
  Conn c(db.ConnectionString());
  SQLSetConnectAttrW(c.dbc(), SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), 0);
  const auto out = c.RunAll(
      "if exists(select 1 from spf_t_pos_master where 1=1  and softid=5 and sheet_no='A1')    update spf_t_pos_master "
      "set amt=12.5 where 1=1  and softid=5 and sheet_no='A1' else    insert into "
      "spf_t_pos_master(softid,sheet_no,amt) "
      "values(5,'A1',12.5)\r\n"
      "if exists(select 1 from spf_t_pos_detail where 1=1  and softid=5 and sheet_no='A1' and sheet_sort=1)    update "
      "spf_t_pos_detail set sheet_sort=1 where 1=1  and softid=5 else    insert into "
      "spf_t_pos_detail(softid,sheet_no,sheet_sort) values(5,'A1',1)");
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[0].rc, SQL_SUCCESS);
  EXPECT_EQ(out[1].rc, SQL_ERROR);
  EXPECT_EQ(out[1].message, "磁盘已满");
  SQLEndTran(SQL_HANDLE_DBC, c.dbc(), SQL_ROLLBACK);
  EXPECT_EQ(db.Value("select count(*) from spf_t_pos_master"), "0");
  db.ClearFailures();
  EXPECT_EQ(c.RunAll("insert into spf_t_pos_detail values(5, 'A1', 1)")[0].rc, SQL_SUCCESS);
}

// A forced failure also reaches create/alter of a view, procedure, function or trigger, and a
// whole if/else or begin/end by its own text (condition included), which then fails whole; a
// pattern naming only an inner statement still fails just that statement.
TEST_F(DriverTest, ForcedFailureMatchesModulesAndWholeCompoundStatements) {
  Run(kSysTable);
  Run("create view v_keep as select 1 as x");
  Run("create procedure p_keep as select 1");
  Run(SetParam("Present", "1"));
  struct Case {
    const char* what;
    std::string pattern;
    std::string sql;
    std::string check;  // plain SQLite on the file after the failure
    std::optional<std::string> expected;
  } cases[] = {
      {"create view", "create view v_new%", "create view v_new as select 1 as x",
       "select count(*) from sqlite_master where name='v_new'", "0"},
      {"alter view", "alter view v_keep%", "alter view v_keep as select 2 as x", "select x from v_keep", "1"},
      {"create procedure", "%procedure p_new%", "create procedure p_new as select 1",
       "select count(*) from vq_test_object where name='p_new'", "0"},
      {"alter procedure", "alter proc%", "alter procedure p_keep as select 2",
       "select definition from vq_test_object where name='p_keep'", "create procedure p_keep as select 1"},
      {"create function", "create function fn_new%", "create function fn_new() returns int as begin return 1 end",
       "select count(*) from vq_test_object where name='fn_new'", "0"},
      {"create trigger", "%trigger tr_new%", "create trigger tr_new on spf_t_sys_system after insert as select 1",
       "select count(*) from vq_test_object where name='tr_new'", "0"},
      {"if exists by its condition", "if exists(select 1 from spf_t_sys_system%", SetParam("Absent", "1"),
       "select count(*) from spf_t_sys_system where sys_id='Absent'", "0"},
      {"if exists whose update branch would run", "if exists(select 1 from spf_t_sys_system%", SetParam("Present", "2"),
       "select sys_value from spf_t_sys_system where sys_id='Present'", "1"},
      {"if not exists guarding a create", "if not exists(select 1 from sysobjects where name='spf_t_new')%",
       "if not exists(select 1 from sysobjects where name='spf_t_new') create table spf_t_new(id int)",
       "select count(*) from sqlite_master where name='spf_t_new'", "0"},
      {"begin … end", "begin%insert into spf_t_new2%",
       "create table spf_t_new2(id int)\nbegin insert into spf_t_new2 values(1) end", "select count(*) from spf_t_new2",
       "0"},
      {"inner insert of an if", "insert into spf_t_sys_system%", SetParam("Inner", "1"),
       "select count(*) from spf_t_sys_system where sys_id='Inner'", "0"},
  };
  Conn c(db.ConnectionString());
  for (const auto& k : cases) {
    db.FailStatements(k.pattern, "forced", "42000");
    const auto out = c.RunAll(k.sql);
    ASSERT_FALSE(out.empty()) << k.what;
    EXPECT_EQ(out.back().rc, SQL_ERROR) << k.what;
    EXPECT_EQ(out.back().state, "42000") << k.what;
    EXPECT_EQ(out.back().message, "forced") << k.what;
    EXPECT_EQ(db.Value(k.check), k.expected) << k.what;
    db.ClearFailures();
  }
  // The inner pattern leaves the update branch alone.
  db.FailStatements("insert into spf_t_sys_system%", "forced");
  const auto update = c.RunAll(SetParam("Present", "3"));
  ASSERT_EQ(update.size(), 1u);
  EXPECT_EQ(update[0].rc, SQL_SUCCESS) << update[0].message;
  EXPECT_EQ(db.Value("select sys_value from spf_t_sys_system where sys_id='Present'"), "3");
  db.ClearFailures();
  // A compound statement's failure is a run-time error: the batch goes on after it.
  db.FailStatements("if exists(select 1 from spf_t_sys_system%", "forced");
  // (A first statement's error ends SQLExecDirect, after which the driver manager shows no more results.)
  const auto batch = c.RunAll("select 'before' as r\r\n" + SetParam("Absent", "1") + "\r\nselect 'after' as r");
  ASSERT_EQ(batch.size(), 3u);
  EXPECT_EQ(batch[1].rc, SQL_ERROR);
  EXPECT_EQ(batch[2].rows, (std::vector<Row>{{"after"}}));
}

// Scalar functions of the server answer what the test set: per argument, for any argument, or an
// error when none is set; CHANGE_TRACKING_CURRENT_VERSION() is NULL until set, getdate() the
// local clock until set.
TEST_F(DriverTest, ScalarsAndServerClock) {
  db.SetScalar("fn_spf_soft_get_distributed", 2, std::string("5"));
  db.SetScalar("fn_spf_soft_get_distributed", 1);
  db.SetScalarText("fn_spf_soft_get_branch_no", "0102");
  Conn c(db.ConnectionString());
  EXPECT_EQ(c.Value("select dbo.fn_spf_soft_get_distributed(5) as is_distributed "), "2");
  EXPECT_EQ(c.Value("select dbo.fn_spf_soft_get_distributed(6) as is_distributed "), "1");
  EXPECT_EQ(c.Value("select dbo.fn_spf_soft_get_branch_no(5) as branch_no "), "0102");
  const auto missing = c.RunAll("select dbo.fn_nothing(5) as x");
  EXPECT_EQ(missing[0].rc, SQL_ERROR);
  EXPECT_EQ(missing[0].state, "42000");
  EXPECT_EQ(c.Value("select CHANGE_TRACKING_CURRENT_VERSION() as max_change"), std::nullopt);
  db.SetScalar("CHANGE_TRACKING_CURRENT_VERSION", 7788);
  EXPECT_EQ(c.Value("select CHANGE_TRACKING_CURRENT_VERSION() as max_change"), "7788");
  const auto now = c.Value("select GetDate()");
  ASSERT_TRUE(now.has_value());
  EXPECT_EQ(now->size(), 23u);
  EXPECT_GE(now->substr(0, 4), "2024");
  db.SetGetDate("2030-01-01 00:00:00.000");
  EXPECT_EQ(c.Value("select getdate() as d"), "2030-01-01 00:00:00.000");
}

// sysobjects lists tables, views and registered procedures and functions, names matched without
// case; the test's control tables stay out of it.
TEST_F(DriverTest, SysobjectsCatalogue) {
  Run("create table Bi_Item(id int)\ncreate view v_items as select id from Bi_Item");
  db.RegisterProcedure("pr_spf_soft_pos_data");
  db.RegisterFunction("fn_spf_soft_get_distributed");
  Conn c(db.ConnectionString());
  struct Case {
    const char* name;
    std::optional<std::string> xtype;
  } cases[] = {{"bi_item", "U"},
               {"BI_ITEM", "U"},
               {"v_items", "V"},
               {"pr_spf_soft_pos_data", "P"},
               {"fn_spf_soft_get_distributed", "FN"},
               {"vq_test_exec_log", std::nullopt},
               {"nothing", std::nullopt}};
  for (const auto& k : cases) {
    const auto v = c.Value(std::string("select xtype from sysobjects where name='") + k.name + "'");
    EXPECT_EQ(v == "<no rows>" ? std::nullopt : v, k.xtype) << k.name;
  }
}

// Text compares without case, as the back-office database's collation does, keys included.
TEST_F(DriverTest, TextComparesWithoutCase) {
  Run("create table t(code varchar(10) primary key, n nvarchar(10))\ninsert into t values('AbC', N'x')");
  Conn c(db.ConnectionString());
  EXPECT_EQ(c.Value("select n from t where code='abc'"), "x");
  EXPECT_EQ(c.Value("select count(*) from t where code in ('ABC')"), "1");
  const auto dup = c.RunAll("insert into t values('abc', N'y')");
  EXPECT_EQ(dup[0].state, "23000");
}

// Expression forms of T-SQL give the server's answers.
TEST_F(DriverTest, ExpressionForms) {
  Run("create table [dbo].[t]([id] int identity(1,1) primary key, [name] nvarchar(20), [d] datetime)\n"
      "insert into dbo.t(name, d) values(N'甲 ', '2024-05-06 07:08:09.123')\n"
      "insert t(name, d) values(null, '2024-05-07 00:00:00')\n"
      "insert into t(name, d) values(N'丙', null)");
  struct Case {
    std::string sql;
    std::optional<std::string> value;
  } cases[] = {
      {"select top 1 id from t order by id desc", "3"},
      {"select top (2) id from t order by id", "1"},
      {"select count(*) from (select top 2 id from t) x", "2"},
      {"select isnull(name, N'无') from t where id=2", "无"},
      {"select len(name) from t where id=1", "1"},
      {"select convert(varchar(10), d, 120) from t where id=1", "2024-05-06"},
      {"select convert(varchar(19), d, 120) from t where id=1", "2024-05-06 07:08:09"},
      {"select cast(d as datetime) from t where id=2", "2024-05-07 00:00:00.000"},
      {"select cast(id as varchar) from t where id=3", "3"},
      {"select [name] from [t] with (nolock) where [id]=3", "丙"},
      {"select max(id) from dbo.t where name = N'丙'", "3"},
      {"select max(d) from t", "2024-05-07 00:00:00.000"},
      {"insert into t(name) values(N'丁')\nselect @@identity", "4"},
  };
  Conn c(db.ConnectionString());
  for (const auto& k : cases) EXPECT_EQ(c.Value(k.sql), k.value) << k.sql;
}

// Objects the upgrade scripts create: views run, procedures, functions and triggers are kept as
// definitions; a second create fails like the server, alter replaces.
TEST_F(DriverTest, CreateAndAlterModules) {
  Run("create table t(id int)\ninsert into t values(4)");
  Conn c(db.ConnectionString());
  EXPECT_EQ(c.RunAll("create view v_x as select id from t")[0].rc, SQL_SUCCESS);
  EXPECT_EQ(c.RunAll("alter view v_x as select id * 2 as id from t")[0].rc, SQL_SUCCESS);
  EXPECT_EQ(c.Value("select id from v_x"), "8");
  EXPECT_EQ(c.RunAll("create procedure p_x(@a int) as\r\nbegin\r\n  select @a\r\nend")[0].rc, SQL_SUCCESS);
  const auto again = c.RunAll("create procedure p_x as select 1");
  EXPECT_EQ(again[0].state, "42S01");
  EXPECT_EQ(c.RunAll("alter procedure p_x as select 2")[0].rc, SQL_SUCCESS);
  EXPECT_EQ(db.Value("select definition from vq_test_object where name='p_x'"), "alter procedure p_x as select 2");
  EXPECT_EQ(c.Value("select xtype from sysobjects where name='p_x'"), "P");
  EXPECT_EQ(c.RunAll("exec p_x 1")[0].rc, SQL_SUCCESS);
  EXPECT_EQ(c.RunAll("create function fn_y() returns int as begin return 1 end")[0].rc, SQL_SUCCESS);
  EXPECT_EQ(c.Value("select xtype from sysobjects where name='fn_y'"), "FN");
  EXPECT_EQ(c.RunAll("alter trigger tr_none on t after insert as select 1")[0].state, "42S02");
}

}  // namespace
