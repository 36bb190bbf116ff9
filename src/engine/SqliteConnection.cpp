#include "engine/SqliteConnection.h"

#include <sqlite3.h>

#include "platform/TextCodec.h"

namespace tessaly {
namespace {

// Field kind from a declared column type, by the usual SQLite affinity words.
TVqFieldKind KindOfDeclType(const std::string& declType) {
  const std::string t = platform::AsciiUpper(declType);
  auto has = [&](const char* word) { return t.find(word) != std::string::npos; };
  if (t.empty()) return TVqFieldKind::Other;  // decided from the values
  if (has("BIGINT") || has("INT8")) return TVqFieldKind::Int64;
  if (has("BOOL") || t == "BIT") return TVqFieldKind::Boolean;
  if (has("INT")) return TVqFieldKind::Int32;
  if (has("DATETIME") || has("TIMESTAMP")) return TVqFieldKind::DateTime;
  if (has("DATE")) return TVqFieldKind::Date;
  if (has("TIME")) return TVqFieldKind::Time;
  if (has("TEXT") || has("CLOB")) return TVqFieldKind::WideMemo;
  if (has("CHAR")) return TVqFieldKind::WideString;
  if (has("BLOB")) return TVqFieldKind::Blob;
  if (has("REAL") || has("FLOA") || has("DOUB")) return TVqFieldKind::Float;
  if (has("DEC") || has("NUM") || has("MONEY")) return TVqFieldKind::Bcd;
  return TVqFieldKind::WideString;
}

bool IsDateKind(TVqFieldKind k) {
  return k == TVqFieldKind::Date || k == TVqFieldKind::Time || k == TVqFieldKind::DateTime;
}

void AddCell(sqlite3_stmt* st, int col, TVqFieldKind kind, TDbResult& out) {
  switch (sqlite3_column_type(st, col)) {
    case SQLITE_NULL: out.AddNull(); return;
    case SQLITE_INTEGER: out.AddInt(sqlite3_column_int64(st, col)); return;
    case SQLITE_FLOAT: out.AddFloat(sqlite3_column_double(st, col)); return;
    default: break;
  }
  const void* data = sqlite3_column_blob(st, col);
  const int size = sqlite3_column_bytes(st, col);
  const std::string_view bytes =
      data ? std::string_view(static_cast<const char*>(data), static_cast<std::size_t>(size)) : std::string_view();
  if (IsDateKind(kind)) {
    TDateTime dt = 0;
    if (TryStrToDateTime(std::string(bytes), dt)) {
      out.AddDateTime(dt);
      return;
    }
  }
  out.AddText(bytes);
}

class TSqliteSession final : public IDbSession {
 public:
  explicit TSqliteSession(const TDbParams& params) {
    const std::string path = params.Value("Database");
    const int rc = sqlite3_open_v2(path.c_str(), &FDb, SQLITE_OPEN_READWRITE, nullptr);
    if (rc != SQLITE_OK) {
      const std::string msg = FDb ? sqlite3_errmsg(FDb) : sqlite3_errstr(rc);
      sqlite3_close_v2(FDb);
      FDb = nullptr;
      throw EDbError(msg);
    }
    try {
      const std::string mode = params.Value("LockingMode");
      if (!mode.empty()) {
        if (!platform::SameText(mode, "normal") && !platform::SameText(mode, "exclusive"))
          throw EDbError("unknown LockingMode \"" + mode + "\"");
        ExecBatch("PRAGMA locking_mode=" + mode);
      }
      // Opening is lazy in SQLite; reading the catalogue tells a database from any other file.
      TDbResult probe;
      Query("select count(*) from sqlite_master", probe);
    } catch (...) {
      sqlite3_close_v2(FDb);
      FDb = nullptr;
      throw;
    }
  }

  ~TSqliteSession() override {
    if (FDb) sqlite3_close_v2(FDb);
  }

  void Close() override {
    sqlite3* db = FDb;
    FDb = nullptr;
    if (sqlite3_close(db) != SQLITE_OK) {
      const std::string msg = sqlite3_errmsg(db);
      sqlite3_close_v2(db);
      throw EDbError(msg);
    }
  }

  void StartTransaction() override { ExecBatch("begin"); }
  void Commit() override { ExecBatch("commit"); }
  void Rollback() override { ExecBatch("rollback"); }

  void ExecBatch(const std::string& aSql) override {
    char* err = nullptr;
    if (sqlite3_exec(FDb, aSql.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
      const std::string msg = err ? err : sqlite3_errmsg(FDb);
      sqlite3_free(err);
      throw EDbError(msg);
    }
  }

  void Query(const std::string& aSql, TDbResult& aResult) override {
    aResult = {};
    bool haveResult = false;
    const char* tail = aSql.c_str();
    while (tail && *tail) {
      sqlite3_stmt* st = nullptr;
      if (sqlite3_prepare_v2(FDb, tail, -1, &st, &tail) != SQLITE_OK) throw EDbError(sqlite3_errmsg(FDb));
      if (!st) continue;  // blanks or a comment
      try {
        const bool take = !haveResult && sqlite3_column_count(st) > 0;
        if (take) {
          haveResult = true;
          DescribeFields(st, aResult);
        }
        int rc;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
          if (take) ReadRow(st, aResult);
        }
        if (rc != SQLITE_DONE) throw EDbError(sqlite3_errmsg(FDb));
      } catch (...) {
        sqlite3_finalize(st);
        throw;
      }
      sqlite3_finalize(st);
    }
    if (!haveResult) throw EDbError("the statement returned no result set");
    SettleUndeclaredKinds(aResult);
  }

 private:
  static void DescribeFields(sqlite3_stmt* st, TDbResult& out) {
    const int n = sqlite3_column_count(st);
    for (int i = 0; i < n; ++i) {
      const char* name = sqlite3_column_name(st, i);
      const char* decl = sqlite3_column_decltype(st, i);
      out.Fields.push_back({name ? name : "", KindOfDeclType(decl ? decl : "")});
    }
  }

  static void ReadRow(sqlite3_stmt* st, TDbResult& out) {
    for (std::size_t i = 0; i < out.Fields.size(); ++i) AddCell(st, static_cast<int>(i), out.Fields[i].Kind, out);
    out.EndRow();
  }

  // A column without a declared type (an expression) takes the kind of its first value.
  static void SettleUndeclaredKinds(TDbResult& out) {
    for (std::size_t i = 0; i < out.Fields.size(); ++i) {
      TDbField& f = out.Fields[i];
      if (f.Kind != TVqFieldKind::Other) continue;
      f.Kind = TVqFieldKind::WideString;
      for (std::size_t row = 0; row < out.RowCount(); ++row) {
        const TDbVariant v = out.Value(row, i);
        if (VarIsNull(v)) continue;
        if (std::holds_alternative<std::int64_t>(v)) f.Kind = TVqFieldKind::Int64;
        if (std::holds_alternative<double>(v)) f.Kind = TVqFieldKind::Float;
        break;
      }
    }
  }

  sqlite3* FDb = nullptr;
};

}  // namespace

std::unique_ptr<IDbSession> OpenSqliteSession(const TDbParams& aParams) {
  return std::make_unique<TSqliteSession>(aParams);
}

}  // namespace tessaly
