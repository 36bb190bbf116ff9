#pragma once
// Readers of what the back-office server's SOAP service sends: the reply of an operation and the
// service description. Read with pugixml by local name, so any namespace prefixes the server
// picks are accepted. Pure functions; any thread. Every failure throws ESoapError.
#include <string>

#include "engine/IVqService.h"

namespace tessaly {

// The reply of an operation whose element is aResponseName (GetConnectDBParmResponse,
// GetVqRdaPortResponse, GetVqServiceAddrResponse). A status other than 200 is an error unless
// its body is a SOAP fault, whose text is thrown; aUrl names the server in error texts.
template <typename Resp>
[[nodiscard]] Resp ReadSoapResponse(const TSoapHttpReply& aReply, const std::string& aResponseName,
                                    const std::string& aUrl);

// The error for an HTTP reply whose status (other than 200) is all it says.
[[nodiscard]] ESoapError HttpStatusError(int aStatus, const std::string& aUrl);

// The address of the port "BasicHttpBinding_IVqService" of the service "VqService" in a
// service description.
[[nodiscard]] std::string EndpointOfWsdl(const std::string& aBody, const std::string& aUrl);

}  // namespace tessaly
