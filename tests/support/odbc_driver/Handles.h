#pragma once
// The driver's environment, connection and statement handles, the diagnostics each carries, and
// the helpers that every entry point shares. Handles are heap objects whose addresses the driver
// manager keeps; a tag word tells a live handle of the right kind from anything else.
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "OdbcApi.h"
#include "Results.h"
#include "Session.h"

namespace vqodbc {

struct HandleBase {
  explicit HandleBase(std::uint32_t t) : tag(t) {}
  std::uint32_t tag;
  std::vector<Diag> diags;  // cleared at the start of every call but the diagnostic ones
  SQLRETURN lastReturn = SQL_SUCCESS;
};

struct Dbc;
struct Stmt;

struct Env : HandleBase {
  static constexpr std::uint32_t kTag = 0x56514531;
  Env() : HandleBase(kTag) {}
  SQLINTEGER odbcVersion = SQL_OV_ODBC3;
  std::mutex lock;         // guards dbcs: connections of one environment may be made on several threads
  std::vector<Dbc*> dbcs;  // guarded by lock
};

struct Dbc : HandleBase {
  static constexpr std::uint32_t kTag = 0x56514432;
  explicit Dbc(Env* e) : HandleBase(kTag), env(e) {}
  Env* env;
  std::unique_ptr<Session> session;  // set while connected
  bool autocommit = true;
  std::string server, user, database;
  std::vector<Stmt*> stmts;
};

// A column bound with SQLBindCol.
struct Binding {
  SQLSMALLINT type = 0;
  SQLPOINTER target = nullptr;
  SQLLEN length = 0;
  SQLLEN* indicator = nullptr;
};

// How far SQLGetData has read the current column.
struct ChunkState {
  int column = -1;
  std::size_t offset = 0;  // UTF-16 units, bytes for char and binary targets
  bool done = false;
};

struct Stmt : HandleBase {
  static constexpr std::uint32_t kTag = 0x56515333;
  explicit Stmt(Dbc* d) : HandleBase(kTag), dbc(d) {}
  Dbc* dbc;
  std::vector<Result> results;
  std::size_t current = 0;
  bool open = false;  // results are there and `current` names one
  long row = -1;      // index of the fetched row of the current result
  ChunkState chunk;
  std::string prepared;
  std::vector<Binding> bindings;  // index 0 is column 1
  SQLULEN* rowsFetched = nullptr;
  SQLUSMALLINT* rowStatus = nullptr;

  [[nodiscard]] const Result* Current() const { return open && current < results.size() ? &results[current] : nullptr; }
  void CloseCursor() {
    results.clear();
    open = false;
    current = 0;
    row = -1;
    chunk = {};
  }
};

template <class H>
[[nodiscard]] H* As(SQLHANDLE h) {
  auto* p = static_cast<H*>(h);
  return p != nullptr && p->tag == H::kTag ? p : nullptr;
}
[[nodiscard]] HandleBase* AsAny(SQLSMALLINT type, SQLHANDLE h);

// Start of an entry point: forget the previous call's diagnostics.
inline void Begin(HandleBase& h) {
  h.diags.clear();
  h.lastReturn = SQL_SUCCESS;
}
// Records `d` and returns `rc` (SQL_ERROR or SQL_SUCCESS_WITH_INFO).
SQLRETURN Report(HandleBase& h, const Diag& d, SQLRETURN rc = SQL_ERROR);
inline SQLRETURN Done(HandleBase& h, SQLRETURN rc) { return h.lastReturn = rc; }

// Frees the connection's statements and closes its database (rolling back an open transaction).
void CloseConnection(Dbc& dbc);

// Copies `text` into a wide buffer of `capacity` units (room for the terminator included),
// never splitting a surrogate pair; `*units` gets the whole length. True when it was cut.
bool PutWide(const std::string& utf8, SQLWCHAR* buf, SQLLEN capacity, SQLLEN* units);
// The same for byte-counted wide buffers (GetInfo, ColAttribute, attributes, diagnostic fields).
bool PutWideBytes(const std::string& utf8, SQLPOINTER buf, SQLLEN bytes, SQLLEN* outBytes);
// UTF-8 of a wide argument of `len` units, SQL_NTS meaning terminated.
[[nodiscard]] std::string FromWide(const SQLWCHAR* text, SQLLEN len);

}  // namespace vqodbc
