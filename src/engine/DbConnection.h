#pragma once
// A database connection configured by a parameter list of "name=value" lines. The line
// "DriverID=" chooses the back end when the connection opens:
//   DriverID=MSSQL   ODBC: Server= (host, or host,port), User_Name=, Password=, Database=, and
//                    optionally ODBCDriver= naming the ODBC driver (otherwise the first installed
//                    SQL Server driver is taken);
//   DriverID=SQLite  an SQLite file: Database= (path), LockingMode= (normal or exclusive).
//
// Errors are thrown as EDbError; the database module catches them at each operation.
// Threads: one thread uses a connection at a time (each worker owns its own). Only the parameter
// list may be read by other threads (a worker copying the main connection's parameters); it has
// its own lock.
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/DbResult.h"

namespace tessaly {

class EDbError : public std::runtime_error {
 public:
  explicit EDbError(const std::string& message, std::string sqlState = {})
      : std::runtime_error(message), FSqlState(std::move(sqlState)) {}
  // Five-character SQLSTATE of the first diagnostic record; empty when there is none.
  [[nodiscard]] const std::string& SqlState() const { return FSqlState; }
  // Class 08: the link to the server is gone and the connection must be opened again.
  [[nodiscard]] bool LinkLost() const { return FSqlState.rfind("08", 0) == 0; }

 private:
  std::string FSqlState;
};

// The parameter list. Names compare without case; the first line of a name wins.
class TDbParams {
 public:
  TDbParams() = default;
  TDbParams(std::initializer_list<std::string> lines) : FLines(lines) {}

  void Clear() { FLines.clear(); }
  void Add(const std::string& line) { FLines.push_back(line); }
  [[nodiscard]] const std::vector<std::string>& Lines() const { return FLines; }
  // Text after the first "=" of the line named aName; empty when there is none.
  [[nodiscard]] std::string Value(const std::string& aName) const;

  friend bool operator==(const TDbParams&, const TDbParams&) = default;

 private:
  std::vector<std::string> FLines;
};

// One open session of a back end. Made by TDbConnection::Open, used by one thread.
class IDbSession {
 public:
  virtual ~IDbSession() = default;
  // Ends the session; throws EDbError when the server refuses, the session being gone anyway.
  virtual void Close() = 0;
  virtual void StartTransaction() = 0;
  virtual void Commit() = 0;
  virtual void Rollback() = 0;
  // Runs every statement of the text; an error in any of them is thrown.
  virtual void ExecBatch(const std::string& aSql) = 0;
  // Runs the text and fetches every row of its first result set into aResult; statements after
  // it still run, and their errors are thrown. A text without a result set is an error.
  virtual void Query(const std::string& aSql, TDbResult& aResult) = 0;
};

class TDbConnection {
 public:
  // A fresh connection holds "DriverID=SQLite" and is closed.
  TDbConnection();
  ~TDbConnection();
  TDbConnection(const TDbConnection&) = delete;
  TDbConnection& operator=(const TDbConnection&) = delete;

  // Copies of the list, safe from any thread.
  [[nodiscard]] TDbParams Params() const;
  void SetParams(TDbParams aParams);

  [[nodiscard]] bool Connected() const { return FSession != nullptr; }
  // Opens with the current parameters unless already open.
  void Open();
  // Closes; nothing when closed. An error of the back end is thrown after the session is gone.
  void Close();

  // The operations below need an open connection. A lost link (SQLSTATE class 08) closes the
  // connection before the error is thrown, so that the next check opens it again.
  void StartTransaction();
  void Commit();
  void Rollback();
  void ExecBatch(const std::string& aSql);
  void Query(const std::string& aSql, TDbResult& aResult);

  // SQLSTATE of the last error an operation above threw; ExecBatch and Query clear it first, so
  // a rollback after a failed batch keeps the batch's state.
  [[nodiscard]] const std::string& LastErrorState() const { return FLastErrorState; }
  // Before a step whose own failure is to be judged, so that an earlier step's error (or a step
  // that failed before reaching the database) does not count as its own.
  void ClearLastError() { FLastErrorState.clear(); }
  // The last error was about the data itself (SQLSTATE class 22: a value too long for its
  // column, no number, no date): running the same statement again cannot succeed.
  [[nodiscard]] bool LastErrorIsData() const { return FLastErrorState.rfind("22", 0) == 0; }

 private:
  IDbSession& Session();
  // Runs op on the session; drops the session when op reports a lost link.
  template <class Op>
  void Run(Op op);

  mutable std::mutex FParamsLock;
  TDbParams FParams;  // guarded by FParamsLock
  std::unique_ptr<IDbSession> FSession;  // owning thread only
  std::string FLastErrorState;           // owning thread only
};

}  // namespace tessaly
