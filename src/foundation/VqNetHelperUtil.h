#pragma once
// Network identity of this computer, for TvqLib::GetMacAddress and TvqLib::GetLocalIP.
// Thread-safe.
#include <string>

namespace tessaly::VqNetHelperUtil {

// The node field of two time-based UUIDs as 12 upper-case hex digits, when both carry the same
// one (the network card's address); otherwise an empty text.
[[nodiscard]] std::string GetMacAddressByUuid();
// The first IPv4 address the computer's host name resolves to, as "%d.%d.%d.%d", and True;
// False when the name does not resolve to one.
[[nodiscard]] bool GetLocalIPv4(std::string& aIp);

}  // namespace tessaly::VqNetHelperUtil
