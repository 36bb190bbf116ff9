// The SQL operations on the SQLite back end: batches and transactions, and the fallbacks of
// SqlValue, SqlCount, SqlExists and the catalogue tests.
#include <gtest/gtest.h>

#include "engine/DMUnit.h"
#include "support/TempDir.h"

namespace tessaly {
namespace {

class DMSqlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    vqtest::WriteFileBytes(dir.file("pkg.db"), "");
    ASSERT_TRUE(dm.SQLiteConn(reason, dir.file("pkg.db"))) << reason;
    ASSERT_TRUE(Exec("create table T_UPList(i_UpOrderNo int, s_UpType varchar(10), m_UpTxt text, d_When datetime);"
                     "insert into T_UPList values(1, 'TB', 'create table a(x int)', '2024-01-02 03:04:05');"
                     "insert into T_UPList values(2, null, '中文脚本', null);"))
        << reason;
  }

  bool Exec(const std::string& sql, bool trans = false) { return dm.SqlExec(reason, sql, conn, trans); }
  int Rows() { return dm.SqlCount("select * from T_UPList", conn); }

  vqtest::TempDir dir;
  TDM dm;
  TDbConnection* conn = &dm.FSqliteConn;
  std::string reason;
};

// A failing second statement fails the call and, inside a transaction, takes the first one
// back with it.
TEST_F(DMSqlTest, FailingSecondStatementRollsBackWholeBatch) {
  EXPECT_FALSE(Exec("insert into T_UPList(i_UpOrderNo) values(3);\ninsert into no_such_table values(1)", true));
  EXPECT_NE(reason.find("no_such_table"), std::string::npos) << reason;
  EXPECT_EQ(Rows(), 2);
  // No transaction is left open: the next statement commits on its own.
  ASSERT_TRUE(Exec("insert into T_UPList(i_UpOrderNo) values(4)")) << reason;
  dm.FSqliteConn.Close();
  ASSERT_TRUE(dm.SQLiteConn(reason, dir.file("pkg.db"))) << reason;
  EXPECT_EQ(Rows(), 3);
}

// Without a transaction the statements before the failing one stay applied.
TEST_F(DMSqlTest, FailingBatchWithoutTransactionKeepsEarlierStatements) {
  EXPECT_FALSE(Exec("insert into T_UPList(i_UpOrderNo) values(3);\ninsert into no_such_table values(1)"));
  EXPECT_EQ(Rows(), 3);
}

// A whole batch in a transaction is committed, and the reason text is the check's text.
TEST_F(DMSqlTest, SucceedingBatchInTransactionCommits) {
  ASSERT_TRUE(Exec("insert into T_UPList(i_UpOrderNo) values(3);\ninsert into T_UPList(i_UpOrderNo) values(4)", true))
      << reason;
  EXPECT_EQ(reason, "数据库已连接");
  EXPECT_EQ(Rows(), 4);
}

struct ValueCase {
  const char* what;
  std::string sql;
  std::string field;
  TDbVariant expected;
};

// SqlValue gives the default when the query fails, has no row, holds null in the wanted column
// or lacks the named column; otherwise the value, in its own type.
TEST_F(DMSqlTest, SqlValueFallsBackToDefault) {
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
TEST_F(DMSqlTest, CountAndExists) {
  EXPECT_EQ(dm.SqlCount("select * from T_UPList", conn), 2);
  EXPECT_EQ(dm.SqlCount("select * from T_UPList where 1=0", conn), 0);
  EXPECT_EQ(dm.SqlCount("select * from nowhere", conn), -1);

  std::string erro;
  EXPECT_TRUE(dm.SqlExists("select 1 from T_UPList where s_UpType='TB'", erro, conn));
  EXPECT_FALSE(dm.SqlExists("select 1 from T_UPList where s_UpType='VW'", erro, conn));
  EXPECT_FALSE(dm.SqlExists("select 1 from nowhere", erro, conn));
  EXPECT_NE(erro.find("nowhere"), std::string::npos) << erro;
}

// The catalogue tests find tables and fields by name, quote what they are given and refuse
// empty names.
TEST_F(DMSqlTest, TableAndFieldExists) {
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
// such form throws for the JSON conversion to report.
TEST_F(DMSqlTest, QueryWalksRowsAndConvertsValues) {
  TDbQuery qry;
  ASSERT_TRUE(dm.SqlOpen(reason, qry, "select i_UpOrderNo, s_UpType, d_When from T_UPList order by 1", conn));
  EXPECT_EQ(qry.FieldKind(0), TVqFieldKind::Int32);
  EXPECT_EQ(qry.FieldKind(1), TVqFieldKind::WideString);
  EXPECT_EQ(qry.FieldKind(2), TVqFieldKind::DateTime);
  EXPECT_EQ(qry.AsString(0), "1");
  EXPECT_EQ(qry.AsString(2), "2024-01-02 03:04:05");
  EXPECT_DOUBLE_EQ(qry.AsDateTime(2), EncodeDateTime({2024, 1, 2, 3, 4, 5, 0}));
  EXPECT_THROW((void)qry.AsInt64(1), std::invalid_argument);
  qry.Next();
  EXPECT_TRUE(qry.IsNull(1));
  EXPECT_EQ(qry.AsInt64(1), 0);
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
TEST_F(DMSqlTest, OpenWithoutResultSetFails) {
  TDbQuery qry;
  EXPECT_FALSE(dm.SqlOpen(reason, qry, "update T_UPList set s_UpType='x' where 1=0", conn));
  EXPECT_FALSE(qry.Active());
}

}  // namespace
}  // namespace tessaly
