#pragma once
// The one libcurl transfer behind both transports of VqNetUtil (private to that module). It
// performs one request with a handle of its own and describes every failure the same way
// whichever transport ran: socket-level failures, connect time-outs and closed connections in
// the socket client's wording that MapNetError reads, the rest in Chinese.
#include <string>
#include <vector>

namespace tessaly::netdetail {

struct TNetRequest {
  std::string url;
  bool post = false;
  bool http10 = false;               // send the request as HTTP/1.0
  std::string body;                  // bytes as sent; posts only
  std::vector<std::string> headers;  // "Name: value"; "Name:" drops a header curl would add
  std::string certFile;              // PEM client certificate, empty for none
  std::string keyFile;               // its private key
};

struct TNetReply {
  bool answered = false;    // a whole response arrived (any status)
  long status = 0;          // of the last response, after redirects
  std::string statusLine;   // e.g. "HTTP/1.1 404 Not Found", without the line break
  std::string contentType;  // the Content-Type header value, empty when absent
  std::string body;         // raw bytes, without spare room beyond a quarter of their size
  std::string error;        // raw failure message when !answered
};

// Follows up to 15 redirects; connect and read time-outs are the effective ones of VqNetUtil.
// The read time-out is the longest pause without any byte moving once connected. The whole
// request ends by its deadline, the connect time-out plus twice the read time-out, however the
// bytes trickle in, and at kNetMaxReplyBytes. Never throws.
[[nodiscard]] TNetReply PerformRequest(const TNetRequest& request);

// The body as UTF-8 text by the charset its Content-Type declares (GBK family through the code
// page helper, Latin-1); without one the platform's UTF-8 is assumed, and bytes that are not
// valid UTF-8 become U+FFFD rather than reaching the program's text. A valid UTF-8 body is
// moved, not copied.
[[nodiscard]] std::string DecodeReplyBody(std::string&& body, const std::string& contentType);

}  // namespace tessaly::netdetail
