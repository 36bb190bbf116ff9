#include "support/FakePlatformServer.h"

#include <httplib.h>
#include <openssl/evp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <arpa/inet.h>
#include <netinet/in.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <chrono>
#include <stdexcept>
#include <thread>

namespace vqtest {

namespace {

constexpr const char* kSigningSalt = "@7290";
constexpr int kSocketWaitMs = 5000;

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::string FormDecode(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '+') {
      out += ' ';
    } else if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
      out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  }
  return true;
}

// What the handler decided to do with the connection it runs on.
struct ConnectionFate {
  bool withholdAnswer = false;  // write nothing more
  bool reset = false;           // and end the connection with a reset
};

thread_local ConnectionFate* tFate = nullptr;

// A plain socket stream for one connection; writes are dropped once the fate says so. Reads go
// through a buffer: the library reads request lines a byte at a time, and one system call per
// byte would make the server the slowest part of any benchmark.
class FdStream final : public httplib::Stream {
 public:
  FdStream(int fd, ConnectionFate& fate) : fd_(fd), fate_(fate) {}

  bool is_readable() const override { return begin_ < end_ || Wait(POLLIN); }
  bool is_writable() const override { return !fate_.withholdAnswer && Wait(POLLOUT); }

  ssize_t read(char* ptr, size_t size) override {
    if (begin_ == end_) {
      if (!Wait(POLLIN)) return -1;
      if (size >= sizeof(buffer_)) return ::recv(fd_, ptr, size, 0);
      const ssize_t n = ::recv(fd_, buffer_, sizeof(buffer_), 0);
      if (n <= 0) return n;
      begin_ = 0;
      end_ = static_cast<size_t>(n);
    }
    const size_t n = std::min(size, end_ - begin_);
    std::memcpy(ptr, buffer_ + begin_, n);
    begin_ += n;
    return static_cast<ssize_t>(n);
  }

  ssize_t write(const char* ptr, size_t size) override {
    if (!is_writable()) return -1;
    return ::send(fd_, ptr, size, MSG_NOSIGNAL);
  }

  void get_remote_ip_and_port(std::string& ip, int& port) const override { Address(false, ip, port); }
  void get_local_ip_and_port(std::string& ip, int& port) const override { Address(true, ip, port); }
  socket_t socket() const override { return fd_; }

 private:
  bool Wait(short events) const {
    pollfd p{fd_, events, 0};
    int n = 0;
    do {
      n = ::poll(&p, 1, kSocketWaitMs);
    } while (n < 0 && errno == EINTR);
    return n > 0;
  }

  void Address(bool local, std::string& ip, int& port) const {
    sockaddr_in addr{};
    socklen_t len = sizeof(addr);
    const int rc = local ? ::getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len)
                         : ::getpeername(fd_, reinterpret_cast<sockaddr*>(&addr), &len);
    if (rc != 0) return;
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &addr.sin_addr, text, sizeof(text));
    ip = text;
    port = ntohs(addr.sin_port);
  }

  int fd_;
  ConnectionFate& fate_;
  char buffer_[16384];
  size_t begin_ = 0;  // unread bytes of buffer_ are [begin_, end_)
  size_t end_ = 0;
};

}  // namespace

// The HTTP engine: cpp-httplib parses requests, but each connection is served here, one request
// per connection, so a handler can close or reset the very socket it answers on.
class FakePlatformServer::Engine final : public httplib::Server {
 public:
  explicit Engine(FakePlatformServer& owner) : owner_(owner) {
    new_task_queue = [] { return new httplib::ThreadPool(16); };
    Get(".*", [this](const httplib::Request& req, httplib::Response& res) { Handle(req, req.body, res); });
    // POST bodies are read here: reading them itself, the library refuses form bodies over 8 KiB.
    Post(".*", [this](const httplib::Request& req, httplib::Response& res, const httplib::ContentReader& read) {
      std::string body;
      read([&body](const char* data, size_t length) {
        body.append(data, length);
        return true;
      });
      Handle(req, body, res);
    });
  }

 private:
  bool process_and_close_socket(socket_t sock) override {
    ConnectionFate fate;
    tFate = &fate;
    FdStream stream(sock, fate);
    bool closed = false;
    const bool ok = process_request(stream, true, closed, [](httplib::Request&) {});
    tFate = nullptr;
    if (fate.reset) {
      const linger hard{1, 0};
      ::setsockopt(sock, SOL_SOCKET, SO_LINGER, &hard, sizeof(hard));
    } else {
      ::shutdown(sock, SHUT_RDWR);
    }
    ::close(sock);
    owner_.ConnectionFinished();
    return ok;
  }

