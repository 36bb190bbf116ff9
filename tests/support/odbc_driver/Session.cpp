#include "Session.h"

#include <sqlite3.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

#include "SessionFunctions.h"
#include "TsqlRewrite.h"
#include "platform/TextCodec.h"

namespace vqodbc {
namespace {

constexpr const char* kControlTables = R"(
CREATE TABLE IF NOT EXISTS vq_test_object(name TEXT PRIMARY KEY COLLATE NOCASE, xtype TEXT NOT NULL, definition TEXT);
CREATE TABLE IF NOT EXISTS vq_test_exec_log(seq INTEGER PRIMARY KEY AUTOINCREMENT, proc_name TEXT, args TEXT, autocommit INTEGER);
CREATE TABLE IF NOT EXISTS vq_test_proc_fail(proc_name TEXT COLLATE NOCASE, args_like TEXT, message TEXT,
  sqlstate TEXT DEFAULT '42000', native INTEGER DEFAULT 50000);
CREATE TABLE IF NOT EXISTS vq_test_fail(sql_like TEXT, message TEXT, sqlstate TEXT DEFAULT 'HY000', native INTEGER DEFAULT 0);
CREATE TABLE IF NOT EXISTS vq_test_scalar(name TEXT COLLATE NOCASE, args TEXT, value);
CREATE TABLE IF NOT EXISTS vq_test_delay(sql_like TEXT, ms INTEGER);
)";

// The server's object catalogue: tables, views and the registered procedures and functions.
constexpr const char* kSysObjects = R"(
CREATE TEMP VIEW sysobjects AS SELECT name COLLATE NOCASE AS name, id, xtype, xtype AS type FROM (
  SELECT name, rowid AS id, 'U' AS xtype FROM main.sqlite_master
    WHERE type='table' AND name NOT LIKE 'sqlite\_%' ESCAPE '\' AND name NOT LIKE 'vq\_test\_%' ESCAPE '\'
  UNION ALL SELECT name, rowid, 'V' FROM main.sqlite_master WHERE type='view'
  UNION ALL SELECT name, 1000000 + rowid, xtype FROM main.vq_test_object);
)";

Result ErrorResult(const Diag& d) {
  Result r;
  r.kind = Result::Kind::Error;
  r.error = d;
  return r;
}

bool IsDml(const std::string& sql) {
  const std::string head = platform::AsciiLower(platform::TrimBlanks(sql).substr(0, 8));
  for (const char* w : {"insert", "update", "delete", "replace"})
    if (head.rfind(w, 0) == 0) return true;
  return false;
}

// Runs `sql` with text parameters ?1..?n; rows into `rows` when given.
bool Query(sqlite3* db, const std::string& sql, const std::vector<std::string>& params,
           std::vector<std::vector<Value>>* rows) {
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) return false;
  for (std::size_t i = 0; i < params.size(); ++i)
    sqlite3_bind_text(st, static_cast<int>(i + 1), params[i].c_str(), -1, SQLITE_TRANSIENT);
  int rc;
  while ((rc = sqlite3_step(st)) == SQLITE_ROW)
    if (rows != nullptr) rows->push_back(ReadRow(st));
  sqlite3_finalize(st);
  return rc == SQLITE_DONE;
}

std::string TextOf(const Value& v) {
  if (v.type == Value::Type::Int) return std::to_string(v.i);
  return v.s;
}

}  // namespace

Session::~Session() { Close(); }

bool Session::Open(const std::string& path, Diag& error) {
  path_ = path;
  const int rc = sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  if (rc != SQLITE_OK) {
    error = {"08001", rc, "Cannot open the database \"" + path + "\": " + (db_ ? sqlite3_errmsg(db_) : "out of memory")};
    Close();
    return false;
  }
  sqlite3_busy_timeout(db_, 10000);
  if (!Exec("PRAGMA journal_mode=WAL") || !Exec(kControlTables) || !Exec(kSysObjects)) {
    error = {"08001", sqlite3_errcode(db_), std::string("Cannot prepare the database: ") + sqlite3_errmsg(db_)};
    Close();
    return false;
  }
  RegisterFunctions(db_, this);
  if (LinkLost()) {
    error = {"08001", 20009, "Unable to connect: the server is unavailable or does not exist."};
    Close();
    return false;
  }
  return true;
}

void Session::Close() {
  if (db_ == nullptr) return;
  if (!sqlite3_get_autocommit(db_)) Exec("ROLLBACK");
  sqlite3_close_v2(db_);
  db_ = nullptr;
}

bool Session::Exec(const std::string& sql) { return sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK; }

bool Session::LinkLost() {
  std::error_code ec;
  return std::filesystem::exists(LinkLostMarker(path_), ec);
}

