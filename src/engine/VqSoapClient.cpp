// The IVqService proxy: request envelopes written by hand (so every value is escaped exactly
// once); replies and service descriptions are read by SoapReply.h.

#include "engine/IVqService.h"
#include "engine/SoapMembers.h"
#include "engine/SoapReply.h"
#include "platform/TextCodec.h"

namespace tessaly {

namespace {

// The service framework's default target namespace; the SOAP action of an operation is this +
// "IVqService/" + the operation's name.
constexpr const char* kServiceNamespace = "http://tempuri.org/";
constexpr const char* kSoapEnvelopeNamespace = "http://schemas.xmlsoap.org/soap/envelope/";
constexpr const char* kDefaultEndpoint = "http://127.0.0.1:9011/VqService";

// ---- writing a request ----------------------------------------------------------------------

// Text content of an element. Quotes are escaped too, so the text is safe in any context. CR is
// written as a reference or the receiver's line-end handling would turn it into LF; the other
// control characters have no form in XML 1.0 at all, so such a value cannot be sent.
std::string XmlEscaped(const std::string& value, const char* member) {
  if (!platform::IsValidUtf8(value)) throw ESoapError(std::string("参数") + member + "不是有效的UTF-8文本");
  std::string out;
  out.reserve(value.size() + 16);
  for (const char c : value) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&apos;";
        break;
      case '\r':
        out += "&#13;";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n')
          throw ESoapError(std::string("参数") + member + "含有XML无法传送的控制字符");
        out += c;
    }
  }
  return out;
}

void WriteMember(std::string& out, const char* name, const TSoapMember<std::string>& m) {
  if (!m.IsStored()) return;
  out += std::string("<") + name + ">" + XmlEscaped(m.Get(), name) + "</" + name + ">";
}

void WriteMember(std::string& out, const char* name, const TSoapMember<std::int32_t>& m) {
  if (!m.IsStored()) return;
  out += std::string("<") + name + ">" + std::to_string(m.Get()) + "</" + name + ">";
}

template <typename Req>
std::string RequestEnvelope(const std::string& operation, const Req& request) {
  std::string body;
  soapdetail::VisitMembers(request, [&](const char* name, const auto& member) { WriteMember(body, name, member); });
  return std::string("<?xml version=\"1.0\" encoding=\"utf-8\"?>") + "<soap:Envelope xmlns:soap=\"" +
         kSoapEnvelopeNamespace + "\"><soap:Body><" + operation + " xmlns=\"" + kServiceNamespace + "\">" + body +
         "</" + operation + "></soap:Body></soap:Envelope>";
}

// ---- the proxy ------------------------------------------------------------------------------

class TVqSoapProxy final : public IVqService {
 public:
  TVqSoapProxy(std::shared_ptr<const TSoapTransport> transport, std::string endpoint)
      : transport_(std::move(transport)), endpoint_(std::move(endpoint)) {}

  [[nodiscard]] GetConnectDBParmResponse GetConnectDBParm(const tessaly::GetConnectDBParm& aRequest) override {
    return Invoke<GetConnectDBParmResponse>("GetConnectDBParm", aRequest);
  }
  [[nodiscard]] GetVqRdaPortResponse GetVqRdaPort(const tessaly::GetVqRdaPort& aRequest) override {
    return Invoke<GetVqRdaPortResponse>("GetVqRdaPort", aRequest);
  }
  [[nodiscard]] GetVqServiceAddrResponse GetVqServiceAddr(const tessaly::GetVqServiceAddr& aRequest) override {
    return Invoke<GetVqServiceAddrResponse>("GetVqServiceAddr", aRequest);
  }

 private:
  template <typename Resp, typename Req>
  Resp Invoke(const std::string& operation, const Req& request) {
    const std::string envelope = RequestEnvelope(operation, request);
    const std::string action = std::string(kServiceNamespace) + "IVqService/" + operation;
    const TSoapHttpReply reply = transport_->Post(endpoint_, action, envelope);
    return ReadSoapResponse<Resp>(reply, operation + "Response", endpoint_);
  }

  const std::shared_ptr<const TSoapTransport> transport_;
  const std::string endpoint_;
};

}  // namespace

std::unique_ptr<IVqService> GetIVqService(bool aUseWSDL, const std::string& aAddr,
                                          std::shared_ptr<const TSoapTransport> aTransport) {
  std::string addr = aAddr;
  if (addr.empty()) addr = std::string(kDefaultEndpoint) + (aUseWSDL ? "?wsdl" : "");
  if (!aTransport) aTransport = std::make_shared<const TSoapTransport>();
  std::string endpoint = addr;
  if (aUseWSDL) {
    const TSoapHttpReply reply = aTransport->Get(addr);
    if (reply.Status != 200) throw HttpStatusError(reply.Status, addr);
    endpoint = EndpointOfWsdl(reply.Body, addr);
  }
  return std::make_unique<TVqSoapProxy>(std::move(aTransport), std::move(endpoint));
}

}  // namespace tessaly