  void Handle(const httplib::Request& req, const std::string& body, httplib::Response& res) {
    RecordedRequest rec;
    rec.method = req.method;
    rec.path = req.path.size() > 0 && req.path[0] == '/' ? req.path.substr(1) : req.path;
    const std::size_t q = req.target.find('?');
    if (q != std::string::npos) rec.query = req.target.substr(q + 1);
    rec.version = req.version;
    for (const auto& [name, value] : req.headers) {
      if (name == "REMOTE_ADDR" || name == "REMOTE_PORT" || name == "LOCAL_ADDR" || name == "LOCAL_PORT") continue;
      rec.headers.emplace_back(name, value);
    }
    rec.body = body;
    if (rec.header("Content-Type").rfind("application/x-www-form-urlencoded", 0) == 0) {
      rec.fields = DecodeFormBody(body);
    }
    bool hasJson = false;
    bool hasMd5 = false;
    for (const auto& [name, value] : rec.fields) {
      hasJson = hasJson || name == "json";
      hasMd5 = hasMd5 || name == "md5";
    }
    rec.isSigned = hasJson && hasMd5;
    rec.signatureValid = rec.isSigned && rec.field("md5") == PlatformSignature(rec.field("json"));
    const std::string path = rec.path;
    owner_.Record(std::move(rec));

    const FakeReply reply = owner_.NextReply(path);
    if (!owner_.WaitBeforeAnswer(reply) || reply.fault != FakeReply::Fault::None) {
      if (tFate != nullptr) {
        tFate->withholdAnswer = true;
        tFate->reset = reply.fault == FakeReply::Fault::Reset;
      }
      return;
    }
    res.status = reply.status;
    if (reply.streamChunk > 0) {
      // Ends only when the client stops reading or the server stops.
      res.set_content_provider(reply.contentType, [this, reply](size_t, httplib::DataSink& sink) {
        const std::string chunk(reply.streamChunk, ' ');
        if (owner_.Stopping() || !sink.write(chunk.data(), chunk.size())) return false;
        if (reply.streamPauseMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(reply.streamPauseMs));
        return true;
      });
      return;
    }
    res.body = reply.body;
    if (!reply.contentType.empty()) res.set_header("Content-Type", reply.contentType);
    for (const auto& [name, value] : reply.headers) res.set_header(name, value);
  }

  FakePlatformServer& owner_;
};

FakeReply FakeReply::Json(std::string body) { return Text(200, std::move(body), "application/json; charset=utf-8"); }

FakeReply FakeReply::Text(int status, std::string body, std::string contentType) {
  FakeReply r;
  r.status = status;
  r.body = std::move(body);
  r.contentType = std::move(contentType);
  return r;
}

FakeReply FakeReply::Status(int status) {
  return Text(status, "status " + std::to_string(status), "text/plain; charset=utf-8");
}

FakeReply FakeReply::NonJson() {
  return Text(200, "<html><body>Service Unavailable</body></html>", "text/html; charset=utf-8");
}

FakeReply FakeReply::CloseWithoutAnswer() {
  FakeReply r;
  r.fault = Fault::CloseWithoutAnswer;
  return r;
}

FakeReply FakeReply::Reset() {
  FakeReply r;
  r.fault = Fault::Reset;
  return r;
}

FakeReply FakeReply::Redirect(int status, std::string location) {
  FakeReply r = Text(status, "", "");
  r.headers.emplace_back("Location", std::move(location));
  return r;
}

FakeReply FakeReply::Endless() {
  FakeReply r = Json("");
  r.streamChunk = 64 * 1024;
  return r;
}

FakeReply FakeReply::Drip(int pauseMs) {
  FakeReply r = Json("");
  r.streamChunk = 1;
  r.streamPauseMs = pauseMs;
  return r;
}

FakeReply FakeReply::Slow(int delayMs, FakeReply reply) {
  reply.delayMs = delayMs;
  return reply;
}

FakeReply FakeReply::Held(std::string gate, FakeReply reply) {
  reply.holdGate = std::move(gate);
  return reply;
}

std::string RecordedRequest::header(const std::string& name) const {
  for (const auto& [n, v] : headers) {
    if (SameName(n, name)) return v;
  }
  return {};
}

bool RecordedRequest::hasHeader(const std::string& name) const {
  for (const auto& h : headers) {
    if (SameName(h.first, name)) return true;
  }
  return false;
}

std::string RecordedRequest::field(const std::string& name) const {
  for (const auto& [n, v] : fields) {
    if (n == name) return v;
  }
  return {};
}

std::vector<std::pair<std::string, std::string>> DecodeFormBody(const std::string& body) {
  std::vector<std::pair<std::string, std::string>> fields;
  if (body.empty()) return fields;
  std::size_t start = 0;
  while (true) {
    const std::size_t amp = body.find('&', start);
    const std::string part = body.substr(start, amp == std::string::npos ? std::string::npos : amp - start);
    const std::size_t eq = part.find('=');
    if (eq == std::string::npos) {
      fields.emplace_back(FormDecode(part), "");
    } else {
      fields.emplace_back(FormDecode(part.substr(0, eq)), FormDecode(part.substr(eq + 1)));
    }
    if (amp == std::string::npos) break;
    start = amp + 1;
  }
  return fields;
}

