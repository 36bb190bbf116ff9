// Opening connections: the checks and texts of SQLServerConn (through the ODBC back end, the
// driver manager and the T-SQL test driver) and SQLiteConn, CheckConn's reopening of closed
// connections on both back ends, and what a lost link to the server does.
#include <gtest/gtest.h>

#include <clocale>
#include <filesystem>
#include <functional>
#include <optional>

#include "engine/DMUnit.h"
#include "support/TempDir.h"
#include "support/TestDbParams.h"
#include "support/TestOdbc.h"

namespace tessaly {
namespace {

using vqtest::TestDriverParams;

class SQLServerConnTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::setlocale(LC_ALL, "C.UTF-8");
    // SQLServerConn names no driver: it takes the first installed SQL Server driver.
    vqtest::RegisterDriverAlias("SQL Server");
  }
  void SetUp() override {
    ASSERT_TRUE(server.RunTsql("create table goods(id int, name nvarchar(20))\ninsert into goods values(1, N'甲')"));
  }

  vqtest::TestOdbc server;
  TDM dm;
  std::string reason;
};

struct ServerCase {
  std::string host, user, database, expected;
};

// The empty-value checks run host, user, database in that order, before anything connects or
// the parameters change, also while the connection is open.
TEST_F(SQLServerConnTest, ChecksRequiredValuesInOrder) {
  const ServerCase cases[] = {
      {"", "", "", "帐套数据库主机不能为空"},
      {"", "sa", "shop", "帐套数据库主机不能为空"},
      {"h,1433", "", "", "帐套登录用户不能为空"},
      {"h,1433", "", "shop", "帐套登录用户不能为空"},
      {"h,1433", "sa", "", "帐套库名不能为空"},
  };
  for (const auto& c : cases) {
    TDM fresh;
    EXPECT_FALSE(fresh.SQLServerConn(reason, c.host, c.user, "pw", c.database));
    EXPECT_EQ(reason, c.expected) << c.host << "|" << c.user << "|" << c.database;
    EXPECT_FALSE(fresh.FDConnection.Connected());
    EXPECT_EQ(fresh.FDConnection.Params(), TDbParams{"DriverID=SQLite"}) << "parameters must stay untouched";
  }
  ASSERT_TRUE(dm.SQLServerConn(reason, "127.0.0.1,1433", "sa", "pw", server.DatabasePath())) << reason;
  const TDbParams before = dm.FDConnection.Params();
  for (const auto& c : cases) {
    const std::string database = c.database.empty() ? "" : server.DatabasePath();
    EXPECT_FALSE(dm.SQLServerConn(reason, c.host, c.user, "pw", database));
    EXPECT_EQ(reason, c.expected);
    EXPECT_TRUE(dm.FDConnection.Connected());
    EXPECT_EQ(dm.FDConnection.Params(), before);
  }
}

// With all values given, the main connection gets exactly the five server lines, reaches the
// database through the installed SQL Server driver, and accepts an empty password.
TEST_F(SQLServerConnTest, ConnectsThroughInstalledDriver) {
  ASSERT_TRUE(dm.SQLServerConn(reason, "127.0.0.1,1433", "sa", "", server.DatabasePath())) << reason;
  EXPECT_TRUE(dm.FDConnection.Connected());
  EXPECT_EQ(dm.FDConnection.Params(), (TDbParams{"DriverID=MSSQL", "Server=127.0.0.1,1433", "User_Name=sa",
                                                 "Password=", "Database=" + server.DatabasePath()}));
  EXPECT_EQ(dm.SqlValue("select name from goods where id=1", TDbVariant()), TDbVariant(std::string("甲")));
}

// A second call moves an open connection to the new database rather than keeping the old session.
TEST_F(SQLServerConnTest, SecondCallMovesToNewDatabase) {
  vqtest::TestOdbc other;
  ASSERT_TRUE(other.RunTsql("create table goods(id int, name nvarchar(20))\ninsert into goods values(1, N'乙')"));
  ASSERT_TRUE(dm.SQLServerConn(reason, "127.0.0.1,1433", "sa", "pw", server.DatabasePath())) << reason;
  ASSERT_TRUE(dm.SQLServerConn(reason, "127.0.0.1,1433", "sa", "pw", other.DatabasePath())) << reason;
  EXPECT_EQ(dm.SqlValue("select name from goods", TDbVariant()), TDbVariant(std::string("乙")));
}

