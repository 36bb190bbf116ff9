#pragma once
// A SQL Server for tests: it listens on 127.0.0.1 on a port of its own, speaks the tabular data
// stream (7.2 to 7.4) to the FreeTDS ODBC driver and runs each batch on the T-SQL test engine
// over a TestOdbc database file, so the production ODBC back end can be driven through the real
// driver. Replies carry result sets, row counts and errors (number, state, class, message) as the
// server does; varchar columns travel in code page 936, as a Chinese (PRC) collation sends them.
//
// Faults: a fault set by SetFault applies from then on. Connection faults act on connections
// accepted later; a statement fault on the next batch whose text holds the given part (any
// batch when it is empty), once.
//
// Threads: one accepting thread and one per connection; the control methods may be called from
// any thread. The destructor closes every connection and joins the threads.
#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vqtest {

class FakeTdsServer {
 public:
  enum class Fault {
    None,
    SilentAfterAccept,  // accepts, then never reads or answers
    RefuseLogin,        // answers the login with "Login failed" (18456)
    StallStatement,     // reads the batch and never answers it; a cancel is acknowledged
    DeafStatement,      // reads the batch and never answers anything again, a cancel included
    ResetMidStatement,  // reads the batch, then resets the connection (RST)
    CloseMidStatement,  // reads the batch, sends the start of a reply, then closes cleanly (FIN)
  };

  // Serves `dbPath` under the database name `database` to one login.
  explicit FakeTdsServer(std::string dbPath, std::string database = "shop", std::string user = "sa",
                         std::string password = "test");
  ~FakeTdsServer();
  FakeTdsServer(const FakeTdsServer&) = delete;
  FakeTdsServer& operator=(const FakeTdsServer&) = delete;

  [[nodiscard]] int Port() const { return port_; }
  // "127.0.0.1,<port>", the host text of the agent's settings.
  [[nodiscard]] std::string Host() const;

  void SetFault(Fault fault, const std::string& sqlPart = {});
  // The password and database of the last login as the server read them.
  [[nodiscard]] std::string LastPassword() const;
  [[nodiscard]] std::string LastDatabase() const;
  [[nodiscard]] std::string LastUser() const;
  // Every batch received, in order.
  [[nodiscard]] std::vector<std::string> Batches() const;
  [[nodiscard]] int Logins() const { return logins_; }

 private:
  struct Conn;
  void AcceptLoop();
  void Serve(int fd);
  bool Login(Conn& c);
  bool Batch(Conn& c, const std::string& sql);
  bool Transaction(Conn& c, const std::vector<unsigned char>& payload);
  // The statement fault for `sql`, taken (None when there is none).
  Fault TakeStatementFault(const std::string& sql);

  std::string dbPath_, database_, user_, password_;
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<int> logins_{0};
  std::thread acceptor_;

  mutable std::mutex lock_;
  Fault fault_ = Fault::None;               // guarded by lock_
  std::string faultPart_;                   // guarded by lock_
  std::string lastPassword_, lastDatabase_, lastUser_;  // guarded by lock_
  std::vector<std::string> batches_;        // guarded by lock_
  std::vector<std::thread> workers_;        // guarded by lock_
};

}  // namespace vqtest
