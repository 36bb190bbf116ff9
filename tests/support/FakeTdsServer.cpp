#include "support/FakeTdsServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <utility>

#include "Session.h"
#include "platform/TextCodec.h"
#include "support/TdsWire.h"

namespace vqtest {

using tds::Bytes;

struct FakeTdsServer::Conn {
  int fd = -1;
  std::size_t packetSize = 4096;
  vqodbc::Session session;
  std::uint64_t tran = 0;  // descriptor of the open transaction, 0 for none
  std::uint64_t nextTran = 1;
};

namespace {

constexpr int kPollMs = 50;

// Waits until `fd` is readable; false when the server stops first.
bool WaitReadable(int fd, const std::atomic<bool>& stop) {
  while (!stop) {
    pollfd p{fd, POLLIN, 0};
    const int rc = ::poll(&p, 1, kPollMs);
    if (rc > 0) return true;
    if (rc < 0 && errno != EINTR) return false;
  }
  return false;
}

bool ReadFull(int fd, std::uint8_t* p, std::size_t n, const std::atomic<bool>& stop) {
  while (n > 0) {
    if (!WaitReadable(fd, stop)) return false;
    const ssize_t got = ::recv(fd, p, n, 0);
    if (got <= 0) return false;
    p += got;
    n -= static_cast<std::size_t>(got);
  }
  return true;
}

// One message: its packets joined until the one marked as the end.
bool ReadMessage(int fd, std::uint8_t& type, Bytes& payload, const std::atomic<bool>& stop) {
  payload.clear();
  for (;;) {
    std::uint8_t head[8];
    if (!ReadFull(fd, head, 8, stop)) return false;
    const std::size_t len = (static_cast<std::size_t>(head[2]) << 8) | head[3];
    if (len < 8) return false;
    type = head[0];
    const std::size_t at = payload.size();
    payload.resize(at + len - 8);
    if (!ReadFull(fd, payload.data() + at, len - 8, stop)) return false;
    if ((head[1] & 0x01) != 0) return true;
  }
}

bool Send(int fd, const Bytes& bytes) {
  std::size_t at = 0;
  while (at < bytes.size()) {
    const ssize_t n = ::send(fd, bytes.data() + at, bytes.size() - at, MSG_NOSIGNAL);
    if (n <= 0) return false;
    at += static_cast<std::size_t>(n);
  }
  return true;
}

bool Reply(const FakeTdsServer* /*server*/, int fd, std::size_t packetSize, const tds::Writer& w) {
  return Send(fd, tds::Packets(tds::kReply, w.Data(), packetSize));
}

Bytes Descriptor(std::uint64_t id) {
  Bytes b;
  for (int i = 0; i < 8; ++i) b.push_back(static_cast<std::uint8_t>(id >> (8 * i)));
  return b;
}

void Reset(int fd) {
  linger l{1, 0};
  ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &l, sizeof l);
}

// Session settings the driver sends on its own; the engine has no use for them.
bool SettingOnly(const std::string& sql) {
  const std::string s = platform::AsciiLower(platform::TrimBlanks(sql));
  return s.rfind("set ", 0) == 0 && s.find('\n') == std::string::npos && s.find("select") == std::string::npos;
}

}  // namespace

FakeTdsServer::FakeTdsServer(std::string dbPath, std::string database, std::string user, std::string password)
    : dbPath_(std::move(dbPath)), database_(std::move(database)), user_(std::move(user)), password_(std::move(password)) {
  listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = 0;
  socklen_t len = sizeof addr;
  if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      ::listen(listener_, 16) != 0 || ::getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
    throw std::runtime_error("the test SQL server cannot listen");
  port_ = ntohs(addr.sin_port);
  acceptor_ = std::thread([this] { AcceptLoop(); });
}

FakeTdsServer::~FakeTdsServer() {
  stop_ = true;
  acceptor_.join();
  std::vector<std::thread> workers;
  {
    std::lock_guard g(lock_);
    workers.swap(workers_);
  }
  for (std::thread& t : workers) t.join();
  ::close(listener_);
}

std::string FakeTdsServer::Host() const { return "127.0.0.1," + std::to_string(port_); }

void FakeTdsServer::SetFault(Fault fault, const std::string& sqlPart) {
  std::lock_guard g(lock_);
  fault_ = fault;
  faultPart_ = sqlPart;
}

