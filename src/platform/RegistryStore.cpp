#include "platform/RegistryStore.h"

#include <sqlite3.h>

#include <mutex>
#include <set>

#include "platform/AtomicFile.h"
#include "platform/MachineRoot.h"
#include "platform/TextCodec.h"
#include "platform/WinError.h"

namespace platform::regstore {
namespace {

std::mutex g_initLock;
std::set<std::string> g_initialised;  // guarded by g_initLock: store files set up by this process

long MapError(int rc) {
  if (rc == SQLITE_READONLY || rc == SQLITE_PERM || rc == SQLITE_AUTH) return kErrorAccessDenied;
  return kErrorRegistryIo;
}

class Stmt {
 public:
  Stmt(Connection& c, const char* sql) {
    rc_ = sqlite3_prepare_v2(c.handle(), sql, -1, &st_, nullptr);
  }
  ~Stmt() { sqlite3_finalize(st_); }
  Stmt(const Stmt&) = delete;
  Stmt& operator=(const Stmt&) = delete;

  Stmt& Bind(int i, std::int64_t v) {
    if (rc_ == SQLITE_OK) rc_ = sqlite3_bind_int64(st_, i, v);
    return *this;
  }
  Stmt& Bind(int i, std::string_view v) {
    if (rc_ == SQLITE_OK) rc_ = sqlite3_bind_text(st_, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
    return *this;
  }
  // SQLITE_ROW, SQLITE_DONE or an error code.
  int Step() { return rc_ == SQLITE_OK ? sqlite3_step(st_) : rc_; }
  [[nodiscard]] std::int64_t Int(int col) const { return sqlite3_column_int64(st_, col); }
  [[nodiscard]] std::string Text(int col) const {
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(st_, col));
    return p ? std::string(p, static_cast<std::size_t>(sqlite3_column_bytes(st_, col))) : std::string();
  }

 private:
  sqlite3_stmt* st_ = nullptr;
  int rc_ = SQLITE_OK;
};

long ExecDone(Stmt& s) {
  const int rc = s.Step();
  return rc == SQLITE_DONE || rc == SQLITE_ROW ? kErrorSuccess : MapError(rc);
}

long Exec(Connection& c, const char* sql) {
  const int rc = sqlite3_exec(c.handle(), sql, nullptr, nullptr, nullptr);
  return rc == SQLITE_OK ? kErrorSuccess : MapError(rc);
}

constexpr const char* kSchema =
    "CREATE TABLE IF NOT EXISTS meta(k TEXT PRIMARY KEY, v TEXT);"
    "CREATE TABLE IF NOT EXISTS keys(id INTEGER PRIMARY KEY,"
    " parent INTEGER REFERENCES keys(id) ON DELETE CASCADE, name TEXT NOT NULL, fold TEXT NOT NULL);"
    "CREATE UNIQUE INDEX IF NOT EXISTS keys_child ON keys(ifnull(parent, 0), fold);"
    "CREATE TABLE IF NOT EXISTS vals(key INTEGER NOT NULL REFERENCES keys(id) ON DELETE CASCADE,"
    " name TEXT NOT NULL, fold TEXT NOT NULL, type INTEGER NOT NULL, data, PRIMARY KEY(key, fold));";

constexpr const char* kRootNames[] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE",
                                      "HKEY_USERS", "HKEY_CURRENT_CONFIG"};

}  // namespace

Connection::~Connection() {
  if (db_ == nullptr) return;
  if (inTransaction_) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close(db_);
}

long Connection::Open(const std::string& dbPath) {
  if (dbPath.empty()) return kErrorRegistryIo;
  writable_ = !IsReadOnlyFile(dbPath);
  const int flags = (writable_ ? SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE : SQLITE_OPEN_READONLY) |
                    SQLITE_OPEN_NOMUTEX;
  if (sqlite3_open_v2(dbPath.c_str(), &db_, flags, nullptr) != SQLITE_OK) return kErrorRegistryIo;
  if (sqlite3_db_readonly(db_, "main") == 1) writable_ = false;
  sqlite3_busy_timeout(db_, 10000);
  if (Exec(*this, "PRAGMA foreign_keys=ON") != kErrorSuccess) return kErrorRegistryIo;
  return writable_ ? Initialise(dbPath) : kErrorSuccess;
}

long Connection::Initialise(const std::string& dbPath) {
  std::lock_guard<std::mutex> g(g_initLock);
  if (g_initialised.count(dbPath) != 0) return kErrorSuccess;
  // Outside a transaction; the mode stays with the file, so later connections inherit it.
  (void)Exec(*this, "PRAGMA journal_mode=WAL");
  long rc = Begin(true);
  if (rc == kErrorSuccess) rc = Exec(*this, kSchema);
  bool seeded = false;
  if (rc == kErrorSuccess) {
    Stmt q(*this, "SELECT 1 FROM meta WHERE k = 'seeded'");
    const int step = q.Step();
    seeded = step == SQLITE_ROW;
    if (step != SQLITE_ROW && step != SQLITE_DONE) rc = MapError(step);
  }
  if (rc == kErrorSuccess && !seeded) {
    for (std::int64_t i = 0; i < 5 && rc == kErrorSuccess; ++i) {
      Stmt ins(*this, "INSERT INTO keys(id, parent, name, fold) VALUES(?, NULL, ?, ?)");
      rc = ExecDone(ins.Bind(1, i + 1).Bind(2, kRootNames[i]).Bind(3, AsciiLower(kRootNames[i])));
    }
    if (rc == kErrorSuccess) rc = Seed(*this);
    if (rc == kErrorSuccess) rc = Exec(*this, "INSERT INTO meta(k, v) VALUES('seeded', '1')");
  }
  if (rc == kErrorSuccess) rc = Commit();
  if (rc == kErrorSuccess) g_initialised.insert(dbPath);
  return rc;
}

