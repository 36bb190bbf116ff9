#pragma once
// The agent's one road to HTTP (module VqNetUtil). Each call performs one GET or POST on the
// calling thread, waits for it, and hands back the answer text or a user-readable error text:
// result 1 = success (aRespond holds the answer body as UTF-8), 0 = failure (aRespond holds the
// MapNetError text). The message-pumping variants add -1 = no answer within their wait bound.
//
// Two transports, both over libcurl: the socket client (HTTPGet, HTTPPost, HTTPPostStream), and
// the platform client (NetGet, NetPost), which keeps its own rules: the status is not examined
// and the answer is URL-decoded. NetClientMode chooses between them for Get and Post.
//
// Threads: every request function may be called from any thread at once; each call makes and
// frees its own connection, so no connection, cookie or TLS session is shared. Nothing here
// throws: every error becomes result 0 and its text.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>

namespace tessaly {

// 1: Get and Post use the platform client; any other value: the socket client. The engine sets 0
// when it is created, before any request.
extern std::atomic<int> NetClientMode;     // initially 1
// 1: the message-pumping variants may be chosen for calls on NetMainThreadId.
extern std::atomic<int> NetSyncMode;       // initially 1
// Connect time-out in ms; at least 15000 is used (GetNetConnectTimeout).
extern std::atomic<int> NetConnectTimeout;  // initially 15000
// Read time-out of the socket client and response time-out of the platform client, in ms: the
// longest pause allowed while waiting for answer bytes; at least 30000 is used.
extern std::atomic<int> NetReadTimeout;     // initially 600000
// The thread on which Get/Post/PostStream pump messages. Nothing in the agent assigns it, and the
// default id is no thread's, so every request runs directly on the calling thread.
extern std::atomic<std::thread::id> NetMainThreadId;

// Processes the UI's pending window messages once. The shell registers one at start-up; without
// one the message-pumping variants simply wait. Called only on the thread running the variant.
using TNetMessagePump = std::function<void()>;
void SetNetMessagePump(TNetMessagePump pump);  // an empty function removes it

// Test seam: the lower bounds of the effective time-outs (15000 and 30000 in the program), so
// tests can run real time-outs against loopback servers in well under a second.
void SetNetTimeoutFloorsForTests(int connectMs, int readMs);

// The most bytes one request takes in (headers and bodies of a redirect chain together), for
// every HTTP client of the programs; a platform page is a few megabytes at most. A longer reply
// ends as a network error.
inline constexpr std::size_t kNetMaxReplyBytes = 64u * 1024u * 1024u;

// Host-name fragments recognised in request addresses to name the service in an error text.
inline constexpr const char* kNetLeposHost = "lepos.cn";
inline constexpr const char* kNetMeituanDomain = "meituan.com";
inline constexpr const char* kNetBestPayDomain = "bestpay.com.cn";

namespace TVqNet {

// `aParam` of the form posts: lines (CR LF, LF or CR) of name "=" value; each becomes one form
// field. `aCertFile`/`aKeyFile`: PEM client certificate and its private key for TLS, empty for none.

// Dispatch: with aSyncTag != 0 on NetMainThreadId and NetSyncMode = 1 the message-pumping
// variant; otherwise NetClientMode = 1 the platform client, else the socket client.
[[nodiscard]] int Get(const std::string& aUrl, std::string& aRespond, int aSyncTag);
[[nodiscard]] int Post(const std::string& aUrl, const std::string& aParam, const std::string& aCertFile,
                       const std::string& aKeyFile, std::string& aRespond, int aSyncTag);
[[nodiscard]] int Post(const std::string& aUrl, const std::string& aParam, std::string& aRespond, int aSyncTag);
// Always the socket client's stream post (the message-pumping one on the main thread).
[[nodiscard]] int PostStream(const std::string& aUrl, const std::string& aParam, const std::string& aCertFile,
                             const std::string& aKeyFile, std::string& aRespond, int aSyncTag);
[[nodiscard]] int PostStream(const std::string& aUrl, const std::string& aParam, std::string& aRespond,
                             int aSyncTag);

// Socket client. Redirects are followed (at most 15); a status of 400 or more is a failure whose
// raw message is the status line. The body is decoded by the charset the answer declares (GBK
// family through the code-page helper; none declared: UTF-8). Only HTTPGet logs a timing line.
[[nodiscard]] int HTTPGet(const std::string& aUrl, std::string& aRespond);
// HTTP/1.0 form post; Content-Type aContentType, or "application/x-www-form-urlencoded" when empty.
[[nodiscard]] int HTTPPost(const std::string& aUrl, const std::string& aParam, const std::string& aCertFile,
                           const std::string& aKeyFile, std::string& aRespond, const std::string& aContentType);
[[nodiscard]] int HTTPPost(const std::string& aUrl, const std::string& aParam, std::string& aRespond);
// HTTP/1.0 post of aParam as one text in the ANSI code page (GBK), not form-encoded; Content-Type
// aContentType, or none when empty.
[[nodiscard]] int HTTPPostStream(const std::string& aUrl, const std::string& aParam, const std::string& aCertFile,
                                 const std::string& aKeyFile, std::string& aRespond,
                                 const std::string& aContentType);

// Platform client: any status is an answer; the answer, read as UTF-8, is URL-decoded.
[[nodiscard]] int NetGet(const std::string& aUrl, std::string& aRespond);
// The answer bytes go to aStreamRespond (replacing its content). Status 200: 1. Any other status:
// 2, and the URL-decoded bytes also go to aStrRespond. Failure: 0, the error text in aStrRespond.
[[nodiscard]] int NetGet(const std::string& aUrl, std::string& aStreamRespond, std::string& aStrRespond);
// Posts aParam as UTF-8, unchanged, without a Content-Type; certificate and key are not used.
[[nodiscard]] int NetPost(const std::string& aUrl, const std::string& aParam, const std::string& aCertFile,
                          const std::string& aKeyFile, std::string& aRespond);
[[nodiscard]] int NetPost(const std::string& aUrl, const std::string& aParam, std::string& aRespond);

// Message-pumping variants: run the request on a thread of its own and pump the registered hook
// every 100 ms until it ends, at most (2 x connect + read time-out) / 100 + 1 rounds. Each call
// has its own result, so an answer that arrives after its caller gave up reaches nobody.
[[nodiscard]] int SyncGet(const std::string& aUrl, std::string& aRespond);
[[nodiscard]] int SyncPost(const std::string& aUrl, const std::string& aParam, const std::string& aCertFile,
                           const std::string& aKeyFile, std::string& aRespond);
[[nodiscard]] int SyncPost(const std::string& aUrl, const std::string& aParam, std::string& aRespond);
// aContentType is not used: the stream post is sent without a Content-Type.
[[nodiscard]] int SyncPostStream(const std::string& aUrl, const std::string& aParam, const std::string& aCertFile,
                                 const std::string& aKeyFile, std::string& aRespond,
                                 const std::string& aContentType);
[[nodiscard]] int SyncPostStream(const std::string& aUrl, const std::string& aParam, std::string& aRespond);

// Retired transport: always 0, aRespond untouched.
[[nodiscard]] int ICSGet(const std::string& aUrl, std::string& aRespond);
[[nodiscard]] int ICSPost(const std::string& aUrl, const std::string& aParam, const std::string& aCertFile,
                          const std::string& aKeyFile, std::string& aRespond);
[[nodiscard]] int ICSPost(const std::string& aUrl, const std::string& aParam, std::string& aRespond);

// aXmlData as an XML document declared with version "1.0" and encoding "UTF-8": the line
// <?xml version="1.0" encoding="UTF-8"?>, a line feed, then the markup as loaded (elements,
// attributes, text and white space inside elements, comments, processing instructions, a
// document type; a declaration of its own is replaced; no byte-order mark). Text that is not
// well-formed XML, or holds no element, gives "" and a log line (detailed logging). Never throws.
[[nodiscard]] std::string CreateBomXML(const std::string& aXmlData);

// Internals, open to tests.

// Writes "[Net]" + aText at aLevel straight to the global logger, whatever the detailed-logging
// switch says. Never fails: a line that cannot be written is dropped.
void NetLog(const std::string& aText, int aLevel);
// The user-readable error text: kind (from aError) and, when aElapsed > 0, the service prefix
// (from aUrl) and "[" aElapsed "毫秒]", then aError itself.
void MapNetError(const std::string& aUrl, const std::string& aError, std::string& aResult, std::int64_t aElapsed);
[[nodiscard]] int GetNetConnectTimeout();
[[nodiscard]] int GetNetReadTimeout();

// Form encoding of UTF-8 bytes: ASCII letters, digits and "*-._" stay, a blank becomes "+",
// every other byte "%" and two upper-case hex digits.
[[nodiscard]] std::string FormEncode(const std::string& aText);
// The form body of aParam's lines: "name=value" pairs, each side encoded, joined by "&".
[[nodiscard]] std::string FormBody(const std::string& aParam);
// "+" becomes a blank and "%XX" a byte; a "%" without two hex digits stays as it is.
[[nodiscard]] std::string UrlDecode(const std::string& aText);

}  // namespace TVqNet
}  // namespace tessaly
