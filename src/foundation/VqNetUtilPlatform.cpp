// The platform-client transport: any status is an answer, and the answer is URL-decoded.
#include <cstdint>
#include <string>

#include "foundation/Clock.h"
#include "foundation/VqNetUtil.h"
#include "foundation/VqNetUtilTransfer.h"
#include "platform/TextCodec.h"

namespace tessaly::TVqNet {

namespace {

struct TTimedReply {
  netdetail::TNetReply reply;
  std::int64_t elapsed = 0;
};

TTimedReply RunTimed(const netdetail::TNetRequest& request) {
  const std::int64_t start = GetClock().TickMs();
  TTimedReply timed{netdetail::PerformRequest(request), 0};
  timed.elapsed = GetClock().TickMs() - start;
  return timed;
}

void LogTiming(const char* name, std::int64_t elapsed) {
  NetLog(std::string(name) + " -> " + std::to_string(elapsed) + "ms", 0);
}

// The answer text, or the error text; returns 1 or 0.
int Finish(const std::string& url, const TTimedReply& timed, std::string& aRespond, const char* timingName) {
  if (!timed.reply.answered) {
    MapNetError(url, platform::TrimBlanks(timed.reply.error), aRespond, timed.elapsed);
    return 0;
  }
  aRespond = UrlDecode(timed.reply.body);
  LogTiming(timingName, timed.elapsed);
  return 1;
}

}  // namespace

int NetGet(const std::string& aUrl, std::string& aRespond) {
  netdetail::TNetRequest request;
  request.url = aUrl;
  return Finish(aUrl, RunTimed(request), aRespond, "Net.NetGet");
}

int NetGet(const std::string& aUrl, std::string& aStreamRespond, std::string& aStrRespond) {
  netdetail::TNetRequest request;
  request.url = aUrl;
  const TTimedReply timed = RunTimed(request);
  if (!timed.reply.answered) {
    MapNetError(aUrl, platform::TrimBlanks(timed.reply.error), aStrRespond, timed.elapsed);
    return 0;
  }
  aStreamRespond = timed.reply.body;
  int result = 1;
  if (timed.reply.status != 200) {
    aStrRespond = UrlDecode(aStreamRespond);
    result = 2;
  }
  LogTiming("Net.NetGetStream", timed.elapsed);
  return result;
}

int NetPost(const std::string& aUrl, const std::string& aParam, const std::string& /*aCertFile*/,
            const std::string& /*aKeyFile*/, std::string& aRespond) {
  netdetail::TNetRequest request;
  request.url = aUrl;
  request.post = true;
  request.body = aParam;
  request.headers = {"Content-Type:"};
  return Finish(aUrl, RunTimed(request), aRespond, "Net.NetPost");
}

int NetPost(const std::string& aUrl, const std::string& aParam, std::string& aRespond) {
  return NetPost(aUrl, aParam, "", "", aRespond);
}

}  // namespace tessaly::TVqNet
