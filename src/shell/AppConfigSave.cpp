// The settings dialog's save, server query and snapshot.
#include "shell/AppConfigSave.h"

#include <iterator>

#include "engine/AppDMUtil.h"
#include "engine/AppUtil.h"
#include "engine/AppVarUtil.h"
#include "foundation/VqLibText.h"
#include "foundation/VqLibTextTrim.h"
#include "foundation/VqLibUtil.h"
#include "platform/TextLines.h"

namespace tessaly {

namespace {

void Log(const std::string& aText, bool aIsLog = false) { TvqLib::Log("[软件设置] " + aText, aIsLog); }

}  // namespace

std::string SoftVerCodeOf(int aIndex) {
  if (aIndex < 0 || aIndex >= static_cast<int>(std::size(kSoftVerList))) return {};
  return kSoftVerList[aIndex].Code;
}

int SoftVerIndexOf(const std::string& aCode) {
  for (int i = 0; i < static_cast<int>(std::size(kSoftVerList)); ++i)
    if (aCode == kSoftVerList[i].Code) return i;
  return -1;
}

std::string SvrDBItem(const std::string& aTitle, const std::string& aName) { return aTitle + "(" + aName + ")"; }

std::string SvrDBItemTitle(const std::string& aItem) { return TvqLib::GetTagStr(aItem, "", "("); }

std::string SvrDBItemName(const std::string& aItem) { return TvqLib::GetTagStr(aItem, "(", ")"); }

TSvrDBInfo QuerySvrDBInfo(const std::string& aHost, int aPort, const std::string& aDBName, bool aVIPEnabled) {
  TSvrDBInfo info;
  Log("获取帐套信息[" + aHost + "]...");
  std::string msg;
  info.DBName = aDBName;
  if (AppDM->SoftGetDBParam(aHost, aPort, info.DBHost, info.Port, info.DBName, info.DBTitle, info.DBUser, info.DBPwd,
                            msg) != 1) {
    info.Error = "连接软件服务器失败，请检查！\r\n" + msg;
    return info;
  }
  Log("获取到服务器帐套：" + info.DBHost + "," + std::to_string(info.Port) + " " + info.DBName + " " + info.DBUser);
  std::string text = "不支持设置";
  if (aVIPEnabled) {
    info.VIPQueried = true;
    text.clear();
    Log("获取帐套RDA端口...");
    int port = 0;
    if (AppDM->SoftGetRDAPort(aHost, aPort, port, msg) == 1) {
      info.VIPPort = port;
      if (port > 0) {
        Log("帐套RDA端口：" + std::to_string(port));
      } else {
        info.VIPUntick = true;
        text = "未开启快速模式";
        Log(text);
      }
    } else {
      info.VIPUntick = true;
      text = "查询端口失败：" + msg;
      Log(text);
    }
    Log("获取帐套RDA服务信息...");
    std::string host;
    const bool hostOk = AppDM->SoftGetRDAServer(aHost, aPort, host, msg) == 1;
    // A refused host is kept too: it is named in the refusal, and the settings keep it.
    info.VIPHost = host;
    if (hostOk) {
      text = "http://" + info.VIPHost + ":" + std::to_string(info.VIPPort) + "/" + info.DBName;
      Log(text);
    } else {
      info.VIPUntick = true;
      if (!text.empty()) text += ",";
      text += !info.VIPHost.empty() ? "服务地址有误：" + info.VIPHost + msg : "查询服务出错：" + msg;
      Log(text);
    }
  }
  // These go into the settings file, where a line break would add keys of its own.
  for (const std::string* sent : {&info.DBName, &info.DBTitle, &info.VIPHost}) {
    if (!platform::HasLineBreak(*sent)) continue;
    info.Error = "连接软件服务器失败，服务器返回的帐套信息含有换行符";
    Log(info.Error + "：" + platform::LineBreaksShown(*sent), true);
    return info;
  }
  info.AddressText = text.empty() ? "未设置" : text;
  info.Ok = true;
  return info;
}

bool CheckConfigForm(const TConfigForm& aForm, TConfigSave& aSave, std::string& aMsg, TConfigFocus& aFocus) {
  aFocus = TConfigFocus::None;
  aSave = TConfigSave{};
  aSave.Form = aForm;
  aSave.SoftVer = SoftVerCodeOf(aForm.SoftVerIndex);
  aSave.SoftVerName = aForm.SoftVerIndex >= 0 && !aSave.SoftVer.empty() ? kSoftVerList[aForm.SoftVerIndex].Name : "";
  aSave.DBMode = TSPfApp::GetDBMode(aSave.SoftVer);
  aSave.SvrHost = AppVar->SvrHost;
  aSave.SvrPort = AppVar->SvrPort;
  aSave.SvrDBTitle = AppVar->SvrDBTitle;
  aSave.SvrDBName = AppVar->SvrDBName;
  aSave.SvrDBId = AppVar->SvrDBId;
  aSave.SvrUseWSDL = AppVar->SvrUseWSDL;
  aSave.SvrVIPHost = AppVar->SvrVIPHost;
  aSave.SvrVIPPort = AppVar->SvrVIPPort;
  aSave.SvrVIPConnOK = aForm.SvrVIPConnOK;
  if (aSave.DBMode == TDBMode::Hosted || aSave.DBMode == TDBMode::Server) {
    const bool hosted = aSave.DBMode == TDBMode::Hosted;
    if (aForm.VisiblePanel != aSave.DBMode) {
      aMsg = "请切换选择软件版本！";
      return false;
    }
    aSave.SvrHost = TrimControls(hosted ? aForm.AuthHost : aForm.SvrHost);
    if (aSave.SvrHost.empty()) {
      aMsg = "请输入帐套服务器地址！";
      aFocus = TConfigFocus::SvrHost;
      return false;
    }
    aSave.SvrPort = hosted ? aForm.AuthPort : aForm.SvrPort;
    if (aSave.SvrPort <= 0) {
      aMsg = "请输入帐套服务器端口号！";
      aFocus = TConfigFocus::SvrPort;
      return false;
    }
    if (hosted) {
      aSave.SvrDBName = TrimControls(aForm.AuthDBName);
      aSave.SvrDBId = TrimControls(aForm.AuthDBId);
      aSave.SvrUseWSDL = aForm.AuthUseWSDL;
    } else {
      if (aForm.SvrDBItem.empty()) {
        aMsg = "请选择软件帐套！";
        aFocus = TConfigFocus::SvrDB;
        return false;
      }
      aSave.SvrUseWSDL = aForm.SvrUseWSDL;
    }
  } else {
    aSave.DBHost = TrimControls(aForm.DBHost);
    aSave.DBUser = TrimControls(aForm.DBUser);
    aSave.DBPwd = aForm.DBPwd;
    aSave.DBName = TrimControls(aForm.DBName);
    aSave.SvrDBTitle.clear();
    aSave.SvrDBName.clear();
  }
  return true;
}

void TakeSvrDBInfo(const TSvrDBInfo& aInfo, TConfigSave& aSave) {
  aSave.DBHost = aInfo.DBHost + "," + std::to_string(aInfo.Port);
  aSave.DBUser = aInfo.DBUser;
  aSave.DBPwd = aInfo.DBPwd;
  aSave.DBName = aInfo.DBName;
  if (aSave.DBMode == TDBMode::Server) {
    aSave.SvrDBTitle = aInfo.DBTitle;
    aSave.SvrDBName = aInfo.DBName;
  }
  if (aInfo.VIPQueried) {
    aSave.SvrVIPHost = aInfo.VIPHost;
    aSave.SvrVIPPort = aInfo.VIPPort;
  }
  if (aInfo.VIPUntick) aSave.SvrVIPConnOK = false;
}

bool ConnectConfigDB(const TConfigSave& aSave, std::string& aMsg) {
  if (AppDM->FDConnection.Connected()) {
    try {
      AppDM->FDConnection.Close();
    } catch (const std::exception& e) {
      Log(std::string("数据库配置变化，断开原连接时：") + e.what());
    }
  }
  const std::string where = aSave.DBHost + " " + aSave.DBUser + " " + aSave.DBName;
  Log("连接数据库：" + where + "...");
  std::string error;
  if (!AppDM->SQLServerConn(error, aSave.DBHost, aSave.DBUser, aSave.DBPwd, aSave.DBName)) {
    aMsg = "数据库帐套连接失败，" + error;
    return false;
  }
  Log("连接数据库成功：" + where + ".");
  return true;
}

void ApplyConfig(const TConfigSave& aSave) {
  AppVar->SoftVer = aSave.SoftVer;
  AppVar->SoftVerName = aSave.SoftVerName;
  AppVar->DBMode = aSave.DBMode;
  AppVar->SvrHost = aSave.SvrHost;
  AppVar->SvrPort = aSave.SvrPort;
  AppVar->SvrUseWSDL = aSave.SvrUseWSDL;
  if (aSave.DBMode == TDBMode::Hosted) {
    AppVar->SvrDBName = aSave.SvrDBName;
    AppVar->SvrDBId = aSave.SvrDBId;
  } else {
    AppVar->SvrDBTitle = aSave.SvrDBTitle;
    AppVar->SvrDBName = aSave.SvrDBName;
  }
  AppVar->DBHost = aSave.DBHost;
  AppVar->DBUser = aSave.DBUser;
  AppVar->DBPwd = aSave.DBPwd;
  AppVar->DBName = aSave.DBName;
  AppVar->SvrVIPHost = aSave.SvrVIPHost;
  AppVar->SvrVIPPort = aSave.SvrVIPPort;
  AppVar->SvrVIPConnOK.v(aSave.SvrVIPConnOK);
  const TConfigForm& f = aSave.Form;
  AppVar->IsNewOrderTips.v(f.IsNewOrderTips);
  AppVar->IsHQBranchTransAll.v(f.IsHQBranchTransAll);
  AppVar->AutoStartWaitTime = f.AutoStartWaitTime;
  AppVar->UploadPageSize.v(f.UploadPageSize);
  AppVar->UploadVipintegralFlag.v(f.UploadVipintegralFlag);
  AppVar->PullSelfCollect.v(f.PullSelfCollect);
  AppVar->PullWXApplet.v(f.PullWXApplet);
  AppVar->PullPageSize.v(f.PullPageSize);
  if (f.PullStartDateVisible) AppVar->PullStartDate.v(f.PullStartDate);
}

TAppVarDBSnapshot TAppVarDBSnapshot::Take() {
  TAppVarDBSnapshot s;
  s.DBMode = AppVar->DBMode;
  s.DBHost = AppVar->DBHost;
  s.DBUser = AppVar->DBUser;
  s.DBPwd = AppVar->DBPwd;
  s.DBName = AppVar->DBName;
  s.SvrHost = AppVar->SvrHost;
  s.SvrPort = AppVar->SvrPort;
  s.SvrDBTitle = AppVar->SvrDBTitle;
  s.SvrDBName = AppVar->SvrDBName;
  s.SvrDBId = AppVar->SvrDBId;
  s.SvrUseWSDL = AppVar->SvrUseWSDL;
  s.SvrVIPHost = AppVar->SvrVIPHost;
  s.SvrVIPPort = AppVar->SvrVIPPort;
  s.SvrVIPConnOK = AppVar->SvrVIPConnOK.v();
  s.SoftVer = AppVar->SoftVer;
  s.SoftVerName = AppVar->SoftVerName;
  s.SoftModel = AppVar->SoftModel;
  s.ConnParams = AppDM->FDConnection.Params();
  s.ConnOpen = AppDM->FDConnection.Connected();
  return s;
}

void TAppVarDBSnapshot::Restore() const {
  AppVar->DBMode = DBMode;
  AppVar->DBHost = DBHost;
  AppVar->DBUser = DBUser;
  AppVar->DBPwd = DBPwd;
  AppVar->DBName = DBName;
  AppVar->SvrHost = SvrHost;
  AppVar->SvrPort = SvrPort;
  AppVar->SvrDBTitle = SvrDBTitle;
  AppVar->SvrDBName = SvrDBName;
  AppVar->SvrDBId = SvrDBId;
  AppVar->SvrUseWSDL = SvrUseWSDL;
  AppVar->SvrVIPHost = SvrVIPHost;
  AppVar->SvrVIPPort = SvrVIPPort;
  AppVar->SvrVIPConnOK.v(SvrVIPConnOK);
  AppVar->SoftVer = SoftVer;
  AppVar->SoftVerName = SoftVerName;
  AppVar->SoftModel = SoftModel;
  RestoreConnection();
}

void TAppVarDBSnapshot::RestoreConnection() const {
  TDbConnection& conn = AppDM->FDConnection;
  if (conn.Params() == ConnParams && (conn.Connected() || !ConnOpen)) return;
  try {
    conn.Close();
  } catch (const std::exception& e) {
    Log(std::string("恢复原数据库连接，断开当前连接时：") + e.what());
  }
  conn.SetParams(ConnParams);
  if (!ConnOpen) return;
  try {
    conn.Open();
    Log("已恢复原数据库连接：" + AppVar->DBHost + " " + AppVar->DBUser + " " + AppVar->DBName + ".");
  } catch (const std::exception& e) {
    Log(std::string("恢复原数据库连接失败：") + e.what(), true);
  }
}

}  // namespace tessaly
