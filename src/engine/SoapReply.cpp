#include "engine/SoapReply.h"

#include <pugixml.hpp>

#include <charconv>
#include <cstring>

#include "engine/SoapMembers.h"
#include "platform/TextCodec.h"

namespace tessaly {

namespace {

constexpr const char* kWsdlServiceName = "VqService";
constexpr const char* kWsdlPortName = "BasicHttpBinding_IVqService";

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
  throw ESoapError("无法读取服务器应答（" + why + "）：" + url);
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
  throw ESoapError(text.empty() ? std::string("服务器报告错误，未给出说明") : text);
}

}  // namespace

ESoapError HttpStatusError(int status, const std::string& url) {
  return ESoapError("服务器返回HTTP " + std::to_string(status) + "：" + url);
}

template <typename Resp>
Resp ReadSoapResponse(const TSoapHttpReply& reply, const std::string& responseName, const std::string& url) {
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
      throw HttpStatusError(reply.Status, url);
  }
  if (!body) Unreadable(url, "no SOAP envelope with a body element");
  if (std::strcmp(LocalName(body.name()), "Fault") == 0) ThrowFault(body);
  if (responseName != LocalName(body.name()))
    Unreadable(url, "expected " + responseName + ", got " + LocalName(body.name()));

  Resp resp;
  soapdetail::VisitMembers(resp, [&](const char* name, auto& member) {
    const pugi::xml_node el = ChildElement(body, name);
    if (el && !IsNil(el)) ReadValue(ElementText(el), member, name, url);
  });
  return resp;
}

template GetConnectDBParmResponse ReadSoapResponse<GetConnectDBParmResponse>(const TSoapHttpReply&,
                                                                              const std::string&,
                                                                              const std::string&);
template GetVqRdaPortResponse ReadSoapResponse<GetVqRdaPortResponse>(const TSoapHttpReply&, const std::string&,
                                                                      const std::string&);
template GetVqServiceAddrResponse ReadSoapResponse<GetVqServiceAddrResponse>(const TSoapHttpReply&,
                                                                              const std::string&,
                                                                              const std::string&);

std::string EndpointOfWsdl(const std::string& aBody, const std::string& wsdlUrl) {
  pugi::xml_document doc = LoadXml(aBody, wsdlUrl);
  const pugi::xml_node definitions = FirstChildElement(doc);
  auto named = [](pugi::xml_node parent, const char* localName, const char* name) {
    for (pugi::xml_node c = parent.first_child(); c; c = c.next_sibling())
      if (c.type() == pugi::node_element && std::strcmp(LocalName(c.name()), localName) == 0 &&
          std::strcmp(c.attribute("name").value(), name) == 0)
        return c;
    return pugi::xml_node();
  };
  const pugi::xml_node service = named(definitions, "service", kWsdlServiceName);
  if (!service) throw ESoapError("服务描述中没有服务\"" + std::string(kWsdlServiceName) + "\"：" + wsdlUrl);
  const pugi::xml_node port = named(service, "port", kWsdlPortName);
  if (!port) throw ESoapError("服务描述中没有端口\"" + std::string(kWsdlPortName) + "\"：" + wsdlUrl);
  const std::string location = platform::TrimBlanks(ChildElement(port, "address").attribute("location").value());
  if (location.empty())
    throw ESoapError("服务描述中端口\"" + std::string(kWsdlPortName) + "\"没有地址：" + wsdlUrl);
  return location;
}

}  // namespace tessaly