std::string FakeTdsServer::LastPassword() const {
  std::lock_guard g(lock_);
  return lastPassword_;
}
std::string FakeTdsServer::LastDatabase() const {
  std::lock_guard g(lock_);
  return lastDatabase_;
}
std::string FakeTdsServer::LastUser() const {
  std::lock_guard g(lock_);
  return lastUser_;
}
std::vector<std::string> FakeTdsServer::Batches() const {
  std::lock_guard g(lock_);
  return batches_;
}

FakeTdsServer::Fault FakeTdsServer::TakeStatementFault(const std::string& sql) {
  std::lock_guard g(lock_);
  batches_.push_back(sql);
  const bool statementFault = fault_ == Fault::StallStatement || fault_ == Fault::DeafStatement ||
                              fault_ == Fault::ResetMidStatement || fault_ == Fault::CloseMidStatement;
  if (!statementFault || sql.find(faultPart_) == std::string::npos) return Fault::None;
  return std::exchange(fault_, Fault::None);
}

void FakeTdsServer::AcceptLoop() {
  while (WaitReadable(listener_, stop_)) {
    const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    std::lock_guard g(lock_);
    workers_.emplace_back([this, fd] {
      Serve(fd);
      ::close(fd);
    });
  }
}

void FakeTdsServer::Serve(int fd) {
  Fault atAccept;
  {
    std::lock_guard g(lock_);
    atAccept = fault_;
  }
  if (atAccept == Fault::SilentAfterAccept) {
    while (!stop_) std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
    return;
  }
  if (std::filesystem::exists(vqodbc::LinkLostMarker(dbPath_))) return;
  Conn c;
  c.fd = fd;
  if (!Login(c)) return;
  for (;;) {
    std::uint8_t type = 0;
    Bytes payload;
    if (!ReadMessage(fd, type, payload, stop_)) return;
    bool ok = true;
    if (type == tds::kSqlBatch) {
      std::string sql;
      if (!tds::BatchText(payload, sql)) return;
      ok = Batch(c, sql);
    } else if (type == tds::kTransaction) {
      ok = Transaction(c, payload);
    } else if (type == tds::kAttention) {
      tds::Writer w;
      tds::Done(w, tds::kDoneAttention, 0);
      ok = Reply(this, fd, c.packetSize, w);
    } else {
      tds::Writer w;
      tds::Message(w, true, 16, 1, 16, "The test server takes SQL batches and transaction requests only.");
      tds::Done(w, tds::kDoneError, 0);
      ok = Reply(this, fd, c.packetSize, w);
    }
    if (!ok) return;
  }
}

bool FakeTdsServer::Login(Conn& c) {
  std::uint8_t type = 0;
  Bytes payload;
  if (!ReadMessage(c.fd, type, payload, stop_) || type != tds::kPreLogin) return false;
  if (!Send(c.fd, tds::Packets(tds::kReply, tds::PreLoginReply(), c.packetSize))) return false;
  if (!ReadMessage(c.fd, type, payload, stop_) || type != tds::kLogin7) return false;
  tds::Login login;
  if (!tds::ParseLogin(payload, login)) return false;
  Fault fault;
  {
    std::lock_guard g(lock_);
    lastPassword_ = login.password;
    lastDatabase_ = login.database;
    lastUser_ = login.user;
    fault = fault_;
  }
  tds::Writer w;
  auto refuse = [&](int number, const std::string& text) {
    tds::Message(w, true, number, 1, 14, text);
    tds::Done(w, tds::kDoneError, 0);
    Reply(this, c.fd, c.packetSize, w);
    return false;
  };
  if (login.tdsVersion < 0x72000000u) return refuse(4002, "The test server speaks TDS 7.2 and later only.");
  if (fault == Fault::RefuseLogin || login.user != user_ || login.password != password_)
    return refuse(18456, "Login failed for user '" + login.user + "'.");
  if (!platform::SameText(login.database, database_))
    return refuse(4060, "Cannot open database \"" + login.database + "\" requested by the login. The login failed.");
  vqodbc::Diag error;
  if (!c.session.Open(dbPath_, error)) return refuse(4060, error.message);
  c.packetSize = std::clamp<std::size_t>(login.packetSize, 512, 32767);
  tds::EnvChange(w, 1, database_, "master");
  tds::EnvChangeBytes(w, 7, tds::Collation(), {});
  tds::EnvChange(w, 2, "us_english", "");
  tds::EnvChange(w, 4, std::to_string(c.packetSize), "4096");
  tds::LoginAck(w, login.tdsVersion);
  tds::Done(w, 0, 0);
  ++logins_;
  return Reply(this, c.fd, c.packetSize, w);
}

