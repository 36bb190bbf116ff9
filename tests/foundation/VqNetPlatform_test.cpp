#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "foundation/Logger.h"
#include "foundation/VqNetUtil.h"
#include "support/CapturedLogView.h"
#include "support/FakeClock.h"
#include "support/FakePlatformServer.h"
#include "support/RefusedPort.h"
#include "support/TempDir.h"

namespace {

namespace net = tessaly::TVqNet;
using vqtest::FakeReply;

// The platform-client road (the module's initial mode 1) against the fake platform, with a
// clock that stands still and a logger that shows its lines.
class VqNetPlatform : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { dir_ = std::make_unique<vqtest::TempProgramDir>(); }
  static void TearDownTestSuite() { dir_.reset(); }
  void SetUp() override {
    ASSERT_EQ(tessaly::NetClientMode.load(), 1);
    logger_.SetEnabled(true);
    logger_.SetLogShower(view_);
    tessaly::Logger.store(&logger_);
  }
  void TearDown() override {
    tessaly::Logger.store(nullptr);
    tessaly::NetClientMode = 1;
  }

  static inline std::unique_ptr<vqtest::TempProgramDir> dir_;
  vqtest::FakeClock clock_;
  vqtest::ScopedClock useClock_{clock_};
  tessaly::TLogger logger_;
  std::shared_ptr<vqtest::CapturedLogView> view_ = std::make_shared<vqtest::CapturedLogView>();
  vqtest::FakePlatformServer server_;
};

// Any status is an answer, URL-decoded, and a timing line follows.
TEST_F(VqNetPlatform, GetTakesAnyStatusAndUrlDecodesTheAnswer) {
  server_.SetDefault("a", FakeReply::Text(200, "x+y%E4%B8%AD%2B", "text/plain"));
  server_.SetDefault("gone", FakeReply::Text(404, "not+here", "text/plain"));
  std::string answer;
  ASSERT_EQ(net::NetGet(server_.url("a"), answer), 1);
  EXPECT_EQ(answer, "x y中+");
  ASSERT_EQ(net::NetGet(server_.url("gone"), answer), 1);
  EXPECT_EQ(answer, "not here");
  ASSERT_EQ(view_->Lines().size(), 2u);
  EXPECT_EQ(view_->Lines()[0], "09:00:00 [Net]Net.NetGet -> 0ms");
}

// The post body goes out unchanged, without a Content-Type, and the certificate is not used.
TEST_F(VqNetPlatform, PostSendsTheParameterTextUnchanged) {
  server_.SetDefault("UpTable.ashx", FakeReply::Json("{\"bResult\":true}"));
  const std::string param = "json={\"a\":\"b c\"}\r\nmd5=00ff";
  std::string answer;
  ASSERT_EQ(net::NetPost(server_.url("UpTable.ashx"), param, "/missing/cert.pem", "/missing/key.pem", answer), 1);
  EXPECT_EQ(answer, "{\"bResult\":true}");
  const auto all = server_.Requests();
  ASSERT_EQ(all.size(), 1u);
  EXPECT_EQ(all[0].method, "POST");
  EXPECT_EQ(all[0].body, param);
  EXPECT_FALSE(all[0].hasHeader("Content-Type"));
  ASSERT_EQ(view_->Lines().size(), 1u);
  EXPECT_EQ(view_->Lines()[0], "09:00:00 [Net]Net.NetPost -> 0ms");
}

// The stream form: 200 gives 1 with the bytes; another status gives 2 and the decoded text too.
TEST_F(VqNetPlatform, StreamGetTellsOkFromOtherStatuses) {
  server_.SetDefault("ok", FakeReply::Text(200, "a+b", "text/plain"));
  server_.SetDefault("moved", FakeReply::Text(500, "busy+now", "text/plain"));
  std::string bytes = "old";
  std::string text = "untouched";
  ASSERT_EQ(net::NetGet(server_.url("ok"), bytes, text), 1);
  EXPECT_EQ(bytes, "a+b");
  EXPECT_EQ(text, "untouched");
  ASSERT_EQ(net::NetGet(server_.url("moved"), bytes, text), 2);
  EXPECT_EQ(bytes, "busy+now");
  EXPECT_EQ(text, "busy now");
  EXPECT_EQ(net::NetGet("http://127.0.0.1:" + std::to_string(vqtest::RefusedPort()) + "/", bytes, text), 0);
  EXPECT_EQ(text, "网络连接失败Socket Error # 10061\r\nConnection refused.");
  ASSERT_EQ(view_->Lines().size(), 2u);
  EXPECT_EQ(view_->Lines()[1], "09:00:00 [Net]Net.NetGetStream -> 0ms");
}

// Transport failures read the same as on the socket client, and log nothing.
TEST_F(VqNetPlatform, FailuresUseTheSocketClientsWording) {
  server_.SetDefault("close", FakeReply::CloseWithoutAnswer());
  std::string answer;
  EXPECT_EQ(net::NetGet(server_.url("close"), answer), 0);
  EXPECT_EQ(answer, "服务器繁忙连接被中断Connection Closed Gracefully.");
  EXPECT_EQ(net::NetPost("http://127.0.0.1:" + std::to_string(vqtest::RefusedPort()) + "/", "a=1", answer), 0);
  EXPECT_EQ(answer, "网络连接失败Socket Error # 10061\r\nConnection refused.");
  EXPECT_TRUE(view_->Lines().empty());
}

// NetClientMode picks the road of Get and Post: 1 the platform client, anything else the socket
// client (seen in how a "+" of the answer and the post body come out).
TEST_F(VqNetPlatform, ClientModeChoosesTheRoad) {
  server_.SetDefault("p", FakeReply::Text(200, "1+1", "text/plain"));
  struct Case {
    int mode;
    std::string answer;
    std::string body;
  };
  const Case cases[] = {{1, "1 1", "a=b c"}, {0, "1+1", "a=b+c"}, {2, "1+1", "a=b+c"}};
  for (const Case& c : cases) {
    tessaly::NetClientMode = c.mode;
    std::string get;
    std::string post;
    ASSERT_EQ(net::Get(server_.url("p"), get, 1), 1);
    ASSERT_EQ(net::Post(server_.url("p"), "a=b c", post, 1), 1);
    EXPECT_EQ(get, c.answer) << c.mode;
    EXPECT_EQ(post, c.answer) << c.mode;
    EXPECT_EQ(server_.Requests().back().body, c.body) << c.mode;
  }
}

// PostStream is always the socket client's stream post, whatever the mode.
TEST_F(VqNetPlatform, PostStreamIgnoresClientMode) {
  server_.SetDefault("s", FakeReply::Text(200, "1+1", "text/plain"));
  std::string answer;
  ASSERT_EQ(net::PostStream(server_.url("s"), "x y", answer, 1), 1);
  EXPECT_EQ(answer, "1+1");
  EXPECT_EQ(server_.Requests().back().version, "HTTP/1.0");
}

}  // namespace
