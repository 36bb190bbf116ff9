// TAppDM: reads of the back-office product's own objects - settings, database edition, branch
// number and the change numbers of the sync tables.
#include <exception>

#include "engine/AppDMText.h"
#include "engine/AppDMUtil.h"
#include "engine/AppProductUtil.h"
#include "engine/AppVarUtil.h"
#include "platform/TextCodec.h"

namespace tessaly {

namespace {

// A table name goes into a statement unquoted, so it must not be able to end the name or start
// another statement: only ASCII letters, digits, '_' and '.', and bracketed parts ("[dbo]") that
// hold neither ']' nor a control character.
bool IsSafeTableName(const std::string& aName) {
  if (aName.empty()) return false;
  for (std::size_t i = 0; i < aName.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(aName[i]);
    if (c == '[') {
      const std::size_t close = aName.find(']', i + 1);
      if (close == std::string::npos || close == i + 1) return false;
      for (std::size_t j = i + 1; j < close; ++j)
        if (static_cast<unsigned char>(aName[j]) < 0x20 || aName[j] == 0x7f) return false;
      i = close;
    } else if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '.')) {
      return false;
    }
  }
  return true;
}

// The change-number statement of a product, table and checkpoint type; empty when there is none.
// aTable must be a safe name (IsSafeTableName) where it goes in unquoted.
std::string MaxChangeSql(const std::string& aSoftVer, const std::string& aType, const std::string& aTable) {
  if (IsChangeTrackingProduct(aSoftVer)) return "select CHANGE_TRACKING_CURRENT_VERSION() as max_change";
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
  if (AppVar->SoftVer == "00012" && !IsSafeTableName(aTable)) {
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
