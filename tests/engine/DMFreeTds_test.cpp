// The database module through unixODBC and the system's FreeTDS driver against the test SQL
// server (tests/support/FakeTdsServer.h): connection strings, time-outs, lost links and text.
#include <gtest/gtest.h>

#include <chrono>
#include <clocale>
#include <memory>

#include "engine/DMUnit.h"
#include "support/FakeTdsServer.h"
#include "support/TestOdbc.h"

namespace tessaly {
namespace {

using Fault = vqtest::FakeTdsServer::Fault;
using Clock = std::chrono::steady_clock;

class DMFreeTdsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::setlocale(LC_ALL, "C.UTF-8");
    vqtest::InstallOdbcDrivers();
  }

  // The main connection aimed at the server with short time-outs, through FreeTDS by name.
  void Aim(const std::string& pwd = "test") {
    dm.FDConnection.SetParams({"DriverID=MSSQL", std::string("ODBCDriver=") + vqtest::kFreeTdsOdbcDriver,
                               "Server=" + server->Host(), "User_Name=sa", "Password=" + pwd, "Database=shop",
                               "LoginTimeout=2", "QueryTimeout=1"});
  }
  void Ready() {
    Aim();
    ASSERT_TRUE(dm.SqlExec(reason, "create table t(id int primary key, name nvarchar(max), code varchar(20))"))
        << reason;
  }
  static double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

  vqtest::TestOdbc db;
  std::unique_ptr<vqtest::FakeTdsServer> server = std::make_unique<vqtest::FakeTdsServer>(db.DatabasePath());
  TDM dm;
  std::string reason;
};

// SQLServerConn finds FreeTDS among the installed drivers and logs in; password, user and
// database reach the server byte for byte, braces, semicolons, blanks and Chinese included.
TEST_F(DMFreeTdsTest, LoginValuesArriveUnchanged) {
  const std::string passwords[] = {"plain", "a}b",   "}",      "a}",    "x}}y",     "{a}", "{",
                                   "a;b",   " lead", "trail ", "pa=ss", "密码口令", "",    "q?*!@()[]"};
  for (const std::string& pwd : passwords) {
    server = std::make_unique<vqtest::FakeTdsServer>(db.DatabasePath(), "shop", "sa", pwd);
    EXPECT_TRUE(dm.SQLServerConn(reason, server->Host(), "sa", pwd, "shop")) << "[" << pwd << "] " << reason;
    EXPECT_EQ(server->LastPassword(), pwd);
    EXPECT_EQ(server->LastDatabase(), "shop");
    dm.FDConnection.Close();
  }
  // The user and the database name by the same rules.
  const std::string names[] = {"a}b", "}", "{x}", "a;b", " lead", "trail ", "门店帐套", "q=1"};
  for (const std::string& name : names) {
    server = std::make_unique<vqtest::FakeTdsServer>(db.DatabasePath(), name, name, "test");
    EXPECT_TRUE(dm.SQLServerConn(reason, server->Host(), name, "test", name)) << "[" << name << "] " << reason;
    EXPECT_EQ(server->LastUser(), name);
    EXPECT_EQ(server->LastDatabase(), name);
    dm.FDConnection.Close();
  }
}

// A value FreeTDS cannot carry unchanged ("};") is refused before anything reaches the server.
TEST_F(DMFreeTdsTest, PasswordFreeTdsCannotCarryIsRefused) {
  EXPECT_FALSE(dm.SQLServerConn(reason, server->Host(), "sa", "a};b", "shop"));
  EXPECT_EQ(reason, "连接数据库失败：the FreeTDS driver cannot take a PWD value holding \"};\"");
  EXPECT_EQ(server->Logins(), 0);
}

// A refused login and an unknown database give the server's message.
TEST_F(DMFreeTdsTest, RefusedLoginReportsServerMessage) {
  EXPECT_FALSE(dm.SQLServerConn(reason, server->Host(), "sa", "wrong", "shop"));
  EXPECT_NE(reason.find("Login failed for user 'sa'."), std::string::npos) << reason;
  EXPECT_FALSE(dm.SQLServerConn(reason, server->Host(), "sa", "test", "other"));
  EXPECT_NE(reason.find("Cannot open database \"other\""), std::string::npos) << reason;
  server->SetFault(Fault::RefuseLogin);
  Aim();
  EXPECT_FALSE(dm.CheckConn(reason, nullptr));
  EXPECT_NE(reason.find("数据库重连失败："), std::string::npos) << reason;
  EXPECT_NE(reason.find("Login failed"), std::string::npos) << reason;
}

