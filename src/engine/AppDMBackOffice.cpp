// TAppDM: reads of the back-office product's own objects - settings, database edition, branch
// number and the change numbers of the sync tables.
#include <algorithm>
#include <exception>
#include <initializer_list>

#include "engine/AppDMText.h"
#include "engine/AppDMUtil.h"
#include "engine/AppVarUtil.h"
#include "platform/TextCodec.h"

namespace tessaly {

namespace {

bool IsOneOf(const std::string& aSoftVer, std::initializer_list<const char*> aCodes) {
  return std::any_of(aCodes.begin(), aCodes.end(), [&](const char* c) { return aSoftVer == c; });
}

std::string SoftIdText() { return std::to_string(AppVar->SoftId.v()); }

// A table name goes into a statement unquoted, so only a plain (optionally dotted) identifier
// is accepted.
bool IsPlainTableName(const std::string& aName) {
  return !aName.empty() && std::all_of(aName.begin(), aName.end(), [](unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '.';
  });
}

// The change-number statement of a product, table and checkpoint type; empty when there is none.
// aTable must be a plain name where it goes in unquoted.
std::string MaxChangeSql(const std::string& aSoftVer, const std::string& aType, const std::string& aTable) {
  if (IsOneOf(aSoftVer, {"00029", "00050", "00039", "00040"}))
    return "select CHANGE_TRACKING_CURRENT_VERSION() as max_change";
  const bool image = platform::SameText(aTable, "sys_t_image");
  const std::string tableDesc = "select max_change from vq_tab_tabledesc where table_name=" + SqlQuoted(aTable);
  if (IsOneOf(aSoftVer, {"00008", "00009"})) {
    if (image) return {};
    if (aSoftVer == "00009" && platform::AsciiLower(aTable).find("pos_t_vip_specprc") != std::string::npos)
      return tableDesc;
    if (aType.rfind("D-", 0) == 0)
      return "select max(local_change) as max_change from bi_t_datadelete where table_name=" + SqlQuoted(aTable);
    return tableDesc;
  }
  if (aSoftVer == "00012" && !image) return "select max(max_change) as max_change from " + aTable;
  return {};
}

}  // namespace

int TAppDM::SoftGetRDAKey(std::string& aRDAKey, std::string& /*aMsg*/) {
  aRDAKey = VarToStr(SqlValue("select sys_var_value from sys_t_system where sys_var_id='vqrda_key' ", TDbVariant()));
  return 1;
}

int TAppDM::SoftGetDBFlagId(std::string& /*aResult*/, std::string& aDBFlagId) {
  AppVar->DBId.clear();
  if (IsOneOf(AppVar->SoftVer, {"00050", "00040", "00012", "00029", "00008", "00009", "00039"})) {
    AppVar->DBId =
        VarToStr(SqlValue("select sys_var_value from sys_t_system where sys_var_id='hq_clearround' ", TDbVariant()));
    aDBFlagId = AppVar->DBId;
  }
  return 1;
}

int TAppDM::SoftGetDistributed(std::string& aResult) {
  if (!IsOneOf(AppVar->SoftVer, {"00012", "00008", "00009"})) return 1;
  try {
    if (!SqlOpen(aResult, qryTemp,
                 "select dbo.fn_spf_soft_get_distributed(" + SoftIdText() + ") as is_distributed ") ||
        qryTemp.Eof())
      return -1;
    const int field = qryTemp.FieldIndex("is_distributed");
    return StrToIntDef(platform::TrimBlanks(qryTemp.AsString(field)), 0);
  } catch (const std::exception& e) {
    aResult = e.what();
    return -1;
  }
}

int TAppDM::SoftGetBranchNo(std::string& aResult) {
  aResult = VarToStr(SqlValue("select dbo.fn_spf_soft_get_branch_no(" + SoftIdText() + ") as branch_no ",
                              TDbVariant(), "branch_no"));
  if (!aResult.empty()) return 1;
  aResult = "未取到当前门店编号";
  return -1;
}

int TAppDM::SoftGetTransMaxRecord(std::string& aResult, const std::string& aType, const std::string& aTable,
                                  TDbConnection* aConn) {
  const std::string sql = MaxChangeSql(AppVar->SoftVer, aType, aTable);
  if (sql.empty()) return -1;
  if (AppVar->SoftVer == "00012" && !IsPlainTableName(aTable)) {
    aResult = "同步表名无效：" + aTable;
    return -1;
  }
  try {
    TDbQuery qry;
    if (!SqlOpen(aResult, qry, sql, aConn) || qry.Eof()) return -1;
    return static_cast<int>(qry.AsInt64(qry.FieldIndex("max_change")));
  } catch (const std::exception& e) {
    aResult = e.what();
    return -1;
  }
}

TDateTime TAppDM::SoftGetTransMaxRecordDate(std::string& aResult, const std::string& /*aType*/,
                                            const std::string& /*aTransTable*/, const std::string& aTable,
                                            TDbConnection* aConn) {
  if (IsOneOf(AppVar->SoftVer, {"00012", "00008", "00009"}) && platform::SameText(aTable, "sys_t_image")) {
    try {
      TDbQuery qry;
      if (SqlOpen(aResult, qry, "select max(update_time) as max_date from sys_t_image", aConn) && !qry.Eof())
        return qry.AsDateTime(qry.FieldIndex("max_date"));
    } catch (const std::exception& e) {
      aResult = e.what();
    }
  }
  return Now();
}

}  // namespace tessaly