// An unreachable server fails with the driver's message after the fixed prefix; the parameters
// are kept, so the next check connects once the server is back.
TEST_F(SQLServerConnTest, UnreachableServerFailsWithDriverMessage) {
  server.SetLinkLost(true);
  EXPECT_FALSE(dm.SQLServerConn(reason, "127.0.0.1,1433", "sa", "pw", server.DatabasePath()));
  EXPECT_EQ(reason.rfind("连接数据库失败：", 0), 0u) << reason;
  EXPECT_NE(reason.find("Unable to connect"), std::string::npos) << reason;
  EXPECT_FALSE(dm.FDConnection.Connected());
  EXPECT_EQ(dm.FDConnection.Params().Value("Database"), server.DatabasePath());
  server.SetLinkLost(false);
  EXPECT_TRUE(dm.CheckConn(reason, nullptr)) << reason;
  EXPECT_EQ(dm.SqlCount("select id from goods"), 1);
}

class SQLiteConnTest : public ::testing::Test {
 protected:
  // An empty file is an empty SQLite database.
  std::string NewPackage(const std::string& name) {
    vqtest::WriteFileBytes(dir.file(name), "");
    return dir.file(name);
  }

  vqtest::TempProgramDir dir;
  TDM dm;
  std::string reason;
};

// A missing file is reported with its full path, also when the name was given bare.
TEST_F(SQLiteConnTest, MissingFileNamesFullPath) {
  EXPECT_FALSE(dm.SQLiteConn(reason, dir.file("none.db")));
  EXPECT_EQ(reason, "数据文件不存在" + dir.file("none.db"));
  EXPECT_FALSE(dm.SQLiteConn(reason, "00012.db"));
  EXPECT_EQ(reason, "数据文件不存在" + dir.path() + "/00012.db");
  EXPECT_FALSE(dm.FSqliteConn.Connected());
}

// A bare file name is taken in the program folder, and the connection gets exactly the three
// SQLite parameters; the main connection is not touched.
TEST_F(SQLiteConnTest, BareNameOpensInProgramFolder) {
  const std::string path = NewPackage("99999.db");
  ASSERT_TRUE(dm.SQLiteConn(reason, "99999.db")) << reason;
  EXPECT_TRUE(dm.FSqliteConn.Connected());
  EXPECT_EQ(dm.FSqliteConn.Params(), (TDbParams{"DriverID=SQLite", "Database=" + path, "LockingMode=normal"}));
  EXPECT_FALSE(dm.FDConnection.Connected());
}

// A file that is no database fails at open with the driver's message after the fixed prefix.
TEST_F(SQLiteConnTest, NonDatabaseFileFailsToOpen) {
  vqtest::WriteFileBytes(dir.file("bad.db"), std::string(4096, 'x'));
  EXPECT_FALSE(dm.SQLiteConn(reason, dir.file("bad.db")));
  EXPECT_EQ(reason.rfind("连接出错，", 0), 0u) << reason;
  EXPECT_NE(reason.find("not a database"), std::string::npos) << reason;
  EXPECT_FALSE(dm.FSqliteConn.Connected());
}

// Each call closes the open package first, so the connection moves on to the new file.
TEST_F(SQLiteConnTest, SecondPackageReplacesFirst) {
  const std::string first = NewPackage("a.db");
  const std::string second = NewPackage("b.db");
  ASSERT_TRUE(dm.SQLiteConn(reason, first)) << reason;
  ASSERT_TRUE(dm.SqlExec(reason, "create table only_in_a(x int)", &dm.FSqliteConn)) << reason;
  ASSERT_TRUE(dm.SQLiteConn(reason, second)) << reason;
  EXPECT_FALSE(dm.TableExists("only_in_a", &dm.FSqliteConn));
  ASSERT_TRUE(dm.SQLiteConn(reason, first)) << reason;
  EXPECT_TRUE(dm.TableExists("only_in_a", &dm.FSqliteConn));
}

// The caller's own connection is used when one is passed.
TEST_F(SQLiteConnTest, OpensGivenConnection) {
  TDbConnection own;
  ASSERT_TRUE(dm.SQLiteConn(reason, NewPackage("c.db"), &own)) << reason;
  EXPECT_TRUE(own.Connected());
  EXPECT_FALSE(dm.FSqliteConn.Connected());
}

enum class TBackEnd { Odbc, Sqlite };

