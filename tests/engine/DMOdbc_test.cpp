// The ODBC back end through the real driver manager, against Debian's SQLite ODBC driver with
// dialect-neutral SQL: text, nulls, dates, batches, transactions and driver choice.
#include <gtest/gtest.h>

#include <clocale>

#include "engine/DMUnit.h"
#include "support/TempDir.h"
#include "support/TestOdbc.h"

namespace tessaly {
namespace {

class DMOdbcTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // The driver has no wide entry points: the driver manager converts texts through the locale.
    std::setlocale(LC_ALL, "C.UTF-8");
    // Under a SQL Server driver's name as well, for the default choice of a driver.
    vqtest::RegisterDriverAlias("ODBC Driver 17 for SQL Server", vqtest::kSqliteOdbcDriver);
  }
  void SetUp() override {
    dbFile = dir.file("shop.db");
    dm.FDConnection.SetParams(
        {"DriverID=MSSQL", std::string("ODBCDriver=") + vqtest::kSqliteOdbcDriver, "Database=" + dbFile});
    ASSERT_TRUE(dm.SqlExec(reason,
                           "create table goods(id integer primary key, name varchar(50), price double, "
                           "made datetime, note varchar(20))"))
        << reason;
  }

  int Rows() { return dm.SqlCount("select id from goods"); }

  vqtest::TempDir dir;
  std::string dbFile;
  TDM dm;
  std::string reason;
};

// Chinese text, nulls, floating-point numbers and date-times come back as they were stored,
// each column with its kind. (A plain literal: SQLite knows no N prefix.)
TEST_F(DMOdbcTest, RowsRoundTripWithKinds) {
  ASSERT_TRUE(dm.SqlExec(reason,
                         "insert into goods values(1, '中文名称 it''s', 12.5, " +
                             SqlQuotedDate(EncodeDateTime({2024, 3, 5, 17, 4, 9, 0})) + ", null)"))
      << reason;
  ASSERT_TRUE(dm.SqlExec(reason, "insert into goods values(2, 'b', null, null, 'x')")) << reason;
  EXPECT_EQ(reason, "数据库已连接");

  TDbQuery qry;
  ASSERT_TRUE(dm.SqlOpen(reason, qry, "select id, name, price, made, note from goods order by id")) << reason;
  EXPECT_EQ(reason, "数据库已连接");
  ASSERT_EQ(qry.RecordCount(), 2);
  ASSERT_EQ(qry.FieldCount(), 5);
  EXPECT_EQ(qry.FieldName(1), "name");
  EXPECT_EQ(qry.FieldKind(0), TVqFieldKind::Int32);
  EXPECT_EQ(qry.FieldKind(2), TVqFieldKind::Float);
  EXPECT_EQ(qry.FieldKind(3), TVqFieldKind::DateTime);

  EXPECT_EQ(qry.AsInt64(0), 1);
  EXPECT_EQ(qry.AsString(1), "中文名称 it's");
  EXPECT_DOUBLE_EQ(qry.AsDouble(2), 12.5);
  EXPECT_EQ(qry.Value(3), TDbVariant(TDbDateTime{EncodeDateTime({2024, 3, 5, 17, 4, 9, 0})}));
  EXPECT_TRUE(qry.IsNull(4));
  EXPECT_EQ(qry.AsString(4), "");

  qry.Next();
  EXPECT_TRUE(qry.IsNull(2));
  EXPECT_TRUE(qry.IsNull(3));
  EXPECT_EQ(qry.AsString(4), "x");
  qry.Next();
  EXPECT_TRUE(qry.Eof());

  EXPECT_EQ(dm.SqlValue("select name from goods where id=1", TDbVariant()), TDbVariant(std::string("中文名称 it's")));
}

// A transaction rolled back on the connection leaves nothing behind, and the connection is in
// auto-commit again afterwards. (The SQLite ODBC driver runs one statement per call; batches are
// covered on the SQLite back end and the T-SQL test driver.)
TEST_F(DMOdbcTest, RollbackUndoesTransactionAndRestoresAutoCommit) {
  ASSERT_TRUE(dm.CheckConn(reason, nullptr)) << reason;
  dm.FDConnection.StartTransaction();
  dm.FDConnection.ExecBatch("insert into goods(id, name) values(1, 'a')");
  EXPECT_EQ(Rows(), 1);
  dm.FDConnection.Rollback();
  EXPECT_EQ(Rows(), 0);

  ASSERT_TRUE(dm.SqlExec(reason, "insert into goods(id, name) values(2, 'b')")) << reason;
  TDbConnection other;
  other.SetParams(dm.FDConnection.Params());
  other.Open();
  TDbResult rows;
  other.Query("select id from goods", rows);
  EXPECT_EQ(rows.RowCount(), 1u) << "the insert after the rollback must be committed";
}

// A statement run in a transaction is committed on success; on failure the call reports the
// driver's message and the connection stays usable.
TEST_F(DMOdbcTest, TransactionCommitsOrReportsFailure) {
  ASSERT_TRUE(dm.SqlExec(reason, "insert into goods(id, name) values(1, 'a')", nullptr, true)) << reason;
  EXPECT_FALSE(dm.SqlExec(reason, "insert into goods(id, name) values(1, 'duplicate')", nullptr, true));
  EXPECT_NE(reason.find("UNIQUE"), std::string::npos) << reason;
  EXPECT_EQ(Rows(), 1);
  EXPECT_EQ(dm.SqlValue("select name from goods", TDbVariant()), TDbVariant(std::string("a")));
}

// With no driver named, SQLServerConn finds the first installed SQL Server driver; an empty
// password is allowed.
TEST_F(DMOdbcTest, SQLServerConnChoosesInstalledDriver) {
  dm.FDConnection.Close();
  ASSERT_TRUE(dm.SQLServerConn(reason, "127.0.0.1,1433", "sa", "", dbFile))
      << reason;
  EXPECT_TRUE(dm.FDConnection.Connected());
  EXPECT_EQ(dm.SqlCount("select id from goods"), 0);
  EXPECT_EQ(dm.FDConnection.Params().Value("Server"), "127.0.0.1,1433");
}

// A worker's never-opened connection takes the main connection's parameters on its first check
// and reaches the same database.
TEST_F(DMOdbcTest, CheckConnCopiesMainParametersIntoWorkerConnection) {
  ASSERT_TRUE(dm.SqlExec(reason, "insert into goods(id, name) values(7, '主')")) << reason;
  TDbConnection worker;
  EXPECT_TRUE(dm.CheckConn(reason, &worker));
  EXPECT_EQ(reason, "数据库已连接");
  EXPECT_TRUE(worker.Connected());
  EXPECT_EQ(worker.Params(), dm.FDConnection.Params());

  TDbQuery qry;
  ASSERT_TRUE(dm.SqlOpen(reason, qry, "select name from goods", &worker)) << reason;
  ASSERT_EQ(qry.RecordCount(), 1);
  EXPECT_EQ(qry.AsString(0), "主");
}

// A query error reaches the caller as the driver's message and leaves the query closed.
TEST_F(DMOdbcTest, QueryErrorIsReported) {
  TDbQuery qry;
  ASSERT_TRUE(dm.SqlOpen(reason, qry, "select id from goods")) << reason;
  EXPECT_FALSE(dm.SqlOpen(reason, qry, "select id from nowhere"));
  EXPECT_NE(reason.find("nowhere"), std::string::npos) << reason;
  EXPECT_FALSE(qry.Active());
  EXPECT_EQ(qry.RecordCount(), 0);
}

}  // namespace
}  // namespace tessaly
