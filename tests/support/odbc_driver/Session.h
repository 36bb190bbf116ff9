#pragma once
// One connection of the test driver: a SQLite database file that plays the back-office server.
// It runs T-SQL batches (parsed by TsqlParser, rewritten by TsqlRewrite) statement by statement
// and keeps the test controls that live in the same file:
//
//   vq_test_object(name, xtype, definition)     procedures 'P', functions 'FN', triggers 'TR' that
//                                                exist on the "server" (listed in sysobjects);
//                                                create/alter procedure|function|trigger land here
//   vq_test_exec_log(seq, proc_name, args, autocommit)  every exec of a procedure, in order; the
//                                                row belongs to the caller's transaction
//   vq_test_proc_fail(proc_name, args_like, message, sqlstate, native)  exec of that procedure
//                                                (arguments LIKE args_like, NULL = any) fails
//   vq_test_fail(sql_like, message, sqlstate, native)  any statement whose text (as received, blanks
//                                                at its ends trimmed) is LIKE sql_like fails: a
//                                                simple statement, an exec, a create/alter of a
//                                                module (its whole text), a whole if … else … or
//                                                begin … end, and each statement inside those; a
//                                                compound one that matches fails whole
//   vq_test_scalar(name, args, value)            value of dbo.<name>(args) (args: the argument
//                                                values joined by ',', NULL = any call);
//                                                names 'getdate' and 'CHANGE_TRACKING_CURRENT_VERSION'
//                                                give those functions (defaults: local clock, NULL)
//   vq_test_delay(sql_like, ms)                  a statement matched as for vq_test_fail first
//                                                waits up to ms of real time (the driver does
//                                                not know the agent's clock), then runs
//
// A delayed statement appends its text (line breaks as blanks) to the file DelayLog(path) when its
// wait begins; the wait ends early, and no later statement waits, while the file
// DelayReleaseMarker(path) exists. Files again, so that a test can watch and end a wait while the
// waiting connection holds the write lock.
//
// The link to the server is lost while the file LinkLostMarker(path) exists: 08001 at connect,
// 08S01 at the next batch of an open connection, which stays dead. A file of its own rather than
// a control row, so that it can be set while a connection holds the database's write lock.
//
// Batch rules: statements run in order; a compile error (syntax, missing table or column) ends the
// batch there, a run-time error (constraint, failing procedure) is reported in its place and the
// batch goes on, as on the back-office server. With autocommit off the first batch opens a
// transaction (BEGIN IMMEDIATE) that lasts until EndTran.
//
// Not thread-safe: the driver manager serialises calls on one connection.
#include <string>
#include <vector>

#include "Results.h"
#include "TsqlParser.h"

namespace vqodbc {

// Path of the lost-link marker of the database file `path`.
[[nodiscard]] inline std::string LinkLostMarker(const std::string& path) { return path + ".link_lost"; }
// Paths of the log of delayed statements and of the marker that ends the delays.
[[nodiscard]] inline std::string DelayLog(const std::string& path) { return path + ".delayed"; }
[[nodiscard]] inline std::string DelayReleaseMarker(const std::string& path) { return path + ".delay_release"; }

class Session {
 public:
  Session() = default;
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Opens (creating when missing) the database file.
  [[nodiscard]] bool Open(const std::string& path, Diag& error);
  // Rolls back an open transaction and closes the file.
  void Close();

  [[nodiscard]] std::vector<Result> RunBatch(const std::string& sql);
  [[nodiscard]] bool SetAutocommit(bool on, Diag& error);
  [[nodiscard]] bool EndTran(bool commit, Diag& error);
  [[nodiscard]] bool Autocommit() const { return autocommit_; }
  [[nodiscard]] bool Dead() const { return dead_; }
  [[nodiscard]] const std::string& Path() const { return path_; }

  // Used by the SQL functions of the session.
  struct Scalar {
    std::string name;  // lower case
    bool anyArgs = true;
    std::string args;
    Value value;
  };
  [[nodiscard]] const std::vector<Scalar>& Scalars() const { return scalars_; }
  void SetPendingDiag(const Diag& d) { pending_ = d; }

 private:
  bool LinkLost();
  void LoadScalars();
  bool Exec(const std::string& sql);
  bool ForcedFailure(const std::string& text, std::vector<Result>& out);
  // The wait of vq_test_delay before a statement whose text is `text`.
  void DelayIfAsked(const std::string& text);
  // Each returns false when the batch must stop.
  bool RunNode(const Node& n, std::vector<Result>& out);
  bool RunSimple(const Node& n, std::vector<Result>& out);
  bool RunSql(const std::string& sql, std::vector<Result>& out);
  bool RunIf(const Node& n, std::vector<Result>& out);
  bool RunExec(const Node& n, std::vector<Result>& out);
  bool RunModule(const Node& n, std::vector<Result>& out);
  Diag TakeDiag(bool compiling);

  sqlite3* db_ = nullptr;
  std::string path_;
  bool autocommit_ = true;
  bool dead_ = false;
  std::vector<Scalar> scalars_;
  Diag pending_;  // set by a SQL function that failed, taken by the next error report
};

}  // namespace vqodbc
