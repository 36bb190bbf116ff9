// The user-readable text of a failed request.
#include <string>

#include "foundation/VqNetUtil.h"
#include "platform/TextCodec.h"

namespace tessaly::TVqNet {

namespace {

struct TErrorKind {
  const char* raw;   // what the client's raw message contains
  const char* kind;  // what the user is told
};

// Tested in this order; a later hit replaces an earlier one.
constexpr TErrorKind kKinds[] = {
    {"Socket Error", "网络连接失败"},
    {"Connect time out", "网络连接超时"},
    {"Connect timed out", "网络连接超时"},
    {"Connection Closed Gracefully", "服务器繁忙连接被中断"},
};

struct TServicePrefix {
  const char* host;
  const char* prefix;
};

constexpr TServicePrefix kPrefixes[] = {
    {kNetLeposHost, "请求[lepos]"},
    {kNetMeituanDomain, "请求[美团]"},
    {kNetBestPayDomain, "请求[翼支付]"},
};

}  // namespace

void MapNetError(const std::string& aUrl, const std::string& aError, std::string& aResult, std::int64_t aElapsed) {
  std::string kind = "网络错误";
  for (const TErrorKind& k : kKinds) {
    if (aError.find(k.raw) != std::string::npos) kind = k.kind;
  }
  const std::string url = platform::AsciiLower(aUrl);
  std::string prefix;
  for (const TServicePrefix& p : kPrefixes) {
    if (url.find(p.host) != std::string::npos) prefix = p.prefix;
  }
  if (aElapsed > 0) {
    aResult = prefix + kind + "[" + std::to_string(aElapsed) + "毫秒]";
  } else {
    aResult = kind;
  }
  aResult += aError;
}

}  // namespace tessaly::TVqNet
