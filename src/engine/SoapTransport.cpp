#include "engine/SoapTransport.h"

#include <curl/curl.h>

#include <memory>
#include <mutex>
#include <string>

#include "foundation/VqNetUtil.h"

namespace tessaly {

namespace {

// curl_global_init is not safe to race with other threads' first handle; do it once here.
void EnsureCurlGlobal() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct TBodySink {
  std::string* body = nullptr;
  bool tooLarge = false;
  bool outOfMemory = false;
};

// Called from C: nothing may be thrown out of it. A short count ends the transfer.
size_t AppendBody(char* data, size_t size, size_t count, void* userdata) noexcept {
  auto* sink = static_cast<TBodySink*>(userdata);
  const std::size_t n = size * count;
  if (n > kNetMaxReplyBytes - sink->body->size()) {
    sink->tooLarge = true;
    return 0;
  }
  try {
    sink->body->append(data, n);
  } catch (...) {
    sink->outOfMemory = true;
    return 0;
  }
  return n;
}

struct CurlDeleter {
  void operator()(CURL* h) const { curl_easy_cleanup(h); }
};
struct SlistDeleter {
  void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};

// Appends one header line; the list keeps growing from the same head.
void AddHeader(std::unique_ptr<curl_slist, SlistDeleter>& list, const std::string& line) {
  curl_slist* grown = curl_slist_append(list.get(), line.c_str());
  if (grown == nullptr) throw ESoapError("组织HTTP请求时内存不足：" + line);
  list.release();
  list.reset(grown);
}

}  // namespace

TSoapTransport::TSoapTransport(TSoapTimeouts timeouts) : timeouts_(timeouts) {}

TSoapHttpReply TSoapTransport::Post(const std::string& url, const std::string& soapAction,
                                    const std::string& body) const {
  return Perform(url, &soapAction, &body);
}

TSoapHttpReply TSoapTransport::Get(const std::string& url) const { return Perform(url, nullptr, nullptr); }

TSoapHttpReply TSoapTransport::Perform(const std::string& url, const std::string* soapAction,
                                       const std::string* body) const {
  EnsureCurlGlobal();
  std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
  if (!curl) throw ESoapError("无法发起HTTP请求：" + url);
  CURL* h = curl.get();

  TSoapHttpReply reply;
  char errbuf[CURL_ERROR_SIZE] = {0};
  std::unique_ptr<curl_slist, SlistDeleter> headers;
  curl_easy_setopt(h, CURLOPT_URL, url.c_str());
  curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);  // time-outs without SIGALRM, safe in threads
  curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(timeouts_.ConnectMs));
  curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, static_cast<long>(timeouts_.TotalMs));
  curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errbuf);
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &AppendBody);
  TBodySink sink{&reply.Body};
  curl_easy_setopt(h, CURLOPT_WRITEDATA, &sink);
  if (body != nullptr) {
    curl_easy_setopt(h, CURLOPT_POST, 1L);
    curl_easy_setopt(h, CURLOPT_POSTFIELDS, body->data());
    curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body->size()));
    AddHeader(headers, "Content-Type: text/xml; charset=utf-8");
    AddHeader(headers, "SOAPAction: \"" + *soapAction + "\"");
    // Without this curl waits for "100 Continue" on larger bodies, which some servers never send.
    AddHeader(headers, "Expect:");
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get());
  }

  const CURLcode rc = curl_easy_perform(h);
  if (sink.tooLarge)
    throw ESoapError("服务器应答超过" + std::to_string(kNetMaxReplyBytes / (1024 * 1024)) + "MB：" + url);
  if (sink.outOfMemory) throw ESoapError("读取服务器应答时内存不足：" + url);
  if (rc != CURLE_OK) {
    const std::string why = errbuf[0] != '\0' ? errbuf : curl_easy_strerror(rc);
    // The shop reads the first words; the library's reason and the address are for support.
    if (rc == CURLE_OPERATION_TIMEDOUT) throw ESoapError("服务器应答超时（" + why + "）：" + url);
    throw ESoapError("无法连接服务器（" + why + "）：" + url);
  }
  curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &reply.Status);
  return reply;
}

}  // namespace tessaly
