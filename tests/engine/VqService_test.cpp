#include "engine/IVqService.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <functional>

#include "support/FakePlatformServer.h"
#include "support/FakeSoapService.h"
#include "support/RefusedPort.h"

namespace {

using tessaly::ESoapError;
using tessaly::GetIVqService;
using vqtest::FakeSoapService;

const std::string kHead =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?><soap:Envelope "
    "xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\"><soap:Body>";
const std::string kTail = "</soap:Body></soap:Envelope>";
const std::string kEnvOpen = "<s:Envelope xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\"><s:Body>";
const std::string kEnvClose = "</s:Body></s:Envelope>";

// True when a server accepts connections on 127.0.0.1:port.
bool SomethingListensOn(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<uint16_t>(port));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const bool open = connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  close(fd);
  return open;
}

// The error text of a call that must fail; fails the test when the call succeeds.
std::string ErrorOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const ESoapError& e) {
    return e.what();
  }
  ADD_FAILURE() << "the call did not fail";
  return {};
}

class VqService : public ::testing::Test {
 protected:
  std::unique_ptr<tessaly::IVqService> Plain() { return GetIVqService(false, fake.ServiceUrl()); }
  // A GetConnectDBParm call as the agent makes it.
  tessaly::GetConnectDBParmResponse AskDB(const std::string& database = "db") {
    tessaly::GetConnectDBParm req;
    req.aDatabase.Set(database);
    return Plain()->GetConnectDBParm(req);
  }

  FakeSoapService fake;
};

// Each operation posts one SOAP 1.1 envelope to the endpoint with its SOAP action; only set
// members are written, in wire order, every value XML-escaped.
TEST_F(VqService, RequestEnvelopes) {
  tessaly::GetConnectDBParm all;
  all.aPort.Set(-1433);
  all.aLogPass.Set("p");
  all.aLogName.Set("sa");
  all.conName.Set("t");
  all.aDatabase.Set("d");
  all.aServerName.Set("srv");
  struct Case {
    const char* what;
    std::function<void(tessaly::IVqService&)> call;
    std::string action, body;
  } cases[] = {
      {"database only",
       [](tessaly::IVqService& s) {
         tessaly::GetConnectDBParm r;
         r.aDatabase.Set("门店A");
         (void)s.GetConnectDBParm(r);
       },
       "GetConnectDBParm",
       "<GetConnectDBParm xmlns=\"http://tempuri.org/\"><aDatabase>门店A</aDatabase></GetConnectDBParm>"},
      {"empty database is still written",
       [](tessaly::IVqService& s) {
         tessaly::GetConnectDBParm r;
         r.aDatabase.Set("");
         (void)s.GetConnectDBParm(r);
       },
       "GetConnectDBParm",
       "<GetConnectDBParm xmlns=\"http://tempuri.org/\"><aDatabase></aDatabase></GetConnectDBParm>"},
      {"markup in a value is escaped",
       [](tessaly::IVqService& s) {
         tessaly::GetConnectDBParm r;
         r.aDatabase.Set("a<b&c\"d'e>f</aDatabase>\r\n\t");
         (void)s.GetConnectDBParm(r);
       },
       "GetConnectDBParm",
       "<GetConnectDBParm xmlns=\"http://tempuri.org/\"><aDatabase>a&lt;b&amp;c&quot;d&apos;e&gt;f&lt;/"
       "aDatabase&gt;&#13;\n\t</aDatabase></GetConnectDBParm>"},
      {"every member, in wire order", [&all](tessaly::IVqService& s) { (void)s.GetConnectDBParm(all); },
       "GetConnectDBParm",
       "<GetConnectDBParm xmlns=\"http://tempuri.org/\"><aServerName>srv</aServerName><aDatabase>d</aDatabase>"
       "<conName>t</conName><aLogName>sa</aLogName><aLogPass>p</aLogPass><aPort>-1433</aPort></GetConnectDBParm>"},
      {"nothing set", [](tessaly::IVqService& s) { (void)s.GetConnectDBParm({}); }, "GetConnectDBParm",
       "<GetConnectDBParm xmlns=\"http://tempuri.org/\"></GetConnectDBParm>"},
      {"rda port", [](tessaly::IVqService& s) { (void)s.GetVqRdaPort({}); }, "GetVqRdaPort",
       "<GetVqRdaPort xmlns=\"http://tempuri.org/\"></GetVqRdaPort>"},
      {"service address", [](tessaly::IVqService& s) { (void)s.GetVqServiceAddr({}); }, "GetVqServiceAddr",
       "<GetVqServiceAddr xmlns=\"http://tempuri.org/\"></GetVqServiceAddr>"},
  };
  for (const auto& c : cases) {
    FakeSoapService server;
    c.call(*GetIVqService(false, server.ServiceUrl()));
    const auto reqs = server.Requests();
    ASSERT_EQ(reqs.size(), 1u) << c.what;  // plain mode fetches no description
    EXPECT_EQ(reqs[0].Method, "POST") << c.what;
    EXPECT_EQ(reqs[0].Path, "/VqService") << c.what;
    EXPECT_EQ(reqs[0].SoapAction, "\"http://tempuri.org/IVqService/" + c.action + "\"") << c.what;
    EXPECT_EQ(reqs[0].ContentType, "text/xml; charset=utf-8") << c.what;
    EXPECT_EQ(reqs[0].Body, kHead + c.body + kTail) << c.what;
  }
}

