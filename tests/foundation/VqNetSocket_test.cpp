#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "foundation/Logger.h"
#include "foundation/VqLibUtil.h"
#include "foundation/VqNetUtil.h"
#include "platform/TextCodec.h"
#include "support/CapturedLogView.h"
#include "support/FakeClock.h"
#include "support/FakePlatformServer.h"
#include "support/TempDir.h"

namespace {

namespace net = tessaly::TVqNet;
using vqtest::FakeReply;
using vqtest::RecordedRequest;

constexpr const char* kAccept = "text/html,application/json;q=0.9,*/*;q=0.8";
constexpr const char* kFormType = "application/x-www-form-urlencoded";

// The engine's setting (socket client), a clock that stands still, a logger in a temporary
// program folder with detailed logging off, and the fake platform.
class VqNetSocket : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { dir_ = std::make_unique<vqtest::TempProgramDir>(); }
  static void TearDownTestSuite() { dir_.reset(); }

  void SetUp() override {
    tessaly::NetClientMode = 0;
    tessaly::TvqLib::DetailLogEnabled = false;
    logger_ = std::make_unique<tessaly::TLogger>();
    logger_->SetLogFilenamePer("Tessaly");
    logger_->SetEnabled(true);
    view_ = std::make_shared<vqtest::CapturedLogView>();
    logger_->SetLogShower(view_);
    tessaly::Logger.store(logger_.get());
  }
  void TearDown() override {
    tessaly::Logger.store(nullptr);
    tessaly::NetClientMode = 1;
  }

  // The one request the server saw.
  RecordedRequest Only() {
    const auto all = server_.Requests();
    EXPECT_EQ(all.size(), 1u);
    return all.empty() ? RecordedRequest{} : all.front();
  }

  static inline std::unique_ptr<vqtest::TempProgramDir> dir_;
  vqtest::FakeClock clock_;
  vqtest::ScopedClock useClock_{clock_};
  std::unique_ptr<tessaly::TLogger> logger_;
  std::shared_ptr<vqtest::CapturedLogView> view_;
  vqtest::FakePlatformServer server_;
};

// A platform post reaches the server as an HTTP/1.0 form post: "json=" + the encoded JSON +
// "&md5=" + the digest, with the fixed Accept and Content-Type, and the signature checks out.
TEST_F(VqNetSocket, PlatformPostIsAnHttp10FormPostWithExactBody) {
  server_.SetDefault("Login.ashx", FakeReply::Json("{\"bResult\":true,\"errMsg\":\"\"}"));
  const std::string json = "{\"softid\":12,\"branch_no\":\"0001\"}";
  const std::string digest = "b03ae8bed35d3fd2482972df1a805059";  // MD5 of "@7290" + json
  std::string answer;
  ASSERT_EQ(net::Post(server_.url("Login.ashx"), "json=" + json + "\r\nmd5=" + digest, "", "", answer, 1), 1);
  EXPECT_EQ(answer, "{\"bResult\":true,\"errMsg\":\"\"}");

  const RecordedRequest r = Only();
  EXPECT_EQ(r.method, "POST");
  EXPECT_EQ(r.path, "Login.ashx");
  EXPECT_EQ(r.version, "HTTP/1.0");
  EXPECT_EQ(r.body, "json=%7B%22softid%22%3A12%2C%22branch_no%22%3A%220001%22%7D&md5=" + digest);
  EXPECT_EQ(r.header("Content-Type"), kFormType);
  EXPECT_EQ(r.header("Accept"), kAccept);
  ASSERT_EQ(r.fields.size(), 2u);
  EXPECT_EQ(r.fields[0], std::make_pair(std::string("json"), json));
  EXPECT_EQ(r.fields[1], std::make_pair(std::string("md5"), digest));
  EXPECT_TRUE(r.isSigned);
  EXPECT_TRUE(r.signatureValid);
}