bool FakeTdsServer::Batch(Conn& c, const std::string& sql) {
  switch (TakeStatementFault(sql)) {
    case Fault::StallStatement:
      for (;;) {
        std::uint8_t type = 0;
        Bytes payload;
        if (!ReadMessage(c.fd, type, payload, stop_)) return false;
        if (type == tds::kAttention) {
          tds::Writer w;
          tds::Done(w, tds::kDoneAttention, 0);
          return Reply(this, c.fd, c.packetSize, w);
        }
      }
    case Fault::DeafStatement:
      while (!stop_) std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
      return false;
    case Fault::ResetMidStatement: Reset(c.fd); return false;
    case Fault::CloseMidStatement: {
      tds::Writer w;
      tds::Done(w, tds::kDoneMore | tds::kDoneCount, 1);
      Send(c.fd, {tds::kReply, 0, 0, static_cast<std::uint8_t>(8 + w.Data().size()), 0, 0, 1, 0});
      Send(c.fd, w.Data());
      ::shutdown(c.fd, SHUT_RDWR);
      return false;
    }
    default: break;
  }
  tds::Writer w;
  if (SettingOnly(sql)) {
    tds::Done(w, 0, 0);
    return Reply(this, c.fd, c.packetSize, w);
  }
  const std::vector<vqodbc::Result> results = c.session.RunBatch(sql);
  if (c.session.Dead()) {
    Reset(c.fd);
    return false;
  }
  for (std::size_t i = 0; i < results.size(); ++i) {
    const vqodbc::Result& r = results[i];
    const std::uint16_t more = i + 1 < results.size() ? tds::kDoneMore : 0;
    if (r.kind == vqodbc::Result::Kind::Rows) {
      tds::RowSet(w, r);
      tds::Done(w, more | tds::kDoneCount, r.rows.size());
    } else if (r.kind == vqodbc::Result::Kind::Count) {
      tds::Done(w, static_cast<std::uint16_t>(more | (r.count >= 0 ? tds::kDoneCount : 0)),
                r.count >= 0 ? static_cast<std::uint64_t>(r.count) : 0);
    } else {
      tds::Message(w, true, r.error.native > 0 ? r.error.native : 50000, 1, 16, r.error.message);
      tds::Done(w, more | tds::kDoneError, 0);
    }
  }
  if (results.empty()) tds::Done(w, 0, 0);
  return Reply(this, c.fd, c.packetSize, w);
}

bool FakeTdsServer::Transaction(Conn& c, const Bytes& payload) {
  if (payload.size() < 6) return false;
  const std::size_t headers = payload[0] | (payload[1] << 8) | (payload[2] << 16) | (static_cast<std::size_t>(payload[3]) << 24);
  if (headers + 2 > payload.size()) return false;
  const int request = payload[headers] | (payload[headers + 1] << 8);
  std::size_t at = headers + 2;
  tds::Writer w;
  vqodbc::Diag error;
  auto begin = [&] {
    c.tran = c.nextTran++;
    tds::EnvChangeBytes(w, tds::kEnvBeginTran, Descriptor(c.tran), {});
    return c.session.SetAutocommit(false, error);
  };
  bool ok = true;
  if (request == 5) {  // begin: isolation level, name
    ok = begin();
  } else if (request == 7 || request == 8) {  // commit, rollback: name, then "begin another"
    if (at >= payload.size()) return false;
    at += 1 + 2 * static_cast<std::size_t>(payload[at]);
    const bool again = at < payload.size() && (payload[at] & 0x01) != 0;
    const bool commit = request == 7;
    ok = c.session.EndTran(commit, error);
    tds::EnvChangeBytes(w, commit ? tds::kEnvCommitTran : tds::kEnvRollbackTran, {}, Descriptor(c.tran));
    c.tran = 0;
    if (ok) ok = again ? begin() : c.session.SetAutocommit(true, error);
  } else {
    error = {"HY000", 0, "The test server does not support transaction request " + std::to_string(request) + "."};
    ok = false;
  }
  if (!ok) {
    tds::Message(w, true, error.native > 0 ? error.native : 3902, 1, 16, error.message);
    tds::Done(w, tds::kDoneError, 0);
  } else {
    tds::Done(w, 0, 0);
  }
  return Reply(this, c.fd, c.packetSize, w);
}

}  // namespace vqtest