// A value XML 1.0 cannot carry fails the call before anything is sent.
TEST_F(VqService, UnsendableValuesFailWithoutRequest) {
  for (const std::string& bad : {std::string("a\x01z"), std::string("a\0z", 3), std::string("gbk\xC3\x28")}) {
    EXPECT_NE(ErrorOf([&] { (void)AskDB(bad); }).find("aDatabase"), std::string::npos);
  }
  EXPECT_TRUE(fake.Requests().empty());
}

// Scripted replies are read by local name, with a default namespace or with prefixes alike;
// entities are decoded and blanks inside values kept.
TEST_F(VqService, RepliesReadWhateverThePrefixes) {
  for (const bool prefixed : {false, true}) {
    fake.SetPrefixedReplies(prefixed);
    fake.SetDBParm({"false", "(local)", "门店 01", " 帐套 ", "x&y<z>", "p\"w'd", "1433"});
    fake.SetRdaPort(" 8085 ");
    fake.SetServiceAddr("vq.example.net:9000");
    const auto r = AskDB();
    EXPECT_TRUE(r.GetConnectDBParmResult.IsStored());
    EXPECT_FALSE(r.GetConnectDBParmResult.Get());
    EXPECT_EQ(r.aServerName.Get(), "(local)");
    EXPECT_EQ(r.aDatabase.Get(), "门店 01");
    EXPECT_EQ(r.conName.Get(), " 帐套 ");
    EXPECT_EQ(r.aLogName.Get(), "x&y<z>");
    EXPECT_EQ(r.aLogPass.Get(), "p\"w'd");
    EXPECT_EQ(r.aPort.Get(), 1433);
    EXPECT_EQ(Plain()->GetVqRdaPort({}).GetVqRdaPortResult.Get(), " 8085 ");
    EXPECT_EQ(Plain()->GetVqServiceAddr({}).GetVqServiceAddrResult.Get(), "vq.example.net:9000");
  }
}

// Other shapes of a good reply: SOAP header, CDATA, character references, a value of blanks only,
// BOM, other prefixes.
TEST_F(VqService, OtherReplyShapes) {
  const std::string resp = "<m:GetVqRdaPortResponse xmlns:m=\"http://tempuri.org/\"><m:GetVqRdaPortResult>";
  struct Case {
    std::string body, port;
  } cases[] = {
      {kEnvOpen + resp + "<![CDATA[80]]>81</m:GetVqRdaPortResult></m:GetVqRdaPortResponse>" + kEnvClose, "8081"},
      {kEnvOpen + resp + "&#56;&#48;</m:GetVqRdaPortResult></m:GetVqRdaPortResponse>" + kEnvClose, "80"},
      {kEnvOpen + resp + "  </m:GetVqRdaPortResult></m:GetVqRdaPortResponse>" + kEnvClose, "  "},
      {"\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?><soapenv:Envelope xmlns:soapenv=\"http://"
       "schemas.xmlsoap.org/soap/envelope/\"><soapenv:Header><x:Trace xmlns:x=\"urn:x\">1</x:Trace>"
       "</soapenv:Header><soapenv:Body>" +
           resp +
           "9</m:GetVqRdaPortResult></m:GetVqRdaPortResponse>"
           "</soapenv:Body></soapenv:Envelope>",
       "9"},
      {kEnvOpen +
           "<GetVqRdaPortResponse xmlns=\"http://tempuri.org/\"><Other>1</Other><GetVqRdaPortResult>"
           "7</GetVqRdaPortResult></GetVqRdaPortResponse>" +
           kEnvClose,
       "7"},
  };
  for (const auto& c : cases) {
    fake.AnswerRaw(200, c.body);
    EXPECT_EQ(Plain()->GetVqRdaPort({}).GetVqRdaPortResult.Get(), c.port) << c.body;
  }
}

