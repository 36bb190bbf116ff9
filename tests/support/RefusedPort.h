#pragma once
// Loopback addresses that fail in known ways, for tests of network errors.

namespace vqtest {

// A port on 127.0.0.1 that nothing listens on: bound to port 0, its number read, then closed.
[[nodiscard]] int RefusedPort();

// A listener on 127.0.0.1 that never accepts and whose accept queue is already full, so a new
// connection attempt gets no answer at all and runs into the client's connect time-out.
class StalledListener {
 public:
  StalledListener();
  ~StalledListener();
  StalledListener(const StalledListener&) = delete;
  StalledListener& operator=(const StalledListener&) = delete;

  [[nodiscard]] int port() const { return port_; }

 private:
  int listener_ = -1;
  int filler_ = -1;  // the one connection that fills the queue
  int port_ = 0;
};

}  // namespace vqtest
