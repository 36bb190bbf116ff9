#include "engine/AppSvrSDK.h"

#include <cstdio>

#include "engine/AppIniUtil.h"
#include "foundation/VqLibText.h"
#include "foundation/VqLibUtil.h"
#include "foundation/VqNetUtil.h"

namespace tessaly {

TVqSpfSvrSDK* SpfSvrSDK = nullptr;

namespace {

constexpr const char* kSignSalt = "@7290";
constexpr const char* kCrLf = "\r\n";
// The head of the client's log lines.
const std::string kLogHead = "[接口] ";
constexpr std::string_view kResultName = "\"bResult\"";

// Request JSON: compact, members in the order added. Values keep their bytes; only what would
// break the text is escaped (quote, backslash, control characters).
class TRequestJson {
 public:
  TRequestJson& Add(const char* aName, int aValue) {
    Member(aName);
    FText += std::to_string(aValue);
    return *this;
  }
  TRequestJson& Add(const char* aName, const std::string& aValue) {
    Member(aName);
    FText += '"';
    for (const char c : aValue) {
      const auto u = static_cast<unsigned char>(c);
      if (c == '"' || c == '\\') {
        FText += '\\';
        FText += c;
      } else if (u < 0x20) {
        char esc[8];
        std::snprintf(esc, sizeof esc, "\\u%04X", u);
        FText += esc;
      } else {
        FText += c;
      }
    }
    FText += '"';
    return *this;
  }
  [[nodiscard]] std::string Text() const { return FText + "}"; }

