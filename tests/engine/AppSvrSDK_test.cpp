#include "engine/AppSvrSDK.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "foundation/DateTime.h"
#include "foundation/Logger.h"
#include "foundation/VqLibUtil.h"
#include "foundation/VqNetUtil.h"
#include "support/CapturedLogView.h"
#include "support/FakePlatformServer.h"
#include "support/MachineRootFixture.h"
#include "support/RefusedPort.h"
#include "support/TempDir.h"

namespace tessaly {
namespace {

using vqtest::FakeReply;
using vqtest::RecordedRequest;
using Fields = std::vector<std::pair<std::string, std::string>>;

// A program folder whose Tessaly.ini points the client at the fake platform, the engine's
// socket client, detailed logging on and a logger whose view the test reads.
class AppSvrSDK : public ::testing::Test {
 protected:
  void SetUp() override {
    NetClientMode = 0;
    TvqLib::DetailLogEnabled = true;
    SetIni("SpfHostUrl=" + server_.baseUrl() + "\r\n");
    logger_ = std::make_unique<TLogger>();
    logger_->SetLogFilenamePer("Tessaly");
    logger_->SetEnabled(true);
    view_ = std::make_shared<vqtest::CapturedLogView>();
    logger_->SetLogShower(view_);
    Logger.store(logger_.get());
  }
  void TearDown() override {
    Logger.store(nullptr);
    TvqLib::DetailLogEnabled = false;
    NetClientMode = 1;
  }

  void SetIni(const std::string& clientKeys) const {
    vqtest::WriteFileBytes(machine_.programDir() + "Tessaly.ini", "[SPFClient]\r\n" + clientKeys);
  }
  // The one request the server saw.
  RecordedRequest Only() const {
    const auto all = server_.Requests();
    EXPECT_EQ(all.size(), 1u);
    return all.empty() ? RecordedRequest{} : all.front();
  }

  vqtest::MachineRootFixture machine_;
  vqtest::FakePlatformServer server_;
  std::unique_ptr<TLogger> logger_;
  std::shared_ptr<vqtest::CapturedLogView> view_;
  TVqSpfSvrSDK sdk_;
};

// Every endpoint posts its fields in order: the extra first field, the request JSON with its
// members in the platform's order, and a valid signature over the JSON as sent.
TEST_F(AppSvrSDK, GoldenRequestBodies) {
  struct Case {
    const char* name;
    std::function<bool(const TVqSpfSvrSDK&, std::string&)> call;
    const char* path;
    Fields fields;  // without md5
  };
  const TDateTime when = EncodeDateTime({2021, 6, 7, 8, 9, 10, 0});
  const std::vector<Case> cases = {
      {"login",
       [](const TVqSpfSvrSDK& s, std::string& r) {
         std::string flag;
         return s.Login(123, "0001", "1001", "0123456789abcdef0123456789abcdef", "DB-ID", flag, r);
       },
       "Login.ashx",
       {{"json", R"({"softid":123,"branch_no":"0001","oper_id":"1001",)"
                 R"("oper_pw":"0123456789abcdef0123456789abcdef","soft_database_id":"DB-ID"})"}}},
      {"login, empty values",
       [](const TVqSpfSvrSDK& s, std::string& r) {
         std::string flag;
         return s.Login(5, "", "1001", "", "", flag, r);
       },
       "Login.ashx",
       {{"json", R"({"softid":5,"branch_no":"","oper_id":"1001","oper_pw":"","soft_database_id":""})"}}},
      {"upload",
       [](const TVqSpfSvrSDK& s, std::string& r) {
         return s.Upload(R"({"softid":1,"tab_id":"bi_item","tab_json":[{"a":"x\u00E9 y+z&w=1"}]})", r);
       },
       "UpTable.ashx",
       {{"json", R"({"softid":1,"tab_id":"bi_item","tab_json":[{"a":"x\u00E9 y+z&w=1"}]})"}}},
      {"self-service orders",
       [](const TVqSpfSvrSDK& s, std::string& r) { return s.DownloadPOS1(12, "0002", 20, 4711, r); },
       "DownloadPos.ashx",
       {{"json", R"({"softid":12,"branch_no":"0002","PageSize":20,"PageLastChange":4711})"}}},
      {"mini-program orders",
       [when](const TVqSpfSvrSDK& s, std::string& r) { return s.DownloadPOS2(12, "", 10, when, r); },
       "wxDownloadPos.ashx",
       {{"action", "pos"},
        {"json", R"({"softid":12,"branch_no":"","PageSize":10,"BeginDate":"2021-06-07 08:09:10"})"}}},
      {"members, zero date",
       [](const TVqSpfSvrSDK& s, std::string& r) { return s.DownloadVIP(12, 10, 0.0, r); },
       "wxDownloadPos.ashx",
       {{"action", "vipinfo"}, {"json", R"({"softid":12,"PageSize":10,"BeginDate":"1899-12-30 00:00:00"})"}}},
      {"member service on",
       [](const TVqSpfSvrSDK& s, std::string& r) {
         return s.VIPSvrConfig(12, "http://10.0.0.9:8080/shopdb", "KEY-1", "shopdb", 1, r);
       },
       "UpVipSrvConfig.ashx",
       {{"json", R"({"softid":12,"pc_url":"http://10.0.0.9:8080/shopdb","pc_key":"KEY-1","pc_db":"shopdb",)"
                 R"("oper_status":1})"}}},
      {"member service off",
       [](const TVqSpfSvrSDK& s, std::string& r) { return s.VIPSvrConfig(12, "", "", "", 0, r); },
       "UpVipSrvConfig.ashx",
       {{"json", R"({"softid":12,"pc_url":"","pc_key":"","pc_db":"","oper_status":0})"}}},
  };
  server_.SetFallback(FakeReply::Json(R"({"bResult":true,"errMsg":""})"));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::size_t before = server_.Requests().size();
    std::string result;
    EXPECT_TRUE(c.call(sdk_, result)) << result;
    const auto all = server_.Requests();
    ASSERT_EQ(all.size(), before + 1);
    const RecordedRequest& req = all.back();
    EXPECT_EQ(req.method, "POST");
    EXPECT_EQ(req.path, c.path);
    Fields expected = c.fields;
    expected.emplace_back("md5", vqtest::PlatformSignature(expected.back().second));
    EXPECT_EQ(req.fields, expected);
    EXPECT_TRUE(req.signatureValid);
    EXPECT_EQ(req.field("md5").size(), 32u);
  }
}

// Quotes, backslashes and control characters in values are escaped, other text stays byte for
// byte, and the signature covers the text sent.
TEST_F(AppSvrSDK, RequestValuesAreEscapedOnlyWhereNeeded) {
  server_.SetFallback(FakeReply::Json(R"({"bResult":true})"));
  std::string flag;
  std::string result;
  EXPECT_TRUE(sdk_.Login(7, "门店\"1\\", "1001", "", "a\r\nb\tc\x01", flag, result)) << result;
  const RecordedRequest req = Only();
  EXPECT_EQ(req.field("json"), R"({"softid":7,"branch_no":"门店\"1\\","oper_id":"1001","oper_pw":"",)"
                               R"("soft_database_id":"a\u000D\u000Ab\u0009c\u0001"})");
  EXPECT_TRUE(req.signatureValid);

