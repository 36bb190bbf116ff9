#pragma once
// The agent's client of the cloud platform's REST service, and the two replies it reads itself.
//
// Every POST: address = GetSpfHost() + path; body = [extra first field] CR LF "json=" + request
// JSON CR LF "md5=" + MD5("@7290" + request JSON), sent as an HTML form post through TVqNet
// (sync tag 1); request and reply are detail-logged ("[接口] " prefix, host masked).
//
// Base address: a non-empty SPFClient/SpfHostUrl in Tessaly.ini replaces it whole; otherwise
// "http://" + kSpfApiHost + ":9103/", or ":9104/" when SPFClient/IsTestHost is 1. Both keys are
// read again for every request.
//
// Threads: no state of its own; the uploader, the puller and the UI thread call it at once.
// Nothing throws: transport errors come back as false (or 0) with the HTTP utility's text.
#include <string>

#include "foundation/DateTime.h"
#include "foundation/VqObjectUtil.h"

namespace tessaly {

// The platform's API host, and the word of it that log lines mask.
inline constexpr const char* kSpfApiHost = "api.spfcloud.example";
inline constexpr const char* kSpfHostWord = "spfcloud";

namespace AppSvrSDK {

// Reply of "UpTable.ashx" and "UpVipSrvConfig.ashx".
class TVqRespond : public TVqObject {
 public:
  bool bResult = false;
  std::string errMsg;
  VQ_RECORD(TVqRespond, VQ_PROP(bResult), VQ_PROP(errMsg))
};

// Reply of "Login.ashx"; oResult is the platform's data-clear number as text.
class TLoginRespond : public TVqRespond {
 public:
  std::string oResult;
  VQ_DERIVED_RECORD(TLoginRespond, TVqRespond, VQ_PROP(oResult))
};

}  // namespace AppSvrSDK

class TVqSpfSvrSDK {
 public:
  TVqSpfSvrSDK() = default;
  virtual ~TVqSpfSvrSDK() = default;
  TVqSpfSvrSDK(const TVqSpfSvrSDK&) = delete;
  TVqSpfSvrSDK& operator=(const TVqSpfSvrSDK&) = delete;

  [[nodiscard]] std::string GetSpfHost() const;
  // aUrl with the platform host's word masked, for the log.
  [[nodiscard]] std::string GetSampleUrl(const std::string& aUrl) const;

  // 1 success (aRespond the reply), 0 failure (aRespond the error text).
  [[nodiscard]] int HttpGet(const std::string& aUrl, std::string& aRespond) const;
  [[nodiscard]] int HttpPost(const std::string& aUrl, const std::string& aParam, std::string& aRespond) const;
  [[nodiscard]] int HttpPost(const std::string& aUrl, const std::string& aParam, const std::string& aCertFile,
                             const std::string& aKeyFile, std::string& aRespond) const;

  // True only for a reply carrying "bResult": true. aResult: errMsg, or the reply / error text
  // when the reply is no login reply; aDataClearFlag: the reply's oResult (empty when missing),
  // untouched when the reply is no login reply.
  [[nodiscard]] bool Login(int aSoftId, const std::string& aBranchNo, const std::string& aOperId,
                           const std::string& aOperPw, const std::string& aSoftDBId, std::string& aDataClearFlag,
                           std::string& aResult) const;
  // The next four: true when the request succeeded; aResult the reply or the error text.
  // aJSONData is sent unchanged.
  [[nodiscard]] bool Upload(const std::string& aJSONData, std::string& aResult) const;
  [[nodiscard]] bool DownloadPOS1(int aSoftId, const std::string& aBranchNo, int aPageSize, int aLastChange,
                                  std::string& aResult) const;
  [[nodiscard]] bool DownloadPOS2(int aSoftId, const std::string& aBranchNo, int aPageSize, TDateTime aLastDate,
                                  std::string& aResult) const;
  [[nodiscard]] bool DownloadVIP(int aSoftId, int aPageSize, TDateTime aLastDate, std::string& aResult) const;
  // True only for a reply carrying "bResult": true; aResult errMsg, or the reply / error text.
  [[nodiscard]] bool VIPSvrConfig(int aSoftId, const std::string& aSvrUrl, const std::string& aSvrKey,
                                  const std::string& aDBName, int aStatus, std::string& aResult) const;
  // GET of the member-service address: true when the request succeeded, whatever the reply.
  [[nodiscard]] bool VIPSvrGetParam(const std::string& aSvrUrl, std::string& aResult) const;

 private:
  // "[" + aTag + "]请求：" / "响应：" lines around one signed form post to aPath.
  [[nodiscard]] int PostSigned(const std::string& aTag, const std::string& aPath, const std::string& aFirstField,
                               const std::string& aJSON, std::string& aRespond) const;
  static void Log(const std::string& aLog, bool aIsLog = false);
};

// Created by the engine object after AppVar and freed before it; not owned here.
extern TVqSpfSvrSDK* SpfSvrSDK;

}  // namespace tessaly
