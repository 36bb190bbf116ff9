#include "support/FakeSoapService.h"

#include <httplib.h>

#include <chrono>
#include <stdexcept>

namespace vqtest {

namespace {

constexpr const char* kEnvNs = "http://schemas.xmlsoap.org/soap/envelope/";
constexpr const char* kServiceNs = "http://tempuri.org/";
constexpr const char* kActionPrefix = "http://tempuri.org/IVqService/";

std::string Escaped(const std::string& s) {
  std::string out;
  for (const char c : s) {
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
      default:
        out += c;
    }
  }
  return out;
}

// Wraps the body element's content in an envelope, either in the server framework's usual form
// (s: envelope, default namespace on the response) or with a prefix on every element.
std::string Envelope(const std::string& element,
                     const std::vector<std::pair<const char*, std::optional<std::string>>>& members, bool prefixed) {
  const std::string p = prefixed ? "ns1:" : "";
  std::string out =
      prefixed ? std::string("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"") +
                     kEnvNs + "\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\n <SOAP-ENV:Body>\n  <" + p +
                     element + " xmlns:ns1=\"" + kServiceNs + "\">"
               : std::string("<s:Envelope xmlns:s=\"") + kEnvNs + "\"><s:Body><" + element + " xmlns=\"" + kServiceNs +
                     "\">";
  for (const auto& [name, value] : members) {
    if (!value) continue;
    if (prefixed) out += "\n   ";
    out += "<" + p + name + ">" + Escaped(*value) + "</" + p + name + ">";
  }
  out += prefixed ? "\n  </" + p + element + ">\n </SOAP-ENV:Body>\n</SOAP-ENV:Envelope>\n"
                  : "</" + element + "></s:Body></s:Envelope>";
  return out;
}

std::string FaultEnvelope(const std::string& code, const std::string& text) {
  return std::string("<s:Envelope xmlns:s=\"") + kEnvNs + "\"><s:Body><s:Fault><faultcode>" + code +
         "</faultcode><faultstring xml:lang=\"zh-CN\">" + Escaped(text) +
         "</faultstring></s:Fault></s:Body></s:Envelope>";
}

std::string Unquoted(const std::string& s) {
  if (s.size() >= 2 && s.front() == '"' && s.back() == '"') return s.substr(1, s.size() - 2);
  return s;
}

}  // namespace

FakeSoapService::FakeSoapService() : server_(std::make_unique<httplib::Server>()) {
  auto record = [this](const httplib::Request& req) {
    const auto q = req.target.find('?');
    std::lock_guard<std::mutex> g(lock_);
    requests_.push_back({req.method, req.path, q == std::string::npos ? "" : req.target.substr(q + 1),
                         req.get_header_value("SOAPAction"), req.get_header_value("Content-Type"), req.body});
  };
  server_->Get(".*", [this, record](const httplib::Request& req, httplib::Response& res) {
    record(req);
    Hold();
    int status = 404;
    std::string body;
    if (req.path == "/VqService" && req.has_param("wsdl")) body = WsdlText(status);
    res.status = status;
    res.set_content(body, "text/xml; charset=utf-8");
  });
  server_->Post(".*", [this, record](const httplib::Request& req, httplib::Response& res) {
    record(req);
    Hold();
    int status = 200;
    const std::string body = Answer(Unquoted(req.get_header_value("SOAPAction")), status);
    res.status = status;
    res.set_content(body, "text/xml; charset=utf-8");
  });
  port_ = server_->bind_to_any_port("127.0.0.1");
  if (port_ <= 0) throw std::runtime_error("FakeSoapService: cannot bind 127.0.0.1");
  thread_ = std::thread([this] { server_->listen_after_bind(); });
  // stop() is ignored until the accept loop runs, so the destructor could hang without this wait.
  while (!server_->is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

FakeSoapService::~FakeSoapService() {
  {
    std::lock_guard<std::mutex> g(lock_);
    stopped_ = true;
  }
  stopping_.notify_all();
  server_->stop();
  thread_.join();
}

std::string FakeSoapService::ServiceUrl() const { return "http://127.0.0.1:" + std::to_string(port_) + "/VqService"; }

void FakeSoapService::SetWsdl(Wsdl variant) {
  std::lock_guard<std::mutex> g(lock_);
  wsdl_ = variant;
}
void FakeSoapService::SetDBParm(DBParm values) {
  std::lock_guard<std::mutex> g(lock_);
  dbParm_ = std::move(values);
}
void FakeSoapService::SetRdaPort(std::string port) {
  std::lock_guard<std::mutex> g(lock_);
  rdaPort_ = std::move(port);
}
void FakeSoapService::SetServiceAddr(std::string addr) {
  std::lock_guard<std::mutex> g(lock_);
  serviceAddr_ = std::move(addr);
}
void FakeSoapService::SetPrefixedReplies(bool prefixed) {
  std::lock_guard<std::mutex> g(lock_);
  prefixed_ = prefixed;
}
void FakeSoapService::AnswerFault(std::string faultString) {
  std::lock_guard<std::mutex> g(lock_);
  fault_ = std::move(faultString);
}
void FakeSoapService::AnswerRaw(int status, std::string body) {
  std::lock_guard<std::mutex> g(lock_);
  raw_ = std::make_pair(status, std::move(body));
}
void FakeSoapService::SetDelayMs(int ms) {
  std::lock_guard<std::mutex> g(lock_);
  delayMs_ = ms;
}

std::vector<FakeSoapService::Request> FakeSoapService::Requests() const {
  std::lock_guard<std::mutex> g(lock_);
  return requests_;
}

void FakeSoapService::Hold() {
  std::unique_lock<std::mutex> g(lock_);
  stopping_.wait_for(g, std::chrono::milliseconds(delayMs_), [this] { return stopped_; });
}

std::string FakeSoapService::Answer(const std::string& action, int& status) {
  std::lock_guard<std::mutex> g(lock_);
  if (raw_) {
    status = raw_->first;
    return raw_->second;
  }
  if (fault_) {
    status = 500;
    return FaultEnvelope("s:Server", *fault_);
  }
  const std::string op = action.rfind(kActionPrefix, 0) == 0 ? action.substr(std::string(kActionPrefix).size()) : "";
  if (op == "GetConnectDBParm") {
    const DBParm& d = dbParm_;
    return Envelope("GetConnectDBParmResponse",
                    {{"GetConnectDBParmResult", d.Result},
                     {"aServerName", d.ServerName},
                     {"aDatabase", d.Database},
                     {"conName", d.ConName},
                     {"aLogName", d.LogName},
                     {"aLogPass", d.LogPass},
                     {"aPort", d.Port}},
                    prefixed_);
  }
  if (op == "GetVqRdaPort") return Envelope("GetVqRdaPortResponse", {{"GetVqRdaPortResult", rdaPort_}}, prefixed_);
  if (op == "GetVqServiceAddr")
    return Envelope("GetVqServiceAddrResponse", {{"GetVqServiceAddrResult", serviceAddr_}}, prefixed_);
  status = 500;
  return FaultEnvelope("a:ActionNotSupported", "The message with Action '" + action + "' cannot be processed.");
}

std::string FakeSoapService::WsdlText(int& status) const {
  std::lock_guard<std::mutex> g(lock_);
  const std::string base = "http://127.0.0.1:" + std::to_string(port_);
  std::string serviceName = "VqService", portName = "BasicHttpBinding_IVqService";
  std::string address = "<soap:address location=\"" + base + "/VqService\"/>";
  switch (wsdl_) {
    case Wsdl::SelfAddress:
      break;
    case Wsdl::OtherPath:
      address = "<soap:address location=\"" + base + "/Other/VqService\"/>";
      break;
    case Wsdl::NoAddress:
      address.clear();
      break;
    case Wsdl::NoPort:
      portName = "WSHttpBinding_IVqService";
      break;
    case Wsdl::NoService:
      serviceName = "VqService2";
      break;
    case Wsdl::BrokenXml:
      status = 200;
      return "<wsdl:definitions><wsdl:service name=\"VqService\">";
    case Wsdl::NotFound:
      status = 404;
      return "";
  }
  status = 200;
  return std::string("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n") +
         "<wsdl:definitions name=\"VqService\" targetNamespace=\"" + kServiceNs +
         "\" xmlns:wsdl=\"http://schemas.xmlsoap.org/wsdl/\" xmlns:soap=\"http://schemas.xmlsoap.org/wsdl/soap/\"" +
         " xmlns:tns=\"" + kServiceNs + "\">\n" +
         " <wsdl:portType name=\"IVqService\"/>\n"
         " <wsdl:binding name=\"BasicHttpBinding_IVqService\" type=\"tns:IVqService\">\n"
         "  <soap:binding transport=\"http://schemas.xmlsoap.org/soap/http\"/>\n"
         " </wsdl:binding>\n"
         " <wsdl:service name=\"" +
         serviceName +
         "\">\n"
         // A second binding's port comes first, so the client has to pick the port by name.
         "  <wsdl:port name=\"BasicHttpsBinding_IVqService\" binding=\"tns:BasicHttpsBinding_IVqService\">\n"
         "   <soap:address location=\"" +
         base +
         "/Wrong/VqService\"/>\n"
         "  </wsdl:port>\n"
         "  <wsdl:port name=\"" +
         portName +
         "\" binding=\"tns:BasicHttpBinding_IVqService\">\n"
         "   " +
         address +
         "\n"
         "  </wsdl:port>\n"
         " </wsdl:service>\n"
         "</wsdl:definitions>\n";
}

}  // namespace vqtest
