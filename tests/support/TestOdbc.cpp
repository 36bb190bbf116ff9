#include "support/TestOdbc.h"

#include <sql.h>
#include <sqlext.h>
#include <sqlite3.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>

#include "platform/TextCodec.h"

namespace vqtest {
namespace {

using Params = std::vector<std::optional<std::string>>;

struct DbCloser {
  void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using Db = std::unique_ptr<sqlite3, DbCloser>;

Db OpenDb(const std::string& path) {
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
    sqlite3_close_v2(db);
    throw std::runtime_error("cannot open test database " + path);
  }
  sqlite3_busy_timeout(db, 10000);
  return Db(db);
}

// Runs one statement with text parameters; rows into `rows` when given. False with `error`.
bool Run(const std::string& path, const std::string& sql, const Params& params, std::vector<TestOdbc::Row>* rows,
         std::string* error) {
  Db db = OpenDb(path);
  const char* tail = sql.c_str();
  while (*tail != '\0') {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db.get(), tail, -1, &st, &tail) != SQLITE_OK) {
      if (error != nullptr) *error = sqlite3_errmsg(db.get());
      return false;
    }
    if (st == nullptr) break;
    for (std::size_t i = 0; i < params.size(); ++i) {
      if (params[i]) sqlite3_bind_text(st, static_cast<int>(i + 1), params[i]->c_str(), -1, SQLITE_TRANSIENT);
    }
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
      if (rows == nullptr) continue;
      TestOdbc::Row row;
      for (int c = 0; c < sqlite3_column_count(st); ++c) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(st, c));
        row.push_back(text ? std::optional<std::string>(std::string(text, sqlite3_column_bytes(st, c))) : std::nullopt);
      }
      rows->push_back(std::move(row));
    }
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE) {
      if (error != nullptr) *error = sqlite3_errmsg(db.get());
      return false;
    }
  }
  return true;
}

void MustRun(const std::string& path, const std::string& sql, const Params& params = {}) {
  std::string error;
  if (!Run(path, sql, params, nullptr, &error)) throw std::runtime_error(error + " in: " + sql);
}

std::vector<SQLWCHAR> Wide(const std::string& utf8) {
  const std::u16string w = platform::Utf8ToUtf16(utf8);
  std::vector<SQLWCHAR> out(w.begin(), w.end());
  out.push_back(0);
  return out;
}

std::string DiagText(SQLSMALLINT type, SQLHANDLE h) {
  SQLWCHAR state[6] = {};
  SQLWCHAR msg[1024] = {};
  SQLINTEGER native = 0;
  SQLSMALLINT len = 0;
  if (!SQL_SUCCEEDED(SQLGetDiagRecW(type, h, 1, state, &native, msg, 1024, &len))) return "unknown ODBC error";
  std::u16string s(msg, msg + len);
  return platform::Utf16ToUtf8(s);
}

}  // namespace

const std::string& InstallOdbcDrivers() {
  static TempDir* dir = [] {
    // Lives to the end of the process, as the manager's cached setting does; the process's
    // temporary folder goes with everything in it then.
    auto* d = new TempDir();
    WriteFileBytes(d->file("odbcinst.ini"), std::string("[") + kTestOdbcDriver +
                                                "]\nDescription=T-SQL on SQLite test driver\nDriver=" VQ_TEST_ODBC_DRIVER
                                                "\nUsageCount=1\n\n[" +
                                                kSqliteOdbcDriver +
                                                "]\nDescription=SQLite3 ODBC Driver\nDriver=libsqlite3odbc.so\n"
                                                "Setup=libsqlite3odbc.so\nUsageCount=1\n\n[" +
                                                kFreeTdsOdbcDriver + "]\nDescription=FreeTDS\nDriver=" VQ_FREETDS_DRIVER
                                                "\nUsageCount=1\n");
    WriteFileBytes(d->file("odbc.ini"), "");
    // FreeTDS reads only this empty file, so the machine's own settings cannot change a test.
    WriteFileBytes(d->file("freetds.conf"), "[global]\n");
    setenv("FREETDSCONF", d->file("freetds.conf").c_str(), 1);
    setenv("ODBCSYSINI", d->path().c_str(), 1);
    setenv("ODBCINI", d->file("odbc.ini").c_str(), 1);
    return d;
  }();
  return dir->path();
}

