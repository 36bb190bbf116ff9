// The test driver as the agent meets it: through the unixODBC driver manager and the wide calls.
#include "DriverClient.h"

#include <thread>

using namespace drivertest;

namespace {

// DATABASE= names the SQLite file, quoted in braces or not, with '}}' standing for '}'; the file
// is created when missing.
TEST_F(DriverTest, ConnectionStringNamesTheDatabaseFile) {
  vqtest::TempDir dir;
  struct Case {
    std::string file;
    std::string written;
  } cases[] = {
      {dir.file("plain.db"), dir.file("plain.db")},
      {dir.file("semi;colon.db"), "{" + dir.file("semi;colon.db") + "}"},
      {dir.file("brace}x.db"), "{" + dir.file("brace}}x.db") + "}"},
  };
  for (const auto& c : cases) {
    Conn conn("DRIVER={Tessaly Test SQL};SERVER=10.0.0.1,1433;UID=sa;PWD={p;w}}x};DATABASE=" + c.written + ";APP=x");
    ASSERT_TRUE(conn.connected()) << c.written << " " << conn.ConnState();
    EXPECT_EQ(conn.Value("select 1+1"), "2");
    EXPECT_FALSE(vqtest::ReadFileBytes(c.file).empty()) << c.file;
  }
  Conn none("DRIVER={Tessaly Test SQL};SERVER=x;UID=sa");
  EXPECT_FALSE(none.connected());
  EXPECT_EQ(none.ConnState(), "08001");
}

// Long Chinese text with an emoji comes back whole through small SQLGetData pieces: each piece
// but the last reports 01004 and the bytes still to come, a surrogate pair is never split, and
// the call after the last piece gives SQL_NO_DATA.
TEST_F(DriverTest, GetDataChunksWideTextWithoutSplittingCharacters) {
  std::string text;
  for (int i = 0; i < 300; ++i) text += "门店后台\xF0\x9F\x98\x80" "ab";
  Run("create table t(v nvarchar(max))\r\ninsert into t(v) values(N'" + text + "')");
  Conn c(db.ConnectionString());
  ASSERT_EQ(c.Exec("select v from t"), SQL_SUCCESS);
  ASSERT_EQ(SQLFetch(c.stmt()), SQL_SUCCESS);
  const std::u16string whole = platform::Utf8ToUtf16(text);
  std::u16string got;
  SQLWCHAR buf[6];  // 5 units and the terminator: pieces end on a high surrogate now and then
  for (int calls = 0; calls < 10000; ++calls) {
    SQLLEN ind = 0;
    const SQLRETURN rc = SQLGetData(c.stmt(), 1, SQL_C_WCHAR, buf, sizeof buf, &ind);
    if (rc == SQL_NO_DATA) break;
    ASSERT_TRUE(SQL_SUCCEEDED(rc));
    EXPECT_EQ(ind, static_cast<SQLLEN>((whole.size() - got.size()) * 2));
    const std::size_t n = std::char_traits<SQLWCHAR>::length(buf);
    if (rc == SQL_SUCCESS_WITH_INFO) {
      EXPECT_EQ(c.StmtState(), "01004");
      ASSERT_GT(n, 0u);
      EXPECT_FALSE(buf[n - 1] >= 0xD800 && buf[n - 1] <= 0xDBFF) << "split pair at " << got.size();
    }
    got.append(buf, buf + n);
  }
  EXPECT_EQ(got, whole);
  // Narrow pieces are UTF-8 and never end inside a character.
  ASSERT_EQ(c.Exec("select v from t"), SQL_SUCCESS);
  ASSERT_EQ(SQLFetch(c.stmt()), SQL_SUCCESS);
  std::string narrow;
  char nbuf[8];
  SQLLEN ind = 0;
  SQLRETURN rc;
  while ((rc = SQLGetData(c.stmt(), 1, SQL_C_CHAR, nbuf, sizeof nbuf, &ind)) != SQL_NO_DATA) {
    ASSERT_TRUE(SQL_SUCCEEDED(rc));
    EXPECT_TRUE(platform::IsValidUtf8(nbuf)) << narrow.size();
    narrow += nbuf;
  }
  EXPECT_EQ(narrow, text);
}

// NULL reads as SQL_NULL_DATA in every C type, and without an indicator it is an error (22002).
TEST_F(DriverTest, NullNeedsAnIndicator) {
  Run("create table t(a int null, b nvarchar(10) null, c datetime null)\ninsert into t values(null, null, null)");
  Conn c(db.ConnectionString());
  ASSERT_EQ(c.Exec("select a, b, c from t"), SQL_SUCCESS);
  ASSERT_EQ(SQLFetch(c.stmt()), SQL_SUCCESS);
  const SQLSMALLINT types[] = {SQL_C_SLONG, SQL_C_WCHAR, SQL_C_TYPE_TIMESTAMP};
  for (SQLUSMALLINT col = 1; col <= 3; ++col) {
    char buf[64];
    SQLLEN ind = 0;
    EXPECT_EQ(SQLGetData(c.stmt(), col, types[col - 1], buf, sizeof buf, &ind), SQL_SUCCESS);
    EXPECT_EQ(ind, SQL_NULL_DATA);
  }
  char buf[8];
  ASSERT_EQ(c.Exec("select b from t"), SQL_SUCCESS);
  ASSERT_EQ(SQLFetch(c.stmt()), SQL_SUCCESS);
  EXPECT_EQ(SQLGetData(c.stmt(), 1, SQL_C_CHAR, buf, sizeof buf, nullptr), SQL_ERROR);
  EXPECT_EQ(c.StmtState(), "22002");
}

// datetime columns are timestamps: described as SQL_TYPE_TIMESTAMP, stored and read as
// "yyyy-MM-dd hh:mm:ss.zzz" whatever form was written, compared in time order, and delivered as
// a timestamp struct on request.
TEST_F(DriverTest, DatetimeColumnsAreTimestamps) {
  Run("create table t(id int, d datetime)\n"
      "insert into t values(1, '2024-05-06 07:08:09')\n"
      "insert into t values(2, '2024-05-06 07:08:09.5')\n"
      "insert into t values(3, '2024-05-06')\n"
      "update t set d='2024-05-07 10:00:00.123' where id=3");
  Conn c(db.ConnectionString());
  const auto out = c.RunAll("select d from t order by id");
  ASSERT_EQ(out.size(), 1u);
  ASSERT_EQ(out[0].rows.size(), 3u);
  EXPECT_EQ(out[0].rows[0][0], "2024-05-06 07:08:09.000");
  EXPECT_EQ(out[0].rows[1][0], "2024-05-06 07:08:09.500");
  EXPECT_EQ(out[0].rows[2][0], "2024-05-07 10:00:00.123");
  EXPECT_EQ(c.Value("select count(*) from t where d > '2024-05-06 07:08:09.000'"), "2");
  EXPECT_EQ(c.Value("select id from t where d = '2024-05-06 07:08:09.000'"), "1");

  ASSERT_EQ(c.Exec("select d, max(d) as max_date from t"), SQL_SUCCESS);
  for (SQLUSMALLINT col = 1; col <= 2; ++col) {
    SQLSMALLINT type = 0;
    SQLDescribeColW(c.stmt(), col, nullptr, 0, nullptr, &type, nullptr, nullptr, nullptr);
    EXPECT_EQ(type, SQL_TYPE_TIMESTAMP) << col;
  }
  ASSERT_EQ(SQLFetch(c.stmt()), SQL_SUCCESS);
  SQL_TIMESTAMP_STRUCT ts{};
  SQLLEN ind = 0;
  ASSERT_EQ(SQLGetData(c.stmt(), 2, SQL_C_TYPE_TIMESTAMP, &ts, sizeof ts, &ind), SQL_SUCCESS);
  EXPECT_EQ(ind, static_cast<SQLLEN>(sizeof ts));
  EXPECT_EQ(ts.year, 2024);
  EXPECT_EQ(ts.month, 5);
  EXPECT_EQ(ts.day, 7);
  EXPECT_EQ(ts.hour, 10);
  EXPECT_EQ(ts.second, 0);
  EXPECT_EQ(ts.fraction, 123000000u);
}

// Column descriptions follow the declared T-SQL types, and the values read in the C types asked.
TEST_F(DriverTest, DescribesDeclaredTypes) {
  Run("create table t([id] int identity(1,1) not null, [code] [varchar](20) NOT NULL, n nvarchar(50) null,"
      " big bigint, amt numeric(18,4), m money, f float, flag bit, d datetime DEFAULT getdate(), PRIMARY KEY(code))\n"
      "insert into t(code, n, big, amt, m, f, flag) values('A', N'名', 9000000000, 12.5, 3, 1.25, 1)");
  struct Case {
    const char* column;
    SQLSMALLINT type;
    SQLULEN size;
    SQLSMALLINT digits;
    SQLSMALLINT nullable;
    const char* text;
  } cases[] = {
      {"id", SQL_INTEGER, 10, 0, SQL_NULLABLE, "1"},
      {"code", SQL_VARCHAR, 20, 0, SQL_NO_NULLS, "A"},
      {"n", SQL_WVARCHAR, 50, 0, SQL_NULLABLE, "名"},
      {"big", SQL_BIGINT, 19, 0, SQL_NULLABLE, "9000000000"},
      {"amt", SQL_NUMERIC, 18, 4, SQL_NULLABLE, "12.5000"},
      {"m", SQL_DECIMAL, 19, 4, SQL_NULLABLE, "3.0000"},
      {"f", SQL_DOUBLE, 15, 0, SQL_NULLABLE, "1.25"},
      {"flag", SQL_BIT, 1, 0, SQL_NULLABLE, "1"},
      {"d", SQL_TYPE_TIMESTAMP, 23, 3, SQL_NULLABLE, nullptr},
      {"len(code) + 1", SQL_INTEGER, 10, 0, SQL_NULLABLE, "2"},
  };
  Conn c(db.ConnectionString());
  for (const auto& k : cases) {
    ASSERT_EQ(c.Exec(std::string("select ") + k.column + " from t"), SQL_SUCCESS) << k.column << c.StmtState();
    SQLWCHAR name[64];
    SQLSMALLINT nameLen = 0, type = 0, digits = -1, nullable = -1;
    SQLULEN size = 0;
    ASSERT_EQ(SQLDescribeColW(c.stmt(), 1, name, 64, &nameLen, &type, &size, &digits, &nullable), SQL_SUCCESS);
    EXPECT_EQ(type, k.type) << k.column;
    EXPECT_EQ(size, k.size) << k.column;
    EXPECT_EQ(digits, k.digits) << k.column;
    EXPECT_EQ(nullable, k.nullable) << k.column;
    SQLLEN concise = 0;
    SQLColAttributeW(c.stmt(), 1, SQL_DESC_CONCISE_TYPE, nullptr, 0, nullptr, &concise);
    EXPECT_EQ(concise, k.type) << k.column;
    ASSERT_EQ(SQLFetch(c.stmt()), SQL_SUCCESS);
    if (k.text != nullptr) {
      EXPECT_EQ(c.Text(1), k.text) << k.column;
    }
  }
  ASSERT_EQ(c.Exec("select big, f, amt from t"), SQL_SUCCESS);
  ASSERT_EQ(SQLFetch(c.stmt()), SQL_SUCCESS);
  SQLBIGINT big = 0;
  double f = 0;
  SQLINTEGER small = 0;
  SQLLEN ind = 0;
  EXPECT_EQ(SQLGetData(c.stmt(), 1, SQL_C_SBIGINT, &big, 0, &ind), SQL_SUCCESS);
  EXPECT_EQ(big, 9000000000LL);
  EXPECT_EQ(SQLGetData(c.stmt(), 2, SQL_C_DOUBLE, &f, 0, &ind), SQL_SUCCESS);
  EXPECT_DOUBLE_EQ(f, 1.25);
  EXPECT_EQ(SQLGetData(c.stmt(), 1, SQL_C_SLONG, &small, 0, &ind), SQL_ERROR);  // read again: new column
  EXPECT_EQ(c.StmtState(), "22003");
  EXPECT_EQ(SQLGetData(c.stmt(), 3, SQL_C_SLONG, &small, 0, &ind), SQL_SUCCESS);
  EXPECT_EQ(small, 12);
}

}  // namespace