 private:
  void Member(const char* aName) {
    FText += FText.size() > 1 ? "," : "";
    FText += '"';
    FText += aName;
    FText += "\":";
  }
  std::string FText = "{";
};

// The member name in quotes followed by a colon; blanks before the colon are allowed, as JSON does.
bool HasResultMember(const std::string& aRespond) {
  for (std::size_t at = aRespond.find(kResultName); at != std::string::npos; at = aRespond.find(kResultName, at + 1)) {
    std::size_t i = at + kResultName.size();
    while (i < aRespond.size() &&
           (aRespond[i] == ' ' || aRespond[i] == '\t' || aRespond[i] == '\r' || aRespond[i] == '\n'))
      ++i;
    if (i < aRespond.size() && aRespond[i] == ':') return true;
  }
  return false;
}

}  // namespace

void TVqSpfSvrSDK::Log(const std::string& aLog, bool aIsLog) {
  TvqLib::Log(aLog.empty() ? aLog : kLogHead + aLog, aIsLog, 9);
}

std::string TVqSpfSvrSDK::GetSpfHost() const {
  const std::string url = TvqLib::IniRead(kSectSPFClient, "SpfHostUrl", "");
  if (!url.empty()) return url;
  const bool testHost = AppIniReadInt(kSectSPFClient, "IsTestHost", 0) == 1;
  return std::string("http://") + kSpfApiHost + (testHost ? ":9104/" : ":9103/");
}

std::string TVqSpfSvrSDK::GetSampleUrl(const std::string& aUrl) const {
  const std::string word = kSpfHostWord;
  std::string url = aUrl;
  for (std::size_t at = url.find(word); at != std::string::npos; at = url.find(word, at + 7))
    url.replace(at, word.size(), "*******");
  return url;
}

int TVqSpfSvrSDK::HttpGet(const std::string& aUrl, std::string& aRespond) const {
  return TVqNet::Get(aUrl, aRespond, 1);
}

int TVqSpfSvrSDK::HttpPost(const std::string& aUrl, const std::string& aParam, std::string& aRespond) const {
  return HttpPost(aUrl, aParam, "", "", aRespond);
}

int TVqSpfSvrSDK::HttpPost(const std::string& aUrl, const std::string& aParam, const std::string& aCertFile,
                           const std::string& aKeyFile, std::string& aRespond) const {
  return TVqNet::Post(aUrl, aParam, aCertFile, aKeyFile, aRespond, 1);
}

int TVqSpfSvrSDK::PostSigned(const std::string& aTag, const std::string& aPath, const std::string& aFirstField,
                             const std::string& aJSON, std::string& aRespond) const {
  const std::string url = GetSpfHost() + aPath;
  const std::string md5 = TvqLib::GetMd5(kSignSalt + aJSON);
  std::string body;
  body.reserve(aFirstField.size() + aJSON.size() + md5.size() + 13);  // 13: two CRLFs, "json=", "md5="
  if (!aFirstField.empty()) body.append(aFirstField).append(kCrLf);
  body.append("json=").append(aJSON).append(kCrLf).append("md5=").append(md5);
  // A page's request is only worth its copy when detailed logging writes it.
  if (TvqLib::DetailLogEnabled.load()) Log("[" + aTag + "]请求：" + GetSampleUrl(url) + kCrLf + body);
  const int rc = HttpPost(url, body, aRespond);
  // A reply may be a page near the reply cap: the line is made once, not copied again.
  if (TvqLib::DetailLogEnabled.load()) {
    std::string line = kLogHead + ("[" + aTag + "]响应：");
    line.reserve(line.size() + aRespond.size());
    line += aRespond;
    TvqLib::Log(line, false, 9);
  }
  return rc;
}

bool TVqSpfSvrSDK::Login(int aSoftId, const std::string& aBranchNo, const std::string& aOperId,
                         const std::string& aOperPw, const std::string& aSoftDBId, std::string& aDataClearFlag,
                         std::string& aResult) const {
  const std::string json = TRequestJson()
                               .Add("softid", aSoftId)
                               .Add("branch_no", aBranchNo)
                               .Add("oper_id", aOperId)
                               .Add("oper_pw", aOperPw)
                               .Add("soft_database_id", aSoftDBId)
                               .Text();
  std::string respond;
  // The reply alone decides: only a reply of the login's own shape can grant a login, so a
  // proxy's page that arrives with HTTP success is a failure like a transport error.
  (void)PostSigned("登录", "Login.ashx", "", json, respond);
  if (!HasResultMember(respond)) {
    aResult = respond;
    return false;
  }
  AppSvrSDK::TLoginRespond reply;
  std::string erro;
  if (!ReadVqObject(respond, reply, erro)) {
    aResult = "解析登录响应数据失败：" + erro;
    return false;
  }
  aResult = reply.errMsg;
  aDataClearFlag = reply.oResult;
  return reply.bResult;
}

bool TVqSpfSvrSDK::Upload(const std::string& aJSONData, std::string& aResult) const {
  return PostSigned("上传", "UpTable.ashx", "", aJSONData, aResult) == 1;
}

bool TVqSpfSvrSDK::DownloadPOS1(int aSoftId, const std::string& aBranchNo, int aPageSize, int aLastChange,
                                std::string& aResult) const {
  const std::string json = TRequestJson()
                               .Add("softid", aSoftId)
                               .Add("branch_no", aBranchNo)
                               .Add("PageSize", aPageSize)
                               .Add("PageLastChange", aLastChange)
                               .Text();
  return PostSigned("拉取1", "DownloadPos.ashx", "", json, aResult) == 1;
}

bool TVqSpfSvrSDK::DownloadPOS2(int aSoftId, const std::string& aBranchNo, int aPageSize, TDateTime aLastDate,
                                std::string& aResult) const {
  const std::string json = TRequestJson()
                               .Add("softid", aSoftId)
                               .Add("branch_no", aBranchNo)
                               .Add("PageSize", aPageSize)
                               .Add("BeginDate", TvqLib::GetFormat(aLastDate))
                               .Text();
  return PostSigned("拉取2", "wxDownloadPos.ashx", "action=pos", json, aResult) == 1;
}

bool TVqSpfSvrSDK::DownloadVIP(int aSoftId, int aPageSize, TDateTime aLastDate, std::string& aResult) const {
  const std::string json = TRequestJson()
                               .Add("softid", aSoftId)
                               .Add("PageSize", aPageSize)
                               .Add("BeginDate", TvqLib::GetFormat(aLastDate))
                               .Text();
  return PostSigned("拉取会员", "wxDownloadPos.ashx", "action=vipinfo", json, aResult) == 1;
}

bool TVqSpfSvrSDK::VIPSvrConfig(int aSoftId, const std::string& aSvrUrl, const std::string& aSvrKey,
                                const std::string& aDBName, int aStatus, std::string& aResult) const {
  const std::string json = TRequestJson()
                               .Add("softid", aSoftId)
                               .Add("pc_url", aSvrUrl)
                               .Add("pc_key", aSvrKey)
                               .Add("pc_db", aDBName)
                               .Add("oper_status", aStatus)
                               .Text();
  std::string respond;
  const int rc = PostSigned("金卡配置", "UpVipSrvConfig.ashx", "", json, respond);
  if (rc != 1 || !HasResultMember(respond)) {
    aResult = respond;
    return false;
  }
  AppSvrSDK::TVqRespond reply;
  std::string erro;
  if (!ReadVqObject(respond, reply, erro)) {
    aResult = "解析金卡配置响应数据失败：" + erro;
    return false;
  }
  aResult = reply.errMsg;
  return reply.bResult;
}

bool TVqSpfSvrSDK::VIPSvrGetParam(const std::string& aSvrUrl, std::string& aResult) const {
  Log("[测试金卡服务]请求：" + GetSampleUrl(aSvrUrl));
  const int rc = HttpGet(aSvrUrl, aResult);
  Log("[测试金卡服务]响应：" + aResult);
  return rc == 1;
}

}  // namespace tessaly
