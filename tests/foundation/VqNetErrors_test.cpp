#include <gtest/gtest.h>

#include <cstdint>
#include <regex>
#include <string>

#include "foundation/VqNetUtil.h"
#include "platform/TextCodec.h"
#include "support/FakeClock.h"
#include "support/FakePlatformServer.h"
#include "support/RefusedPort.h"

namespace {

namespace net = tessaly::TVqNet;
using vqtest::FakeReply;

const std::string kRefused = "Socket Error # 10061\r\nConnection refused.";
const std::string kReset = "Socket Error # 10054\r\nConnection reset by peer.";
const std::string kNoRoute = "Socket Error # 10065\r\nNo route to host.";
const std::string kNoHost = "Socket Error # 11001\r\nHost not found.";

struct RawCase {
  std::string raw;
  std::string kind;
};

// Every condition the clients report, with the kind the user is told. Tests are case-sensitive
// and a later test replaces an earlier hit, whatever the position in the message.
const RawCase kRawCases[] = {
    {kRefused, "网络连接失败"},
    {kReset, "网络连接失败"},
    {kNoRoute, "网络连接失败"},
    {kNoHost, "网络连接失败"},
    {"Connect timed out.", "网络连接超时"},
    {"Connect time out", "网络连接超时"},
    {"Connection Closed Gracefully.", "服务器繁忙连接被中断"},
    {"Read timed out.", "网络错误"},
    {"HTTP/1.1 404 Not Found", "网络错误"},
    {"HTTP/1.1 500 Internal Server Error", "网络错误"},
    {"", "网络错误"},
    {"socket error # 10061", "网络错误"},
    {"connect timed out.", "网络错误"},
    {"Socket Error # 10060\r\nConnect timed out.", "网络连接超时"},
    {"Connect timed out. Socket Error", "网络连接超时"},
    {"Connection Closed Gracefully. Socket Error # 10054", "服务器繁忙连接被中断"},
};

struct UrlCase {
  std::string url;
  std::string prefix;
};

std::string At(const char* host) { return std::string("http://api.") + host + "/pay?x=1"; }

const UrlCase kUrlCases[] = {
    {"http://127.0.0.1:9103/Login.ashx", ""},
    {At(tessaly::kNetLeposHost), "请求[lepos]"},
    {At(tessaly::kNetMeituanDomain), "请求[美团]"},
    {platform::AsciiUpper(At(tessaly::kNetMeituanDomain)), "请求[美团]"},
    {At(tessaly::kNetBestPayDomain), "请求[翼支付]"},
    {At(tessaly::kNetMeituanDomain) + "&back=" + tessaly::kNetBestPayDomain, "请求[翼支付]"},
    {At(tessaly::kNetBestPayDomain) + "&back=" + tessaly::kNetMeituanDomain, "请求[翼支付]"},
    {At(tessaly::kNetLeposHost) + "&back=" + tessaly::kNetMeituanDomain, "请求[美团]"},
};

// Kind, then the service and the milliseconds only when time has passed, then the raw message.
TEST(VqNetErrors, MapNetErrorBuildsKindPrefixElapsedAndRawMessage) {
  for (const RawCase& r : kRawCases) {
    for (const UrlCase& u : kUrlCases) {
      for (const std::int64_t elapsed : {std::int64_t{0}, std::int64_t{-3}, std::int64_t{1016}}) {
        std::string text = "old";
        net::MapNetError(u.url, r.raw, text, elapsed);
        const std::string expected =
            (elapsed > 0 ? u.prefix + r.kind + "[" + std::to_string(elapsed) + "毫秒]" : r.kind) + r.raw;
        EXPECT_EQ(text, expected) << "raw: " << r.raw << " url: " << u.url << " elapsed: " << elapsed;
      }
    }
  }
}

// The example users see for a refused platform connection after 1016 ms, as one text.
TEST(VqNetErrors, RefusedPlatformConnectionReadsAsOneText) {
  std::string text;
  net::MapNetError("http://127.0.0.1:9103/UpTable.ashx", kRefused, text, 1016);
  EXPECT_EQ(text, "网络连接失败[1016毫秒]Socket Error # 10061\r\nConnection refused.");
}

// Real failures of the socket client, with a clock that stands still (elapsed 0) so the texts
// are exact, and time-outs lowered so they pass in about a second.
class VqNetRealErrors : public ::testing::Test {
 protected:
  void SetUp() override {
    tessaly::SetNetTimeoutFloorsForTests(50, 200);
    tessaly::NetConnectTimeout = 300;
    tessaly::NetReadTimeout = 200;
  }
  void TearDown() override {
    tessaly::SetNetTimeoutFloorsForTests(15000, 30000);
    tessaly::NetConnectTimeout = 15000;
    tessaly::NetReadTimeout = 600000;
  }

