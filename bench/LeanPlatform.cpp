#include "LeanPlatform.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdlib>
#include <ctime>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "support/FakePlatformServer.h"

namespace tessaly::bench {
namespace {

constexpr std::size_t kBlock = 256 * 1024;

long long ThreadCpuNanos() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<long long>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

// The value of a header in `head`, name without case; empty when absent.
std::string HeaderValue(std::string_view head, std::string_view name) {
  for (std::size_t at = head.find("\r\n"); at != std::string_view::npos; at = head.find("\r\n", at + 2)) {
    const std::string_view line = head.substr(at + 2, head.find("\r\n", at + 2) - at - 2);
    if (line.size() <= name.size() || line[name.size()] != ':') continue;
    bool same = true;
    for (std::size_t i = 0; i < name.size() && same; ++i)
      same = std::tolower(static_cast<unsigned char>(line[i])) == std::tolower(static_cast<unsigned char>(name[i]));
    if (!same) continue;
    std::string_view value = line.substr(name.size() + 1);
    while (!value.empty() && value.front() == ' ') value.remove_prefix(1);
    return std::string(value);
  }
  return {};
}

void SendAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = ::send(fd, data.data(), data.size(), MSG_NOSIGNAL);
    if (n <= 0) return;
    data.remove_prefix(static_cast<std::size_t>(n));
  }
}

std::string Response(const std::string& body) {
  return "HTTP/1.1 200 OK\r\nContent-Type: application/json; charset=utf-8\r\nContent-Length: " +
         std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

}  // namespace

TLeanPlatform::TLeanPlatform(std::string replyBody, std::string rowMember)
    : FReply(Response(replyBody)), FRowKey("\"" + rowMember + "\":") {
  FListener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  if (FListener < 0 || ::bind(FListener, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      ::listen(FListener, 128) != 0 || ::getsockname(FListener, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
    throw std::runtime_error("the lean platform cannot listen");
  FPort = ntohs(addr.sin_port);
  FThread = std::thread([this] { Serve(); });
}

TLeanPlatform::~TLeanPlatform() {
  FStop = true;
  if (FThread.joinable()) FThread.join();
  if (FListener >= 0) ::close(FListener);
}

std::string TLeanPlatform::BaseUrl() const { return "http://127.0.0.1:" + std::to_string(FPort) + "/"; }

TReceived TLeanPlatform::Received() const {
  const std::lock_guard<std::mutex> guard(FLock);
  return FReceived;
}

void TLeanPlatform::Serve() {
  while (!FStop) {
    pollfd p{FListener, POLLIN, 0};
    if (::poll(&p, 1, 100) <= 0) continue;
    const int fd = ::accept4(FListener, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    const long long start = ThreadCpuNanos();
    if (ReadRequest(fd))
      Check();
    else
      Reject("a request ended before its announced length");
    SendAll(fd, FReply);
    ::shutdown(fd, SHUT_WR);
    ::close(fd);
    FServerNanos += ThreadCpuNanos() - start;
  }
}

bool TLeanPlatform::ReadRequest(int fd) {
  static thread_local std::vector<char> block(kBlock);
  std::string head;
  std::size_t bodyLeft = 0;
  bool inBody = false;
  FBody.clear();
  while (!inBody || bodyLeft > 0) {
    const ssize_t n = ::recv(fd, block.data(), block.size(), 0);
    if (n <= 0) return false;
    std::string_view got(block.data(), static_cast<std::size_t>(n));
    if (!inBody) {
      head.append(got);
      const std::size_t end = head.find("\r\n\r\n");
      if (end == std::string::npos) continue;
      inBody = true;
      const std::string_view header = std::string_view(head).substr(0, end);
      bodyLeft = std::strtoull(HeaderValue(header, "Content-Length").c_str(), nullptr, 10);
      if (HeaderValue(header, "Expect") == "100-continue") SendAll(fd, "HTTP/1.1 100 Continue\r\n\r\n");
      FBody.reserve(bodyLeft);
      got = std::string_view(head).substr(end + 4);
    }
    const std::size_t take = std::min(bodyLeft, got.size());
    FBody.append(got.substr(0, take));
    bodyLeft -= take;
  }
  return true;
}

void TLeanPlatform::Check() {
  std::string json;
  std::string md5;
  bool hasJson = false;
  for (auto& [name, value] : vqtest::DecodeFormBody(FBody)) {
    if (name == "json") {
      json = std::move(value);
      hasJson = true;
    } else if (name == "md5") {
      md5 = std::move(value);
    }
  }
  if (!hasJson || md5 != vqtest::PlatformSignature(json)) {
    Reject(hasJson ? "a wrong signature" : "a request without a json field");
    return;
  }
  std::size_t rows = 0;
  for (std::size_t at = json.find(FRowKey); at != std::string::npos; at = json.find(FRowKey, at)) {
    at += FRowKey.size();
    std::int64_t change = 0;
    const auto [end, ec] = std::from_chars(json.data() + at, json.data() + json.size(), change);
    if (ec != std::errc() || (change != FLastChange + 1 && change != 1)) {
      Reject((ec == std::errc() ? "row " + std::to_string(change) : std::string("a row without its number")) +
             " after row " + std::to_string(FLastChange));
      return;
    }
    FLastChange = change;
    ++rows;
  }
  const std::lock_guard<std::mutex> guard(FLock);
  ++FReceived.Requests;
  FReceived.Rows += rows;
  FReceived.JsonBytes += json.size();
}

void TLeanPlatform::Reject(const std::string& why) {
  const std::lock_guard<std::mutex> guard(FLock);
  ++FReceived.Requests;
  if (FReceived.Rejected++ == 0) FReceived.FirstRejection = why;
}

}  // namespace tessaly::bench