  const std::string url = "http://h:1/db\"x";
  EXPECT_TRUE(sdk_.VIPSvrConfig(1, url, "k\\", "d", 1, result));
  EXPECT_EQ(server_.Requests().back().field("json"),
            R"({"softid":1,"pc_url":"http://h:1/db\"x","pc_key":"k\\","pc_db":"d","oper_status":1})");
}

// The base address is chosen at every request: the test port only for IsTestHost 1, and a
// non-empty SpfHostUrl replaces the whole address.
TEST_F(AppSvrSDK, HostChoicePerRequest) {
  struct Case {
    const char* keys;
    std::string host;
  };
  const std::string live = std::string("http://") + kSpfApiHost + ":9103/";
  const std::string test = std::string("http://") + kSpfApiHost + ":9104/";
  const Case cases[] = {
      {"", live},
      {"IsTestHost=0\r\n", live},
      {"IsTestHost=1\r\n", test},
      {"IsTestHost= 1\r\n", test},
      {"IsTestHost=2\r\n", live},
      {"IsTestHost=True\r\n", live},
      {"IsTestHost=x\r\n", live},
      {"IsTestHost=1\r\nSpfHostUrl=http://127.0.0.1:18080/\r\n", "http://127.0.0.1:18080/"},
      {"IsTestHost=1\r\nSpfHostUrl=\r\n", test},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.keys);
    SetIni(c.keys);
    EXPECT_EQ(sdk_.GetSpfHost(), c.host);
  }

  // Two requests of one client, the settings file changed in between.
  vqtest::FakePlatformServer other;
  server_.SetFallback(FakeReply::Json("{}"));
  other.SetFallback(FakeReply::Json("{}"));
  std::string result;
  SetIni("SpfHostUrl=" + server_.baseUrl() + "\r\n");
  EXPECT_TRUE(sdk_.DownloadPOS1(1, "", 10, 0, result));
  SetIni("IsTestHost=1\r\nSpfHostUrl=" + other.baseUrl() + "\r\n");
  EXPECT_TRUE(sdk_.DownloadPOS1(1, "", 10, 0, result));
  EXPECT_EQ(server_.Requests().size(), 1u);
  EXPECT_EQ(other.Requests().size(), 1u);
}

