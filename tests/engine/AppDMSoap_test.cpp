// Connection parameters from the back-office server's SOAP service, through the fake service:
// the reply's fields, decryption, host replacement, refusals and failures.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "engine/AppDMUtil.h"
#include "engine/AppVarUtil.h"
#include "foundation/VqAlgLibrary.h"
#include "foundation/VqLibText.h"
#include "platform/ProgramInfo.h"
#include "platform/TextCodec.h"
#include "support/FakeSoapService.h"
#include "support/MachineRootLog.h"
#include "support/RefusedPort.h"
#include "support/TempDir.h"
#include "support/alglib_standin/VqAlgStandin.h"

namespace tessaly {
namespace {

class AppDMSoapTest : public ::testing::Test {
 protected:
  void SetUp() override {
    AppVar = &appVar;
    const char* bin = std::getenv("VQ_TEST_BINARY_DIR");
    ASSERT_NE(bin, nullptr) << "run through ctest, which names the build folder";
    std::filesystem::copy_file(std::string(bin) + "/" + vqtest::kAlgStandinRelativePath,
                               dir.file("libVqAlglibrary.so"));
    std::string erro;
    ASSERT_TRUE(LoadVqAlgLibrary(erro)) << erro;
  }
  void TearDown() override { AppVar = nullptr; }

  struct DBParamOut {
    int result = -1;
    std::string server = "s0", database = "d0", conName = "c0", user = "u0", pswd = "p0", msg;
    int port = -1;
  };
  // The fake listens on 127.0.0.1, the host handed in.
  DBParamOut GetDBParam() {
    DBParamOut o;
    o.database = " 帐套A ";
    o.result = dm.SoftGetDBParam("127.0.0.1", fake.Port(), o.server, o.port, o.database, o.conName, o.user, o.pswd,
                                 o.msg);
    return o;
  }
  int Host(std::string& host, std::string& msg) { return dm.SoftGetRDAServer("127.0.0.1", fake.Port(), host, msg); }

