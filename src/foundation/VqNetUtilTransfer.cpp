// One libcurl transfer and the socket client's wording of its failures.
#include "foundation/VqNetUtilTransfer.h"

#include <curl/curl.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>
#include <mutex>

#include "foundation/VqNetUtil.h"
#include "platform/TextCodec.h"

namespace tessaly::netdetail {

namespace {

constexpr long kMaxRedirects = 15;

void InitCurlOnce() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

std::string SocketError(int code, const char* text) { return "Socket Error # " + std::to_string(code) + "\r\n" + text; }

// An operating-system error of a socket, with the Windows socket code and text that users and
// the error mapping know.
std::string SocketErrorOfErrno(long err) {
  switch (err) {
    case ECONNREFUSED:
      return SocketError(10061, "Connection refused.");
    case ECONNRESET:
      return SocketError(10054, "Connection reset by peer.");
    case EHOSTUNREACH:
      return SocketError(10065, "No route to host.");
    case ENETUNREACH:
      return SocketError(10051, "Network is unreachable.");
    case ENETDOWN:
      return SocketError(10050, "Network is down.");
    case ECONNABORTED:
    case EPIPE:
      return SocketError(10053, "Software caused connection abort.");
    case ETIMEDOUT:
      return SocketError(10060, "Connection timed out.");
    default:
      return SocketError(static_cast<int>(err), std::strerror(static_cast<int>(err)));
  }
}

// Why our own callbacks ended a transfer.
enum class TAbort { None, ReadTimeout, Deadline, TooLarge, OutOfMemory };

struct TTransferState {
  TNetReply* reply = nullptr;
  CURL* curl = nullptr;
  long readTimeoutMs = 0;
  long deadlineMs = 0;
  // Network idle time is real time, whatever clock the program runs on.
  std::chrono::steady_clock::time_point started = std::chrono::steady_clock::now();
  std::chrono::steady_clock::time_point lastActivity = started;
  curl_off_t lastDown = 0;
  curl_off_t lastUp = 0;
  std::size_t received = 0;  // header and body bytes of the whole redirect chain
  TAbort abort = TAbort::None;
};

// Counts bytes against the reply cap; false (and the reason set) when they do not fit.
bool TakeBytes(TTransferState& state, std::size_t n) {
  if (n > kNetMaxReplyBytes - state.received) {
    state.abort = TAbort::TooLarge;
    return false;
  }
  state.received += n;
  return true;
}

// The callbacks return to C code: no exception may leave them. Returning a count other than
// the one given makes curl end the transfer with a write error.
size_t OnBody(char* data, size_t size, size_t count, void* user) noexcept {
  auto* state = static_cast<TTransferState*>(user);
  const std::size_t n = size * count;
  if (!TakeBytes(*state, n)) return 0;
  try {
    state->reply->body.append(data, n);
  } catch (...) {
    state->abort = TAbort::OutOfMemory;
    return 0;
  }
  return n;
}

size_t OnHeader(char* data, size_t size, size_t count, void* user) noexcept {
  auto* state = static_cast<TTransferState*>(user);
  const std::size_t n = size * count;
  if (!TakeBytes(*state, n)) return 0;
  try {
    const std::string line = platform::TrimBlanks(std::string_view(data, n));
    if (line.rfind("HTTP/", 0) == 0) {
      // Each response of a redirect chain starts afresh; the last one is the answer.
      state->reply->statusLine = line;
      state->reply->contentType.clear();
      state->reply->body.clear();
    } else if (const std::size_t colon = line.find(':'); colon != std::string::npos) {
      const std::string name = line.substr(0, colon);
      if (platform::SameText(name, "Content-Type"))
        state->reply->contentType = platform::TrimBlanks(line.substr(colon + 1));
      // Room for the announced body at once: grown step by step, a page near the cap would
      // briefly need three times its size. The cap bounds what a server can make us reserve.
      if (platform::SameText(name, "Content-Length")) {
        const unsigned long long announced = std::strtoull(line.c_str() + colon + 1, nullptr, 10);
        state->reply->body.reserve(
            static_cast<std::size_t>(std::min<unsigned long long>(announced, kNetMaxReplyBytes)));
      }
    }
  } catch (...) {
    state->abort = TAbort::OutOfMemory;
    return 0;
  }
  return n;
}

// Aborts the transfer at its deadline, or once no byte has moved for the read time-out after
// the connection stood.
int OnProgress(void* user, curl_off_t, curl_off_t dlnow, curl_off_t, curl_off_t ulnow) noexcept {
  auto* state = static_cast<TTransferState*>(user);
  const auto now = std::chrono::steady_clock::now();
  if (std::chrono::duration_cast<std::chrono::milliseconds>(now - state->started).count() >= state->deadlineMs) {
    state->abort = TAbort::Deadline;
    return 1;
  }
  curl_off_t connectUs = 0;
  curl_easy_getinfo(state->curl, CURLINFO_CONNECT_TIME_T, &connectUs);
  if (connectUs == 0 || dlnow != state->lastDown || ulnow != state->lastUp) {
    state->lastDown = dlnow;
    state->lastUp = ulnow;
    state->lastActivity = now;
    return 0;
  }
  const auto idleMs = std::chrono::duration_cast<std::chrono::milliseconds>(now - state->lastActivity).count();
  if (idleMs >= state->readTimeoutMs) {
    state->abort = TAbort::ReadTimeout;
    return 1;
  }
  return 0;
}

std::string RawError(CURLcode code, CURL* curl, const TTransferState& state, const char* errorBuffer) {
  long osErrno = 0;
  curl_easy_getinfo(curl, CURLINFO_OS_ERRNO, &osErrno);
  switch (state.abort) {
    // In the shop's words; the socket client's own wording of a read time-out follows it.
    case TAbort::ReadTimeout:
      return "服务器应答超时（Read timed out.）";
    case TAbort::Deadline:
      return "服务器应答未在" + std::to_string(state.deadlineMs) + "毫秒内收完";
    case TAbort::TooLarge:
      return "服务器应答超过" + std::to_string(kNetMaxReplyBytes / (1024 * 1024)) + "MB";
    case TAbort::OutOfMemory:
      return "读取服务器应答时内存不足";
    case TAbort::None:
      break;
  }
  switch (code) {
    case CURLE_COULDNT_RESOLVE_HOST:
      return SocketError(11001, "Host not found.");
    case CURLE_OPERATION_TIMEDOUT:
      return "Connect timed out.";
    case CURLE_GOT_NOTHING:
    case CURLE_PARTIAL_FILE:
      return "Connection Closed Gracefully.";
    case CURLE_COULDNT_CONNECT:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
      if (osErrno != 0) return SocketErrorOfErrno(osErrno);
      break;
    default:
      break;
  }
  return errorBuffer[0] != '\0' ? std::string(errorBuffer) : std::string(curl_easy_strerror(code));
}

struct TCurlDeleter {
  void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};
struct TSlistDeleter {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

}  // namespace

TNetReply PerformRequest(const TNetRequest& request) {
  TNetReply reply;
  try {
    InitCurlOnce();
    std::unique_ptr<CURL, TCurlDeleter> curl(curl_easy_init());
    if (!curl) {
      reply.error = "无法发起HTTP请求";
      return reply;
    }
    CURL* h = curl.get();
    TTransferState state;
    state.reply = &reply;
    state.curl = h;
    state.readTimeoutMs = TVqNet::GetNetReadTimeout();
    state.deadlineMs = static_cast<long>(TVqNet::GetNetConnectTimeout()) + 2L * state.readTimeoutMs;
    char errorBuffer[CURL_ERROR_SIZE] = {};

    std::unique_ptr<curl_slist, TSlistDeleter> headers;
    for (const std::string& header : request.headers) {
      curl_slist* next = curl_slist_append(headers.get(), header.c_str());
      if (next == nullptr) {
        reply.error = "组织HTTP请求时内存不足";
        return reply;
      }
      (void)headers.release();
      headers.reset(next);
    }

    curl_easy_setopt(h, CURLOPT_URL, request.url.c_str());
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_PROXY, "");  // no proxy from the environment
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, kMaxRedirects);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(TVqNet::GetNetConnectTimeout()));
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errorBuffer);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, OnBody);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &state);
    curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, OnHeader);
    curl_easy_setopt(h, CURLOPT_HEADERDATA, &state);
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, OnProgress);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, &state);
    if (request.http10) curl_easy_setopt(h, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_0));
    if (request.post) {
      curl_easy_setopt(h, CURLOPT_POST, 1L);
      curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.body.size()));
      curl_easy_setopt(h, CURLOPT_POSTFIELDS, request.body.data());
    }
    if (headers) curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get());
    if (!request.certFile.empty()) {
      curl_easy_setopt(h, CURLOPT_SSLCERT, request.certFile.c_str());
      curl_easy_setopt(h, CURLOPT_SSLCERTTYPE, "PEM");
      if (!request.keyFile.empty()) curl_easy_setopt(h, CURLOPT_SSLKEY, request.keyFile.c_str());
    }

    const CURLcode code = curl_easy_perform(h);
    if (code == CURLE_OK) {
      curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &reply.status);
      reply.answered = true;
      // A body without announced length grew by doubling; its spare room would be carried
      // through the whole reading of the reply.
      if (reply.body.capacity() - reply.body.size() > reply.body.size() / 4) reply.body.shrink_to_fit();
    } else {
      reply.error = RawError(code, h, state, errorBuffer);
    }
  } catch (const std::exception& e) {
    reply.answered = false;
    reply.error = e.what();
  }
  return reply;
}

}  // namespace tessaly::netdetail