// Blanks, Chinese text and the extra first field survive the round trip in field order; a
// wrong digest is told apart by the server.
TEST_F(VqNetSocket, FieldsRoundTripAndWrongSignatureIsSeen) {
  server_.SetDefault("wxDownloadPos.ashx", FakeReply::Json("[]"));
  const std::string json = "{\"softid\":12,\"name\":\"张 三+1\"}";
  std::string answer;
  ASSERT_EQ(net::HTTPPost(server_.url("wxDownloadPos.ashx"),
                          "action=vipinfo\r\njson=" + json + "\r\nmd5=" + vqtest::PlatformSignature(json), answer),
            1);
  ASSERT_EQ(net::HTTPPost(server_.url("wxDownloadPos.ashx"), "json=" + json + "\r\nmd5=0123", answer), 1);

  const auto all = server_.Requests();
  ASSERT_EQ(all.size(), 2u);
  ASSERT_EQ(all[0].fields.size(), 3u);
  EXPECT_EQ(all[0].fields[0], std::make_pair(std::string("action"), std::string("vipinfo")));
  EXPECT_EQ(all[0].field("json"), json);
  EXPECT_NE(all[0].body.find("%E5%BC%A0+%E4%B8%89%2B1"), std::string::npos) << all[0].body;
  EXPECT_TRUE(all[0].signatureValid);
  EXPECT_TRUE(all[1].isSigned);
  EXPECT_FALSE(all[1].signatureValid);
}

// A page of hundreds of rows makes a form body far above the 8 KiB that a plain form handler
// takes; it reaches the platform whole and signed.
TEST_F(VqNetSocket, LargeFormBodyArrivesWhole) {
  server_.SetDefault("UpTable.ashx", FakeReply::Json("{\"bResult\":true}"));
  std::string json = "{\"bi_item\":[";
  for (int i = 0; i < 2000; ++i) json += std::string(i ? "," : "") + "{\"item_no\":\"编号" + std::to_string(i) + "\"}";
  json += "]}";
  std::string answer;
  ASSERT_EQ(net::HTTPPost(server_.url("UpTable.ashx"), "json=" + json + "\r\nmd5=" + vqtest::PlatformSignature(json),
                          answer),
            1)
      << answer;
  const auto all = server_.Requests();
  ASSERT_EQ(all.size(), 1u);
  EXPECT_GT(all[0].body.size(), 100000u);
  EXPECT_EQ(all[0].field("json"), json);
  EXPECT_TRUE(all[0].signatureValid);
}

// A caller's content type replaces the form type; nothing else of the post changes.
TEST_F(VqNetSocket, GivenContentTypeReplacesTheFormType) {
  server_.SetDefault("p", FakeReply::Json("{}"));
  std::string answer;
  ASSERT_EQ(net::HTTPPost(server_.url("p"), "a=1 2", "", "", answer, "text/plain; charset=utf-8"), 1);
  const RecordedRequest r = Only();
  EXPECT_EQ(r.header("Content-Type"), "text/plain; charset=utf-8");
  EXPECT_EQ(r.body, "a=1+2");
  EXPECT_EQ(r.version, "HTTP/1.0");
}

// A GET goes out as HTTP/1.1 with the fixed Accept header and its query as given.
TEST_F(VqNetSocket, GetSendsAcceptAndQuery) {
  server_.SetDefault("GetSysParm/", FakeReply::Json("{\"ok\":1}"));
  std::string answer;
  ASSERT_EQ(net::Get(server_.url("GetSysParm/?db=A1&x=2"), answer, 1), 1);
  EXPECT_EQ(answer, "{\"ok\":1}");
  const RecordedRequest r = Only();
  EXPECT_EQ(r.method, "GET");
  EXPECT_EQ(r.path, "GetSysParm/");
  EXPECT_EQ(r.query, "db=A1&x=2");
  EXPECT_EQ(r.version, "HTTP/1.1");
  EXPECT_EQ(r.header("Accept"), kAccept);
}