  vqtest::TempProgramDir dir;
  vqtest::FakeSoapService fake;
  TAppVar appVar;
  TAppDM dm;
};


// The request carries only the trimmed database name, escaped for XML; the reply's fields are
// trimmed into the out parameters and the enciphered user and password deciphered.
TEST_F(AppDMSoapTest, ReadsReplyAndDeciphers) {
  fake.SetDBParm({"true", " sql01 ", " 帐套A ", " 总部 ", " " + TvqLib::GetVqEncrypt("sa") + " ",
                  TvqLib::GetVqEncrypt(" pw<&> "), "1433"});
  DBParamOut o;
  o.database = " a&b<c> ";
  o.result = dm.SoftGetDBParam("127.0.0.1", fake.Port(), o.server, o.port, o.database, o.conName, o.user, o.pswd,
                               o.msg);
  ASSERT_EQ(o.result, 1) << o.msg;
  EXPECT_EQ(o.server, "sql01");
  EXPECT_EQ(o.port, 1433);
  EXPECT_EQ(o.database, "帐套A");
  EXPECT_EQ(o.conName, "总部");
  EXPECT_EQ(o.user, "sa");
  EXPECT_EQ(o.pswd, "pw<&>");

  const auto requests = fake.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_NE(requests[0].Body.find("<aDatabase>a&amp;b&lt;c&gt;</aDatabase>"), std::string::npos)
      << requests[0].Body;
  for (const char* member : {"aServerName", "conName", "aLogName", "aLogPass", "aPort"})
    EXPECT_EQ(requests[0].Body.find(member), std::string::npos) << member;
}

struct HostCase {
  const char* replyServer;
  const char* expected;
};

// A server that names its own machine is replaced by the host the agent reached it through;
// an upper-case LOCALHOST is kept (the test is case-sensitive).
TEST_F(AppDMSoapTest, LocalServerNameTakesRequestHost) {
  const std::vector<HostCase> cases = {
      {"(local)", "127.0.0.1"},  {".", "127.0.0.1"},         {"127.0.0.1", "127.0.0.1"},
      {"localhost", "127.0.0.1"}, {"LOCALHOST", "LOCALHOST"}, {"srv\\local01", "127.0.0.1"},
      {"sql01", "sql01"},         {"10.0.0.8", "10.0.0.8"},
  };
  for (const auto& c : cases) {
    fake.SetDBParm({"true", c.replyServer, "db", "t", "sa", "0", "1433"});
    const DBParamOut o = GetDBParam();
    EXPECT_EQ(o.result, 1) << c.replyServer << " " << o.msg;
    EXPECT_EQ(o.server, c.expected) << c.replyServer;
  }
}

struct SecretCase {
  std::string user;
  std::optional<std::string> pass;
  const char* expectedUser;
  const char* expectedPswd;
};

// The user stays as received when it does not decipher; a password of "0", an empty one or one
// that does not decipher gives an empty password.
TEST_F(AppDMSoapTest, UserAndPasswordFallbacks) {
  const std::vector<SecretCase> cases = {
      {"plainuser", "0", "plainuser", ""},
      {"sa", " 0 ", "sa", ""},
      {"sa", std::nullopt, "sa", ""},
      {"sa", "not hex", "sa", ""},
      {TvqLib::GetVqEncrypt("管理员"), TvqLib::GetVqEncrypt("密码"), "管理员", "密码"},
  };
  for (const auto& c : cases) {
    fake.SetDBParm({"true", "sql01", "db", "t", c.user, c.pass, "1433"});
    const DBParamOut o = GetDBParam();
    EXPECT_EQ(o.result, 1) << o.msg;
    EXPECT_EQ(o.user, c.expectedUser) << c.user;
    EXPECT_EQ(o.pswd, c.expectedPswd) << c.user;
  }
}

// A server that answers an explicit false hands out no parameters: the call fails with a text
// naming the account set, and the out parameters stay as they were.
TEST_F(AppDMSoapTest, DeclinedReplyIsFailure) {
  for (const std::optional<std::string>& result : {std::optional<std::string>("false"), std::optional<std::string>("0")}) {
    fake.SetDBParm({result, "", "", "", "", "", "0"});
    vqtest::MachineRootLog log(false);
    const DBParamOut o = GetDBParam();
    EXPECT_EQ(o.result, 0);
    EXPECT_EQ(o.msg, "软件服务器未提供帐套“帐套A”的连接参数");
    EXPECT_EQ(o.server, "s0");
    EXPECT_EQ(o.database, " 帐套A ");
    EXPECT_EQ(o.user, "u0");
    EXPECT_EQ(o.pswd, "p0");
    EXPECT_NE(log.Text().find("[DM] 请求服务出错：" + o.msg), std::string::npos);
  }
}

// A reply that leaves out the result element is read by its members like a true one.
TEST_F(AppDMSoapTest, ReplyWithoutResultIsRead) {
  fake.SetDBParm({std::nullopt, "sql01", "帐套B", "门店", "sa", "0", "1433"});
  const DBParamOut o = GetDBParam();
  EXPECT_EQ(o.result, 1) << o.msg;
  EXPECT_EQ(o.server, "sql01");
  EXPECT_EQ(o.database, "帐套B");
  EXPECT_EQ(o.conName, "门店");
  EXPECT_EQ(o.user, "sa");
  EXPECT_EQ(o.port, 1433);
}

// A SOAP fault or an unreachable server fails with the client's message, logged always.
TEST_F(AppDMSoapTest, FaultsAndUnreachableServer) {
  fake.AnswerFault("帐套不存在");
  {
    vqtest::MachineRootLog log(false);
    DBParamOut o = GetDBParam();
    EXPECT_EQ(o.result, 0);
    EXPECT_EQ(o.msg, "帐套不存在");
    EXPECT_NE(log.Text().find("[DM] 请求服务出错：帐套不存在"), std::string::npos) << log.Text();
    int port = 0;
    std::string msg;
    EXPECT_EQ(dm.SoftGetRDAPort("127.0.0.1", fake.Port(), port, msg), 0);
    EXPECT_EQ(msg, "帐套不存在");
  }
  const int refused = vqtest::RefusedPort();
  std::string host, msg;
  EXPECT_EQ(dm.SoftGetRDAServer("127.0.0.1", refused, host, msg), 0);
  EXPECT_FALSE(msg.empty());
}

// The address is logged in detail mode, with "?wsdl" in WSDL mode, and the call goes through
// the service description.
TEST_F(AppDMSoapTest, WsdlModeAndAddressLine) {
  appVar.SvrUseWSDL = true;
  fake.SetRdaPort(" 9300 ");
  vqtest::MachineRootLog log(true);
  int port = 0;
  std::string msg;
  EXPECT_EQ(dm.SoftGetRDAPort("127.0.0.1", fake.Port(), port, msg), 1) << msg;
  EXPECT_EQ(port, 9300);
  EXPECT_NE(log.Text().find("[DM] 请求服务：" + fake.ServiceUrl() + "?wsdl"), std::string::npos) << log.Text();
  const auto requests = fake.Requests();
  ASSERT_FALSE(requests.empty());
  EXPECT_EQ(requests[0].Method, "GET");
}

// A port that is no positive number fails without a message.
TEST_F(AppDMSoapTest, RdaPortMustBePositive) {
  for (const char* text : {"abc", "0", "-5", "", "80x"}) {
    fake.SetRdaPort(text);
    int port = 1;
    std::string msg;
    EXPECT_EQ(dm.SoftGetRDAPort("127.0.0.1", fake.Port(), port, msg), 0) << text;
    EXPECT_EQ(msg, "") << text;
  }
}

struct AddrCase {
  const char* reply;
  int result;
  const char* msg;
};

// The member-service address must be an outside address of more than three characters.
TEST_F(AppDMSoapTest, RdaServerAddressRules) {
  const std::vector<AddrCase> cases = {
      {"", 0, ""},
      {"a.b", 0, ""},
      {" abc ", 0, ""},
      {"192.168.1.5", 0, "需设置外网地址"},
      {"http://127.0.0.1:80", 0, "需设置外网地址"},
      {"vq.LocalNet.cn", 0, "需设置外网地址"},
      {"localhost", 0, "需设置外网地址"},
      {"10.0.0.5", 1, ""},
      {"172.16.0.1", 1, ""},
      {" vq.example.net ", 1, ""},
  };
  for (const auto& c : cases) {
    fake.SetServiceAddr(c.reply);
    std::string host, msg;
    EXPECT_EQ(Host(host, msg), c.result) << c.reply;
    EXPECT_EQ(msg, c.msg) << c.reply;
    EXPECT_EQ(host, platform::TrimBlanks(c.reply)) << c.reply;
  }
}

}  // namespace
}  // namespace tessaly