std::string BackEndName(const ::testing::TestParamInfo<TBackEnd>& info) {
  return info.param == TBackEnd::Odbc ? "Odbc" : "Sqlite";
}

void PrintTo(TBackEnd b, std::ostream* os) { *os << (b == TBackEnd::Odbc ? "Odbc" : "Sqlite"); }

// The main connection pointed at a database of the back end under test, still closed.
class CheckConnTest : public ::testing::TestWithParam<TBackEnd> {
 protected:
  void SetUp() override {
    std::setlocale(LC_ALL, "C.UTF-8");
    if (Odbc()) {
      server.emplace();
      dm.FDConnection.SetParams(MainParams(server->DatabasePath()));
    } else {
      vqtest::WriteFileBytes(dir.file("main.db"), "");
      dm.FDConnection.SetParams(MainParams(dir.file("main.db")));
    }
  }

  [[nodiscard]] bool Odbc() const { return GetParam() == TBackEnd::Odbc; }
  [[nodiscard]] TDbParams MainParams(const std::string& database) const {
    return Odbc() ? TestDriverParams(database) : TDbParams{"DriverID=SQLite", "Database=" + database};
  }

  vqtest::TempDir dir;
  std::optional<vqtest::TestOdbc> server;
  TDM dm;
  std::string reason;
};

INSTANTIATE_TEST_SUITE_P(BackEnds, CheckConnTest, ::testing::Values(TBackEnd::Odbc, TBackEnd::Sqlite), BackEndName);

// A closed main connection is reopened with the parameters it still holds.
TEST_P(CheckConnTest, ReopensMainConnectionWithItsParameters) {
  const TDbParams params = dm.FDConnection.Params();
  EXPECT_TRUE(dm.CheckConn(reason, nullptr));
  EXPECT_EQ(reason, "数据库已连接");
  EXPECT_TRUE(dm.FDConnection.Connected());
  dm.FDConnection.Close();
  EXPECT_TRUE(dm.CheckConn(reason, &dm.FDConnection));
  EXPECT_TRUE(dm.FDConnection.Connected());
  EXPECT_EQ(dm.FDConnection.Params(), params);
}

// A worker's never-opened connection takes a copy of the main connection's parameters and
// reaches the same database, although nobody configured it; what it writes the main connection
// reads.
TEST_P(CheckConnTest, CopiesMainParametersIntoWorkerConnection) {
  ASSERT_TRUE(dm.SqlExec(reason, "create table t(x int); insert into t values(42)")) << reason;

  TDbConnection worker;
  EXPECT_TRUE(dm.CheckConn(reason, &worker));
  EXPECT_EQ(reason, "数据库已连接");
  EXPECT_TRUE(worker.Connected());
  EXPECT_EQ(worker.Params(), dm.FDConnection.Params());
  EXPECT_EQ(dm.SqlValue("select x from t", TDbVariant(), "", &worker), TDbVariant(std::int64_t{42}));
  ASSERT_TRUE(dm.SqlExec(reason, "insert into t values(43)", &worker, true)) << reason;
  EXPECT_EQ(dm.SqlCount("select x from t"), 2);
}

// A connection that cannot be opened gives the reconnect text with the driver's message, and the
// statement operations then fail without running anything.
TEST_P(CheckConnTest, UnreachableDatabaseFailsWithReconnectText) {
  dm.FDConnection.SetParams(MainParams(dir.file("missing/none.db")));
  EXPECT_FALSE(dm.CheckConn(reason, nullptr));
  EXPECT_EQ(reason.rfind("数据库重连失败：", 0), 0u) << reason;
  EXPECT_GT(reason.size(), std::string("数据库重连失败：").size());

  EXPECT_FALSE(dm.SqlExec(reason, "create table t(x int)"));
  EXPECT_EQ(reason.rfind("数据库重连失败：", 0), 0u) << reason;
  TDbQuery qry;
  EXPECT_FALSE(dm.SqlOpen(reason, qry, "select 1"));
  EXPECT_EQ(reason.rfind("数据库重连失败：", 0), 0u) << reason;
  EXPECT_EQ(dm.SqlCount("select 1"), -1);
  EXPECT_FALSE(std::filesystem::exists(dir.file("missing")));
}

// An unknown back end named in the parameter list is a reconnect failure, not a crash.
TEST(CheckConnDriverTest, UnknownDriverIdFails) {
  TDM dm;
  std::string reason;
  dm.FDConnection.SetParams({"DriverID=Oracle"});
  EXPECT_FALSE(dm.CheckConn(reason, nullptr));
  EXPECT_EQ(reason.rfind("数据库重连失败：", 0), 0u) << reason;
}

