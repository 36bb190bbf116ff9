#pragma once
// The HTTP side of the SOAP client: one blocking libcurl request per call, with a connect
// time-out and a time-out for the whole exchange. It knows nothing of SOAP envelopes; it posts
// the bytes it is given and hands back the status and the body whatever the status is.
#include <stdexcept>
#include <string>

namespace tessaly {

// The one error of a SOAP call: transport failure, HTTP error, SOAP fault, unreadable reply or a
// request that cannot be written. what() is the text a caller shows or logs (UTF-8).
class ESoapError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct TSoapTimeouts {
  int ConnectMs = 10000;  // TCP connect (name lookup included)
  int TotalMs = 30000;    // whole request, connect included; the calls block the UI thread
};

struct TSoapHttpReply {
  long Status = 0;  // HTTP status code
  std::string Body;
};

// Immutable after construction, so one object may serve several proxies and threads; every call
// uses a libcurl handle of its own. Redirects are not followed (a 3xx is returned as such).
class TSoapTransport {
 public:
  explicit TSoapTransport(TSoapTimeouts timeouts = {});

  [[nodiscard]] const TSoapTimeouts& Timeouts() const { return timeouts_; }

  // POST of a SOAP 1.1 request: Content-Type "text/xml; charset=utf-8" and the SOAPAction header
  // holding `soapAction` in double quotes. Throws ESoapError when no HTTP reply arrives (refused,
  // unknown host, time-out); any HTTP status is returned.
  [[nodiscard]] TSoapHttpReply Post(const std::string& url, const std::string& soapAction,
                                    const std::string& body) const;
  // GET (the service description). Same error rule as Post.
  [[nodiscard]] TSoapHttpReply Get(const std::string& url) const;

 private:
  [[nodiscard]] TSoapHttpReply Perform(const std::string& url, const std::string* soapAction,
                                       const std::string* body) const;

  TSoapTimeouts timeouts_;
};

}  // namespace tessaly