// The answer is decoded by the charset it declares; without one it is taken as UTF-8.
TEST_F(VqNetSocket, AnswerIsDecodedByItsDeclaredCharset) {
  struct Case {
    std::string contentType;
    std::string body;
    std::string text;
  };
  const Case cases[] = {
      {"application/json; charset=utf-8", "{\"n\":\"中文\"}", "{\"n\":\"中文\"}"},
      {"application/json; charset=UTF-8", "中文", "中文"},
      {"text/html; charset=GBK", platform::Utf8ToCp936("{\"n\":\"中文\"}"), "{\"n\":\"中文\"}"},
      {"text/html; charset=\"gb2312\"", platform::Utf8ToCp936("门店"), "门店"},
      {"text/plain; charset=ISO-8859-1", "caf\xe9", "café"},
      {"application/json", "{\"n\":\"中文\"}", "{\"n\":\"中文\"}"},
      {"", "中文", "中文"},
      {"application/json; charset=utf-8", "a\xff" "b", "a\xEF\xBF\xBD" "b"},
  };
  for (const Case& c : cases) {
    server_.SetDefault("c", FakeReply::Text(200, c.body, c.contentType));
    std::string get;
    ASSERT_EQ(net::HTTPGet(server_.url("c"), get), 1) << c.contentType;
    EXPECT_EQ(get, c.text) << c.contentType;
    std::string post;
    ASSERT_EQ(net::HTTPPost(server_.url("c"), "a=1", post), 1) << c.contentType;
    EXPECT_EQ(post, c.text) << c.contentType;
  }
}

// Redirects are followed up to 15 in a row; the 16th is a failure.
TEST_F(VqNetSocket, FollowsAtMostFifteenRedirects) {
  for (int i = 0; i < 16; ++i) {
    server_.SetDefault("r" + std::to_string(i), FakeReply::Redirect(302, "/r" + std::to_string(i + 1)));
  }
  server_.SetDefault("r16", FakeReply::Json("{\"end\":16}"));
  std::string answer;
  EXPECT_EQ(net::HTTPGet(server_.url("r1"), answer), 1);  // 15 redirects
  EXPECT_EQ(answer, "{\"end\":16}");
  EXPECT_EQ(net::HTTPGet(server_.url("r0"), answer), 0);  // 16 redirects
  EXPECT_EQ(answer.rfind("网络错误", 0), 0u) << answer;
  EXPECT_EQ(server_.RequestsTo("r16").size(), 1u);
}

// The stream post sends the text itself in the ANSI code page: no form encoding, no
// Content-Type unless given, and the form type as Accept.
TEST_F(VqNetSocket, StreamPostSendsRawAnsiText) {
  server_.SetDefault("s", FakeReply::Json("{}"));
  std::string answer;
  ASSERT_EQ(net::PostStream(server_.url("s"), "<x a=\"1 2\">门店</x>", answer, 1), 1);
  ASSERT_EQ(net::HTTPPostStream(server_.url("s"), "a b", "", "", answer, "text/xml"), 1);
  const auto all = server_.Requests();
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(all[0].body, platform::Utf8ToCp936("<x a=\"1 2\">门店</x>"));
  EXPECT_FALSE(all[0].hasHeader("Content-Type"));
  EXPECT_EQ(all[0].header("Accept"), kFormType);
  EXPECT_EQ(all[0].version, "HTTP/1.0");
  EXPECT_EQ(all[1].body, "a b");
  EXPECT_EQ(all[1].header("Content-Type"), "text/xml");
}

// A client certificate that cannot be loaded fails the request when it connects, as a failure
// with its text; an empty certificate means a plain post.
TEST_F(VqNetSocket, MissingClientCertificateFailsTheTlsRequest) {
  server_.SetDefault("p", FakeReply::Json("{}"));
  const std::string tlsUrl = "https://127.0.0.1:" + std::to_string(server_.port()) + "/p";
  std::string answer;
  EXPECT_EQ(net::Post(tlsUrl, "a=1", dir_->file("none.pem"), dir_->file("none.key"), answer, 1), 0);
  EXPECT_EQ(answer.rfind("网络错误", 0), 0u) << answer;
  EXPECT_GT(answer.size(), std::string("网络错误").size());
  EXPECT_EQ(net::Post(server_.url("p"), "a=1", "", "", answer, 1), 1);
  EXPECT_EQ(answer, "{}");
}

// A good GET writes one timing line at level 0 though detailed logging is off; posts and
// failures write none.
TEST_F(VqNetSocket, OnlyAGoodGetWritesATimingLine) {
  server_.SetDefault("ok", FakeReply::Json("{}"));
  server_.SetDefault("bad", FakeReply::Status(404));
  std::string answer;
  ASSERT_EQ(net::HTTPPost(server_.url("ok"), "a=1", answer), 1);
  ASSERT_EQ(net::HTTPGet(server_.url("bad"), answer), 0);
  EXPECT_TRUE(view_->Lines().empty());
  ASSERT_EQ(net::HTTPGet(server_.url("ok"), answer), 1);
  ASSERT_EQ(view_->Lines().size(), 1u);
  EXPECT_EQ(view_->Lines()[0], "09:00:00 [Net]Net.HTTPGet -> 0ms");

  std::string file;
  for (const auto& entry : std::filesystem::directory_iterator(dir_->file("log"))) {
    file += vqtest::ReadFileBytes(entry.path().string());
  }
  EXPECT_NE(file.find("[消息] [Net]Net.HTTPGet -> 0ms\r\n"), std::string::npos) << file;
}

