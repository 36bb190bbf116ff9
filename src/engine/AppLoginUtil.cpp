// The engine object's connection to the back-office database and its platform login.
#include <exception>
#include <filesystem>
#include <system_error>

#include "engine/AppDMText.h"
#include "engine/AppDMUtil.h"
#include "engine/AppIniUtil.h"
#include "engine/AppSecretsUtil.h"
#include "engine/AppSvrSDK.h"
#include "engine/AppUtil.h"
#include "engine/AppVarUtil.h"
#include "foundation/VqLibText.h"
#include "foundation/VqLibUtil.h"
#include "platform/TextCodec.h"
#include "platform/TextLines.h"

namespace tessaly {

namespace {

constexpr const char* kDataClearFlag = "DataClearFlag";
constexpr const char* kAutoLoginOper = "1001";

std::string PasswordHash(const std::string& aOperPw) {
  return aOperPw.empty() ? std::string() : OperPwDigest(aOperPw);
}

// A data-clear number as text; -1 when it is no number.
int DataClearNumber(const std::string& aText) { return StrToIntDef(platform::TrimBlanks(aText), -1); }

void CloseMainConnection() {
  try {
    AppDM->FDConnection.Close();
  } catch (const std::exception& e) {
    TSPfApp::Log(std::string("关闭帐套连接出错：") + e.what(), true);
  }
}

}  // namespace

std::string TSPfApp::VipIntegralFile(std::int32_t aSoftId) {
  return TvqLib::GetCurrPath() + "User/" + std::to_string(aSoftId) + "/VIPIntegral.dat";
}

void TSPfApp::SaveVipIntegral(std::int32_t aSoftId) {
  const std::filesystem::path file = VipIntegralFile(aSoftId);
  std::error_code ec;
  std::filesystem::create_directories(file.parent_path(), ec);
  if (std::filesystem::is_directory(file.parent_path(), ec)) AppVar->VipIntegralList.Save(file.string());
}

bool TSPfApp::GetConnDB(std::string& aResult) {
  TAppVar& a = *AppVar;
  std::string address;
  std::string user;
  std::string password;
  std::string database;
  if (a.DBMode == TDBMode::Server || a.DBMode == TDBMode::Hosted) {
    std::string serverName;
    std::string conName;
    std::string msg;
    int port = 0;
    database = a.DBMode == TDBMode::Hosted ? a.SvrDBName : std::string();
    if (AppDM->SoftGetDBParam(a.SvrHost, a.SvrPort, serverName, port, database, conName, user, password, msg) != 1) {
      aResult = "连接服务器失败，请检查服务器地址！\r\n" + msg;
      Log("连接服务器失败：" + msg, true);
      return false;
    }
    // The name is stored in the settings file, where a line break would add keys of its own.
    if (platform::HasLineBreak(database)) {
      aResult = "连接服务器失败，服务器返回的帐套库名含有换行符";
      Log(aResult + "：" + platform::LineBreaksShown(database), true);
      return false;
    }
    address = serverName + "," + std::to_string(port);
    a.DBName = database;
    a.SvrDBName = database;
  } else {
    address = a.DBHost;
    user = a.DBUser;
    password = a.DBPwd;
    database = a.DBName;
  }

  if (!AppDM->FDConnection.Connected()) {
    Log("连接软件帐套：" + address + "，用户：" + user + "，库名：" + database + "...");
    std::string erro;
    if (!AppDM->SQLServerConn(erro, address, user, password, database)) {
      aResult = "软件帐套连接失败，" + erro;
      Log(aResult, true);
      return false;
    }
  }

  std::string msg;
  std::string dbFlagId;
  AppDM->SoftGetDBFlagId(msg, dbFlagId);

  if (a.DBMode == TDBMode::Hosted) {
    Log("验证帐套Id...");
    if (!platform::SameText(a.SvrDBId, a.DBId)) {
      aResult = "当前帐套Id跟托管配置帐套Id不一致";
      Log(aResult + " -服务器帐套Id：" + a.SvrDBId + "，当前帐套Id：" + a.DBId + " -当前帐套：" + address + "," +
              database,
          true);
      // Left open, the next engine start would upload the wrong account set.
      CloseMainConnection();
      return false;
    }
  }
  return true;
}

bool TSPfApp::Login(int aSoftId, const std::string& aOperId, const std::string& aOperPw, std::string& aResult) {
  if (aSoftId <= 0) {
    aResult = "平台帐号不能小于或等于零";
    return false;
  }
  if (!GetConnDB(aResult)) {
    Log(aResult, true);
    return false;
  }

  TAppVar& a = *AppVar;
  const std::int32_t oldSoftId = a.SoftId.v();
  // The upgrade stamp, the branch number and the edition are kept per enterprise id: read them
  // for the enterprise logging in, not the one before. A refused login puts the old id back.
  a.SoftId.v(aSoftId);
  std::string branchNo;
  std::string dataClearFlag;
  if (!PrepareLogin(branchNo, aResult)) {
    a.SoftId.v(oldSoftId);
    Log(aResult, true);
    return false;
  }
  if (!SpfSvrSDK->Login(aSoftId, branchNo, aOperId, PasswordHash(aOperPw), a.DBId, dataClearFlag, aResult)) {
    a.SoftId.v(oldSoftId);
    if (aResult.empty()) aResult = "自助平台登录失败";
    Log(aResult, true);
    return false;
  }
  return ApplyLogin(oldSoftId, branchNo, aOperId, dataClearFlag, aResult);
}

bool TSPfApp::PrepareLogin(std::string& aBranchNo, std::string& aResult) {
  TAppVar& a = *AppVar;
  std::string erro;
  if (!AppDM->SetCurrSoftId(a.SoftId.v(), erro)) Log("设置当前登录企业Id出错：" + erro, true);

  Log("正在升级数据库...");
  erro.clear();
  if (!AppDM->DBUpgrader(erro)) {
    aResult = erro;
    return false;
  }

  aBranchNo.clear();
  if (a.SoftModel == 1) {
    std::string reason;
    a.DBDistributed = AppDM->SoftGetDistributed(reason);
    std::string branch;
    if (AppDM->SoftGetBranchNo(branch) != 1) {
      aResult = "查询门店编号失败" + branch;
      return false;
    }
    aBranchNo = branch;
  }
  return true;
}

bool TSPfApp::ApplyLogin(std::int32_t aOldSoftId, const std::string& aBranchNo, const std::string& aOperId,
                         const std::string& aDataClearFlag, std::string& aResult) {
  TAppVar& a = *AppVar;
  a.BranchNo.v(aBranchNo);
  a.OperId = aOperId;
  SwitchVipIntegral(aOldSoftId, a.SoftId.v());

  const int platformNumber = DataClearNumber(aDataClearFlag);
  const int storedNumber =
      DataClearNumber(VarToStr(AppDM->GetSysParam(kDataClearFlag, TDbVariant(std::int64_t{-1}))));
  if (storedNumber > 0 && storedNumber < platformNumber) {
    std::string erro;
    if (!AppDM->DataClear(erro)) {
      aResult = "！！执行开业清库失败：" + erro;
      Log(aResult, true);
      return false;
    }
    Log("！！执行开业清库成功：" + aDataClearFlag, true);
  }
  // A reply without a number must not wipe the stored one, or the next rise would go unseen.
  if (platformNumber >= 0) {
    std::string erro;
    if (!AppDM->SetSysParam(erro, kDataClearFlag, TDbVariant(std::int64_t{platformNumber}), ""))
      Log("保存开业清空标记参数失败：" + erro, true);
  }
  return true;
}

void TSPfApp::SwitchVipIntegral(std::int32_t aOldSoftId, std::int32_t aNewSoftId) {
  if (aOldSoftId == aNewSoftId) return;
  TVqSyncIDValueList& cache = AppVar->VipIntegralList;
  if (aOldSoftId > 0) SaveVipIntegral(aOldSoftId);
  cache.Clear();
  cache.Load(VipIntegralFile(aNewSoftId));
}

bool TSPfApp::AutoLogin(const std::string& aFirstArg) {
  const TAppVar& a = *AppVar;
  if (!a.AutoStart || a.SoftVer.empty() || !platform::SameText(aFirstArg, "-Auto")) return false;
  if (AppIniReadInt("Login", "SavePassword", 1) != 1) return false;

  const std::string idText = TvqLib::IniRead("Login", "SoftId", "");
  const std::string stored = TvqLib::IniRead("Login", "OperPwd", "");
  const std::string password = stored.empty() ? std::string() : TvqLib::FoBase64(stored);
  if (idText.empty()) return false;
  const int softId = StrToIntDef(platform::TrimBlanks(idText), 0);
  if (softId <= 0) return false;

  std::string reason;
  if (Login(softId, kAutoLoginOper, password, reason)) return true;
  Log("[自动登录]" + reason, true);
  return false;
}

}  // namespace tessaly