// Members missing from the reply, or nil, stay unset and read 0 or empty.
TEST_F(VqService, MissingMembersStayUnset) {
  fake.AnswerRaw(200, kEnvOpen +
                          "<GetConnectDBParmResponse xmlns=\"http://tempuri.org/\" xmlns:i=\"http://www.w3.org/"
                          "2001/XMLSchema-instance\"><aServerName i:nil=\"true\"/><aDatabase>d</aDatabase>"
                          "<aLogName></aLogName></GetConnectDBParmResponse>" +
                          kEnvClose);
  const auto r = AskDB();
  EXPECT_FALSE(r.GetConnectDBParmResult.IsStored());
  EXPECT_FALSE(r.aServerName.IsStored());
  EXPECT_EQ(r.aServerName.Get(), "");
  EXPECT_EQ(r.aDatabase.Get(), "d");
  EXPECT_TRUE(r.aLogName.IsStored());
  EXPECT_FALSE(r.aLogPass.IsStored());
  EXPECT_EQ(r.aLogPass.Get(), "");
  EXPECT_FALSE(r.aPort.IsStored());
  EXPECT_EQ(r.aPort.Get(), 0);
}

// An integer or Boolean element without a value reads like a missing one: the call succeeds
// and the member stays unset, reading 0 or false.
TEST_F(VqService, EmptyNumberAndBooleanElementsStayUnset) {
  const std::string open = "<GetConnectDBParmResponse xmlns=\"http://tempuri.org/\"><aDatabase>d</aDatabase>";
  const std::string empties[] = {"<aPort/><GetConnectDBParmResult/>",
                                 "<aPort></aPort><GetConnectDBParmResult></GetConnectDBParmResult>",
                                 "<aPort> </aPort><GetConnectDBParmResult>\r\n</GetConnectDBParmResult>"};
  for (const auto& members : empties) {
    SCOPED_TRACE(members);
    fake.AnswerRaw(200, kEnvOpen + open + members + "</GetConnectDBParmResponse>" + kEnvClose);
    const auto r = AskDB();  // does not throw
    EXPECT_EQ(r.aDatabase.Get(), "d");
    EXPECT_FALSE(r.aPort.IsStored());
    EXPECT_EQ(r.aPort.Get(), 0);
    EXPECT_FALSE(r.GetConnectDBParmResult.IsStored());
    EXPECT_FALSE(r.GetConnectDBParmResult.Get());
  }
}

