#pragma once
// The platform stand-in of the benchmarks: an HTTP server on 127.0.0.1 that answers every
// request with one fixed reply, on one thread that reads each request in large blocks, so that
// what it costs stays small beside the agent's work. It checks what it receives as the platform
// would: the form's "json" field must carry the "md5" field's signature, and it counts the pages
// and the rows that arrive, each row being one "<row member>":<number> of the JSON, the numbers
// rising by one from row to row (an upload in change order; a row numbered 1 starts it afresh).
// A benchmark compares the counts with what it sent, so that a run that lost or garbled rows
// fails instead of being timed. The checking stand-in of the tests
// (tests/support/FakePlatformServer.h) hands each connection to a thread and keeps every request.
//
// Its own cost is measured: the CPU time its thread spends on each request, from the accepted
// connection to its close, is summed (ServerSeconds), so the benchmark can report it beside the
// agent's time.
//
// Threads: one serving thread; the counts may be read from any thread. A request is counted
// before its reply is sent, so a client that has its answer finds it counted. The destructor
// stops and joins the thread.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

namespace tessaly::bench {

// What the stand-in has received since it was made.
struct TReceived {
  std::size_t Requests = 0;
  std::size_t Rows = 0;
  std::size_t JsonBytes = 0;  // of the decoded "json" fields
  // Requests cut short, without a signed "json" field, with a wrong signature, or whose rows do
  // not follow on from the row before; FirstRejection says why the first was.
  std::size_t Rejected = 0;
  std::string FirstRejection;
};

class TLeanPlatform {
 public:
  // Answers every request with 200 and `replyBody` as JSON; `rowMember` names the rows' change number.
  TLeanPlatform(std::string replyBody, std::string rowMember);
  ~TLeanPlatform();
  TLeanPlatform(const TLeanPlatform&) = delete;
  TLeanPlatform& operator=(const TLeanPlatform&) = delete;

  // "http://127.0.0.1:<port>/".
  [[nodiscard]] std::string BaseUrl() const;

  [[nodiscard]] TReceived Received() const;
  // CPU seconds the serving thread spent on requests.
  [[nodiscard]] double ServerSeconds() const { return static_cast<double>(FServerNanos.load()) * 1e-9; }

 private:
  void Serve();
  // Reads one request into FBody; false when the connection ended before its announced length.
  bool ReadRequest(int fd);
  // Checks the form body and counts it.
  void Check();
  void Reject(const std::string& why);

  const std::string FReply;  // the whole response, head and body
  const std::string FRowKey;  // "\"<row member>\":"
  std::string FBody;          // the request being handled, serving thread only
  std::int64_t FLastChange = 0;  // of the last row received, serving thread only
  int FListener = -1;
  int FPort = 0;
  std::atomic<bool> FStop{false};
  mutable std::mutex FLock;
  TReceived FReceived;  // guarded by FLock
  std::atomic<long long> FServerNanos{0};
  std::thread FThread;
};

}  // namespace tessaly::bench
