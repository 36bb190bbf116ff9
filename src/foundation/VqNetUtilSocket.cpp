// The socket client: form posts, stream posts and GETs, with error statuses as failures and the
// answer decoded by its declared charset.
#include <cstdint>
#include <string>
#include <utility>

#include "foundation/Clock.h"
#include "foundation/VqNetUtil.h"
#include "foundation/VqNetUtilTransfer.h"
#include "platform/TextCodec.h"

namespace tessaly::TVqNet {

namespace {

constexpr const char* kAcceptHeader = "Accept: text/html,application/json;q=0.9,*/*;q=0.8";

// Runs one request of the socket client and fills aRespond by its rules; returns 1 or 0.
int RunSocketRequest(const netdetail::TNetRequest& request, std::string& aRespond, const char* timingName) {
  const std::int64_t start = GetClock().TickMs();
  netdetail::TNetReply reply = netdetail::PerformRequest(request);
  const std::int64_t elapsed = GetClock().TickMs() - start;
  if (!reply.answered || reply.status >= 400) {
    const std::string raw = reply.answered ? reply.statusLine : reply.error;
    MapNetError(request.url, platform::TrimBlanks(raw), aRespond, elapsed);
    return 0;
  }
  aRespond = netdetail::DecodeReplyBody(std::move(reply.body), reply.contentType);
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
  request.headers = {
      "Content-Type: " + (aContentType.empty() ? std::string("application/x-www-form-urlencoded") : aContentType),
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
