// The engine object's settings loaders and savers.
#include <filesystem>
#include <system_error>

#include "engine/AppIniUtil.h"
#include "engine/AppUtil.h"
#include "engine/AppVarUtil.h"
#include "engine/DMUnit.h"
#include "foundation/VqLibText.h"
#include "foundation/VqLibUtil.h"
#include "platform/TextCodec.h"

namespace tessaly {

std::atomic<bool> IsDebugMemory{false};

namespace {

constexpr const char* kAutoRunName = "VqSPFTransClient";
constexpr const char* kBackOfficeSect = "app_env";

std::string DBSection(const std::string& aSoftVer) { return "DBConfig_" + aSoftVer; }

std::string ReadStr(const std::string& aSect, const std::string& aName, const std::string& aDefValue = "",
                    const std::string& aIniFile = "") {
  return TvqLib::IniRead(aSect, aName, aDefValue, aIniFile);
}

// Passwords are stored as Base64 of their UTF-8 bytes; empty stays empty.
std::string ReadPwd(const std::string& aSect, const std::string& aName) {
  const std::string stored = ReadStr(aSect, aName);
  return stored.empty() ? std::string() : TvqLib::FoBase64(stored);
}

std::string StorePwd(const std::string& aPwd) { return aPwd.empty() ? std::string() : TvqLib::ToBase64(aPwd); }

// A page size of 0 or less would stall paging and divide by zero in the workers.
std::int32_t AtLeastOne(std::int32_t aValue) { return aValue < 1 ? 1 : aValue; }

std::string ResolveSoftVer(const std::string& aSoftVer) { return aSoftVer.empty() ? AppVar->SoftVer : aSoftVer; }

bool BackOfficeIniExists() {
  std::error_code ec;
  return std::filesystem::is_regular_file(TvqLib::GetCurrPath() + kBackOfficeIni, ec);
}

std::string ReadBackOffice(const std::string& aName, const std::string& aDefValue) {
  return ReadStr(kBackOfficeSect, aName, aDefValue, kBackOfficeIni);
}

// "vqhalvik_" + the last two characters of "0" + now_use (3 gives 03, 123 gives 23).
std::string AccountSetDBName(const std::string& aNowUse) {
  const std::string padded = "0" + aNowUse;
  const std::size_t len = platform::Utf16Length(padded);
  return "vqhalvik_" + platform::Utf16Mid(padded, len - 2, 2);
}

}  // namespace

int TSPfApp::GetDBMode(const std::string& aSoftVer) { return SoftVerDBMode(aSoftVer); }

void TSPfApp::OnSoftVerChanged() { AppVar->SoftModel = SoftVerModel(AppVar->SoftVer, AppVar->SoftModel); }

void TSPfApp::CfgLoad() {
  TAppVar& a = *AppVar;
  const std::string s = kSectSPFClient;
  a.SoftVer = ReadStr(s, "SoftVer");
  a.SoftVerName = ReadStr(s, "SoftVerName");
  a.SoftModel = AppIniReadInt(s, "SoftModel", 0);
  a.SoftId.v(AppIniReadInt(s, "SoftId", 0));

  a.AutoStart = TvqLib::GetAutoStart(kAutoRunName);

  a.AutoStartWaitTime = AppIniReadInt(s, "AutoStartWaitTime", 5000);
  a.UploadPageSize.v(AtLeastOne(AppIniReadInt(s, "UploadPageSize", 20)));
  a.PullPageSize.v(AtLeastOne(AppIniReadInt(s, "PullPageSize", 10)));
  a.UploadVipintegralFlag.v(AppIniReadInt(s, "UploadVipintegralFlag", 0));
  a.PullSelfCollect.v(AppIniReadBool(s, "PullSelfCollect", true));
  a.PullWXApplet.v(AppIniReadBool(s, "PullWXApplet", false));
  a.PullStartDate.v(TvqLib::IniReadDateTime(s, "PullStartDate", 0.0));
  a.IsNewOrderTips.v(AppIniReadInt(s, "IsNewOrderTips", 1));
  a.IsDetailLog.v(AppIniReadBool(s, "IsDetailLog", false));
  a.IsHQBranchTransAll.v(AppIniReadBool(s, "IsHQBranchTransAll", false));

  IsDMSqlLog = AppIniReadBool(s, "IsDMSqlLog", false);
  IsDebugMemory = AppIniReadBool(s, "IsDebugMemory", false);

  a.VipIntegralList.Load(VipIntegralFile(a.SoftId.v()));
  CfgDBLoad("");
  OnSoftVerChanged();
}

void TSPfApp::CfgSave() {
  TAppVar& a = *AppVar;
  const std::string s = kSectSPFClient;
  TvqLib::IniWrite(s, "SoftVer", a.SoftVer);
  TvqLib::IniWrite(s, "SoftVerName", a.SoftVerName);
  TvqLib::IniWrite(s, "SoftModel", a.SoftModel);
  TvqLib::IniWrite(s, "SoftId", a.SoftId.v());
  TvqLib::IniWrite(s, "AutoStart", a.AutoStart);
  TvqLib::IniWrite(s, "AutoStartWaitTime", a.AutoStartWaitTime);
  TvqLib::IniWrite(s, "UploadPageSize", a.UploadPageSize.v());
  TvqLib::IniWrite(s, "UploadVipintegralFlag", a.UploadVipintegralFlag.v());
  TvqLib::IniWrite(s, "PullPageSize", a.PullPageSize.v());
  TvqLib::IniWrite(s, "PullSelfCollect", a.PullSelfCollect.v());
  TvqLib::IniWrite(s, "PullWXApplet", a.PullWXApplet.v());
  // A zero date keeps the file's earlier date.
  if (const TDateTime start = a.PullStartDate.v(); start > 0)
    TvqLib::IniWrite(s, "PullStartDate", FormatDateTime("yyyy-mm-dd", start) + " 00:00:00");
  TvqLib::IniWrite(s, "IsNewOrderTips", a.IsNewOrderTips.v());
  TvqLib::IniWrite(s, "IsDetailLog", a.IsDetailLog.v());
  TvqLib::IniWrite(s, "IsHQBranchTransAll", a.IsHQBranchTransAll.v());

  TvqLib::DetailLogEnabled = a.IsDetailLog.v();

  SaveVipIntegral(a.SoftId.v());

  CfgDBSave();
  OnSoftVerChanged();
}

void TSPfApp::CfgDBLoad(const std::string& aSoftVer) {
  const std::string code = ResolveSoftVer(aSoftVer);
  if (code.empty()) return;
  TAppVar& a = *AppVar;
  const std::string s = DBSection(code);
  a.DBMode = GetDBMode(code);
  switch (a.DBMode) {
    case TDBMode::Server:
      a.SvrHost = ReadStr(s, "SvrHost");
      a.SvrPort = AppIniReadInt(s, "SvrPort", 0);
      a.SvrDBTitle = ReadStr(s, "SvrDBTitle");
      a.SvrDBName = ReadStr(s, "SvrDBName");
      a.SvrUseWSDL = AppIniReadBool(s, "SvrUseWSDL", false);
      break;
    case TDBMode::Hosted:
      a.SvrHost = ReadStr(s, "SvrHost");
      a.SvrPort = AppIniReadInt(s, "SvrPort", 0);
      a.SvrDBName = ReadStr(s, "SvrDBName");
      a.SvrDBId = ReadStr(s, "SvrDBId");
      break;
    default:
      a.DBHost = ReadStr(s, "DBHost");
      a.DBUser = ReadStr(s, "DBUser", "sa");
      a.DBPwd = ReadPwd(s, "DBPwd");
      a.DBName = ReadStr(s, "DBName");
      break;
  }
  a.SvrVIPHost = ReadStr(s, "SvrVIPHost");
  a.SvrVIPPort = AppIniReadInt(s, "SvrVIPPort", 0);
  a.SvrVIPConnOK.v(AppIniReadBool(s, "SvrVIPConnOK", false));
  CfgDBLoadDef(code);
}

void TSPfApp::CfgDBLoadDef(const std::string& aSoftVer) {
  const std::string code = ResolveSoftVer(aSoftVer);
  if (code.empty()) return;
  TAppVar& a = *AppVar;
  a.DBMode = GetDBMode(code);
  if (a.DBMode == TDBMode::Server) {
    if (a.SvrHost.empty() && BackOfficeIniExists()) {
      a.SvrHost = ReadBackOffice("Server_ip", "");
      a.SvrPort = AppIniReadInt(kBackOfficeSect, "server_port", 0, kBackOfficeIni);
    }
    return;
  }
  if (a.DBMode != TDBMode::Direct) return;

  if (a.DBHost.empty() && BackOfficeIniExists()) {
    a.DBHost = ReadBackOffice("Server_ip", "127.0.0.1") + "," + ReadBackOffice("server_port", "1433");
    a.DBName = ReadBackOffice("datebase", "");
    const std::string nowUse = ReadBackOffice("now_use", "");
    if (a.DBName.empty() && !nowUse.empty() && code == "00012") a.DBName = AccountSetDBName(nowUse);
  }
  if (a.DBHost.empty()) a.DBHost = "127.0.0.1,1433";
  if (a.DBName.empty()) a.DBName = SoftVerDefDBName(code);
}

void TSPfApp::CfgDBSave() {
  const TAppVar& a = *AppVar;
  const std::string s = DBSection(a.SoftVer);
  switch (a.DBMode) {
    case TDBMode::Server:
      TvqLib::IniWrite(s, "SvrHost", a.SvrHost);
      TvqLib::IniWrite(s, "SvrPort", a.SvrPort);
      TvqLib::IniWrite(s, "SvrDBTitle", a.SvrDBTitle);
      TvqLib::IniWrite(s, "SvrDBName", a.SvrDBName);
      TvqLib::IniWrite(s, "SvrUseWSDL", a.SvrUseWSDL);
      break;
    case TDBMode::Hosted:
      TvqLib::IniWrite(s, "SvrHost", a.SvrHost);
      TvqLib::IniWrite(s, "SvrPort", a.SvrPort);
      TvqLib::IniWrite(s, "SvrDBName", a.SvrDBName);
      TvqLib::IniWrite(s, "SvrDBId", a.SvrDBId);
      break;
    default:
      TvqLib::IniWrite(s, "DBHost", a.DBHost);
      TvqLib::IniWrite(s, "DBUser", a.DBUser);
      TvqLib::IniWrite(s, "DBPwd", StorePwd(a.DBPwd));
      TvqLib::IniWrite(s, "DBName", a.DBName);
      break;
  }
  TvqLib::IniWrite(s, "SvrVIPHost", a.SvrVIPHost);
  TvqLib::IniWrite(s, "SvrVIPPort", a.SvrVIPPort);
  TvqLib::IniWrite(s, "SvrVIPConnOK", a.SvrVIPConnOK.v());
  TvqLib::IniWrite(s, "DBDistributed", a.DBDistributed);
}

}  // namespace tessaly
