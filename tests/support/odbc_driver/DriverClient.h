#pragma once
// A small ODBC client for the driver's own tests: it goes through the unixODBC driver manager with
// the wide calls, as the agent's database module does, and reads every result of a batch.
#include <gtest/gtest.h>
#include <sql.h>
#include <sqlext.h>

#include <clocale>
#include <optional>
#include <string>
#include <vector>

#include "platform/TextCodec.h"
#include "support/TestOdbc.h"

namespace drivertest {

using Row = std::vector<std::optional<std::string>>;

inline std::vector<SQLWCHAR> W(const std::string& utf8) {
  const std::u16string w = platform::Utf8ToUtf16(utf8);
  std::vector<SQLWCHAR> out(w.begin(), w.end());
  out.push_back(0);
  return out;
}

inline std::string U(const SQLWCHAR* w, std::size_t n) { return platform::Utf16ToUtf8(std::u16string(w, w + n)); }

// What one result of a batch gave the client.
struct Outcome {
  SQLRETURN rc = SQL_SUCCESS;
  std::string state;
  std::string message;
  SQLSMALLINT columns = 0;
  SQLLEN rowCount = -1;
  std::vector<Row> rows;
};

class Conn {
 public:
  explicit Conn(const std::string& connectionString) {
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_);
    SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc_);
    Connect(connectionString);
  }
  ~Conn() {
    if (connected_) SQLDisconnect(dbc_);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
    SQLFreeHandle(SQL_HANDLE_ENV, env_);
  }

  SQLRETURN Connect(const std::string& connectionString) {
    auto cs = W(connectionString);
    connectRc_ = SQLDriverConnectW(dbc_, nullptr, cs.data(), SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
    connected_ = SQL_SUCCEEDED(connectRc_);
    if (connected_) SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &st_);
    return connectRc_;
  }
  void Disconnect() {
    SQLDisconnect(dbc_);  // statements are left for the driver to free
    connected_ = false;
  }

  [[nodiscard]] bool connected() const { return connected_; }
  [[nodiscard]] SQLHDBC dbc() const { return dbc_; }
  [[nodiscard]] SQLHSTMT stmt() const { return st_; }

  SQLRETURN Exec(const std::string& sql) {
    SQLFreeStmt(st_, SQL_CLOSE);
    auto text = W(sql);
    return SQLExecDirectW(st_, text.data(), SQL_NTS);
  }

  // Runs the batch and walks every result with SQLMoreResults, as the agent's database module does.
  std::vector<Outcome> RunAll(const std::string& sql) {
    std::vector<Outcome> all;
    SQLRETURN rc = Exec(sql);
    for (bool first = true; first || rc != SQL_NO_DATA; first = false) {
      Outcome o;
      o.rc = rc;
      if (rc == SQL_ERROR) {
        Diag(SQL_HANDLE_STMT, st_, o.state, o.message);
      } else {
        SQLNumResultCols(st_, &o.columns);
        SQLRowCount(st_, &o.rowCount);
        if (o.columns > 0) o.rows = Rows();
      }
      all.push_back(o);
      rc = SQLMoreResults(st_);
    }
    return all;
  }

  // The rows of the current result, every column read as wide text.
  std::vector<Row> Rows() {
    std::vector<Row> rows;
    SQLSMALLINT n = 0;
    SQLNumResultCols(st_, &n);
    while (SQL_SUCCEEDED(SQLFetch(st_))) {
      Row row;
      for (SQLUSMALLINT c = 1; c <= n; ++c) row.push_back(Text(c));
      rows.push_back(row);
    }
    return rows;
  }

  // One column of the fetched row, gathered piece by piece.
  std::optional<std::string> Text(SQLUSMALLINT column, SQLLEN bufferBytes = 512) {
    std::vector<SQLWCHAR> buf(static_cast<std::size_t>(bufferBytes / 2));
    std::u16string all;
    for (;;) {
      SQLLEN ind = 0;
      const SQLRETURN rc = SQLGetData(st_, column, SQL_C_WCHAR, buf.data(), bufferBytes, &ind);
      if (rc == SQL_NO_DATA) break;
      if (!SQL_SUCCEEDED(rc)) return "<error>";
      if (ind == SQL_NULL_DATA) return std::nullopt;
      const std::size_t got = rc == SQL_SUCCESS ? static_cast<std::size_t>(ind / 2) : std::char_traits<SQLWCHAR>::length(buf.data());
      all.append(buf.data(), buf.data() + got);
      if (rc == SQL_SUCCESS) break;
    }
    return platform::Utf16ToUtf8(all);
  }

  static void Diag(SQLSMALLINT type, SQLHANDLE h, std::string& state, std::string& message) {
    SQLWCHAR s[6] = {};
    SQLWCHAR m[1024] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT len = 0;
    if (SQL_SUCCEEDED(SQLGetDiagRecW(type, h, 1, s, &native, m, 1024, &len))) {
      state = U(s, 5);
      message = U(m, static_cast<std::size_t>(len));
    }
  }
  std::string StmtState() {
    std::string s, m;
    Diag(SQL_HANDLE_STMT, st_, s, m);
    return s;
  }
  std::string ConnState() {
    std::string s, m;
    Diag(SQL_HANDLE_DBC, dbc_, s, m);
    return s;
  }

  std::optional<std::string> Value(const std::string& sql) {
    const auto out = RunAll(sql);
    for (const auto& o : out)
      if (!o.rows.empty()) return o.rows[0][0];
    return "<no rows>";
  }

 private:
  SQLHENV env_ = SQL_NULL_HENV;
  SQLHDBC dbc_ = SQL_NULL_HDBC;
  SQLHSTMT st_ = SQL_NULL_HSTMT;
  SQLRETURN connectRc_ = SQL_ERROR;
  bool connected_ = false;
};

class DriverTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { std::setlocale(LC_ALL, "C.UTF-8"); }
  void Run(const std::string& sql) {
    std::string error;
    ASSERT_TRUE(db.RunTsql(sql, &error)) << error << "\n" << sql;
  }
  vqtest::TestOdbc db;
};

}  // namespace drivertest
