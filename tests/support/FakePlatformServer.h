#pragma once
// A stand-in for the cloud platform: an HTTP server on 127.0.0.1 (ephemeral port) that records
// every request, answers from a script, and injects faults on the socket itself.
//
// Script: per path (without the leading "/", e.g. "Login.ashx") a queue of replies, used one per
// request, then the path's default; paths without a script get the server-wide default (404
// unless set). A reply is a status, a body and a content type, or a fault: close the connection
// without answering, reset it, answer only after a delay, or hold the answer until released.
//
// Recording: method, path, raw query, HTTP version, headers as sent, raw body, the form fields of
// a form-encoded body decoded in order, and whether the request carries the platform signature
// ("md5" = lower-case hex MD5 of "@7290" + the "json" field) and whether it is right.
//
// Threads: all methods may be called from any thread while requests are served. The destructor
// releases held and delayed answers and waits for the serving threads.
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace vqtest {

struct FakeReply {
  enum class Fault {
    None,
    CloseWithoutAnswer,  // read the request, then close the connection cleanly
    Reset,               // read the request, then reset the connection
  };

  int status = 200;
  std::string body;
  std::string contentType = "application/json; charset=utf-8";  // empty: no charset declared
  Fault fault = Fault::None;
  int delayMs = 0;         // wait this long before answering (or before the fault)
  std::string holdGate;    // non-empty: wait until Release(holdGate) before answering
  std::vector<std::pair<std::string, std::string>> headers;  // further response headers
  std::size_t streamChunk = 0;  // > 0: a body without end, this many blanks at a time
  int streamPauseMs = 0;        // real time between two chunks of such a body

  // 200 with a JSON body.
  [[nodiscard]] static FakeReply Json(std::string body);
  // Any status, body and content type.
  [[nodiscard]] static FakeReply Text(int status, std::string body, std::string contentType);
  // A status with a short plain body.
  [[nodiscard]] static FakeReply Status(int status);
  // 200 with an HTML page where JSON was expected.
  [[nodiscard]] static FakeReply NonJson();
  [[nodiscard]] static FakeReply CloseWithoutAnswer();
  [[nodiscard]] static FakeReply Reset();
  // A redirect (301, 302, 303, 307) to `location`.
  [[nodiscard]] static FakeReply Redirect(int status, std::string location);
  // `reply` after `delayMs` of real time.
  [[nodiscard]] static FakeReply Slow(int delayMs, FakeReply reply);
  // `reply` once the test calls Release(gate).
  [[nodiscard]] static FakeReply Held(std::string gate, FakeReply reply);
  // 200 whose body never ends: as fast as the client reads, or one byte every `pauseMs`.
  [[nodiscard]] static FakeReply Endless();
  [[nodiscard]] static FakeReply Drip(int pauseMs);
};

struct RecordedRequest {
  std::string method;
  std::string path;     // without the leading "/"
  std::string query;    // raw, after "?", empty when none
  std::string version;  // "HTTP/1.0" or "HTTP/1.1"
  std::vector<std::pair<std::string, std::string>> headers;  // as sent (name order)
  std::string body;                                          // raw bytes
  std::vector<std::pair<std::string, std::string>> fields;   // decoded form fields, in order
  bool isSigned = false;        // has both "json" and "md5" fields
  bool signatureValid = false;  // and "md5" is right

  // First value of a header (name without case), empty when absent.
  [[nodiscard]] std::string header(const std::string& name) const;
  [[nodiscard]] bool hasHeader(const std::string& name) const;
  // First value of a form field, empty when absent.
  [[nodiscard]] std::string field(const std::string& name) const;
};

// Decodes an application/x-www-form-urlencoded body: "+" is a blank, "%XX" a byte; a field
// without "=" has an empty value.
[[nodiscard]] std::vector<std::pair<std::string, std::string>> DecodeFormBody(const std::string& body);
// The platform signature of a request JSON: lower-case hex MD5 of "@7290" + json.
[[nodiscard]] std::string PlatformSignature(const std::string& json);

class FakePlatformServer {
 public:
  FakePlatformServer();  // listening when constructed
  ~FakePlatformServer();
  FakePlatformServer(const FakePlatformServer&) = delete;
  FakePlatformServer& operator=(const FakePlatformServer&) = delete;

  [[nodiscard]] int port() const { return port_; }
  // "http://127.0.0.1:<port>/", the form of the platform base address.
  [[nodiscard]] std::string baseUrl() const;
  // baseUrl() + path.
  [[nodiscard]] std::string url(const std::string& path) const;

  void Enqueue(const std::string& path, FakeReply reply);
  void SetDefault(const std::string& path, FakeReply reply);
  void SetFallback(FakeReply reply);
  // Lets every answer held on `gate` (now or later) go.
  void Release(const std::string& gate);

  // With counts only, requests are checked and counted as before but not kept, so a long run
  // does not hold every page it was sent; Requests() then lists only those kept before.
  void KeepOnlyCounts(bool aOn);
  // Every request so far, kept or not, and those among them whose platform signature is wrong.
  [[nodiscard]] std::size_t RequestCount() const;
  [[nodiscard]] std::size_t BadSignatureCount() const;

  [[nodiscard]] std::vector<RecordedRequest> Requests() const;
  [[nodiscard]] std::vector<RecordedRequest> RequestsTo(const std::string& path) const;
  // Blocks until `count` requests have been seen (kept or counted); false when `guardMs` of real
  // time pass first.
  [[nodiscard]] bool WaitForRequests(std::size_t count, int guardMs = 10000) const;
  // Blocks until `count` connections have been finished (answered, closed or reset).
  [[nodiscard]] bool WaitForFinished(std::size_t count, int guardMs = 10000) const;

 private:
  class Engine;
  friend class Engine;

  // The reply for the next request to `path` (consumes a queued one).
  FakeReply NextReply(const std::string& path);
  void Record(RecordedRequest request);
  void ConnectionFinished();
  [[nodiscard]] bool Stopping() const;
  // Waits out the delay and the gate of `reply`; false when the server is stopping.
  bool WaitBeforeAnswer(const FakeReply& reply);

  mutable std::mutex lock_;
  mutable std::condition_variable changed_;               // any change of the fields below
  std::map<std::string, std::deque<FakeReply>> queued_;   // guarded by lock_
  std::map<std::string, FakeReply> defaults_;             // guarded by lock_
  FakeReply fallback_;                                    // guarded by lock_
  std::set<std::string> released_;                        // guarded by lock_
  std::vector<RecordedRequest> requests_;                 // guarded by lock_
  std::size_t requestCount_ = 0;                          // guarded by lock_
  std::size_t badSignatures_ = 0;                         // guarded by lock_
  bool countsOnly_ = false;                               // guarded by lock_
  std::size_t finished_ = 0;                              // guarded by lock_
  bool stopping_ = false;                                 // guarded by lock_

  std::unique_ptr<Engine> engine_;
  std::thread listener_;
  int port_ = 0;
};

}  // namespace vqtest