void RegisterDriverAlias(const std::string& alias, const std::string& driver) {
  const std::string ini = InstallOdbcDrivers() + "/odbcinst.ini";
  std::string text = ReadFileBytes(ini);
  if (text.find("[" + alias + "]\n") != std::string::npos) return;
  const std::size_t section = text.find("[" + driver + "]\n");
  if (section == std::string::npos) throw std::runtime_error("no test ODBC driver named " + driver);
  const std::size_t line = text.find("\nDriver=", section);
  const std::size_t end = text.find('\n', line + 1);
  text += "\n[" + alias + "]\nDescription=" + driver + " under another name" + text.substr(line, end - line) +
          "\nUsageCount=1\n";
  WriteFileBytes(ini, text);
}

TestOdbc::TestOdbc() : path_(dir_.file("backoffice.db")) {
  InstallOdbcDrivers();
  std::string error;
  if (!RunTsql("select 1", &error)) throw std::runtime_error("test ODBC driver does not connect: " + error);
}

std::string TestOdbc::ConnectionString() const {
  std::string quoted;
  for (char c : path_) quoted += c == '}' ? std::string("}}") : std::string(1, c);
  return std::string("DRIVER={") + kTestOdbcDriver + "};SERVER=127.0.0.1,1433;UID=sa;PWD=test;DATABASE={" + quoted + "}";
}

std::string TestOdbc::SqliteConnectionString() const {
  return std::string("DRIVER={") + kSqliteOdbcDriver + "};Database=" + path_;
}

bool TestOdbc::RunTsql(const std::string& sql, std::string* error) {
  SQLHENV env = SQL_NULL_HENV;
  SQLHDBC dbc = SQL_NULL_HDBC;
  SQLHSTMT st = SQL_NULL_HSTMT;
  std::string failure;
  SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
  SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
  auto conn = Wide(ConnectionString());
  if (!SQL_SUCCEEDED(SQLDriverConnectW(dbc, nullptr, conn.data(), SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT))) {
    failure = DiagText(SQL_HANDLE_DBC, dbc);
  } else {
    SQLAllocHandle(SQL_HANDLE_STMT, dbc, &st);
    auto text = Wide(sql);
    SQLRETURN rc = SQLExecDirectW(st, text.data(), SQL_NTS);
    while (rc != SQL_NO_DATA && rc != SQL_INVALID_HANDLE) {
      if (rc == SQL_ERROR && failure.empty()) failure = DiagText(SQL_HANDLE_STMT, st);
      rc = SQLMoreResults(st);
    }
    SQLFreeHandle(SQL_HANDLE_STMT, st);
    SQLDisconnect(dbc);
  }
  SQLFreeHandle(SQL_HANDLE_DBC, dbc);
  SQLFreeHandle(SQL_HANDLE_ENV, env);
  if (error != nullptr) *error = failure;
  return failure.empty();
}

bool TestOdbc::Exec(const std::string& sql, std::string* error) { return Run(path_, sql, {}, nullptr, error); }

std::vector<TestOdbc::Row> TestOdbc::Query(const std::string& sql) {
  std::vector<Row> rows;
  std::string error;
  if (!Run(path_, sql, {}, &rows, &error)) throw std::runtime_error(error + " in: " + sql);
  return rows;
}

std::optional<std::string> TestOdbc::Value(const std::string& sql) {
  const auto rows = Query(sql);
  return rows.empty() || rows[0].empty() ? std::nullopt : rows[0][0];
}

