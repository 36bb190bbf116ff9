#pragma once
// The base of the agent's database module: the main connection to the back-office database,
// the connection to upgrade packages, and the SQL operations everything else builds on.
//
// Failure convention: every operation catches every database error and reports it through its
// result (false, -1 or the default value) and a reason text in its string out parameter.
// A connection argument of nullptr means the main connection FDConnection.
//
// Threads: the operations take no lock. Calls with nullptr (the main connection) belong to the
// UI thread; each worker passes its own connection and query objects, whose parameters
// CheckConn copies from FDConnection (that copy is the only cross-thread access, and the
// parameter list guards it).
#include <atomic>
#include <string>

#include "engine/DbConnection.h"
#include "engine/DbQuery.h"
#include "engine/DbVariant.h"
#include "engine/SqlLiterals.h"

namespace tessaly {

// While on, SqlExec and SqlOpen log a timing line for every statement that succeeds. Set once
// when the settings load; read by every thread.
extern std::atomic<bool> IsDMSqlLog;

class TDM {
 public:
  TDM() = default;
  virtual ~TDM() = default;
  TDM(const TDM&) = delete;
  TDM& operator=(const TDM&) = delete;

  // Opens the upgrade package aDBFile (taken inside the program folder when it has no folder
  // part) on aSqlConn, nullptr meaning FSqliteConn. Closes the connection first.
  bool SQLiteConn(std::string& aResult, const std::string& aDBFile, TDbConnection* aSqlConn = nullptr);
  // Points FDConnection at the back-office database (aHost is host or host,port) and opens it.
  bool SQLServerConn(std::string& aResult, const std::string& aHost, const std::string& aUser,
                     const std::string& aPwd, const std::string& aDatabase);
  // Makes sure aConn is open. A closed connection other than FDConnection first takes a copy of
  // FDConnection's parameters. On success aResult is "数据库已连接".
  bool CheckConn(std::string& aResult, TDbConnection* aConn);
  // Runs the statement batch to its end, in one transaction when aIsTrans (rolled back when any
  // statement fails). On success aResult is left as CheckConn set it; on failure it holds the
  // error message.
  bool SqlExec(std::string& aResult, const std::string& aSql, TDbConnection* aSqlConn = nullptr,
               bool aIsTrans = false);
  // Opens aQry with every row of the SELECT text; on failure aQry is closed.
  bool SqlOpen(std::string& aResult, TDbQuery& aQry, const std::string& aSql, TDbConnection* aSqlConn = nullptr);
  // The value of column aField (the first column when empty) of the first row, or aDefValue
  // when the query fails, has no row, no such column, or a null there.
  [[nodiscard]] TDbVariant SqlValue(const std::string& aSql, const TDbVariant& aDefValue,
                                    const std::string& aField = "", TDbConnection* aSqlConn = nullptr);
  // Number of rows of the query, -1 when it fails.
  [[nodiscard]] int SqlCount(const std::string& aSql, TDbConnection* aSqlConn = nullptr);
  // Whether the query returns a row; false with the reason in aErro when it fails.
  [[nodiscard]] bool SqlExists(const std::string& aSql, std::string& aErro, TDbConnection* aSqlConn = nullptr);
  // SQLite catalogue tests; false for an empty name.
  [[nodiscard]] bool TableExists(const std::string& aTable, TDbConnection* aSqlConn = nullptr);
  [[nodiscard]] bool FieldExists(const std::string& aTable, const std::string& aField,
                                 TDbConnection* aSqlConn = nullptr);

  // The main connection to the back-office database; closed until SQLServerConn or CheckConn.
  TDbConnection FDConnection;
  // The connection to one upgrade package at a time.
  TDbConnection FSqliteConn;

 private:
  TDbConnection& ConnOf(TDbConnection* aConn) { return aConn ? *aConn : FDConnection; }
};

}  // namespace tessaly
