// Replies of the back-office SOAP service (any status, any body) for each of the three
// operations, and service descriptions. The readers either give a message or throw ESoapError;
// anything else escaping is a finding.
#include <cstdint>
#include <string>

#include "FuzzInput.h"
#include "engine/SoapReply.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* aData, std::size_t aSize) {
  using namespace tessaly;
  vqfuzz::TFuzzInput in(aData, aSize);
  const std::uint8_t choice = in.Byte();
  TSoapHttpReply reply;
  reply.Status = (choice & 0x80) != 0 ? 500 : 200;
  reply.Body = in.Rest();
  const std::string url = "http://127.0.0.1:9011/VqService";
  try {
    switch (choice % 4) {
      case 0: {
        const auto r = ReadSoapResponse<GetConnectDBParmResponse>(reply, "GetConnectDBParmResponse", url);
        (void)r.aDatabase.Get();
        break;
      }
      case 1:
        (void)ReadSoapResponse<GetVqRdaPortResponse>(reply, "GetVqRdaPortResponse", url);
        break;
      case 2:
        (void)ReadSoapResponse<GetVqServiceAddrResponse>(reply, "GetVqServiceAddrResponse", url);
        break;
      default:
        (void)EndpointOfWsdl(reply.Body, url + "?wsdl");
        break;
    }
  } catch (const ESoapError&) {
    // The readers' one way to refuse a reply.
  }
  return 0;
}