void TestOdbc::RegisterProcedure(const std::string& name) {
  MustRun(path_, "INSERT OR REPLACE INTO vq_test_object(name, xtype) VALUES(?1, 'P')", {name});
}

void TestOdbc::RegisterFunction(const std::string& name) {
  MustRun(path_, "INSERT OR REPLACE INTO vq_test_object(name, xtype) VALUES(?1, 'FN')", {name});
}

void TestOdbc::SetScalar(const std::string& name, std::int64_t value, const std::optional<std::string>& args) {
  MustRun(path_, "DELETE FROM vq_test_scalar WHERE name=?1 AND args IS ?2", {name, args});
  MustRun(path_, "INSERT INTO vq_test_scalar(name, args, value) VALUES(?1, ?2, CAST(?3 AS INTEGER))",
          {name, args, std::to_string(value)});
}

void TestOdbc::SetScalarText(const std::string& name, const std::optional<std::string>& value,
                             const std::optional<std::string>& args) {
  MustRun(path_, "DELETE FROM vq_test_scalar WHERE name=?1 AND args IS ?2", {name, args});
  MustRun(path_, "INSERT INTO vq_test_scalar(name, args, value) VALUES(?1, ?2, ?3)", {name, args, value});
}

void TestOdbc::FailProcedure(const std::string& proc, const std::string& message,
                             const std::optional<std::string>& argsLike, const std::string& sqlstate) {
  MustRun(path_, "INSERT INTO vq_test_proc_fail(proc_name, args_like, message, sqlstate) VALUES(?1, ?2, ?3, ?4)",
          {proc, argsLike, message, sqlstate});
}

void TestOdbc::FailStatements(const std::string& sqlLike, const std::string& message, const std::string& sqlstate) {
  MustRun(path_, "INSERT INTO vq_test_fail(sql_like, message, sqlstate) VALUES(?1, ?2, ?3)", {sqlLike, message, sqlstate});
}

void TestOdbc::ClearFailures() { MustRun(path_, "DELETE FROM vq_test_proc_fail; DELETE FROM vq_test_fail;"); }

// The driver's files beside the database (DelayLog and DelayReleaseMarker in odbc_driver/Session.h).
void TestOdbc::DelayStatements(const std::string& sqlLike, int ms) {
  std::error_code ec;
  std::filesystem::remove(path_ + ".delay_release", ec);
  MustRun(path_, "INSERT INTO vq_test_delay(sql_like, ms) VALUES(?1, CAST(?2 AS INTEGER))", {sqlLike, std::to_string(ms)});
}

std::vector<std::string> TestOdbc::DelayedStatements() const {
  std::error_code ec;
  const std::string log = path_ + ".delayed";
  std::vector<std::string> lines;
  if (!std::filesystem::exists(log, ec)) return lines;
  const std::string text = ReadFileBytes(log);
  for (std::size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1)
    lines.push_back(text.substr(at, end - at));
  return lines;
}

void TestOdbc::ReleaseDelays() { WriteFileBytes(path_ + ".delay_release", ""); }

void TestOdbc::SetLinkLost(bool lost) {
  // The driver's marker (LinkLostMarker in odbc_driver/Session.h): a file beside the database, so
  // that setting it never waits for a connection's write lock.
  const std::string marker = path_ + ".link_lost";
  if (lost) {
    WriteFileBytes(marker, "");
  } else {
    std::error_code ec;
    std::filesystem::remove(marker, ec);
  }
}

std::vector<TestOdbc::ExecCall> TestOdbc::ExecLog() {
  std::vector<ExecCall> calls;
  for (const auto& r : Query("SELECT seq, proc_name, args, autocommit FROM vq_test_exec_log ORDER BY seq"))
    calls.push_back({std::stoll(r[0].value_or("0")), r[1].value_or(""), r[2].value_or(""), r[3].value_or("1") != "0"});
  return calls;
}

}  // namespace vqtest
