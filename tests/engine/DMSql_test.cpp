// The SQL operations on both back ends: through the ODBC back end and the driver manager, once
// to the T-SQL test driver and once through the system's FreeTDS driver to the test SQL server
// (the road to the back-office server), and on the SQLite back end (upgrade packages). Batches and transactions, the
// walk over a batch's results, and the fallbacks of SqlValue, SqlCount, SqlExists and the catalogue tests.
#include <gtest/gtest.h>

#include <clocale>
#include <memory>
#include <optional>

#include "engine/DMUnit.h"
#include "support/FakeTdsServer.h"
#include "support/TempDir.h"
#include "support/TestDbParams.h"
#include "support/TestOdbc.h"

namespace tessaly {
namespace {

enum class TBackEnd { Odbc, FreeTds, Sqlite };

const char* NameOf(TBackEnd b) { return b == TBackEnd::Odbc ? "Odbc" : b == TBackEnd::FreeTds ? "FreeTds" : "Sqlite"; }

std::string BackEndName(const ::testing::TestParamInfo<TBackEnd>& info) { return NameOf(info.param); }

void PrintTo(TBackEnd b, std::ostream* os) { *os << NameOf(b); }

class DMSqlTest : public ::testing::TestWithParam<TBackEnd> {
 protected:
  void SetUp() override {
    std::setlocale(LC_ALL, "C.UTF-8");
    if (GetParam() == TBackEnd::Odbc) {
      server.emplace();
      dm.FDConnection.SetParams(vqtest::TestDriverParams(server->DatabasePath()));
      conn = &dm.FDConnection;
    } else if (GetParam() == TBackEnd::FreeTds) {
      vqtest::InstallOdbcDrivers();
      server.emplace();
      tds = std::make_unique<vqtest::FakeTdsServer>(server->DatabasePath());
      dm.FDConnection.SetParams({"DriverID=MSSQL", std::string("ODBCDriver=") + vqtest::kFreeTdsOdbcDriver,
                                 "Server=" + tds->Host(), "User_Name=sa", "Password=test", "Database=shop"});
      conn = &dm.FDConnection;
    } else {
      vqtest::WriteFileBytes(dir.file("pkg.db"), "");
      ASSERT_TRUE(dm.SQLiteConn(reason, dir.file("pkg.db"))) << reason;
      conn = &dm.FSqliteConn;
    }
    ASSERT_TRUE(
        Exec("create table T_UPList(i_UpOrderNo int, s_UpType varchar(10), m_UpTxt text, d_When datetime);"
             "insert into T_UPList values(1, 'TB', 'create table a(x int)', '2024-01-02 03:04:05');"
             "insert into T_UPList values(2, null, '中文脚本', null);"))
        << reason;
  }

  // The road to SQL Server, through either ODBC driver.
  [[nodiscard]] bool Odbc() const { return GetParam() != TBackEnd::Sqlite; }
  bool Exec(const std::string& sql, bool trans = false) { return dm.SqlExec(reason, sql, conn, trans); }
  int Rows() { return dm.SqlCount("select * from T_UPList", conn); }
  // A new session on the same database: what another client sees.
  void Reopen() {
    conn->Close();
    if (Odbc()) {
      ASSERT_TRUE(dm.CheckConn(reason, conn)) << reason;
    } else {
      ASSERT_TRUE(dm.SQLiteConn(reason, dir.file("pkg.db"))) << reason;
    }
  }