// Log addresses hide the platform host's word; other addresses pass unchanged.
TEST_F(AppSvrSDK, SampleUrlMasksHostWord) {
  const std::string word = kSpfHostWord;
  EXPECT_EQ(sdk_.GetSampleUrl(std::string("http://") + kSpfApiHost + ":9103/Login.ashx").find(word), std::string::npos);
  EXPECT_EQ(sdk_.GetSampleUrl("http://a." + word + ".b/" + word + word + "/x"), "http://a.*******.b/**************/x");
  EXPECT_EQ(sdk_.GetSampleUrl("http://127.0.0.1:8080/GetSysParm/"), "http://127.0.0.1:8080/GetSysParm/");
  EXPECT_EQ(sdk_.GetSampleUrl(""), "");
}

// The request line shows the masked address and the body; the reply line the reply as received.
TEST_F(AppSvrSDK, RequestAndReplyLogLines) {
  SetIni("SpfHostUrl=" + server_.baseUrl() + std::string(kSpfHostWord) + "/\r\n");
  const std::string reply = R"({"bResult":true,"errMsg":"","oResult":"4"})";
  server_.SetFallback(FakeReply::Json(reply));
  std::string result;
  EXPECT_TRUE(sdk_.DownloadVIP(12, 10, 0.0, result));
  EXPECT_EQ(result, reply);
  EXPECT_EQ(Only().path, std::string(kSpfHostWord) + "/wxDownloadPos.ashx");
  const std::string json = R"({"softid":12,"PageSize":10,"BeginDate":"1899-12-30 00:00:00"})";
  const auto requests = view_->With("[接口] [拉取会员]请求：");
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_NE(requests[0].find("[接口] [拉取会员]请求：" + server_.baseUrl() + "*******/wxDownloadPos.ashx\r\n" +
                             "action=vipinfo\r\njson=" + json + "\r\nmd5=" + vqtest::PlatformSignature(json)),
            std::string::npos)
      << requests[0];
  const auto replies = view_->With("[接口] [拉取会员]响应：");
  ASSERT_EQ(replies.size(), 1u);
  EXPECT_NE(replies[0].find("[接口] [拉取会员]响应：" + reply), std::string::npos);
  EXPECT_TRUE(view_->With(kSpfHostWord).empty());

  // Detail lines only: nothing is written while detailed logging is off.
  TvqLib::DetailLogEnabled = false;
  const std::size_t lines = view_->Lines().size();
  EXPECT_TRUE(sdk_.Upload("{}", result));
  EXPECT_EQ(view_->Lines().size(), lines);
}

