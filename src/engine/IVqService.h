#pragma once
// Client of the back-office server's SOAP service IVqService (SOAP 1.1, document/literal, UTF-8):
// the message classes and the proxy of the three operations the agent calls.
//
// Error contract: every failure of a call - no connection, time-out, HTTP error, SOAP fault, a
// reply that cannot be read, a request value that XML cannot carry, and in WSDL mode a service
// description that cannot be read or lacks the service or port - is thrown as ESoapError, whose
// what() the caller reports. Nothing else is thrown (bar std::bad_alloc). Nothing is retried.
//
// Threads: a proxy is made per call and used on one thread; proxies share no state.
#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "engine/SoapTransport.h"

namespace tessaly {

// A member of a message: a value and a flag telling whether it was set. Only set members of a
// request are written; a member missing from a reply stays unset and reads as 0, false or "".
template <typename T>
class TSoapMember {
 public:
  void Set(T value) {
    value_ = std::move(value);
    stored_ = true;
  }
  [[nodiscard]] const T& Get() const { return value_; }
  [[nodiscard]] bool IsStored() const { return stored_; }

 private:
  T value_{};
  bool stored_ = false;
};

// Requests are named after their operation, replies after the operation + "Response"; members
// are listed in their order on the wire.
struct GetConnectDBParm {
  TSoapMember<std::string> aServerName;
  TSoapMember<std::string> aDatabase;
  TSoapMember<std::string> conName;
  TSoapMember<std::string> aLogName;
  TSoapMember<std::string> aLogPass;
  TSoapMember<std::int32_t> aPort;
};

// The reply carries the result first, then the request's members with the values filled in.
struct GetConnectDBParmResponse : GetConnectDBParm {
  TSoapMember<bool> GetConnectDBParmResult;
};

struct GetVqRdaPort {};

struct GetVqRdaPortResponse {
  TSoapMember<std::string> GetVqRdaPortResult;  // a port number as text
};

struct GetVqServiceAddr {};

struct GetVqServiceAddrResponse {
  TSoapMember<std::string> GetVqServiceAddrResult;  // an address
};

class IVqService {
 public:
  virtual ~IVqService() = default;

  // Each call is one blocking HTTP exchange; throws ESoapError (see the top of this file).
  [[nodiscard]] virtual GetConnectDBParmResponse GetConnectDBParm(const tessaly::GetConnectDBParm& aRequest) = 0;
  [[nodiscard]] virtual GetVqRdaPortResponse GetVqRdaPort(const tessaly::GetVqRdaPort& aRequest) = 0;
  [[nodiscard]] virtual GetVqServiceAddrResponse GetVqServiceAddr(const tessaly::GetVqServiceAddr& aRequest) = 0;
};

// The proxy for one address. Plain mode: aAddr is the endpoint URL ("http://" + host + ":" +
// port + "/VqService"). WSDL mode: aAddr is the service description (that URL + "?wsdl"), which
// is read here; the endpoint is the address of its port "BasicHttpBinding_IVqService" of the
// service "VqService", and a description without them throws ESoapError. An empty aAddr means
// the built-in server on port 9011. Without aTransport a transport with the default time-outs is
// made; the proxy shares ownership of it.
[[nodiscard]] std::unique_ptr<IVqService> GetIVqService(bool aUseWSDL, const std::string& aAddr = {},
                                                        std::shared_ptr<const TSoapTransport> aTransport = nullptr);

}  // namespace tessaly
