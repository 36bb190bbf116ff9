#include "LeanPlatform.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <ctime>
#include <stdexcept>
#include <string_view>
#include <vector>

namespace tessaly::bench {
namespace {

constexpr std::size_t kBlock = 256 * 1024;
constexpr std::size_t kTail = 64;  // the signature field "md5=" + 32 hex digits ends the body

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

}  // namespace

TLeanPlatform::TLeanPlatform(std::string replyBody) {
  SetReply(std::move(replyBody));
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

void TLeanPlatform::SetReply(std::string replyBody) {
  FReply = "HTTP/1.1 200 OK\r\nContent-Type: application/json; charset=utf-8\r\nContent-Length: " +
           std::to_string(replyBody.size()) + "\r\nConnection: close\r\n\r\n" + replyBody;
}

void TLeanPlatform::Serve() {
  while (!FStop) {
    pollfd p{FListener, POLLIN, 0};
    if (::poll(&p, 1, 100) <= 0) continue;
    const int fd = ::accept4(FListener, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    const long long start = ThreadCpuNanos();
    Answer(fd);
    ::close(fd);
    FServerNanos += ThreadCpuNanos() - start;
    ++FRequests;
  }
}

void TLeanPlatform::Answer(int fd) {
  static thread_local std::vector<char> block(kBlock);
  std::string head;
  std::string tail;
  std::size_t bodyLeft = 0;
  bool inBody = false;
  for (;;) {
    if (inBody && bodyLeft == 0) break;
    const ssize_t n = ::recv(fd, block.data(), block.size(), 0);
    if (n <= 0) {
      ++FMalformed;
      return;
    }
    std::string_view got(block.data(), static_cast<std::size_t>(n));
    if (!inBody) {
      head.append(got);
      const std::size_t end = head.find("\r\n\r\n");
      if (end == std::string::npos) continue;
      inBody = true;
      got = std::string_view(head).substr(end + 4);
      bodyLeft = std::strtoull(HeaderValue(head.substr(0, end), "Content-Length").c_str(), nullptr, 10);
      if (HeaderValue(head.substr(0, end), "Expect") == "100-continue") SendAll(fd, "HTTP/1.1 100 Continue\r\n\r\n");
    }
    const std::size_t take = std::min(bodyLeft, got.size());
    tail.append(got.substr(take > kTail ? take - kTail : 0, std::min(take, kTail)));
    if (tail.size() > kTail) tail.erase(0, tail.size() - kTail);
    bodyLeft -= take;
    if (!head.empty() && inBody) head.clear();
  }
  if (tail.find("md5=") == std::string::npos) ++FMalformed;
  SendAll(fd, FReply);
  ::shutdown(fd, SHUT_WR);
}

}  // namespace tessaly::bench
