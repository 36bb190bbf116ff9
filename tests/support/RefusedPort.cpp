#include "support/RefusedPort.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace vqtest {

namespace {

sockaddr_in Loopback(int port) {
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<uint16_t>(port));
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return addr;
}

int BoundSocket(int& port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) throw std::runtime_error("socket() failed");
  sockaddr_in addr = Loopback(0);
  socklen_t len = sizeof(addr);
  if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
    ::close(fd);
    throw std::runtime_error("cannot bind a loopback port");
  }
  port = ntohs(addr.sin_port);
  return fd;
}

}  // namespace

int RefusedPort() {
  int port = 0;
  ::close(BoundSocket(port));
  return port;
}

StalledListener::StalledListener() {
  listener_ = BoundSocket(port_);
  // A backlog of 0 queues a single connection; once it is there, further handshakes go unanswered.
  if (::listen(listener_, 0) != 0) {
    ::close(listener_);
    throw std::runtime_error("listen() failed");
  }
  filler_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const sockaddr_in addr = Loopback(port_);
  if (filler_ < 0 || ::connect(filler_, reinterpret_cast<const sockaddr*>(&addr), sizeof(addr)) != 0) {
    if (filler_ >= 0) ::close(filler_);
    ::close(listener_);
    throw std::runtime_error("cannot fill the accept queue");
  }
}

StalledListener::~StalledListener() {
  ::close(filler_);
  ::close(listener_);
}

}  // namespace vqtest