// The login reply decides the result, the text and the data-clear number.
TEST_F(AppSvrSDK, LoginReplies) {
  struct Case {
    const char* name;
    FakeReply reply;
    bool ok;
    std::string result;  // a prefix when `prefixOnly`
    bool prefixOnly;
    std::string flag;  // data-clear value after the call; the caller passes "keep"
  };
  const Case cases[] = {
      {"accepted", FakeReply::Json(R"({"bResult":true,"errMsg":"","oResult":"4"})"), true, "", false, "4"},
      {"accepted, extra members", FakeReply::Json(R"({"bResult":true,"errMsg":"ok","oResult":"7","x":[1]})"), true,
       "ok", false, "7"},
      {"blanks before the colon", FakeReply::Json(R"({"bResult" : true, "errMsg" : "", "oResult" : "5"})"), true, "",
       false, "5"},
      {"refused", FakeReply::Json(R"({"bResult":false,"errMsg":"密码错误","oResult":"3"})"), false, "密码错误", false,
       "3"},
      {"refused without number", FakeReply::Json(R"({"bResult":false,"errMsg":"帐号不存在"})"), false, "帐号不存在",
       false, ""},
      {"page without bResult", FakeReply::Text(200, "<html>portal login</html>", "text/html"), false,
       "<html>portal login</html>", false, "keep"},
      {"empty reply", FakeReply::Text(200, "", "text/plain"), false, "", false, "keep"},
      {"wrong type", FakeReply::Json(R"({"bResult":"true","oResult":"4"})"), false, "解析登录响应数据失败：", true,
       "keep"},
      {"number as data-clear value", FakeReply::Json(R"({"bResult":true,"oResult":4})"), false,
       "解析登录响应数据失败：", true, "keep"},
      {"broken JSON", FakeReply::Text(200, R"(<p>"bResult":</p>)", "text/html"), false, "解析登录响应数据失败：", true,
       "keep"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    server_.Enqueue("Login.ashx", c.reply);
    std::string flag = "keep";
    std::string result = "old";
    EXPECT_EQ(sdk_.Login(1, "", "1001", "", "", flag, result), c.ok);
    if (c.prefixOnly) {
      EXPECT_EQ(result.rfind(c.result, 0), 0u) << result;
      EXPECT_GT(result.size(), c.result.size());
    } else {
      EXPECT_EQ(result, c.result);
    }
    EXPECT_EQ(flag, c.flag);
  }
}

// A transport failure or an error status fails the login with the HTTP utility's text.
TEST_F(AppSvrSDK, LoginTransportFailures) {
  server_.Enqueue("Login.ashx", FakeReply::Status(500));
  std::string flag;
  std::string result;
  EXPECT_FALSE(sdk_.Login(1, "", "1001", "", "", flag, result));
  EXPECT_FALSE(result.empty());

  SetIni("SpfHostUrl=http://127.0.0.1:" + std::to_string(vqtest::RefusedPort()) + "/\r\n");
  result.clear();
  EXPECT_FALSE(sdk_.Login(1, "", "1001", "", "", flag, result));
  EXPECT_FALSE(result.empty());
  EXPECT_EQ(flag, "");
}

// The member-service configuration succeeds only on a reply with bResult true.
TEST_F(AppSvrSDK, MemberServiceConfigReplies) {
  struct Case {
    const char* name;
    FakeReply reply;
    bool ok;
    std::string result;
    bool prefixOnly;
  };
  const Case cases[] = {
      {"accepted", FakeReply::Json(R"({"bResult":true,"errMsg":"已开启"})"), true, "已开启", false},
      {"refused", FakeReply::Json(R"({"bResult":false,"errMsg":"密钥错误","oResult":null})"), false, "密钥错误", false},
      {"no bResult", FakeReply::Json(R"({"ok":true})"), false, R"({"ok":true})", false},
      {"wrong type", FakeReply::Json(R"({"bResult":1})"), false, "解析金卡配置响应数据失败：", true},
      {"not an object", FakeReply::Json(R"(["bResult":])"), false, "解析金卡配置响应数据失败：", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    server_.Enqueue("UpVipSrvConfig.ashx", c.reply);
    std::string result;
    EXPECT_EQ(sdk_.VIPSvrConfig(1, "", "", "", 0, result), c.ok);
    if (c.prefixOnly) {
      EXPECT_EQ(result.rfind(c.result, 0), 0u) << result;
    } else {
      EXPECT_EQ(result, c.result);
    }
  }
  server_.Enqueue("UpVipSrvConfig.ashx", FakeReply::Reset());
  std::string result;
  EXPECT_FALSE(sdk_.VIPSvrConfig(1, "", "", "", 0, result));
  EXPECT_FALSE(result.empty());
}

// Uploads and pulls hand back whatever arrived; only a transport failure fails them.
TEST_F(AppSvrSDK, UploadAndPullsReturnReplyText) {
  server_.Enqueue("UpTable.ashx", FakeReply::Json(R"({"bResult":false,"errMsg":"表不存在"})"));
  std::string result;
  EXPECT_TRUE(sdk_.Upload("{}", result));
  EXPECT_EQ(result, R"({"bResult":false,"errMsg":"表不存在"})");

  server_.Enqueue("DownloadPos.ashx", FakeReply::NonJson());
  EXPECT_TRUE(sdk_.DownloadPOS1(1, "", 10, 0, result));
  EXPECT_FALSE(result.empty());

  server_.Enqueue("wxDownloadPos.ashx", FakeReply::Status(502));
  EXPECT_FALSE(sdk_.DownloadPOS2(1, "", 10, 0.0, result));
  EXPECT_FALSE(result.empty());
  EXPECT_EQ(result.find("bResult"), std::string::npos);
}

// The member-service probe is a GET that succeeds whatever the reply says.
TEST_F(AppSvrSDK, MemberServiceProbe) {
  server_.Enqueue("shopdb/GetSysParm/", FakeReply::Text(200, "任意内容", "text/plain; charset=utf-8"));
  std::string result;
  EXPECT_TRUE(sdk_.VIPSvrGetParam(server_.url("shopdb/GetSysParm/"), result));
  EXPECT_EQ(result, "任意内容");
  const RecordedRequest req = Only();
  EXPECT_EQ(req.method, "GET");
  EXPECT_EQ(view_->Count("[接口] [测试金卡服务]请求：" + server_.url("shopdb/GetSysParm/")), 1u);
  EXPECT_EQ(view_->Count("[接口] [测试金卡服务]响应：任意内容"), 1u);

  const std::string refused = "http://127.0.0.1:" + std::to_string(vqtest::RefusedPort()) + "/GetSysParm/";
  EXPECT_FALSE(sdk_.VIPSvrGetParam(refused, result));
  EXPECT_FALSE(result.empty());
}

}  // namespace
}  // namespace tessaly