namespace {

// A lost link: connections fail with 08001, an open one dies with 08S01 and stays dead (also
// after the link returns), and a new connection works again once it is back.
TEST_F(DriverTest, LostLink) {
  Conn c(db.ConnectionString());
  ASSERT_EQ(c.Exec("select 1"), SQL_SUCCESS);
  db.SetLinkLost(true);
  EXPECT_EQ(c.Exec("select 1"), SQL_ERROR);
  EXPECT_EQ(c.StmtState(), "08S01");
  SQLUINTEGER dead = 0;
  SQLGetConnectAttrW(c.dbc(), SQL_ATTR_CONNECTION_DEAD, &dead, 0, nullptr);
  EXPECT_EQ(dead, static_cast<SQLUINTEGER>(SQL_CD_TRUE));
  Conn refused(db.ConnectionString());
  EXPECT_FALSE(refused.connected());
  EXPECT_EQ(refused.ConnState(), "08001");
  db.SetLinkLost(false);
  EXPECT_EQ(c.Exec("select 1"), SQL_ERROR);
  Conn back(db.ConnectionString());
  ASSERT_TRUE(back.connected());
  EXPECT_EQ(back.Value("select 1"), "1");
  // The dead connection reconnects on the same handle.
  c.Disconnect();
  ASSERT_TRUE(SQL_SUCCEEDED(c.Connect(db.ConnectionString())));
  EXPECT_EQ(c.Value("select 2"), "2");
}

// Each call starts with clean diagnostics: an error is gone after the next successful call.
TEST_F(DriverTest, DiagnosticsAreClearedByTheNextCall) {
  Conn c(db.ConnectionString());
  ASSERT_EQ(c.Exec("select * from missing"), SQL_ERROR);
  EXPECT_EQ(c.StmtState(), "42S02");
  ASSERT_EQ(c.Exec("select 1"), SQL_SUCCESS);
  SQLWCHAR state[6];
  SQLINTEGER native = 0;
  SQLSMALLINT len = 0;
  EXPECT_EQ(SQLGetDiagRecW(SQL_HANDLE_STMT, c.stmt(), 1, state, &native, nullptr, 0, &len), SQL_NO_DATA);
  SQLINTEGER count = -1;
  EXPECT_EQ(SQLGetDiagFieldW(SQL_HANDLE_STMT, c.stmt(), 0, SQL_DIAG_NUMBER, &count, 0, nullptr), SQL_SUCCESS);
  EXPECT_EQ(count, 0);
}

// Bound columns are filled by SQLFetch, and statements left open are freed by SQLDisconnect.
TEST_F(DriverTest, BoundColumnsAndOpenStatementsAtDisconnect) {
  Run("create table t(id int, n nvarchar(10))\ninsert into t values(7, N'七')");
  Conn c(db.ConnectionString());
  SQLHSTMT extra = SQL_NULL_HSTMT;
  ASSERT_EQ(SQLAllocHandle(SQL_HANDLE_STMT, c.dbc(), &extra), SQL_SUCCESS);
  auto text = W("select id, n from t");
  ASSERT_EQ(SQLExecDirectW(extra, text.data(), SQL_NTS), SQL_SUCCESS);
  SQLINTEGER id = 0;
  SQLWCHAR name[8] = {};
  SQLLEN idInd = 0, nameInd = 0;
  SQLBindCol(extra, 1, SQL_C_SLONG, &id, 0, &idInd);
  SQLBindCol(extra, 2, SQL_C_WCHAR, name, sizeof name, &nameInd);
  ASSERT_EQ(SQLFetch(extra), SQL_SUCCESS);
  EXPECT_EQ(id, 7);
  EXPECT_EQ(U(name, static_cast<std::size_t>(nameInd / 2)), "七");
  EXPECT_EQ(SQLFetch(extra), SQL_NO_DATA);
  c.Disconnect();
  ASSERT_TRUE(SQL_SUCCEEDED(c.Connect(db.ConnectionString())));
  EXPECT_EQ(c.Value("select n from t"), "七");
}

// Debian's SQLite ODBC driver reaches the same file through the same odbcinst.ini.
TEST_F(DriverTest, SqliteOdbcDriverSharesTheSetup) {
  Conn c(db.SqliteConnectionString());
  ASSERT_TRUE(c.connected()) << c.ConnState();
  ASSERT_TRUE(SQL_SUCCEEDED(c.Exec("create table plain(id integer, n text)")));
  ASSERT_TRUE(SQL_SUCCEEDED(c.Exec("insert into plain values(1, '中文')")));
  EXPECT_EQ(c.Value("select n from plain where id=1"), "中文");
  EXPECT_EQ(db.Value("select n from plain"), "中文");
}

// Connections on several threads, each writing in its own transactions as the two workers do,
// wait for one another instead of failing with a locked database.
TEST_F(DriverTest, ConcurrentTransactionsOnSeveralConnections) {
  Run("create table spf_t_trans_record(softid int, trans_type varchar(20), table_name varchar(50), last_change int,"
      " last_date datetime)");
  constexpr int kRounds = 40;
  std::vector<std::string> failures[2];
  auto worker = [&](int softid, std::vector<std::string>& errors) {
    Conn c(db.ConnectionString());
    for (int i = 1; i <= kRounds; ++i) {
      SQLSetConnectAttrW(c.dbc(), SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), 0);
      const std::string id = std::to_string(softid);
      for (const auto& o : c.RunAll("if exists(select 1 from spf_t_trans_record where softid=" + id +
                                    ") begin update spf_t_trans_record set last_change=" + std::to_string(i) +
                                    " where softid=" + id + " end else begin insert into spf_t_trans_record(softid,"
                                    "last_change) values(" + id + ", " + std::to_string(i) + ") end"))
        if (o.rc == SQL_ERROR) errors.push_back(o.state + " " + o.message);
      if (SQLEndTran(SQL_HANDLE_DBC, c.dbc(), SQL_COMMIT) != SQL_SUCCESS) errors.push_back("commit " + c.ConnState());
      SQLSetConnectAttrW(c.dbc(), SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON), 0);
      if (c.Value("select count(*) from spf_t_trans_record where softid=" + id) != "1") errors.push_back("count");
    }
  };
  std::thread a(worker, 1, std::ref(failures[0]));
  std::thread b(worker, 2, std::ref(failures[1]));
  a.join();
  b.join();
  EXPECT_TRUE(failures[0].empty()) << failures[0].front();
  EXPECT_TRUE(failures[1].empty()) << failures[1].front();
  EXPECT_EQ(db.Query("select softid, last_change from spf_t_trans_record order by softid"),
            (std::vector<vqtest::TestOdbc::Row>{{"1", std::to_string(kRounds)}, {"2", std::to_string(kRounds)}}));
}

}  // namespace

namespace {

// A delayed statement waits until the delays are released, holding up only its own connection:
// another connection runs meanwhile, statements that do not match never wait, and once released
// a matching statement runs at once. The wait is logged when it begins.
TEST_F(DriverTest, DelayedStatementWaitsUntilReleased) {
  Run("create table t(id int)\ninsert into t values(1)");
  db.DelayStatements("select count(*) from t%", 60000);
  std::optional<std::string> delayed;
  std::thread waiter([&] {
    Conn c(db.ConnectionString());
    delayed = c.Value("select count(*) from t where id=1");
  });
  const auto begun = [&] { return db.DelayedStatements().size() == 1; };
  for (int i = 0; i < 20000 && !begun(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  ASSERT_TRUE(begun());
  Conn other(db.ConnectionString());
  EXPECT_EQ(other.Value("select id from t"), "1");
  EXPECT_EQ(db.DelayedStatements(), std::vector<std::string>{"select count(*) from t where id=1"});
  db.ReleaseDelays();
  waiter.join();
  EXPECT_EQ(delayed, "1");
  EXPECT_EQ(other.Value("select count(*) from t"), "1");
  EXPECT_EQ(db.DelayedStatements().size(), 1u);
}

}  // namespace