// A server that accepts the connection and then stays silent ends the login with a time-out
// message once the login time-out has passed, not with a hang.
TEST_F(DMFreeTdsTest, SilentServerEndsInLoginTimeout) {
  server->SetFault(Fault::SilentAfterAccept);
  Aim();
  const auto start = Clock::now();
  EXPECT_FALSE(dm.CheckConn(reason, nullptr));
  EXPECT_LT(Seconds(start), 15.0);
  EXPECT_NE(reason.find("数据库重连失败：the server did not answer the login within 2 s: "), std::string::npos)
      << reason;
  EXPECT_FALSE(dm.FDConnection.Connected());
}

// A statement the server never answers ends with the statement time-out. A stalled statement
// whose cancel is acknowledged keeps the connection; a server that answers nothing more leaves
// it closed, and the next statement connects again. The message gives the wait it stands for:
// a cancel that goes unanswered takes a second time-out.
TEST_F(DMFreeTdsTest, StalledStatementTimesOut) {
  Ready();
  const struct {
    Fault fault;
    bool stillConnected;
    const char* says;
  } cases[] = {{Fault::StallStatement, true, "the statement did not finish within 1 s: "},
               {Fault::DeafStatement, false,
                "the server answered neither the statement within 1 s nor its cancel within 1 s more: "}};
  for (const auto& c : cases) {
    server->SetFault(c.fault, "/*slow*/");
    const auto start = Clock::now();
    EXPECT_FALSE(dm.SqlExec(reason, "insert into t(id) values(1) /*slow*/"));
    EXPECT_LT(Seconds(start), 15.0);
    EXPECT_NE(reason.find(c.says), std::string::npos) << reason;
    EXPECT_EQ(reason.find("nor its cancel") != std::string::npos, !c.stillConnected) << reason;
    EXPECT_EQ(dm.FDConnection.Connected(), c.stillConnected) << static_cast<int>(c.fault);
    EXPECT_TRUE(dm.SqlExec(reason, "delete from t")) << reason;
  }
}

// A reset or a clean close in the middle of a statement marks the connection closed at the
// first error, so the next statement reconnects instead of failing once more.
TEST_F(DMFreeTdsTest, LostLinkClosesConnectionAtFirstError) {
  Ready();
  for (Fault fault : {Fault::ResetMidStatement, Fault::CloseMidStatement}) {
    const int logins = server->Logins();
    server->SetFault(fault, "/*cut*/");
    EXPECT_FALSE(dm.SqlExec(reason, "insert into t(id) values(1) /*cut*/"));
    EXPECT_EQ(reason.rfind("the link to the server was lost: ", 0), 0u) << reason;
    EXPECT_FALSE(dm.FDConnection.Connected()) << static_cast<int>(fault);
    EXPECT_TRUE(dm.SqlExec(reason, "insert into t(id) values(2)")) << reason;
    EXPECT_EQ(server->Logins(), logins + 1);
    EXPECT_TRUE(dm.SqlExec(reason, "delete from t")) << reason;
  }
}

// Chinese, emoji, quotes and NUL characters survive a round trip through SqlQuoted, FreeTDS and
// the server into an nvarchar column and back.
TEST_F(DMFreeTdsTest, TextSurvivesRoundTrip) {
  Ready();
  const std::string texts[] = {"中文会员", "张三😀🎉", std::string("a\0b", 3),       std::string("\0", 1),
                               "it's",     "plain",  std::string(5000, 'x') + "尾"};
  int id = 0;
  for (const std::string& text : texts) {
    ++id;
    ASSERT_TRUE(
        dm.SqlExec(reason, "insert into t(id, name) values(" + std::to_string(id) + ", " + SqlQuoted(text) + ")"))
        << reason;
    EXPECT_EQ(dm.SqlValue("select name from t where id=" + std::to_string(id), TDbVariant()), TDbVariant(text)) << id;
  }
}

// The server's code page turns what it cannot hold into '?' in a varchar column and in a
// literal without N: the N prefix is what keeps an emoji.
TEST_F(DMFreeTdsTest, CodePageLosesEmojiWithoutNPrefix) {
  Ready();
  ASSERT_TRUE(dm.SqlExec(reason, "insert into t(id, name, code) values(1, '会员😀', N'会员😀')")) << reason;
  EXPECT_EQ(dm.SqlValue("select name from t", TDbVariant()), TDbVariant(std::string("会员??")));
  EXPECT_EQ(dm.SqlValue("select code from t", TDbVariant()), TDbVariant(std::string("会员??")));
}

