#pragma once
// The platform stand-in of the benchmarks: an HTTP server on 127.0.0.1 that answers every
// request with one fixed reply and keeps only counts, so that what it costs is small beside
// the agent's work. It reads each request on one thread, in large blocks, and looks at no more
// than the header and the presence of the signature field; the checking stand-in of the tests
// (tests/support/FakePlatformServer.h) decodes and verifies everything and costs far more.
//
// Its own cost is measured: the CPU time its thread spends on each request, from the accepted
// connection to its close, is summed (ServerSeconds), so the benchmark can report it beside the
// agent's time.
//
// Threads: one serving thread; the counters may be read from any thread. The destructor stops
// and joins it.
#include <atomic>
#include <cstddef>
#include <string>
#include <thread>

namespace tessaly::bench {

class TLeanPlatform {
 public:
  // Answers every request with 200 and `replyBody` as JSON.
  explicit TLeanPlatform(std::string replyBody);
  ~TLeanPlatform();
  TLeanPlatform(const TLeanPlatform&) = delete;
  TLeanPlatform& operator=(const TLeanPlatform&) = delete;

  // "http://127.0.0.1:<port>/".
  [[nodiscard]] std::string BaseUrl() const;
  // Replaces the reply body; only between requests.
  void SetReply(std::string replyBody);

  [[nodiscard]] std::size_t Requests() const { return FRequests.load(); }
  // Requests whose body carries no "md5=" field, or that ended before their announced length.
  [[nodiscard]] std::size_t Malformed() const { return FMalformed.load(); }
  // CPU seconds the serving thread spent on requests.
  [[nodiscard]] double ServerSeconds() const { return static_cast<double>(FServerNanos.load()) * 1e-9; }

 private:
  void Serve();
  void Answer(int fd);

  std::string FReply;  // the whole response, head and body
  int FListener = -1;
  int FPort = 0;
  std::atomic<bool> FStop{false};
  std::atomic<std::size_t> FRequests{0};
  std::atomic<std::size_t> FMalformed{0};
  std::atomic<long long> FServerNanos{0};
  std::thread FThread;
};

}  // namespace tessaly::bench