  vqtest::TempDir dir;
  std::optional<vqtest::TestOdbc> server;
  std::unique_ptr<vqtest::FakeTdsServer> tds;  // FreeTds only: serves `server`'s database file
  TDM dm;
  TDbConnection* conn = nullptr;
  std::string reason;
};

INSTANTIATE_TEST_SUITE_P(BackEnds, DMSqlTest, ::testing::Values(TBackEnd::Odbc, TBackEnd::FreeTds, TBackEnd::Sqlite),
                         BackEndName);

// A failing second statement fails the call and, inside a transaction, takes the first one
// back with it.
TEST_P(DMSqlTest, FailingSecondStatementRollsBackWholeBatch) {
  EXPECT_FALSE(Exec("insert into T_UPList(i_UpOrderNo) values(3);\ninsert into no_such_table values(1)", true));
  EXPECT_NE(reason.find("no_such_table"), std::string::npos) << reason;
  EXPECT_EQ(Rows(), 2);
  // No transaction is left open: the next statement commits on its own.
  ASSERT_TRUE(Exec("insert into T_UPList(i_UpOrderNo) values(4)")) << reason;
  Reopen();
  EXPECT_EQ(Rows(), 3);
}

// Without a transaction the statements before the failing one stay applied.
TEST_P(DMSqlTest, FailingBatchWithoutTransactionKeepsEarlierStatements) {
  EXPECT_FALSE(Exec("insert into T_UPList(i_UpOrderNo) values(3);\ninsert into no_such_table values(1)"));
  EXPECT_EQ(Rows(), 3);
}

// A whole batch in a transaction is committed, and the reason text is the check's text.
TEST_P(DMSqlTest, SucceedingBatchInTransactionCommits) {
  ASSERT_TRUE(Exec("insert into T_UPList(i_UpOrderNo) values(3);\ninsert into T_UPList(i_UpOrderNo) values(4)", true))
      << reason;
  EXPECT_EQ(reason, "数据库已连接");
  EXPECT_EQ(Rows(), 4);
  Reopen();
  EXPECT_EQ(Rows(), 4);
}

struct BatchCase {
  const char* what;
  std::string third;  // the statement that fails
};

// Any failing statement of a batch fails the call, however many statements ran before it: in a
// transaction nothing stays, without one the statements before it do.
TEST_P(DMSqlTest, FailingThirdStatementOfBatch) {
  ASSERT_TRUE(Exec("create table T_Key(k int primary key)")) << reason;
  const BatchCase cases[] = {
      {"missing table", "insert into no_such_table values(1)"},
      {"duplicate key", "insert into T_Key values(1)"},
      {"missing column", "update T_UPList set no_such_column=1"},
  };
  for (const auto& c : cases) {
    const std::string batch =
        "insert into T_UPList(i_UpOrderNo) values(3);\r\ninsert into T_Key values(1);\r\n" + c.third;
    EXPECT_FALSE(Exec(batch, true)) << c.what;
    EXPECT_NE(reason, "数据库已连接") << c.what;
    EXPECT_EQ(Rows(), 2) << c.what;
    EXPECT_EQ(dm.SqlCount("select k from T_Key", conn), 0) << c.what;

    EXPECT_FALSE(Exec(batch)) << c.what;
    EXPECT_EQ(Rows(), 3) << c.what;
    EXPECT_EQ(dm.SqlCount("select k from T_Key", conn), 1) << c.what;
    ASSERT_TRUE(Exec("delete from T_UPList where i_UpOrderNo=3; delete from T_Key")) << reason;
  }
}

// A batch whose statements return result sets, or touch no row, runs to its end: the statements
// after them are applied and a failure after them is reported.
TEST_P(DMSqlTest, BatchWithResultSetsRunsToItsEnd) {
  EXPECT_TRUE(
      Exec("select i_UpOrderNo from T_UPList;\r\nselect count(*) from T_UPList;\r\n"
           "delete from T_UPList where 1=0;\r\ninsert into T_UPList(i_UpOrderNo) values(3)",
           true))
      << reason;
  EXPECT_EQ(Rows(), 3);
  EXPECT_FALSE(
      Exec("select i_UpOrderNo from T_UPList;\r\nselect count(*) from T_UPList;\r\n"
           "insert into T_UPList(i_UpOrderNo) values(4);\r\ninsert into no_such_table values(1)",
           true));
  EXPECT_NE(reason.find("no_such_table"), std::string::npos) << reason;
  EXPECT_EQ(Rows(), 3);
  EXPECT_FALSE(Exec("delete from T_UPList where 1=0;\r\ninsert into no_such_table values(1)", true));
  EXPECT_NE(reason.find("no_such_table"), std::string::npos) << reason;
}

// A query takes the first result set of its batch, past statements without one, and a
// failure after it still fails the query.
TEST_P(DMSqlTest, QueryTakesFirstResultSetOfBatch) {
  EXPECT_EQ(dm.SqlValue("update T_UPList set s_UpType='TB' where 1=0;\r\nselect count(*) from T_UPList;\r\nselect 99",
                        TDbVariant(), "", conn),
            TDbVariant(std::int64_t{2}));
  EXPECT_EQ(dm.SqlValue("update T_UPList set s_UpType='VW' where i_UpOrderNo=1;\r\n"
                        "select s_UpType from T_UPList where i_UpOrderNo=1",
                        TDbVariant(), "", conn),
            TDbVariant(std::string("VW")));
  TDbQuery qry;
  EXPECT_FALSE(dm.SqlOpen(reason, qry, "select * from T_UPList;\r\ninsert into no_such_table values(1)", conn));
  EXPECT_NE(reason.find("no_such_table"), std::string::npos) << reason;
  EXPECT_FALSE(qry.Active());
}

struct ValueCase {
  const char* what;
  std::string sql;
  std::string field;
  TDbVariant expected;
};

// SqlValue gives the default when the query fails, has no row, holds null in the wanted column
// or lacks the named column; otherwise the value, in its own type.
TEST_P(DMSqlTest, SqlValueFallsBackToDefault) {
  const TDbVariant def = std::string("def");
  const ValueCase cases[] = {
      {"failing query", "select nope from nowhere", "", def},
      {"no rows", "select s_UpType from T_UPList where 1=0", "", def},
      {"null in first column", "select s_UpType from T_UPList where i_UpOrderNo=2", "", def},
      {"null in named column", "select * from T_UPList where i_UpOrderNo=2", "d_When", def},
      {"no such column", "select * from T_UPList", "missing", def},
      {"first column", "select s_UpType, i_UpOrderNo from T_UPList order by 2", "", TDbVariant(std::string("TB"))},
      {"named column, any case", "select * from T_UPList order by 1", "I_UPORDERNO", TDbVariant(std::int64_t{1})},
      {"text", "select m_UpTxt from T_UPList where i_UpOrderNo=2", "m_UpTxt", TDbVariant(std::string("中文脚本"))},
      {"date-time", "select d_When from T_UPList where i_UpOrderNo=1", "",
       TDbVariant(TDbDateTime{EncodeDateTime({2024, 1, 2, 3, 4, 5, 0})})},
      {"floating point", "select 2.5", "", TDbVariant(2.5)},
  };
  for (const auto& c : cases) EXPECT_EQ(dm.SqlValue(c.sql, def, c.field, conn), c.expected) << c.what;
}

// SqlCount counts rows, 0 for none and -1 for a failing query; SqlExists says whether a row came
// back and hands over the reason of a failure.
TEST_P(DMSqlTest, CountAndExists) {
  EXPECT_EQ(dm.SqlCount("select * from T_UPList", conn), 2);
  EXPECT_EQ(dm.SqlCount("select * from T_UPList where 1=0", conn), 0);
  EXPECT_EQ(dm.SqlCount("select * from nowhere", conn), -1);

  std::string erro;
  EXPECT_TRUE(dm.SqlExists("select 1 from T_UPList where s_UpType='TB'", erro, conn));
  EXPECT_FALSE(dm.SqlExists("select 1 from T_UPList where s_UpType='VW'", erro, conn));
  EXPECT_FALSE(dm.SqlExists("select 1 from nowhere", erro, conn));
  EXPECT_NE(erro.find("nowhere"), std::string::npos) << erro;
}

// The catalogue tests read SQLite's own catalogue: they belong to the upgrade packages only.
class DMSqliteCatalogueTest : public DMSqlTest {};
INSTANTIATE_TEST_SUITE_P(Sqlite, DMSqliteCatalogueTest, ::testing::Values(TBackEnd::Sqlite), BackEndName);

// The catalogue tests find tables and fields by name, quote what they are given and refuse
// empty names.
TEST_P(DMSqliteCatalogueTest, TableAndFieldExists) {
  EXPECT_TRUE(dm.TableExists("T_UPList", conn));
  EXPECT_FALSE(dm.TableExists("T_None", conn));
  EXPECT_FALSE(dm.TableExists("", conn));
  EXPECT_FALSE(dm.TableExists("x' or '1'='1", conn));
  EXPECT_TRUE(dm.FieldExists("T_UPList", "s_UpType", conn));
  EXPECT_FALSE(dm.FieldExists("T_UPList", "s_None", conn));
  EXPECT_FALSE(dm.FieldExists("T_UPList", "", conn));
  EXPECT_FALSE(dm.FieldExists("", "s_UpType", conn));
}

// A query object walks its rows and reads each value in the asked form; a value that has no
// such form throws for the JSON conversion to report. Column kinds follow each back end's types:
// the server reports varchar as a narrow string, SQLite's affinity a wide one.
TEST_P(DMSqlTest, QueryWalksRowsAndConvertsValues) {
  TDbQuery qry;
  ASSERT_TRUE(dm.SqlOpen(reason, qry, "select i_UpOrderNo, s_UpType, d_When, m_UpTxt from T_UPList order by 1", conn))
      << reason;
  EXPECT_EQ(qry.FieldKind(0), TVqFieldKind::Int32);
  EXPECT_EQ(qry.FieldKind(1), Odbc() ? TVqFieldKind::String : TVqFieldKind::WideString);
  EXPECT_EQ(qry.FieldKind(2), TVqFieldKind::DateTime);
  EXPECT_EQ(qry.FieldKind(3), Odbc() ? TVqFieldKind::Memo : TVqFieldKind::WideMemo);
  EXPECT_EQ(qry.FieldName(1), "s_UpType");
  EXPECT_EQ(qry.AsString(0), "1");
  EXPECT_EQ(qry.AsString(2), "2024-01-02 03:04:05");
  EXPECT_DOUBLE_EQ(qry.AsDateTime(2), EncodeDateTime({2024, 1, 2, 3, 4, 5, 0}));
  EXPECT_THROW((void)qry.AsInt64(1), std::invalid_argument);
  qry.Next();
  EXPECT_TRUE(qry.IsNull(1));
  EXPECT_EQ(qry.AsInt64(1), 0);
  EXPECT_TRUE(qry.IsNull(2));
  EXPECT_EQ(qry.AsString(3), "中文脚本");
  qry.Next();
  EXPECT_TRUE(qry.Eof());
  EXPECT_THROW((void)qry.Value(0), std::out_of_range);
  qry.MoveToRow(1);
  EXPECT_EQ(qry.AsInt64(0), 2);
  qry.MoveToRow(5);
  EXPECT_TRUE(qry.Eof());
  qry.First();
  EXPECT_EQ(qry.AsInt64(0), 1);
}

// A statement without a result set is no query.
TEST_P(DMSqlTest, OpenWithoutResultSetFails) {
  TDbQuery qry;
  EXPECT_FALSE(dm.SqlOpen(reason, qry, "update T_UPList set s_UpType='x' where 1=0", conn));
  EXPECT_FALSE(qry.Active());
  EXPECT_FALSE(dm.SqlOpen(reason, qry, "insert into T_UPList(i_UpOrderNo) values(3)", conn));
  EXPECT_FALSE(qry.Active());
}

// The statement text goes to the driver with its length, so that a NUL inside it (here in a
// comment) does not end it there. Only the test driver takes such a text whole: FreeTDS and
// SQLite end it at the NUL, which is why literals never carry one (SqlQuoted joins it in).
class DMStatementLengthTest : public DMSqlTest {};
INSTANTIATE_TEST_SUITE_P(TestDriver, DMStatementLengthTest, ::testing::Values(TBackEnd::Odbc), BackEndName);

TEST_P(DMStatementLengthTest, NulInsideTheTextDoesNotEndIt) {
  const std::string sql = std::string("insert into T_UPList(i_UpOrderNo) values(3) /* ") + '\0' +
                          " */ insert into T_UPList(i_UpOrderNo) values(4)";
  ASSERT_TRUE(Exec(sql)) << reason;
  EXPECT_EQ(Rows(), 4);
}

}  // namespace
}  // namespace tessaly
