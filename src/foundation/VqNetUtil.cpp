// The module's globals, effective time-outs, timing lines, and the choice of road per request.
#include "foundation/VqNetUtil.h"

#include <algorithm>
#include <exception>

#include "foundation/Logger.h"

namespace tessaly {

std::atomic<int> NetClientMode{1};
std::atomic<int> NetSyncMode{1};
std::atomic<int> NetConnectTimeout{15000};
std::atomic<int> NetReadTimeout{600000};
std::atomic<std::thread::id> NetMainThreadId{std::thread::id()};

namespace {

std::atomic<int> gConnectFloorMs{15000};
std::atomic<int> gReadFloorMs{30000};

// "main": the caller asked for pumping and runs on the thread that may pump.
bool OnMainThread(int aSyncTag) {
  return aSyncTag != 0 && std::this_thread::get_id() == NetMainThreadId.load();
}

}  // namespace

void SetNetTimeoutFloorsForTests(int connectMs, int readMs) {
  gConnectFloorMs.store(connectMs);
  gReadFloorMs.store(readMs);
}

namespace TVqNet {

int GetNetConnectTimeout() { return std::max(NetConnectTimeout.load(), gConnectFloorMs.load()); }

int GetNetReadTimeout() { return std::max(NetReadTimeout.load(), gReadFloorMs.load()); }

void NetLog(const std::string& aText, int aLevel) {
  try {
    if (TLogger* logger = Logger.load()) logger->WriteLog("[Net]" + aText, aLevel);
  } catch (...) {
    // A timing line is never worth failing the request it describes.
  }
}

int Get(const std::string& aUrl, std::string& aRespond, int aSyncTag) {
  if (OnMainThread(aSyncTag) && NetSyncMode.load() == 1) return SyncGet(aUrl, aRespond);
  if (NetClientMode.load() == 1) return NetGet(aUrl, aRespond);
  return HTTPGet(aUrl, aRespond);
}

int Post(const std::string& aUrl, const std::string& aParam, const std::string& aCertFile,
         const std::string& aKeyFile, std::string& aRespond, int aSyncTag) {
  if (OnMainThread(aSyncTag) && NetSyncMode.load() == 1) return SyncPost(aUrl, aParam, aCertFile, aKeyFile, aRespond);
  if (NetClientMode.load() == 1) return NetPost(aUrl, aParam, aCertFile, aKeyFile, aRespond);
  return HTTPPost(aUrl, aParam, aCertFile, aKeyFile, aRespond, "");
}

int Post(const std::string& aUrl, const std::string& aParam, std::string& aRespond, int aSyncTag) {
  return Post(aUrl, aParam, "", "", aRespond, aSyncTag);
}

int PostStream(const std::string& aUrl, const std::string& aParam, const std::string& aCertFile,
               const std::string& aKeyFile, std::string& aRespond, int aSyncTag) {
  if (OnMainThread(aSyncTag) && NetSyncMode.load() == 1) {
    return SyncPostStream(aUrl, aParam, aCertFile, aKeyFile, aRespond, "");
  }
  return HTTPPostStream(aUrl, aParam, aCertFile, aKeyFile, aRespond, "");
}

int PostStream(const std::string& aUrl, const std::string& aParam, std::string& aRespond, int aSyncTag) {
  return PostStream(aUrl, aParam, "", "", aRespond, aSyncTag);
}

int ICSGet(const std::string& /*aUrl*/, std::string& /*aRespond*/) { return 0; }

int ICSPost(const std::string& /*aUrl*/, const std::string& /*aParam*/, const std::string& /*aCertFile*/,
            const std::string& /*aKeyFile*/, std::string& /*aRespond*/) {
  return 0;
}

int ICSPost(const std::string& /*aUrl*/, const std::string& /*aParam*/, std::string& /*aRespond*/) { return 0; }

}  // namespace TVqNet
}  // namespace tessaly
