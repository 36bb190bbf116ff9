// The IVqService proxy: request envelopes written by hand (so every value is escaped exactly
// once), replies and service descriptions read with pugixml by local name, so any namespace
// prefixes the server picks are accepted.
#include <pugixml.hpp>

#include <charconv>
#include <cstring>
#include <type_traits>

#include "engine/IVqService.h"
#include "platform/TextCodec.h"

namespace tessaly {

namespace {

// The service framework's default target namespace; the SOAP action of an operation is this +
// "IVqService/" + the operation's name.
constexpr const char* kServiceNamespace = "http://tempuri.org/";
constexpr const char* kSoapEnvelopeNamespace = "http://schemas.xmlsoap.org/soap/envelope/";
constexpr const char* kDefaultEndpoint = "http://127.0.0.1:9011/VqService";
constexpr const char* kWsdlServiceName = "VqService";
constexpr const char* kWsdlPortName = "BasicHttpBinding_IVqService";

// ---- writing a request ----------------------------------------------------------------------

// Text content of an element. Quotes are escaped too, so the text is safe in any context. CR is
// written as a reference or the receiver's line-end handling would turn it into LF; the other
// control characters have no form in XML 1.0 at all, so such a value cannot be sent.
std::string XmlEscaped(const std::string& value, const char* member) {
  if (!platform::IsValidUtf8(value)) throw ESoapError(std::string("The value of ") + member + " is not valid UTF-8");
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
          throw ESoapError(std::string("The value of ") + member + " holds a control character that XML cannot carry");
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

// One table of members per message, in wire order, serves both writing and reading.
template <typename Msg, typename F>
void VisitMembers(Msg& m, F&& f) {
  if constexpr (std::is_same_v<std::remove_const_t<Msg>, tessaly::GetConnectDBParm>) {
    f("aServerName", m.aServerName);
    f("aDatabase", m.aDatabase);
    f("conName", m.conName);
    f("aLogName", m.aLogName);
    f("aLogPass", m.aLogPass);
    f("aPort", m.aPort);
  } else if constexpr (std::is_same_v<Msg, GetConnectDBParmResponse>) {
    f("GetConnectDBParmResult", m.GetConnectDBParmResult);
    VisitMembers(static_cast<tessaly::GetConnectDBParm&>(m), f);
  } else if constexpr (std::is_same_v<Msg, GetVqRdaPortResponse>) {
    f("GetVqRdaPortResult", m.GetVqRdaPortResult);
  } else if constexpr (std::is_same_v<Msg, GetVqServiceAddrResponse>) {
    f("GetVqServiceAddrResult", m.GetVqServiceAddrResult);
  }
  // GetVqRdaPort and GetVqServiceAddr carry no members.
}

template <typename Req>
std::string RequestEnvelope(const std::string& operation, const Req& request) {
  std::string body;
  VisitMembers(request, [&](const char* name, const auto& member) { WriteMember(body, name, member); });
  return std::string("<?xml version=\"1.0\" encoding=\"utf-8\"?>") + "<soap:Envelope xmlns:soap=\"" +
         kSoapEnvelopeNamespace + "\"><soap:Body><" + operation + " xmlns=\"" + kServiceNamespace + "\">" + body +
         "</" + operation + "></soap:Body></soap:Envelope>";
}

// ---- reading XML by local name --------------------------------------------------------------

const char* LocalName(const char* qualified) {
  const char* colon = std::strrchr(qualified, ':');
  return colon != nullptr ? colon + 1 : qualified;
}

pugi::xml_node ChildElement(pugi::xml_node parent, const char* localName) {
  for (pugi::xml_node c = parent.first_child(); c; c = c.next_sibling())
    if (c.type() == pugi::node_element && std::strcmp(LocalName(c.name()), localName) == 0) return c;
  return {};
}

pugi::xml_node FirstChildElement(pugi::xml_node parent) {
  for (pugi::xml_node c = parent.first_child(); c; c = c.next_sibling())
    if (c.type() == pugi::node_element) return c;
  return {};
}

// All character data directly inside the element, CDATA sections included.
std::string ElementText(pugi::xml_node el) {
  std::string text;
  for (pugi::xml_node c = el.first_child(); c; c = c.next_sibling())
    if (c.type() == pugi::node_pcdata || c.type() == pugi::node_cdata) text += c.value();
  return text;
}

bool IsNil(pugi::xml_node el) {
  for (pugi::xml_attribute a = el.first_attribute(); a; a = a.next_attribute())
    if (std::strcmp(LocalName(a.name()), "nil") == 0)
      return platform::TrimBlanks(a.value()) == "true" || platform::TrimBlanks(a.value()) == "1";
  return false;
}

[[noreturn]] void Unreadable(const std::string& url, const std::string& why) {
  throw ESoapError("Unreadable reply from " + url + ": " + why);
}

void ReadValue(const std::string& text, TSoapMember<std::string>& m, const char*, const std::string&) { m.Set(text); }

// An integer or Boolean element without a value ("<aPort/>") is read like a missing one: unset.
void ReadValue(const std::string& text, TSoapMember<std::int32_t>& m, const char* name, const std::string& url) {
  const std::string t = platform::TrimBlanks(text);
  if (t.empty()) return;
  const char* first = t.data() + (t.size() > 1 && t[0] == '+' ? 1 : 0);
  std::int32_t v = 0;
  const auto [end, ec] = std::from_chars(first, t.data() + t.size(), v);
  if (ec != std::errc() || end != t.data() + t.size())
    Unreadable(url, std::string(name) + " is not a 32-bit integer: \"" + text + "\"");
  m.Set(v);
}

void ReadValue(const std::string& text, TSoapMember<bool>& m, const char* name, const std::string& url) {
  const std::string t = platform::TrimBlanks(text);
  if (t.empty()) return;
  if (t == "true" || t == "1")
    m.Set(true);
  else if (t == "false" || t == "0")
    m.Set(false);
  else
    Unreadable(url, std::string(name) + " is not a Boolean: \"" + text + "\"");
}

// Loads an XML reply; what it cannot parse makes the call fail.
pugi::xml_document LoadXml(const std::string& bytes, const std::string& url) {
  pugi::xml_document doc;
  // Whitespace-only values are kept: a member holding blanks is not a missing member.
  const pugi::xml_parse_result r =
      doc.load_buffer(bytes.data(), bytes.size(), pugi::parse_default | pugi::parse_ws_pcdata);
  if (!r) Unreadable(url, std::string(r.description()) + " at byte " + std::to_string(r.offset));
  return doc;
}

// The element inside soap:Body, or an empty node when the reply is no SOAP envelope.
pugi::xml_node BodyElement(const pugi::xml_document& doc) {
  const pugi::xml_node envelope = FirstChildElement(doc);
  if (!envelope || std::strcmp(LocalName(envelope.name()), "Envelope") != 0) return {};
  return FirstChildElement(ChildElement(envelope, "Body"));
}

[[noreturn]] void ThrowFault(pugi::xml_node fault) {
  std::string text = platform::TrimBlanks(ElementText(ChildElement(fault, "faultstring")));
  if (text.empty()) text = platform::TrimBlanks(ElementText(ChildElement(fault, "faultcode")));
  throw ESoapError(text.empty() ? std::string("SOAP fault without a text") : text);
}

template <typename Resp>
Resp ReadResponse(const TSoapHttpReply& reply, const std::string& responseName, const std::string& url) {
  pugi::xml_document doc;
  pugi::xml_node body;
  if (reply.Status == 200) {
    doc = LoadXml(reply.Body, url);
    body = BodyElement(doc);
  } else {
    // Faults come with status 500; anything that is not a fault is reported by its status.
    pugi::xml_parse_result r = doc.load_buffer(reply.Body.data(), reply.Body.size());
    if (r) body = BodyElement(doc);
    if (!body || std::strcmp(LocalName(body.name()), "Fault") != 0)
      throw ESoapError("HTTP " + std::to_string(reply.Status) + " from " + url);
  }
  if (!body) Unreadable(url, "no SOAP envelope with a body element");
  if (std::strcmp(LocalName(body.name()), "Fault") == 0) ThrowFault(body);
  if (responseName != LocalName(body.name()))
    Unreadable(url, "expected " + responseName + ", got " + LocalName(body.name()));

  Resp resp;
  VisitMembers(resp, [&](const char* name, auto& member) {
    const pugi::xml_node el = ChildElement(body, name);
    if (el && !IsNil(el)) ReadValue(ElementText(el), member, name, url);
  });
  return resp;
}

// ---- the service description ----------------------------------------------------------------

std::string EndpointFromWsdl(const TSoapTransport& transport, const std::string& wsdlUrl) {
  const TSoapHttpReply reply = transport.Get(wsdlUrl);
  if (reply.Status != 200) throw ESoapError("HTTP " + std::to_string(reply.Status) + " from " + wsdlUrl);
  pugi::xml_document doc = LoadXml(reply.Body, wsdlUrl);
  const pugi::xml_node definitions = FirstChildElement(doc);
  auto named = [](pugi::xml_node parent, const char* localName, const char* name) {
    for (pugi::xml_node c = parent.first_child(); c; c = c.next_sibling())
      if (c.type() == pugi::node_element && std::strcmp(LocalName(c.name()), localName) == 0 &&
          std::strcmp(c.attribute("name").value(), name) == 0)
        return c;
    return pugi::xml_node();
  };
  const pugi::xml_node service = named(definitions, "service", kWsdlServiceName);
  if (!service) throw ESoapError("The service description " + wsdlUrl + " has no service \"" + kWsdlServiceName + "\"");
  const pugi::xml_node port = named(service, "port", kWsdlPortName);
  if (!port) throw ESoapError("The service description " + wsdlUrl + " has no port \"" + kWsdlPortName + "\"");
  const std::string location = platform::TrimBlanks(ChildElement(port, "address").attribute("location").value());
  if (location.empty())
    throw ESoapError("The service description " + wsdlUrl + " gives no address for \"" + kWsdlPortName + "\"");
  return location;
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
    return ReadResponse<Resp>(reply, operation + "Response", endpoint_);
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
  std::string endpoint = aUseWSDL ? EndpointFromWsdl(*aTransport, addr) : addr;
  return std::make_unique<TVqSoapProxy>(std::move(aTransport), std::move(endpoint));
}

}  // namespace tessaly
