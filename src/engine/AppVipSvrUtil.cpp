// The engine object's registration of the member real-time query with the platform.
#include "engine/AppDMUtil.h"
#include "engine/AppProductUtil.h"
#include "engine/AppSvrSDK.h"
#include "engine/AppUtil.h"
#include "engine/AppVarUtil.h"
#include "platform/TextCodec.h"

namespace tessaly {

bool TSPfApp::CanSetVIPSvr(const std::string& aSoftVer) {
  return IsChangeTrackingProduct(aSoftVer);
}

bool TSPfApp::CheckVIPSvrConfig(std::string& aResult) {
  TAppVar& a = *AppVar;
  if (!a.SvrVIPConnOK.v()) {
    if (CanSetVIPSvr(a.SoftVer)) return CancelVIPSvr("", aResult);
    return true;
  }

  std::string reason;
  std::string key;
  std::string msg;
  AppDM->SoftGetRDAKey(key, msg);
  a.SvrVIPKey = platform::TrimBlanks(key);
  std::string address;
  if (a.SvrVIPKey.empty()) {
    reason = "访问密钥未设置";
  } else if (a.SvrVIPHost.empty()) {
    reason = "地址未设置";
  } else if (a.SvrVIPPort <= 0) {
    reason = "端口未设置";
  } else {
    address = "http://" + a.SvrVIPHost + ":" + std::to_string(a.SvrVIPPort) + "/" + a.DBName;
    Log("测试连接金卡服务...");
    std::string answer;
    if (!SpfSvrSDK->VIPSvrGetParam(address + "/GetSysParm/", answer)) {
      reason = "测试连接金卡服务";
      Log(reason + "失败：" + answer);
    }
  }
  if (!reason.empty()) {
    a.SvrVIPConnOK.v(false);
    return CancelVIPSvr(reason, aResult);
  }

  Log("开启配置金卡服务...");
  std::string answer;
  if (SpfSvrSDK->VIPSvrConfig(a.SoftId.v(), address, a.SvrVIPKey, a.DBName, 1, answer)) {
    Log("开启金卡服务会员实时查询OK", true);
    return true;
  }
  aResult = "开启金卡服务会员实时查询出错：" + answer;
  Log(aResult, true);
  return false;
}

bool TSPfApp::CancelVIPSvr(const std::string& aReason, std::string& aResult) {
  Log("取消金卡服务...");
  std::string answer;
  if (SpfSvrSDK->VIPSvrConfig(AppVar->SoftId.v(), "", "", "", 0, answer)) {
    Log("金卡服务" + aReason + "，取消开启会员实时查询", true);
    return true;
  }
  aResult = "金卡服务" + aReason + "置，取消开启会员实时查询出错：" + answer;
  Log(aResult, true);
  return false;
}

}  // namespace tessaly
