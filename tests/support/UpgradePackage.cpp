#include "support/UpgradePackage.h"

#include <sqlite3.h>

#include <filesystem>
#include <memory>
#include <stdexcept>

namespace vqtest {
namespace {

struct DbCloser {
  void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using Db = std::unique_ptr<sqlite3, DbCloser>;

Db Create(const std::string& path) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::filesystem::remove(path);
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
    sqlite3_close_v2(db);
    throw std::runtime_error("cannot create package " + path);
  }
  return Db(db);
}

void Exec(sqlite3* db, const std::string& sql) {
  char* msg = nullptr;
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &msg) != SQLITE_OK) {
    const std::string text = msg ? msg : "unknown error";
    sqlite3_free(msg);
    throw std::runtime_error(text + " in: " + sql);
  }
}

}  // namespace

void WriteUpgradePackage(const std::string& path, const std::vector<UpgradeRow>& rows) {
  Db db = Create(path);
  Exec(db.get(),
       "CREATE TABLE T_UPList(i_UpOrderNo INTEGER, s_Finally_UpTime TEXT, s_UpFileNM TEXT, s_UpObject TEXT, "
       "s_UpType TEXT, m_UpTxt TEXT)");
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(db.get(), "INSERT INTO T_UPList VALUES(?1, ?2, ?3, ?4, ?5, ?6)", -1, &st, nullptr) !=
      SQLITE_OK)
    throw std::runtime_error(sqlite3_errmsg(db.get()));
  for (const UpgradeRow& r : rows) {
    sqlite3_reset(st);
    sqlite3_bind_int(st, 1, r.order);
    const std::string* texts[] = {&r.stamp, &r.file, &r.object, &r.type, &r.script};
    for (int i = 0; i < 5; ++i) sqlite3_bind_text(st, i + 2, texts[i]->c_str(), -1, SQLITE_TRANSIENT);
    if (sqlite3_step(st) != SQLITE_DONE) {
      const std::string error = sqlite3_errmsg(db.get());
      sqlite3_finalize(st);
      throw std::runtime_error(error);
    }
  }
  sqlite3_finalize(st);
}

void WriteSqliteFile(const std::string& path, const std::string& sql) {
  Db db = Create(path);
  Exec(db.get(), sql);
}

}  // namespace vqtest