// Faults, HTTP errors and replies that cannot be read fail the call with a telling text; a
// fault's text is the server's faultstring itself.
TEST_F(VqService, FaultsAndUnreadableReplies) {
  const std::string url = fake.ServiceUrl();
  const std::string fault = kEnvOpen +
                            "<s:Fault><faultcode>s:Client</faultcode><faultstring xml:lang=\"zh-CN\">"
                            "帐套 &lt;x&gt; 不存在</faultstring></s:Fault>" +
                            kEnvClose;
  const std::string dbResp = "<GetConnectDBParmResponse xmlns=\"http://tempuri.org/\">";
  struct Case {
    int status;
    std::string body, error;  // error: the whole text, or its start when it ends with '*'
  } cases[] = {
      {500, fault, "帐套 <x> 不存在"},
      {200, fault, "帐套 <x> 不存在"},
      {500, kEnvOpen + "<s:Fault><faultcode>s:Server</faultcode></s:Fault>" + kEnvClose, "s:Server"},
      {500, "<html>Internal error</html>", "服务器返回HTTP 500：" + url},
      {404, "", "服务器返回HTTP 404：" + url},
      {302, "", "服务器返回HTTP 302：" + url},
      {200, kEnvOpen + dbResp + "<aPort>1433</aPort>", "无法读取服务器应答（*"},
      {200, "", "无法读取服务器应答（*"},
      {200, "<html><body>proxy login</body></html>",
       "无法读取服务器应答（no SOAP envelope with a body element）：" + url},
      {200, kEnvOpen + "<GetVqRdaPortResponse/>" + kEnvClose,
       "无法读取服务器应答（expected GetConnectDBParmResponse, got GetVqRdaPortResponse）：" + url},
      {200, kEnvOpen + dbResp + "<aPort>14x</aPort></GetConnectDBParmResponse>" + kEnvClose,
       "无法读取服务器应答（aPort is not a 32-bit integer: \"14x\"）：" + url},
      {200, kEnvOpen + dbResp + "<aPort>2147483648</aPort></GetConnectDBParmResponse>" + kEnvClose,
       "无法读取服务器应答（aPort is not a 32-bit integer: \"2147483648\"）：" + url},
      {200,
       kEnvOpen + dbResp + "<GetConnectDBParmResult>yes</GetConnectDBParmResult></GetConnectDBParmResponse>" +
           kEnvClose,
       "无法读取服务器应答（GetConnectDBParmResult is not a Boolean: \"yes\"）：" + url},
  };
  for (const auto& c : cases) {
    fake.AnswerRaw(c.status, c.body);
    const std::string got = ErrorOf([&] { (void)AskDB(); });
    if (!c.error.empty() && c.error.back() == '*')
      EXPECT_EQ(got.substr(0, c.error.size() - 1), c.error.substr(0, c.error.size() - 1)) << c.body;
    else
      EXPECT_EQ(got, c.error) << c.body;
  }
}

// The fake's scripted fault reaches the caller as its text.
TEST_F(VqService, ScriptedFault) {
  fake.AnswerFault("数据库连接失败 & 重试");
  EXPECT_EQ(ErrorOf([&] { (void)Plain()->GetVqServiceAddr({}); }), "数据库连接失败 & 重试");
}

// A server slower than the transport's time-out fails the call instead of blocking the caller.
TEST_F(VqService, SlowReplyTimesOut) {
  auto quick = std::make_shared<const tessaly::TSoapTransport>(tessaly::TSoapTimeouts{2000, 300});
  fake.SetDelayMs(60000);  // cut short when the fake stops
  const std::string err = ErrorOf([&] { (void)GetIVqService(false, fake.ServiceUrl(), quick)->GetVqRdaPort({}); });
  EXPECT_EQ(err.rfind("服务器应答超时（", 0), 0u) << err;
  EXPECT_NE(err.find(fake.ServiceUrl()), std::string::npos) << err;
  // The description is read through the same transport, so it times out too.
  const std::string wsdlErr = ErrorOf([&] { (void)GetIVqService(true, fake.ServiceUrl() + "?wsdl", quick); });
  EXPECT_EQ(wsdlErr.rfind("服务器应答超时（", 0), 0u) << wsdlErr;
  // A server that never takes the connection runs into the connect time-out.
  vqtest::StalledListener stalled;
  auto connectOnly = std::make_shared<const tessaly::TSoapTransport>(tessaly::TSoapTimeouts{300, 60000});
  const std::string url = "http://127.0.0.1:" + std::to_string(stalled.port()) + "/VqService";
  const std::string connErr = ErrorOf([&] { (void)GetIVqService(false, url, connectOnly)->GetVqRdaPort({}); });
  EXPECT_EQ(connErr.rfind("服务器应答超时（", 0), 0u) << connErr;
}

