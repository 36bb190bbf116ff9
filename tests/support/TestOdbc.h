#pragma once
// The back-office database of a test: a SQLite file reached through unixODBC and the test driver,
// which runs the agent's T-SQL on it (tests/support/odbc_driver). The fixture registers the driver
// (and Debian's SQLite ODBC driver) in a test odbcinst.ini, makes a fresh database file, and sets,
// reads and forces what the back-office server would do: procedure results, scalar functions,
// the server clock, change-tracking numbers and a lost link.
//
// The driver manager reads ODBCSYSINI once per process, so the odbcinst.ini folder is shared by
// every fixture of the process; each fixture has its own database file. Call setlocale(LC_ALL,
// "C.UTF-8") before connecting through the SQLite ODBC driver (it has no wide entry points).
// Control methods write the file directly through SQLite; they take effect at the next batch.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "support/TempDir.h"

namespace vqtest {

// Driver names in the test odbcinst.ini.
inline constexpr const char* kTestOdbcDriver = "Tessaly Test SQL";
inline constexpr const char* kSqliteOdbcDriver = "SQLite3";
// The system's FreeTDS driver, for the fake SQL Server (FakeTdsServer.h).
inline constexpr const char* kFreeTdsOdbcDriver = "FreeTDS";

// Writes the process-wide odbcinst.ini and points ODBCSYSINI at its folder (once); returns the folder.
const std::string& InstallOdbcDrivers();
// Registers the library of `driver` (one of the two above) under the name `alias` as well, so that
// a connection naming no driver, which takes the first installed SQL Server driver, lands on it.
// The alias lasts for the process; a second call with the same alias changes nothing.
void RegisterDriverAlias(const std::string& alias, const std::string& driver = kTestOdbcDriver);

class TestOdbc {
 public:
  // A fresh database; a first connection through the driver creates its control tables.
  TestOdbc();

  [[nodiscard]] const std::string& DatabasePath() const { return path_; }
  // DRIVER={Tessaly Test SQL};SERVER=127.0.0.1,1433;UID=sa;PWD=test;DATABASE={<path>}
  [[nodiscard]] std::string ConnectionString() const;
  // DRIVER={SQLite3};Database=<path>: the same file through Debian's SQLite ODBC driver.
  [[nodiscard]] std::string SqliteConnectionString() const;

  // Runs a T-SQL batch through the driver, reading every result; false (and `error`) when one fails.
  bool RunTsql(const std::string& sql, std::string* error = nullptr);
  // Creates back-office tables from T-SQL (create table statements and inserts).
  bool ApplySchema(const std::string& tsql, std::string* error = nullptr) { return RunTsql(tsql, error); }

  // Plain SQLite on the file, beside the driver; NULL reads as nullopt.
  bool Exec(const std::string& sql, std::string* error = nullptr);
  using Row = std::vector<std::optional<std::string>>;
  [[nodiscard]] std::vector<Row> Query(const std::string& sql);
  // First column of the first row; nullopt when there is none or it is NULL.
  [[nodiscard]] std::optional<std::string> Value(const std::string& sql);

  // Objects that exist on the server: procedures can be exec'd, and both show in sysobjects.
  void RegisterProcedure(const std::string& name);
  void RegisterFunction(const std::string& name);
  // Value of dbo.<name>(...) ('getdate' and 'CHANGE_TRACKING_CURRENT_VERSION' included); `args`
  // restricts it to calls with exactly these argument values joined by ',' (e.g. "5").
  void SetScalar(const std::string& name, std::int64_t value, const std::optional<std::string>& args = {});
  void SetScalarText(const std::string& name, const std::optional<std::string>& value,
                     const std::optional<std::string>& args = {});
  // The server clock of getdate(), "yyyy-MM-dd hh:mm:ss.zzz".
  void SetGetDate(const std::string& stamp) { SetScalarText("getdate", stamp); }

  // exec of `proc` (with arguments LIKE `argsLike`, any when nullopt) fails with `message`.
  void FailProcedure(const std::string& proc, const std::string& message,
                     const std::optional<std::string>& argsLike = {}, const std::string& sqlstate = "42000");
  // Every statement whose text is LIKE `sqlLike` fails with `message`. The texts matched, each as
  // sent with the blanks at its ends trimmed: a simple statement, an exec, a create/alter of a
  // view, procedure, function or trigger, a whole `if [not] exists(…) … [else …]` or `begin … end`,
  // and every statement inside those. A compound statement that matches fails whole, running none
  // of its branches.
  void FailStatements(const std::string& sqlLike, const std::string& message, const std::string& sqlstate = "HY000");
  void ClearFailures();
  // Every statement matched as for FailStatements waits, before it runs, until ReleaseDelays() or
  // until `ms` of real time have passed (the driver does not know the agent's clock). Also re-arms
  // the delays after a ReleaseDelays().
  void DelayStatements(const std::string& sqlLike, int ms);
  // The statements whose wait has begun, in order, as the driver matched them (line breaks as blanks).
  [[nodiscard]] std::vector<std::string> DelayedStatements() const;
  // Ends the waits in progress; no statement waits again until the next DelayStatements().
  void ReleaseDelays();
  // While set, connecting fails (08001) and every open connection dies (08S01) at its next batch.
  // Takes effect at once, also while a connection holds an open transaction.
  void SetLinkLost(bool lost);

  struct ExecCall {
    std::int64_t seq = 0;
    std::string proc;
    std::string args;  // argument text as sent, e.g. "5, 'S001'"
    bool autocommit = true;
  };
  // Committed procedure calls, in order.
  [[nodiscard]] std::vector<ExecCall> ExecLog();

 private:
  TempDir dir_;
  std::string path_;
};

}  // namespace vqtest