  // The error text of a GET and of a form post to `url`; both must fail.
  void ExpectBothFail(const std::string& url, const std::string& expected) {
    std::string get;
    EXPECT_EQ(net::HTTPGet(url, get), 0);
    EXPECT_EQ(get, expected) << "GET " << url;
    std::string post;
    EXPECT_EQ(net::HTTPPost(url, "json={}\r\nmd5=00", post), 0);
    EXPECT_EQ(post, expected) << "POST " << url;
  }

  vqtest::FakeClock clock_;
  vqtest::ScopedClock useClock_{clock_};
  vqtest::FakePlatformServer server_;
};

// A port nobody listens on is a refused socket connection.
TEST_F(VqNetRealErrors, RefusedPortIsASocketError) {
  ExpectBothFail("http://127.0.0.1:" + std::to_string(vqtest::RefusedPort()) + "/Login.ashx",
                 "网络连接失败" + kRefused);
}

// An error status fails with the status line as the raw message; the body is not handed back.
TEST_F(VqNetRealErrors, ErrorStatusFailsWithItsStatusLine) {
  server_.SetDefault("Missing.ashx", FakeReply::Status(404));
  ExpectBothFail(server_.url("Missing.ashx"), "网络错误HTTP/1.1 404 Not Found");
  server_.SetDefault("Broken.ashx", FakeReply::Text(500, "{\"bResult\":true}", "application/json"));
  ExpectBothFail(server_.url("Broken.ashx"), "网络错误HTTP/1.1 500 Internal Server Error");
}

// A server that takes the request and closes without a word has "closed gracefully".
TEST_F(VqNetRealErrors, CloseWithoutAnswerIsAGracefulClose) {
  server_.SetDefault("UpTable.ashx", FakeReply::CloseWithoutAnswer());
  ExpectBothFail(server_.url("UpTable.ashx"), "服务器繁忙连接被中断Connection Closed Gracefully.");
}

// A reset after the request is a socket error of its own code.
TEST_F(VqNetRealErrors, ResetIsASocketError) {
  server_.SetDefault("UpTable.ashx", FakeReply::Reset());
  ExpectBothFail(server_.url("UpTable.ashx"), "网络连接失败" + kReset);
}

// A body without end stops at the reply cap, and one dripping a byte now and then (never idle
// for the read time-out) stops at the request's deadline, connect time-out + 2 x read time-out:
// both are network errors with a readable reason, on both clients.
TEST_F(VqNetRealErrors, EndlessAndDrippingRepliesEndAsNetworkErrors) {
  struct Case {
    FakeReply reply;
    int readTimeoutMs;  // long enough for 64 MB to pass on loopback, or short for the deadline
    std::string expected;
  } cases[] = {
      {FakeReply::Endless(), 30000, "网络错误服务器应答超过64MB"},
      {FakeReply::Drip(20), 200, "网络错误服务器应答未在700毫秒内收完"},
  };
  for (const auto& c : cases) {
    tessaly::NetReadTimeout = c.readTimeoutMs;
    server_.SetDefault("DownloadPos.ashx", c.reply);
    ExpectBothFail(server_.url("DownloadPos.ashx"), c.expected);
    std::string answer;
    EXPECT_EQ(net::NetGet(server_.url("DownloadPos.ashx"), answer), 0);
    EXPECT_EQ(answer, c.expected);
    EXPECT_EQ(net::NetPost(server_.url("DownloadPos.ashx"), "{}", answer), 0);
    EXPECT_EQ(answer, c.expected);
  }
}

// An answer slower than the read time-out is a plain network error.
TEST_F(VqNetRealErrors, SlowAnswerIsAReadTimeOut) {
  server_.SetDefault("DownloadPos.ashx", FakeReply::Slow(20000, FakeReply::Json("{}")));
  ExpectBothFail(server_.url("DownloadPos.ashx"), "网络错误服务器应答超时（Read timed out.）");
}

// A connection attempt that gets no answer runs into the connect time-out.
TEST_F(VqNetRealErrors, UnansweredConnectIsAConnectTimeOut) {
  vqtest::StalledListener stalled;
  ExpectBothFail("http://127.0.0.1:" + std::to_string(stalled.port()) + "/Login.ashx",
                 "网络连接超时Connect timed out.");
}

// With the real clock the elapsed milliseconds appear in brackets once any time has passed.
TEST(VqNetErrorsRealClock, ElapsedTimeIsShownWhenItPassed) {
  tessaly::SetNetTimeoutFloorsForTests(50, 200);
  tessaly::NetReadTimeout = 200;
  vqtest::FakePlatformServer server;
  server.SetDefault("Slow.ashx", FakeReply::Slow(20000, FakeReply::Json("{}")));
  std::string text;
  EXPECT_EQ(net::HTTPGet(server.url("Slow.ashx"), text), 0);
  tessaly::SetNetTimeoutFloorsForTests(15000, 30000);
  tessaly::NetReadTimeout = 600000;
  EXPECT_TRUE(std::regex_match(text, std::regex("网络错误\\[[1-9][0-9]*毫秒\\]服务器应答超时（Read timed out\\.）")))
      << text;
}

}  // namespace
