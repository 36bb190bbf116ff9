#pragma once
// Inside of the registry (platform/Registry.h): the SQLite store and its row operations. Every
// operation below runs on the connection's open transaction; results are Windows error codes.
// Rows: keys(id, parent, name, fold) with the roots as ids 1..5 in RegRoot order, and
// vals(key, name, fold, type, data), `fold` being the lower-case name that lookups compare.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Registry.h"

struct sqlite3;

namespace platform::regstore {

// One connection to one store file, for one call. Not shared between threads.
class Connection {
 public:
  Connection() = default;
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // Opens `dbPath`, creating and seeding the store the first time this process sees it.
  // A store that cannot be written opens for reading only (writable() is false).
  [[nodiscard]] long Open(const std::string& dbPath);
  [[nodiscard]] bool writable() const { return writable_; }
  // BEGIN (IMMEDIATE when `write`) / COMMIT; the destructor rolls back an open transaction.
  [[nodiscard]] long Begin(bool write);
  [[nodiscard]] long Commit();
  [[nodiscard]] sqlite3* handle() const { return db_; }

 private:
  [[nodiscard]] long Initialise(const std::string& dbPath);
  sqlite3* db_ = nullptr;
  bool writable_ = false;
  bool inTransaction_ = false;
};

// The store file of the current machine root.
[[nodiscard]] std::string CurrentStorePath();
[[nodiscard]] std::int64_t RootId(RegRoot root);

// The key names of a '\'-separated path; empty names (doubled, leading or trailing '\') are skipped.
[[nodiscard]] std::vector<std::string> SplitKeyPath(std::string_view path);

[[nodiscard]] long KeyExists(Connection& c, std::int64_t id);
// Walks `parts` down from `from`; with `create`, missing keys are made along the way.
[[nodiscard]] long Resolve(Connection& c, std::int64_t from, const std::vector<std::string>& parts,
                           bool create, std::int64_t& out);
// type: 1 REG_SZ (text), 4 REG_DWORD (number).
[[nodiscard]] long GetValue(Connection& c, std::int64_t key, std::string_view name, int& type,
                            std::string& text, std::int64_t& number);
[[nodiscard]] long PutValue(Connection& c, std::int64_t key, std::string_view name, int type,
                            std::string_view text, std::int64_t number);
[[nodiscard]] long RemoveValue(Connection& c, std::int64_t key, std::string_view name);
// Removes the key row; subkeys and values go with it.
[[nodiscard]] long RemoveKey(Connection& c, std::int64_t key);
[[nodiscard]] long ListValues(Connection& c, std::int64_t key, std::vector<std::string>& out);
[[nodiscard]] long ListSubKeys(Connection& c, std::int64_t key, std::vector<std::string>& out);

inline constexpr int kTypeString = 1;
inline constexpr int kTypeDword = 4;

// Writes the seed rows into a fresh store (called by Connection::Open inside its transaction).
[[nodiscard]] long Seed(Connection& c);

}  // namespace platform::regstore