long Connection::Begin(bool write) {
  const long rc = Exec(*this, write ? "BEGIN IMMEDIATE" : "BEGIN");
  inTransaction_ = rc == kErrorSuccess;
  return rc;
}

long Connection::Commit() {
  const long rc = Exec(*this, "COMMIT");
  if (rc == kErrorSuccess) inTransaction_ = false;
  return rc;
}

std::string CurrentStorePath() {
  const std::string root = MachineRoot();
  return root.empty() ? std::string() : root + "/registry.db";
}

std::vector<std::string> SplitKeyPath(std::string_view path) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start < path.size()) {
    std::size_t end = path.find('\\', start);
    if (end == std::string_view::npos) end = path.size();
    if (end > start) parts.emplace_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

std::int64_t RootId(RegRoot root) { return static_cast<std::int64_t>(root) + 1; }

long KeyExists(Connection& c, std::int64_t id) {
  Stmt s(c, "SELECT 1 FROM keys WHERE id = ?");
  const int rc = s.Bind(1, id).Step();
  if (rc == SQLITE_ROW) return kErrorSuccess;
  return rc == SQLITE_DONE ? kErrorKeyDeleted : MapError(rc);
}

long Resolve(Connection& c, std::int64_t from, const std::vector<std::string>& parts, bool create,
             std::int64_t& out) {
  std::int64_t id = from;
  for (const std::string& part : parts) {
    Stmt s(c, "SELECT id FROM keys WHERE parent = ? AND fold = ?");
    const int rc = s.Bind(1, id).Bind(2, AsciiLower(part)).Step();
    if (rc == SQLITE_ROW) {
      id = s.Int(0);
      continue;
    }
    if (rc != SQLITE_DONE) return MapError(rc);
    if (!create) return kErrorFileNotFound;
    Stmt ins(c, "INSERT INTO keys(parent, name, fold) VALUES(?, ?, ?)");
    if (const long e = ExecDone(ins.Bind(1, id).Bind(2, part).Bind(3, AsciiLower(part))); e != kErrorSuccess)
      return e;
    id = sqlite3_last_insert_rowid(c.handle());
  }
  out = id;
  return kErrorSuccess;
}

long GetValue(Connection& c, std::int64_t key, std::string_view name, int& type, std::string& text,
              std::int64_t& number) {
  Stmt s(c, "SELECT type, data FROM vals WHERE key = ? AND fold = ?");
  const int rc = s.Bind(1, key).Bind(2, AsciiLower(name)).Step();
  if (rc == SQLITE_DONE) return kErrorFileNotFound;
  if (rc != SQLITE_ROW) return MapError(rc);
  type = static_cast<int>(s.Int(0));
  text = s.Text(1);
  number = s.Int(1);
  return kErrorSuccess;
}

long PutValue(Connection& c, std::int64_t key, std::string_view name, int type, std::string_view text,
              std::int64_t number) {
  // An existing value keeps the spelling of its name, as on Windows.
  Stmt s(c, type == kTypeDword
                ? "INSERT INTO vals(key, name, fold, type, data) VALUES(?, ?, ?, ?, ?)"
                  " ON CONFLICT(key, fold) DO UPDATE SET type = excluded.type, data = excluded.data"
                : "INSERT INTO vals(key, name, fold, type, data) VALUES(?, ?, ?, ?, CAST(? AS TEXT))"
                  " ON CONFLICT(key, fold) DO UPDATE SET type = excluded.type, data = excluded.data");
  s.Bind(1, key).Bind(2, name).Bind(3, AsciiLower(name)).Bind(4, static_cast<std::int64_t>(type));
  if (type == kTypeDword) {
    s.Bind(5, number);
  } else {
    s.Bind(5, text);
  }
  return ExecDone(s);
}

long RemoveValue(Connection& c, std::int64_t key, std::string_view name) {
  Stmt s(c, "DELETE FROM vals WHERE key = ? AND fold = ?");
  const long rc = ExecDone(s.Bind(1, key).Bind(2, AsciiLower(name)));
  if (rc != kErrorSuccess) return rc;
  return sqlite3_changes(c.handle()) > 0 ? kErrorSuccess : kErrorFileNotFound;
}

long RemoveKey(Connection& c, std::int64_t key) {
  Stmt s(c, "DELETE FROM keys WHERE id = ?");
  return ExecDone(s.Bind(1, key));
}

long ListValues(Connection& c, std::int64_t key, std::vector<std::string>& out) {
  Stmt s(c, "SELECT name FROM vals WHERE key = ? ORDER BY rowid");
  s.Bind(1, key);
  out.clear();
  int rc;
  while ((rc = s.Step()) == SQLITE_ROW) out.push_back(s.Text(0));
  return rc == SQLITE_DONE ? kErrorSuccess : MapError(rc);
}

long ListSubKeys(Connection& c, std::int64_t key, std::vector<std::string>& out) {
  Stmt s(c, "SELECT name FROM keys WHERE parent = ? ORDER BY fold");
  s.Bind(1, key);
  out.clear();
  int rc;
  while ((rc = s.Step()) == SQLITE_ROW) out.push_back(s.Text(0));
  return rc == SQLITE_DONE ? kErrorSuccess : MapError(rc);
}

}  // namespace platform::regstore
