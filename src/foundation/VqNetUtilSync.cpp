// The message-pumping variants: the request runs on a thread of its own while the caller's
// thread keeps pumping the UI's messages.
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

#include "foundation/Clock.h"
#include "foundation/VqNetUtil.h"

namespace tessaly {

namespace {

std::mutex gPumpLock;
TNetMessagePump gPump;  // guarded by gPumpLock

void PumpMessages() {
  TNetMessagePump pump;
  {
    std::lock_guard<std::mutex> guard(gPumpLock);
    pump = gPump;
  }
  if (pump) pump();
}

// The outcome of one call. Shared by the caller and its request thread, so a request that ends
// after its caller gave up writes into its own cell, never into the next call's.
struct TPumpedCall {
  std::atomic<std::int64_t> result{-1};
  std::mutex lock;
  std::string answer;  // guarded by lock; complete before result leaves -1
};

template <class TRequest>
int RunPumped(const std::string& aUrl, TRequest request, std::string& aRespond, const char* timeoutText) {
  auto call = std::make_shared<TPumpedCall>();
  aRespond = timeoutText;
  try {
    std::thread([call, request = std::move(request)]() mutable {
      std::string answer;
      int result = 0;
      try {
        result = request(answer);
      } catch (const std::exception& e) {
        answer = e.what();
      }
      {
        std::lock_guard<std::mutex> guard(call->lock);
        call->answer = std::move(answer);
      }
      call->result.store(result);
    }).detach();
  } catch (const std::exception& e) {
    TVqNet::MapNetError(aUrl, e.what(), aRespond, 0);
    return 0;
  }
  const int rounds = (2 * TVqNet::GetNetConnectTimeout() + TVqNet::GetNetReadTimeout()) / 100 + 1;
  std::int64_t result = -1;
  for (int i = 0; i < rounds; ++i) {
    PumpMessages();
    result = call->result.load();
    if (result != -1) {
      std::lock_guard<std::mutex> guard(call->lock);
      aRespond = call->answer;
      break;
    }
    GetClock().SleepMs(100);
  }
  return static_cast<int>(result);
}

constexpr const char* kGetTimeout = "请求服务器超时";
constexpr const char* kPostTimeout = "提交服务器超时";

}  // namespace

void SetNetMessagePump(TNetMessagePump pump) {
  std::lock_guard<std::mutex> guard(gPumpLock);
  gPump = std::move(pump);
}

namespace TVqNet {

int SyncGet(const std::string& aUrl, std::string& aRespond) {
  auto request = [aUrl](std::string& answer) {
    return NetClientMode.load() == 1 ? NetGet(aUrl, answer) : HTTPGet(aUrl, answer);
  };
  return RunPumped(aUrl, std::move(request), aRespond, kGetTimeout);
}

int SyncPost(const std::string& aUrl, const std::string& aParam, const std::string& aCertFile,
             const std::string& aKeyFile, std::string& aRespond) {
  auto request = [aUrl, aParam, aCertFile, aKeyFile](std::string& answer) {
    return NetClientMode.load() == 1 ? NetPost(aUrl, aParam, aCertFile, aKeyFile, answer)
                                     : HTTPPost(aUrl, aParam, aCertFile, aKeyFile, answer, "");
  };
  return RunPumped(aUrl, std::move(request), aRespond, kPostTimeout);
}

int SyncPost(const std::string& aUrl, const std::string& aParam, std::string& aRespond) {
  return SyncPost(aUrl, aParam, "", "", aRespond);
}

int SyncPostStream(const std::string& aUrl, const std::string& aParam, const std::string& aCertFile,
                   const std::string& aKeyFile, std::string& aRespond, const std::string& /*aContentType*/) {
  auto request = [aUrl, aParam, aCertFile, aKeyFile](std::string& answer) {
    return HTTPPostStream(aUrl, aParam, aCertFile, aKeyFile, answer, "");
  };
  return RunPumped(aUrl, std::move(request), aRespond, kPostTimeout);
}

int SyncPostStream(const std::string& aUrl, const std::string& aParam, std::string& aRespond) {
  return SyncPostStream(aUrl, aParam, "", "", aRespond, "");
}

}  // namespace TVqNet
}  // namespace tessaly