// A value too long for its column comes back from the server as a data error, which the
// connection tells apart from other failures; a lost table is not one.
TEST_F(DMFreeTdsTest, OverLongValueIsDataError) {
  Ready();
  EXPECT_FALSE(dm.SqlExec(reason, "insert into t(id, code) values(1, '" + std::string(21, 'c') + "')", nullptr, true));
  EXPECT_NE(reason.find("String or binary data would be truncated."), std::string::npos) << reason;
  EXPECT_TRUE(dm.FDConnection.LastErrorIsData()) << dm.FDConnection.LastErrorState();
  EXPECT_FALSE(dm.SqlExec(reason, "insert into missing_table values(1)"));
  EXPECT_FALSE(dm.FDConnection.LastErrorIsData()) << dm.FDConnection.LastErrorState();
  EXPECT_EQ(dm.SqlCount("select id from t"), 0);
}

// Result sets carry integers, decimals, floats, bits, date-times, varchar and nvarchar texts,
// nulls and long texts (the (max) types and the old text and ntext), each with its kind; a batch's later error still
// fails the call.
TEST_F(DMFreeTdsTest, ResultSetsKeepValuesAndKinds) {
  Aim();
  ASSERT_TRUE(dm.SqlExec(reason,
                         "create table g(id int, qty decimal(18,4), price float, on_sale bit, made datetime, "
                         "code varchar(20), name nvarchar(40), memo nvarchar(max), notes text, wnotes ntext)"))
      << reason;
  const std::string memo(9000, 'm');
  ASSERT_TRUE(dm.SqlExec(reason, "insert into g values(7, -12.3456, 2.5, 1, '2024-03-05 17:04:09.123', 'A01', " +
                                     SqlQuoted("名称") + ", '" + memo + "', '" + memo + "说明', N'" + memo +
                                     "😀') insert into g(id) values(8)"))
      << reason;
  TDbQuery q;
  ASSERT_TRUE(dm.SqlOpen(reason, q, "select * from g order by id")) << reason;
  ASSERT_EQ(q.RecordCount(), 2);
  EXPECT_EQ(q.FieldKind(0), TVqFieldKind::Int32);
  EXPECT_EQ(q.FieldKind(1), TVqFieldKind::Bcd);
  EXPECT_EQ(q.FieldKind(2), TVqFieldKind::Float);
  EXPECT_EQ(q.FieldKind(3), TVqFieldKind::Boolean);
  EXPECT_EQ(q.FieldKind(4), TVqFieldKind::DateTime);
  EXPECT_EQ(q.FieldKind(5), TVqFieldKind::String);
  EXPECT_EQ(q.FieldKind(6), TVqFieldKind::WideString);
  EXPECT_EQ(q.FieldKind(8), TVqFieldKind::Memo);
  EXPECT_EQ(q.FieldKind(9), TVqFieldKind::WideMemo);
  EXPECT_EQ(q.AsInt64(0), 7);
  EXPECT_DOUBLE_EQ(q.AsDouble(1), -12.3456);
  EXPECT_DOUBLE_EQ(q.AsDouble(2), 2.5);
  EXPECT_EQ(q.AsInt64(3), 1);
  EXPECT_EQ(q.Value(4), TDbVariant(TDbDateTime{EncodeDateTime({2024, 3, 5, 17, 4, 9, 123})}));
  EXPECT_EQ(q.AsString(5), "A01");
  EXPECT_EQ(q.AsString(6), "名称");
  EXPECT_EQ(q.AsString(7), memo);
  EXPECT_EQ(q.AsString(8), memo + "说明");
  EXPECT_EQ(q.AsString(9), memo + "😀");
  q.Next();
  for (int c = 1; c < 10; ++c) EXPECT_TRUE(q.IsNull(c)) << c;

  EXPECT_FALSE(dm.SqlExec(reason, "insert into g(id) values(9) select * from missing_table"));
  EXPECT_NE(reason.find("missing_table"), std::string::npos) << reason;
}

// A batch in a transaction is committed whole, or rolled back whole when a statement fails.
TEST_F(DMFreeTdsTest, TransactionsCommitOrRollBack) {
  Ready();
  ASSERT_TRUE(dm.SqlExec(reason, "insert into t(id) values(1) insert into t(id) values(2)", nullptr, true)) << reason;
  EXPECT_FALSE(dm.SqlExec(reason, "insert into t(id) values(3) insert into t(id) values(1)", nullptr, true));
  EXPECT_EQ(dm.SqlCount("select id from t"), 2);
  ASSERT_TRUE(dm.SqlExec(reason, "insert into t(id) values(4)")) << reason;
  EXPECT_EQ(dm.SqlCount("select id from t"), 3);
}

}  // namespace
}  // namespace tessaly
