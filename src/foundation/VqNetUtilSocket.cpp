// The socket client: form posts, stream posts and GETs, with error statuses as failures and the
// answer decoded by its declared charset.
#include <cstdint>
#include <string>

#include "foundation/Clock.h"
#include "foundation/VqNetUtil.h"
#include "foundation/VqNetUtilTransfer.h"
#include "platform/TextCodec.h"

namespace tessaly::TVqNet {

namespace {

constexpr const char* kAcceptHeader = "Accept: text/html,application/json;q=0.9,*/*;q=0.8";

// The charset parameter of a Content-Type value, lower-cased and unquoted; empty when none.
std::string DeclaredCharset(const std::string& contentType) {
  const std::string lower = platform::AsciiLower(contentType);
  const std::size_t at = lower.find("charset=");
  if (at == std::string::npos) return {};
  std::string value = lower.substr(at + 8);
  const std::size_t end = value.find(';');
  if (end != std::string::npos) value.resize(end);
  value = platform::TrimBlanks(value);
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
  return value;
}

std::string Latin1ToUtf8(const std::string& bytes) {
  std::string out;
  out.reserve(bytes.size() * 2);
  for (const char ch : bytes) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x80) {
      out += ch;
    } else {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

// The answer as UTF-8 text. Without a declared charset the platform's UTF-8 is assumed; bytes
// that are not valid UTF-8 become U+FFFD rather than reaching the program's text.
std::string DecodeBody(const std::string& body, const std::string& contentType) {
  const std::string charset = DeclaredCharset(contentType);
  if (charset == "gbk" || charset == "gb2312" || charset == "gb18030" || charset == "cp936" ||
      charset == "x-gbk") {
    return platform::Cp936ToUtf8(body);
  }
  if (charset == "iso-8859-1" || charset == "latin1" || charset == "iso8859-1") return Latin1ToUtf8(body);
  return platform::SanitizeUtf8(body);
}

// Runs one request of the socket client and fills aRespond by its rules; returns 1 or 0.
int RunSocketRequest(const netdetail::TNetRequest& request, std::string& aRespond, const char* timingName) {
  const std::int64_t start = GetClock().TickMs();
  const netdetail::TNetReply reply = netdetail::PerformRequest(request);
  const std::int64_t elapsed = GetClock().TickMs() - start;
  if (!reply.answered || reply.status >= 400) {
    const std::string raw = reply.answered ? reply.statusLine : reply.error;
    MapNetError(request.url, platform::TrimBlanks(raw), aRespond, elapsed);
    return 0;
  }
  aRespond = DecodeBody(reply.body, reply.contentType);
  if (timingName != nullptr) NetLog(std::string(timingName) + " -> " + std::to_string(elapsed) + "ms", 0);
  return 1;
}

}  // namespace

int HTTPGet(const std::string& aUrl, std::string& aRespond) {
  netdetail::TNetRequest request;
  request.url = aUrl;
  request.headers = {kAcceptHeader};
  return RunSocketRequest(request, aRespond, "Net.HTTPGet");
}

int HTTPPost(const std::string& aUrl, const std::string& aParam, const std::string& aCertFile,
             const std::string& aKeyFile, std::string& aRespond, const std::string& aContentType) {
  netdetail::TNetRequest request;
  request.url = aUrl;
  request.post = true;
  request.http10 = true;
  request.body = FormBody(aParam);
  request.headers = {"Content-Type: " + (aContentType.empty() ? std::string("application/x-www-form-urlencoded")
                                                               : aContentType),
                     kAcceptHeader};
  request.certFile = aCertFile;
  request.keyFile = aKeyFile;
  return RunSocketRequest(request, aRespond, nullptr);
}

int HTTPPost(const std::string& aUrl, const std::string& aParam, std::string& aRespond) {
  return HTTPPost(aUrl, aParam, "", "", aRespond, "");
}

int HTTPPostStream(const std::string& aUrl, const std::string& aParam, const std::string& aCertFile,
                   const std::string& aKeyFile, std::string& aRespond, const std::string& aContentType) {
  netdetail::TNetRequest request;
  request.url = aUrl;
  request.post = true;
  request.http10 = true;
  request.body = platform::Utf8ToCp936(aParam);
  request.headers = {aContentType.empty() ? std::string("Content-Type:") : "Content-Type: " + aContentType,
                     "Accept: application/x-www-form-urlencoded"};
  request.certFile = aCertFile;
  request.keyFile = aKeyFile;
  return RunSocketRequest(request, aRespond, nullptr);
}

}  // namespace tessaly::TVqNet
