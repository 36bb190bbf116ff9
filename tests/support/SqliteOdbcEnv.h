#pragma once
// Debian's SQLite ODBC driver, registered without touching /etc: a private odbcinst.ini in a
// temporary folder named by ODBCSYSINI. The driver manager reads ODBCSYSINI once per process, so
// the registration is one per test program, made on first use and kept until it exits.
// Also sets the UTF-8 locale that the agent sets at start-up: the driver has no wide entry
// points, so the driver manager converts texts through the locale.
#include <string>

#include "support/TempDir.h"

namespace vqtest {

class SqliteOdbcEnv {
 public:
  // The driver is registered as "SQLite3" and, so that the default choice of a SQL Server
  // driver lands on it, as "ODBC Driver 17 for SQL Server".
  static const SqliteOdbcEnv& Instance();

  // False when the driver library is not installed; tests then skip.
  [[nodiscard]] bool Available() const { return !library_.empty(); }

  SqliteOdbcEnv(const SqliteOdbcEnv&) = delete;
  SqliteOdbcEnv& operator=(const SqliteOdbcEnv&) = delete;

 private:
  SqliteOdbcEnv();

  TempDir dir_;
  std::string library_;
};

}  // namespace vqtest
