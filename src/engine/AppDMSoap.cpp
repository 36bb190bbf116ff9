// TAppDM: connection parameters handed out by the back-office server's SOAP service.
#include <exception>

#include "engine/AppDMText.h"
#include "engine/AppDMUtil.h"
#include "engine/AppVarUtil.h"
#include "engine/IVqService.h"
#include "foundation/VqLibText.h"
#include "platform/TextCodec.h"

namespace tessaly {

namespace {

using platform::TrimBlanks;

// The server names its own machine; the agent reaches it through aSvrHost instead.
bool IsLocalHostName(const std::string& aName) {
  return platform::SameText(aName, "127.0.0.1") || platform::SameText(aName, ".") ||
         aName.find("local") != std::string::npos;
}

}  // namespace

std::string TAppDM::ServiceAddress(const std::string& aSvrHost, int aSvrPort) {
  std::string addr = "http://" + aSvrHost + ":" + std::to_string(aSvrPort) + "/VqService";
  if (AppVar->SvrUseWSDL) addr += "?wsdl";
  Log("请求服务：" + addr);
  return addr;
}

int TAppDM::SoftGetDBParam(const std::string& aSvrHost, int aSvrPort, std::string& aServerName, int& aPort,
                           std::string& aDataBase, std::string& aConName, std::string& aUser, std::string& aPswd,
                           std::string& aMsg) {
  try {
    const auto service = GetIVqService(AppVar->SvrUseWSDL, ServiceAddress(aSvrHost, aSvrPort));
    GetConnectDBParm request;
    request.aDatabase.Set(TrimBlanks(aDataBase));
    const GetConnectDBParmResponse reply = service->GetConnectDBParm(request);
    // A server that declines hands out no parameters; its empty members are no connection. A
    // reply without the result element is read by its members.
    if (reply.GetConnectDBParmResult.IsStored() && !reply.GetConnectDBParmResult.Get()) {
      aMsg = "软件服务器未提供帐套“" + TrimBlanks(aDataBase) + "”的连接参数";
      Log("请求服务出错：" + aMsg, true);
      return 0;
    }
    aServerName = TrimBlanks(reply.aServerName.Get());
    aPort = reply.aPort.Get();
    aDataBase = TrimBlanks(reply.aDatabase.Get());
    aConName = TrimBlanks(reply.conName.Get());
    aUser = TrimBlanks(reply.aLogName.Get());

    const std::string user = TvqLib::GetVqDecrypt(aUser);
    if (!user.empty()) aUser = TrimBlanks(user);

    aPswd.clear();
    const std::string pass = TrimBlanks(reply.aLogPass.Get());
    if (!pass.empty() && pass != "0") {
      const std::string plain = TvqLib::GetVqDecrypt(pass);
      if (!plain.empty()) aPswd = TrimBlanks(plain);
    }

    if (IsLocalHostName(aServerName)) aServerName = aSvrHost;
    return 1;
  } catch (const std::exception& e) {
    aMsg = e.what();
    Log("请求服务出错：" + aMsg, true);
    return 0;
  }
}

int TAppDM::SoftGetRDAPort(const std::string& aSvrHost, int aSvrPort, int& aRADPort, std::string& aMsg) {
  try {
    const auto service = GetIVqService(AppVar->SvrUseWSDL, ServiceAddress(aSvrHost, aSvrPort));
    const GetVqRdaPortResponse reply = service->GetVqRdaPort(GetVqRdaPort{});
    aRADPort = StrToIntDef(TrimBlanks(reply.GetVqRdaPortResult.Get()), 0);
    return aRADPort > 0 ? 1 : 0;
  } catch (const std::exception& e) {
    aMsg = e.what();
    Log("请求服务出错：" + aMsg, true);
    return 0;
  }
}

int TAppDM::SoftGetRDAServer(const std::string& aSvrHost, int aSvrPort, std::string& aRDAHost, std::string& aMsg) {
  try {
    const auto service = GetIVqService(AppVar->SvrUseWSDL, ServiceAddress(aSvrHost, aSvrPort));
    const GetVqServiceAddrResponse reply = service->GetVqServiceAddr(GetVqServiceAddr{});
    aRDAHost = TrimBlanks(reply.GetVqServiceAddrResult.Get());
    if (platform::Utf16Length(aRDAHost) <= 3) return 0;
    const std::string lower = platform::AsciiLower(aRDAHost);
    if (lower.find("127.0.0.1") != std::string::npos || lower.rfind("192", 0) == 0 ||
        lower.find("local") != std::string::npos) {
      aMsg = "需设置外网地址";
      return 0;
    }
    return 1;
  } catch (const std::exception& e) {
    aMsg = e.what();
    Log("请求服务出错：" + aMsg, true);
    return 0;
  }
}

}  // namespace tessaly