// A reply without end stops at the reply cap instead of growing until memory runs out, in
// both modes, and the error names the cap and the address.
TEST_F(VqService, EndlessReplyStopsAtTheCap) {
  vqtest::FakePlatformServer endless;
  endless.SetFallback(vqtest::FakeReply::Endless());
  const std::string url = endless.url("VqService");
  std::string err = ErrorOf([&] { (void)GetIVqService(false, url)->GetVqRdaPort({}); });
  EXPECT_EQ(err, "服务器应答超过64MB：" + url);
  err = ErrorOf([&] { (void)GetIVqService(true, url + "?wsdl"); });
  EXPECT_EQ(err, "服务器应答超过64MB：" + url + "?wsdl");
}

// Nobody listening: the call fails and names the address, in both modes.
TEST_F(VqService, RefusedPort) {
  const std::string url = "http://127.0.0.1:" + std::to_string(vqtest::RefusedPort()) + "/VqService";
  std::string err = ErrorOf([&] { (void)GetIVqService(false, url)->GetVqServiceAddr({}); });
  // The shop's words first, then the library's reason and the address.
  EXPECT_EQ(err.rfind("无法连接服务器（", 0), 0u) << err;
  EXPECT_NE(err.find("onnect"), std::string::npos) << err;
  EXPECT_NE(err.find("）：" + url), std::string::npos) << err;
  err = ErrorOf([&] { (void)GetIVqService(true, url + "?wsdl"); });
  EXPECT_NE(err.find("）：" + url + "?wsdl"), std::string::npos) << err;
}

// WSDL mode reads the description once and posts to the address of the named port of the named
// service; a description without them, unreadable or missing fails before any call is posted.
TEST_F(VqService, WsdlRoad) {
  using W = FakeSoapService::Wsdl;
  const std::string wsdl = fake.ServiceUrl() + "?wsdl";
  struct Case {
    W variant;
    std::string postPath, error;
  } cases[] = {
      {W::SelfAddress, "/VqService", ""},
      {W::OtherPath, "/Other/VqService", ""},
      {W::NoAddress, "", "服务描述中端口\"BasicHttpBinding_IVqService\"没有地址：" + wsdl},
      {W::NoPort, "", "服务描述中没有端口\"BasicHttpBinding_IVqService\"：" + wsdl},
      {W::NoService, "", "服务描述中没有服务\"VqService\"：" + wsdl},
      {W::BrokenXml, "", "无法读取服务器应答（"},
      {W::NotFound, "", "服务器返回HTTP 404：" + wsdl},
  };
  for (const auto& c : cases) {
    FakeSoapService server;
    server.SetWsdl(c.variant);
    const std::string url = server.ServiceUrl() + "?wsdl";
    auto expected = c.error;
    if (const auto at = expected.find(wsdl); at != std::string::npos) expected.replace(at, wsdl.size(), url);
    if (c.error.empty()) {
      auto svc = GetIVqService(true, url);
      EXPECT_EQ(svc->GetVqRdaPort({}).GetVqRdaPortResult.Get(), "8080");
    } else {
      const std::string err = ErrorOf([&] { (void)GetIVqService(true, url); });
      EXPECT_EQ(err.substr(0, expected.size()), expected);
    }
    const auto reqs = server.Requests();
    ASSERT_GE(reqs.size(), 1u);
    EXPECT_EQ(reqs[0].Method, "GET");
    EXPECT_EQ(reqs[0].Path, "/VqService");
    EXPECT_EQ(reqs[0].Query, "wsdl");
    ASSERT_EQ(reqs.size(), c.error.empty() ? 2u : 1u);
    if (c.error.empty()) {
      EXPECT_EQ(reqs[1].Method, "POST");
      EXPECT_EQ(reqs[1].Path, c.postPath);
    }
  }
}

// An empty address falls back to the built-in server on 127.0.0.1:9011, "?wsdl" added in WSDL mode.
TEST_F(VqService, EmptyAddressUsesBuiltInServer) {
  if (SomethingListensOn(9011)) GTEST_SKIP() << "port 9011 is in use on this machine";
  std::string err = ErrorOf([] { (void)GetIVqService(false, "")->GetVqRdaPort({}); });
  EXPECT_NE(err.find("）：http://127.0.0.1:9011/VqService"), std::string::npos) << err;
  err = ErrorOf([] { (void)GetIVqService(true, ""); });
  EXPECT_NE(err.find("）：http://127.0.0.1:9011/VqService?wsdl"), std::string::npos) << err;
}

}  // namespace