std::string PlatformSignature(const std::string& json) {
  const std::string text = kSigningSalt + json;
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (EVP_Digest(text.data(), text.size(), digest, &length, EVP_md5(), nullptr) != 1) {
    throw std::runtime_error("MD5 failed");
  }
  static constexpr char kHex[] = "0123456789abcdef";
  std::string hex;
  for (unsigned int i = 0; i < length; ++i) {
    hex += kHex[digest[i] >> 4];
    hex += kHex[digest[i] & 0x0F];
  }
  return hex;
}

FakePlatformServer::FakePlatformServer() : fallback_(FakeReply::Status(404)), engine_(std::make_unique<Engine>(*this)) {
  port_ = engine_->bind_to_any_port("127.0.0.1");
  if (port_ <= 0) throw std::runtime_error("fake platform server: cannot bind 127.0.0.1");
  listener_ = std::thread([this] { engine_->listen_after_bind(); });
  // stop() only takes effect once the accept loop runs.
  while (!engine_->is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

FakePlatformServer::~FakePlatformServer() {
  {
    std::lock_guard<std::mutex> guard(lock_);
    stopping_ = true;
  }
  changed_.notify_all();
  engine_->stop();
  listener_.join();
}

std::string FakePlatformServer::baseUrl() const { return "http://127.0.0.1:" + std::to_string(port_) + "/"; }

std::string FakePlatformServer::url(const std::string& path) const { return baseUrl() + path; }

void FakePlatformServer::Enqueue(const std::string& path, FakeReply reply) {
  std::lock_guard<std::mutex> guard(lock_);
  queued_[path].push_back(std::move(reply));
}

void FakePlatformServer::SetDefault(const std::string& path, FakeReply reply) {
  std::lock_guard<std::mutex> guard(lock_);
  defaults_[path] = std::move(reply);
}

void FakePlatformServer::SetFallback(FakeReply reply) {
  std::lock_guard<std::mutex> guard(lock_);
  fallback_ = std::move(reply);
}

void FakePlatformServer::Release(const std::string& gate) {
  {
    std::lock_guard<std::mutex> guard(lock_);
    released_.insert(gate);
  }
  changed_.notify_all();
}

std::vector<RecordedRequest> FakePlatformServer::Requests() const {
  std::lock_guard<std::mutex> guard(lock_);
  return requests_;
}

std::vector<RecordedRequest> FakePlatformServer::RequestsTo(const std::string& path) const {
  std::vector<RecordedRequest> out;
  for (RecordedRequest& r : Requests()) {
    if (r.path == path) out.push_back(std::move(r));
  }
  return out;
}

bool FakePlatformServer::WaitForRequests(std::size_t count, int guardMs) const {
  std::unique_lock<std::mutex> guard(lock_);
  return changed_.wait_for(guard, std::chrono::milliseconds(guardMs), [&] { return requestCount_ >= count; });
}

bool FakePlatformServer::WaitForFinished(std::size_t count, int guardMs) const {
  std::unique_lock<std::mutex> guard(lock_);
  return changed_.wait_for(guard, std::chrono::milliseconds(guardMs), [&] { return finished_ >= count; });
}

FakeReply FakePlatformServer::NextReply(const std::string& path) {
  std::lock_guard<std::mutex> guard(lock_);
  auto queued = queued_.find(path);
  if (queued != queued_.end() && !queued->second.empty()) {
    FakeReply reply = std::move(queued->second.front());
    queued->second.pop_front();
    return reply;
  }
  const auto def = defaults_.find(path);
  return def != defaults_.end() ? def->second : fallback_;
}

void FakePlatformServer::Record(RecordedRequest request) {
  {
    std::lock_guard<std::mutex> guard(lock_);
    ++requestCount_;
    if (request.isSigned && !request.signatureValid) ++badSignatures_;
    if (!countsOnly_) requests_.push_back(std::move(request));
  }
  changed_.notify_all();
}

void FakePlatformServer::KeepOnlyCounts(bool aOn) {
  std::lock_guard<std::mutex> guard(lock_);
  countsOnly_ = aOn;
}

std::size_t FakePlatformServer::RequestCount() const {
  std::lock_guard<std::mutex> guard(lock_);
  return requestCount_;
}

std::size_t FakePlatformServer::BadSignatureCount() const {
  std::lock_guard<std::mutex> guard(lock_);
  return badSignatures_;
}

void FakePlatformServer::ConnectionFinished() {
  {
    std::lock_guard<std::mutex> guard(lock_);
    ++finished_;
  }
  changed_.notify_all();
}

bool FakePlatformServer::Stopping() const {
  std::lock_guard<std::mutex> guard(lock_);
  return stopping_;
}

bool FakePlatformServer::WaitBeforeAnswer(const FakeReply& reply) {
  std::unique_lock<std::mutex> guard(lock_);
  if (reply.delayMs > 0) {
    changed_.wait_for(guard, std::chrono::milliseconds(reply.delayMs), [&] { return stopping_; });
  }
  if (!reply.holdGate.empty()) {
    changed_.wait(guard, [&] { return stopping_ || released_.count(reply.holdGate) > 0; });
  }
  return !stopping_;
}

}  // namespace vqtest