// A main connection and a worker's connection, both open on the test driver.
class LostLinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::setlocale(LC_ALL, "C.UTF-8");
    dm.FDConnection.SetParams(TestDriverParams(server.DatabasePath()));
    ASSERT_TRUE(dm.SqlExec(reason, "create table t(x int)\ninsert into t values(1)")) << reason;
    ASSERT_TRUE(dm.CheckConn(reason, &worker)) << reason;
  }

  vqtest::TestOdbc server;
  TDM dm;
  TDbConnection worker;
  std::string reason;
};

struct LostCase {
  const char* what;
  bool onWorker;
  std::function<bool(TDM&, TDbConnection*, std::string&)> op;
};

// An operation that meets a lost link fails with the driver's message and leaves its connection
// closed; checks fail while the server is away, and the first check after it is back reopens
// the connection, which then works (in auto-commit again).
TEST_F(LostLinkTest, OperationFailsAndNextCheckReopens) {
  const LostCase cases[] = {
      {"SqlExec", false, [](TDM& d, TDbConnection* c, std::string& r) { return d.SqlExec(r, "insert into t values(2)", c); }},
      {"SqlExec in a transaction", false,
       [](TDM& d, TDbConnection* c, std::string& r) { return d.SqlExec(r, "insert into t values(2)", c, true); }},
      {"SqlOpen", false,
       [](TDM& d, TDbConnection* c, std::string& r) {
         TDbQuery q;
         return d.SqlOpen(r, q, "select x from t", c);
       }},
      {"SqlExec on a worker", true,
       [](TDM& d, TDbConnection* c, std::string& r) { return d.SqlExec(r, "insert into t values(2)", c, true); }},
  };
  for (const auto& c : cases) {
    TDbConnection* conn = c.onWorker ? &worker : &dm.FDConnection;
    ASSERT_TRUE(dm.CheckConn(reason, conn)) << c.what << ": " << reason;
    server.SetLinkLost(true);
    EXPECT_FALSE(c.op(dm, conn, reason)) << c.what;
    EXPECT_NE(reason.find("Communication link failure"), std::string::npos) << c.what << ": " << reason;
    EXPECT_FALSE(conn->Connected()) << c.what;

    EXPECT_FALSE(dm.CheckConn(reason, conn)) << c.what;
    EXPECT_EQ(reason.rfind("数据库重连失败：", 0), 0u) << c.what << ": " << reason;
    EXPECT_FALSE(conn->Connected()) << c.what;

    server.SetLinkLost(false);
    EXPECT_TRUE(dm.CheckConn(reason, conn)) << c.what << ": " << reason;
    EXPECT_EQ(reason, "数据库已连接") << c.what;
    ASSERT_TRUE(dm.SqlExec(reason, "insert into t values(3)", conn)) << c.what << ": " << reason;
    EXPECT_EQ(server.Value("select count(*) from t where x=3"), "1") << c.what << ": committed for other clients";
    EXPECT_EQ(server.Value("select count(*) from t where x=2"), "0") << c.what;
    ASSERT_TRUE(server.Exec("delete from t where x=3"));
  }
}

// A link lost in the middle of a transaction closes the connection; the work done before it is
// gone, and the reopened connection commits each statement on its own.
TEST_F(LostLinkTest, LinkLostInsideTransactionLosesItsWork) {
  dm.FDConnection.StartTransaction();
  dm.FDConnection.ExecBatch("insert into t values(2)");
  server.SetLinkLost(true);
  try {
    dm.FDConnection.ExecBatch("insert into t values(3)");
    ADD_FAILURE() << "a lost link must throw";
  } catch (const EDbError& e) {
    EXPECT_TRUE(e.LinkLost()) << e.SqlState();
  }
  EXPECT_FALSE(dm.FDConnection.Connected());
  server.SetLinkLost(false);
  ASSERT_TRUE(dm.CheckConn(reason, nullptr)) << reason;
  EXPECT_EQ(dm.SqlValue("select count(*) from t", TDbVariant()), TDbVariant(std::int64_t{1}));
  ASSERT_TRUE(dm.SqlExec(reason, "insert into t values(4)")) << reason;
  EXPECT_EQ(server.Value("select count(*) from t"), "2");
}

}  // namespace
}  // namespace tessaly
