#include "foundation/VqNetHelperUtil.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <uuid/uuid.h>

#include <climits>
#include <cstdio>
#include <cstring>

#include "platform/Hex.h"

namespace tessaly::VqNetHelperUtil {

std::string GetMacAddressByUuid() {
  uuid_t first;
  uuid_t second;
  uuid_generate_time(first);
  uuid_generate_time(second);
  // Bytes 10..15 are the node field.
  if (std::memcmp(first + 10, second + 10, 6) != 0) return std::string();
  return platform::HexOfBytes(std::string_view(reinterpret_cast<const char*>(first + 10), 6),
                              platform::HexCase::Upper);
}

bool GetLocalIPv4(std::string& aIp) {
  char name[HOST_NAME_MAX + 1] = {};
  if (::gethostname(name, sizeof name - 1) != 0) return false;
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* result = nullptr;
  if (::getaddrinfo(name, nullptr, &hints, &result) != 0 || result == nullptr) return false;
  const auto* addr = reinterpret_cast<const sockaddr_in*>(result->ai_addr);
  const auto* b = reinterpret_cast<const unsigned char*>(&addr->sin_addr.s_addr);
  char text[16];
  std::snprintf(text, sizeof text, "%d.%d.%d.%d", b[0], b[1], b[2], b[3]);
  ::freeaddrinfo(result);
  aIp = text;
  return true;
}

}  // namespace tessaly::VqNetHelperUtil