void Session::LoadScalars() {
  scalars_.clear();
  std::vector<std::vector<Value>> rows;
  if (!Query(db_, "SELECT name, args, value FROM vq_test_scalar ORDER BY rowid", {}, &rows)) return;
  for (auto& r : rows)
    scalars_.push_back({platform::AsciiLower(r[0].s), r[1].type == Value::Type::Null, TextOf(r[1]), r[2]});
}

std::vector<Result> Session::RunBatch(const std::string& sql) {
  std::vector<Result> out;
  if (!dead_ && LinkLost()) {
    dead_ = true;
    if (!sqlite3_get_autocommit(db_)) Exec("ROLLBACK");
  }
  if (dead_) {
    out.push_back(ErrorResult({"08S01", 20006, "Communication link failure"}));
    return out;
  }
  std::vector<Node> nodes;
  std::string error;
  if (!ParseBatch(sql, nodes, error)) {
    out.push_back(ErrorResult({"42000", 102, error}));
    return out;
  }
  LoadScalars();
  if (!autocommit_ && sqlite3_get_autocommit(db_) && !Exec("BEGIN IMMEDIATE")) {
    out.push_back(ErrorResult(TakeDiag(false)));
    return out;
  }
  for (const auto& n : nodes)
    if (!RunNode(n, out)) break;
  return out;
}

bool Session::SetAutocommit(bool on, Diag& error) {
  if (on && !autocommit_ && db_ != nullptr && !sqlite3_get_autocommit(db_) && !Exec("COMMIT")) {
    error = TakeDiag(false);
    return false;
  }
  autocommit_ = on;
  return true;
}

bool Session::EndTran(bool commit, Diag& error) {
  if (dead_) {
    error = {"08S01", 20006, "Communication link failure"};
    return false;
  }
  if (db_ == nullptr || sqlite3_get_autocommit(db_)) return true;
  if (Exec(commit ? "COMMIT" : "ROLLBACK")) return true;
  error = TakeDiag(false);
  return false;
}

Diag Session::TakeDiag(bool compiling) {
  if (!pending_.state.empty()) {
    Diag d = pending_;
    pending_ = {};
    return d;
  }
  return DiagFromDb(db_, compiling);
}

bool Session::ForcedFailure(const std::string& text, std::vector<Result>& out) {
  std::vector<std::vector<Value>> rows;
  if (!Query(db_, "SELECT message, sqlstate, native FROM vq_test_fail WHERE ?1 LIKE sql_like ORDER BY rowid LIMIT 1",
             {text}, &rows) ||
      rows.empty())
    return false;
  out.push_back(ErrorResult({rows[0][1].s, static_cast<int>(rows[0][2].i), rows[0][0].s}));
  return true;
}

void Session::DelayIfAsked(const std::string& text) {
  std::vector<std::vector<Value>> rows;
  std::error_code ec;
  const std::string released = DelayReleaseMarker(path_);
  if (!Query(db_, "SELECT ms FROM vq_test_delay WHERE ?1 LIKE sql_like ORDER BY rowid LIMIT 1", {text}, &rows) ||
      rows.empty() || std::filesystem::exists(released, ec))
    return;
  std::string line = text;
  std::replace(line.begin(), line.end(), '\n', ' ');
  std::replace(line.begin(), line.end(), '\r', ' ');
  line += '\n';
  // One write of an O_APPEND file, so that the lines of two connections never interleave.
  const int fd = ::open(DelayLog(path_).c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd >= 0) {
    [[maybe_unused]] const ssize_t written = ::write(fd, line.data(), line.size());
    ::close(fd);
  }
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(rows[0][0].i);
  while (std::chrono::steady_clock::now() < end && !std::filesystem::exists(released, ec))
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

// A forced failure is looked up for every node before it runs, compound ones included, so that a
// pattern may name a whole if/else or begin/end as well as any statement inside it. A matching
// compound statement fails whole (a run-time error: the batch goes on) and none of its parts runs.
bool Session::RunNode(const Node& n, std::vector<Result>& out) {
  DelayIfAsked(n.text);
  if (ForcedFailure(n.text, out)) return true;
  switch (n.kind) {
    case Node::Kind::Simple: return RunSimple(n, out);
    case Node::Kind::If: return RunIf(n, out);
    case Node::Kind::Exec: return RunExec(n, out);
    case Node::Kind::Module: return RunModule(n, out);
    case Node::Kind::Block:
      for (const auto& c : n.children)
        if (!RunNode(c, out)) return false;
      return true;
  }
  return true;
}

bool Session::RunSimple(const Node& n, std::vector<Result>& out) {
  std::vector<std::string> sqls;
  std::string error;
  if (!RewriteStatement(n.toks, sqls, error)) {
    out.push_back(ErrorResult({"42000", 102, error}));
    return false;
  }
  for (const auto& sql : sqls) {
    const std::size_t before = out.size();
    if (!RunSql(sql, out)) return false;
    if (out.size() > before && out.back().kind == Result::Kind::Error) break;
  }
  return true;
}

// False only for a compile error; a run-time error is reported and the batch goes on.
bool Session::RunSql(const std::string& sql, std::vector<Result>& out) {
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
    out.push_back(ErrorResult(TakeDiag(true)));
    return false;
  }
  if (st == nullptr) return true;
  Result r;
  const int ncol = sqlite3_column_count(st);
  if (ncol > 0) {
    r.kind = Result::Kind::Rows;
    r.columns = DescribeColumns(db_, st);
  }
  int rc;
  while ((rc = sqlite3_step(st)) == SQLITE_ROW)
    if (ncol > 0) r.rows.push_back(ReadRow(st));
  if (rc != SQLITE_DONE) {
    out.push_back(ErrorResult(TakeDiag(false)));
    sqlite3_finalize(st);
    return true;
  }
  sqlite3_finalize(st);
  if (ncol > 0) {
    SettleExpressionTypes(r);
    out.push_back(std::move(r));
  } else if (IsDml(sql)) {
    r.count = sqlite3_changes64(db_);
    out.push_back(std::move(r));
  }
  return true;
}

