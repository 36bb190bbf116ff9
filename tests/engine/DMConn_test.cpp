// Opening connections: the checks and texts of SQLServerConn and SQLiteConn, and CheckConn's
// reopening of closed connections.
#include <gtest/gtest.h>

#include "engine/DMUnit.h"
#include "platform/ProgramInfo.h"
#include "support/TempDir.h"

namespace tessaly {
namespace {

struct ServerCase {
  std::string host, user, database, expected;
};

// The empty-value checks run host, user, database in that order, before anything connects.
TEST(SQLServerConnTest, ChecksRequiredValuesInOrder) {
  const ServerCase cases[] = {
      {"", "", "", "帐套数据库主机不能为空"},
      {"", "sa", "shop", "帐套数据库主机不能为空"},
      {"h,1433", "", "", "帐套登录用户不能为空"},
      {"h,1433", "", "shop", "帐套登录用户不能为空"},
      {"h,1433", "sa", "", "帐套库名不能为空"},
  };
  for (const auto& c : cases) {
    TDM dm;
    std::string reason;
    EXPECT_FALSE(dm.SQLServerConn(reason, c.host, c.user, "pw", c.database));
    EXPECT_EQ(reason, c.expected) << c.host << "|" << c.user << "|" << c.database;
    EXPECT_FALSE(dm.FDConnection.Connected());
    EXPECT_EQ(dm.FDConnection.Params(), TDbParams{"DriverID=SQLite"}) << "parameters must stay untouched";
  }
}

class SQLiteConnTest : public ::testing::Test {
 protected:
  void SetUp() override { platform::SetProgramFileForTests(dir.file("Tessaly")); }
  void TearDown() override { platform::SetProgramFileForTests(""); }

  // An empty file is an empty SQLite database.
  std::string NewPackage(const std::string& name) {
    vqtest::WriteFileBytes(dir.file(name), "");
    return dir.file(name);
  }

  vqtest::TempDir dir;
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

class CheckConnTest : public SQLiteConnTest {};

// A closed main connection is reopened with the parameters it still holds.
TEST_F(CheckConnTest, ReopensMainConnectionWithItsParameters) {
  const std::string path = NewPackage("main.db");
  dm.FDConnection.SetParams({"DriverID=SQLite", "Database=" + path});
  EXPECT_TRUE(dm.CheckConn(reason, nullptr));
  EXPECT_EQ(reason, "数据库已连接");
  EXPECT_TRUE(dm.FDConnection.Connected());
  dm.FDConnection.Close();
  EXPECT_TRUE(dm.CheckConn(reason, &dm.FDConnection));
  EXPECT_TRUE(dm.FDConnection.Connected());
}

// A worker's never-opened connection takes a copy of the main connection's parameters and
// reaches the same database, although nobody configured it.
TEST_F(CheckConnTest, CopiesMainParametersIntoWorkerConnection) {
  const std::string path = NewPackage("main.db");
  dm.FDConnection.SetParams({"DriverID=SQLite", "Database=" + path});
  ASSERT_TRUE(dm.SqlExec(reason, "create table t(x int); insert into t values(42)")) << reason;

  TDbConnection worker;
  EXPECT_TRUE(dm.CheckConn(reason, &worker));
  EXPECT_EQ(reason, "数据库已连接");
  EXPECT_EQ(worker.Params(), dm.FDConnection.Params());
  EXPECT_EQ(dm.SqlValue("select x from t", TDbVariant(), "", &worker), TDbVariant(std::int64_t{42}));
}

// A connection that cannot be opened gives the reconnect text with the driver's message, and the
// statement operations then fail without running anything.
TEST_F(CheckConnTest, UnreachableDatabaseFailsWithReconnectText) {
  dm.FDConnection.SetParams({"DriverID=SQLite", "Database=" + dir.file("missing/none.db")});
  EXPECT_FALSE(dm.CheckConn(reason, nullptr));
  EXPECT_EQ(reason.rfind("数据库重连失败：", 0), 0u) << reason;
  EXPECT_GT(reason.size(), std::string("数据库重连失败：").size());

  EXPECT_FALSE(dm.SqlExec(reason, "create table t(x int)"));
  EXPECT_EQ(reason.rfind("数据库重连失败：", 0), 0u) << reason;
  TDbQuery qry;
  EXPECT_FALSE(dm.SqlOpen(reason, qry, "select 1"));
  EXPECT_EQ(reason.rfind("数据库重连失败：", 0), 0u) << reason;
  EXPECT_EQ(dm.SqlCount("select 1"), -1);
}

// An unknown back end named in the parameter list is a reconnect failure, not a crash.
TEST_F(CheckConnTest, UnknownDriverIdFails) {
  dm.FDConnection.SetParams({"DriverID=Oracle"});
  EXPECT_FALSE(dm.CheckConn(reason, nullptr));
  EXPECT_EQ(reason.rfind("数据库重连失败：", 0), 0u) << reason;
}

}  // namespace
}  // namespace tessaly
