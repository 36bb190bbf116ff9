#pragma once
// A stand-in for the back-office server's SOAP service on 127.0.0.1 (ephemeral port). It serves
// the service description at GET /VqService?wsdl, answers POSTs on any path by their SOAPAction
// with scripted values of GetConnectDBParm, GetVqRdaPort and GetVqServiceAddr, and records every
// request. It can also answer with a SOAP fault, with raw bytes of the test's choosing (broken
// XML, other prefixes), or slowly. Setters may be called while a client is calling.
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace httplib {
class Server;
}

namespace vqtest {

class FakeSoapService {
 public:
  enum class Wsdl {
    SelfAddress,  // soap:address is this server's /VqService
    OtherPath,    // soap:address is this server's /Other/VqService
    NoAddress,    // the port has no soap:address
    NoPort,       // the service lacks the port "BasicHttpBinding_IVqService"
    NoService,    // the service is named otherwise
    BrokenXml,    // not well-formed
    NotFound,     // HTTP 404
  };

  // Values of the GetConnectDBParm reply; an unset member is left out of the reply.
  struct DBParm {
    std::optional<std::string> Result = "true";
    std::optional<std::string> ServerName, Database, ConName, LogName, LogPass, Port;
  };

  struct Request {
    std::string Method, Path, Query, SoapAction, ContentType, Body;
  };

  FakeSoapService();
  ~FakeSoapService();
  FakeSoapService(const FakeSoapService&) = delete;
  FakeSoapService& operator=(const FakeSoapService&) = delete;

  [[nodiscard]] int Port() const { return port_; }
  // "http://127.0.0.1:<port>/VqService"
  [[nodiscard]] std::string ServiceUrl() const;

  void SetWsdl(Wsdl variant);
  void SetDBParm(DBParm values);
  void SetRdaPort(std::string port);
  void SetServiceAddr(std::string addr);
  // Scripted replies write a prefix on every element (ns:GetVqRdaPortResponse, ...) instead of
  // a default namespace.
  void SetPrefixedReplies(bool prefixed);
  // From now on every POST gets an HTTP 500 SOAP 1.1 fault with this faultstring.
  void AnswerFault(std::string faultString);
  // From now on every POST gets exactly this status and body (text/xml).
  void AnswerRaw(int status, std::string body);
  // From now on every answer (GET and POST) is held back this long; Stop cuts the wait short.
  void SetDelayMs(int ms);

  [[nodiscard]] std::vector<Request> Requests() const;

 private:
  std::string Answer(const std::string& action, int& status);
  std::string WsdlText(int& status) const;
  void Hold();

  std::unique_ptr<httplib::Server> server_;
  std::thread thread_;
  int port_ = 0;

  mutable std::mutex lock_;
  std::condition_variable stopping_;                // signalled when the server shuts down
  bool stopped_ = false;                            // guarded by lock_
  Wsdl wsdl_ = Wsdl::SelfAddress;                   // guarded by lock_
  DBParm dbParm_;                                   // guarded by lock_
  std::string rdaPort_ = "8080";                    // guarded by lock_
  std::string serviceAddr_ = "vq.example.net";      // guarded by lock_
  bool prefixed_ = false;                           // guarded by lock_
  std::optional<std::string> fault_;                // guarded by lock_
  std::optional<std::pair<int, std::string>> raw_;  // guarded by lock_
  int delayMs_ = 0;                                 // guarded by lock_
  std::vector<Request> requests_;                   // guarded by lock_
};

}  // namespace vqtest