bool Session::RunIf(const Node& n, std::vector<Result>& out) {
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(db_, RewriteSelect(n.toks).c_str(), -1, &st, nullptr) != SQLITE_OK) {
    out.push_back(ErrorResult(TakeDiag(true)));
    return false;
  }
  if (st == nullptr) {
    out.push_back(ErrorResult({"42000", 102, "Incorrect syntax near ')'."}));
    return false;
  }
  const int rc = sqlite3_step(st);
  if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
    out.push_back(ErrorResult(TakeDiag(false)));
    sqlite3_finalize(st);
    return false;
  }
  sqlite3_finalize(st);
  const bool exists = rc == SQLITE_ROW;
  if (exists != n.negate) return RunNode(n.children[0], out);
  if (n.children.size() > 1) return RunNode(n.children[1], out);
  return true;
}

bool Session::RunExec(const Node& n, std::vector<Result>& out) {
  std::vector<std::vector<Value>> rows;
  if (!Query(db_, "SELECT 1 FROM vq_test_object WHERE name=?1 AND xtype='P'", {n.name}, &rows) || rows.empty()) {
    out.push_back(ErrorResult({"42000", 2812, "Could not find stored procedure '" + n.name + "'."}));
    return true;
  }
  if (!Query(db_, "INSERT INTO vq_test_exec_log(proc_name, args, autocommit) VALUES(?1, ?2, ?3)",
             {n.name, n.args, autocommit_ ? "1" : "0"}, nullptr)) {
    out.push_back(ErrorResult(TakeDiag(false)));
    return true;
  }
  rows.clear();
  Query(db_,
        "SELECT message, sqlstate, native FROM vq_test_proc_fail WHERE proc_name=?1 AND (args_like IS NULL OR ?2 LIKE "
        "args_like) ORDER BY rowid LIMIT 1",
        {n.name, n.args}, &rows);
  if (!rows.empty()) out.push_back(ErrorResult({rows[0][1].s, static_cast<int>(rows[0][2].i), rows[0][0].s}));
  return true;
}

bool Session::RunModule(const Node& n, std::vector<Result>& out) {
  if (n.objectType == "view") {
    if (n.verb == "alter" && !RunSql("DROP VIEW IF EXISTS " + QuoteIdent(n.name), out)) return false;
    return RunSql("CREATE VIEW " + QuoteIdent(n.name) + " AS " + RewriteSelect(n.toks), out);
  }
  std::vector<std::vector<Value>> rows;
  Query(db_, "SELECT 1 FROM sysobjects WHERE name=?1", {n.name}, &rows);
  if (n.verb == "create" && !rows.empty()) {
    out.push_back(ErrorResult({"42S01", 2714, "There is already an object named '" + n.name + "' in the database."}));
    return false;
  }
  if (n.verb == "alter" && rows.empty()) {
    out.push_back(ErrorResult({"42S02", 208, "Invalid object name '" + n.name + "'."}));
    return false;
  }
  const std::string xtype = n.objectType == "procedure" ? "P" : n.objectType == "function" ? "FN" : "TR";
  if (!Query(db_, "INSERT OR REPLACE INTO vq_test_object(name, xtype, definition) VALUES(?1, ?2, ?3)",
             {n.name, xtype, n.text}, nullptr))
    out.push_back(ErrorResult(TakeDiag(false)));
  return true;
}

}  // namespace vqodbc