// A timing line that cannot be written leaves the good answer good.
TEST_F(VqNetSocket, FailingTimingLineDoesNotFailTheRequest) {
  logger_->SetLogShower(std::make_shared<vqtest::CapturedLogView>("TLabel"));  // every WriteLog now throws
  EXPECT_THROW(logger_->WriteLog("probe", 0), std::exception);
  server_.SetDefault("ok", FakeReply::Json("{\"v\":1}"));
  std::string answer;
  EXPECT_EQ(net::HTTPGet(server_.url("ok"), answer), 1);
  EXPECT_EQ(answer, "{\"v\":1}");
  EXPECT_NO_THROW(net::NetLog("x", 0));
}

// Requests on several threads at once each get their own answer.
TEST_F(VqNetSocket, ConcurrentRequestsKeepTheirOwnAnswers) {
  constexpr int kThreads = 8;
  constexpr int kRounds = 5;
  for (int i = 0; i < kThreads; ++i) server_.SetDefault("t" + std::to_string(i), FakeReply::Json(std::to_string(i)));
  std::atomic<int> wrong{0};
  std::vector<std::thread> threads;
  for (int i = 0; i < kThreads; ++i) {
    threads.emplace_back([&, i] {
      for (int round = 0; round < kRounds; ++round) {
        std::string answer;
        const int result = net::Post(server_.url("t" + std::to_string(i)), "i=" + std::to_string(i), answer, 1);
        if (result != 1 || answer != std::to_string(i)) ++wrong;
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(wrong.load(), 0);
  EXPECT_EQ(server_.Requests().size(), static_cast<std::size_t>(kThreads * kRounds));
}

// The configured time-outs are used only above their lower bounds of 15 s and 30 s.
TEST(VqNetTimeouts, EffectiveValuesHaveLowerBounds) {
  struct Case {
    int configured;
    int connect;
    int read;
  };
  const Case cases[] = {{0, 15000, 30000},        {1000, 15000, 30000},   {5000, 15000, 30000},
                        {15000, 15000, 30000},    {20000, 20000, 30000},  {30000, 30000, 30000},
                        {600000, 600000, 600000}, {-1, 15000, 30000}};
  for (const Case& c : cases) {
    tessaly::NetConnectTimeout = c.configured;
    tessaly::NetReadTimeout = c.configured;
    EXPECT_EQ(net::GetNetConnectTimeout(), c.connect) << c.configured;
    EXPECT_EQ(net::GetNetReadTimeout(), c.read) << c.configured;
  }
  tessaly::NetConnectTimeout = 15000;
  tessaly::NetReadTimeout = 600000;
}

// The module starts with the platform client, pumping allowed, 15 s and 600 s, and no main thread.
TEST(VqNetTimeouts, GlobalsStartWithTheirInitialValues) {
  EXPECT_EQ(tessaly::NetClientMode.load(), 1);
  EXPECT_EQ(tessaly::NetSyncMode.load(), 1);
  EXPECT_EQ(tessaly::NetConnectTimeout.load(), 15000);
  EXPECT_EQ(tessaly::NetReadTimeout.load(), 600000);
  EXPECT_EQ(tessaly::NetMainThreadId.load(), std::thread::id());
}

// The retired transport does nothing and leaves the caller's text alone.
TEST(VqNetStubs, RetiredTransportReturnsZeroAndLeavesTheAnswer) {
  std::string answer = "as passed";
  EXPECT_EQ(net::ICSGet("http://127.0.0.1:1/", answer), 0);
  EXPECT_EQ(net::ICSPost("http://127.0.0.1:1/", "a=1", answer), 0);
  EXPECT_EQ(net::ICSPost("http://127.0.0.1:1/", "a=1", "c.pem", "k.pem", answer), 0);
  EXPECT_EQ(answer, "as passed");
}

}  // namespace
