// The database module through unixODBC and the system's FreeTDS driver against the test SQL
// server (tests/support/FakeTdsServer.h).
#include <gtest/gtest.h>

#include <clocale>

#include "engine/DMUnit.h"
#include "support/FakeTdsServer.h"
#include "support/TestOdbc.h"

namespace tessaly {
namespace {

class DMFreeTdsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::setlocale(LC_ALL, "C.UTF-8");
    vqtest::InstallOdbcDrivers();
  }

  bool Connect(const std::string& pwd = "test") { return dm.SQLServerConn(reason, server.Host(), "sa", pwd, "shop"); }

  vqtest::TestOdbc db;
  vqtest::FakeTdsServer server{db.DatabasePath()};
  TDM dm;
  std::string reason;
};

TEST_F(DMFreeTdsTest, Probe) {
  ASSERT_TRUE(Connect()) << reason;
  ASSERT_TRUE(dm.SqlExec(reason, "create table goods(id int primary key, name varchar(20), wide nvarchar(30), price decimal(18,4), made datetime, f float, b bit)")) << reason;
  ASSERT_TRUE(dm.SqlExec(reason, "insert into goods values(1, '中文', N'😀x', 12.5, '2024-03-05 17:04:09.123', 1.25, 1)")) << reason;
  TDbQuery q;
  ASSERT_TRUE(dm.SqlOpen(reason, q, "select * from goods")) << reason;
  for (int i = 0; i < q.FieldCount(); ++i) std::printf("%s=%s\n", q.FieldName(i).c_str(), q.AsString(i).c_str());
  EXPECT_FALSE(dm.SqlExec(reason, "insert into goods values(1, 'x', null, null, null, null, null)"));
  std::printf("err: %s\n", reason.c_str());
  ASSERT_TRUE(dm.SqlExec(reason, "insert into goods(id) values(2)", nullptr, true)) << reason;
  for (auto& b : server.Batches()) std::printf("batch: %s\n", b.c_str());
}

}  // namespace
}  // namespace tessaly
