// TAppDM: pulled orders and members - storing them and handing them over to the back-office
// procedures.
#include <exception>

#include "engine/AppDMUtil.h"
#include "engine/AppObjectsUtil.h"
#include "foundation/VqRttiHelperUtil.h"

namespace tessaly {

namespace {

// Clears PosDataSaving on every way out of SavePosData2.
template <class Set>
class TFlagScope {
 public:
  explicit TFlagScope(Set aSet) : FSet(aSet) { FSet(true); }
  ~TFlagScope() { FSet(false); }
  TFlagScope(const TFlagScope&) = delete;
  TFlagScope& operator=(const TFlagScope&) = delete;

 private:
  Set FSet;
};

// Appends the upsert of every line after a CR LF; false with aResult := aFailText + reason.
template <class Line>
bool AppendLines(std::string& aSql, const std::vector<Line>& aLines, const char* aTable, const char* aFailText,
                 std::string& aResult) {
  for (const Line& line : aLines) {
    std::string reason;
    const std::string sql = TVqRttiHelper::GetAdpterSql(line, aTable, "softid,sheet_no,sheet_sort", reason);
    if (sql.empty()) {
      aResult = aFailText + reason;
      return false;
    }
    aSql += "\r\n" + sql;
  }
  return true;
}

}  // namespace

bool TAppDM::ExistsPosData(int aSoftId, const std::string& aSheetNo, TDbConnection* aConn) {
  std::string reason;
  return SqlExists("select 1 from spf_t_pos_master where softid=" + std::to_string(aSoftId) +
                       " and sheet_no=" + SqlQuoted(aSheetNo),
                   reason, aConn);
}

bool TAppDM::SavePosData1(std::string& aResult, const std::string& aPosSource, TPosData* aPosData,
                          TDbConnection* aConn) {
  return SavePosData2(aResult, aPosSource, aPosData, aConn);
}

bool TAppDM::SavePosData2(std::string& aResult, const std::string& aPosSource, TPosData* aPosData,
                          TDbConnection* aConn) {
  const TFlagScope saving([this](bool aOn) { SetPosDataSaving(aOn); });
  try {
    // An order without a header cannot be stored: its lines would have nothing to belong to.
    if (aPosData == nullptr || aPosData->pos_master == nullptr) {
      aResult = "销售主表有误";
      return false;
    }
    TPosMaster& master = *aPosData->pos_master;
    master.Set<"sheet_source">(aPosSource);
    std::string reason;
    std::string sql = TVqRttiHelper::GetAdpterSql(master, "spf_t_pos_master", "softid,sheet_no", reason);
    if (sql.empty()) {
      aResult = "销售主表RTTI失败：" + reason;
      return false;
    }
    if (master.Get<"pos_state">() == "6") Log("退单");
    Log("生成销售明细SQL，共：" + std::to_string(aPosData->pos_detail.size()) + "条");
    if (!AppendLines(sql, aPosData->pos_detail, "spf_t_pos_detail", "销售明细表RTTI失败：", aResult)) return false;
    Log("生成支付明细SQL，共：" + std::to_string(aPosData->pos_pay.size()) + "条");
    if (!AppendLines(sql, aPosData->pos_pay, "spf_t_pos_pay", "销售付款明细表RTTI失败：", aResult)) return false;
    Log("保存销售订单：" + sql);
    if (SqlExec(reason, sql, aConn, true)) return true;
    aResult = "保存销售订单失败：" + reason;
    return false;
  } catch (const std::exception& e) {
    aResult = std::string("保存销售订单出错：") + e.what();
    return false;
  }
}

bool TAppDM::SaveVipInfo(std::string& aResult, const std::string& aDataSource, TVipInfo* aVipInfo,
                         TDbConnection* aConn) {
  if (aVipInfo == nullptr) {
    aResult = "会员信息对象为空";
    return false;
  }
  aVipInfo->Set<"data_source">(aDataSource);
  std::string reason;
  const std::string sql = TVqRttiHelper::GetAdpterSql(*aVipInfo, "spf_t_pos_vip_info", "softid,vip_no", reason);
  if (sql.empty()) {
    aResult = "会员表RTTI失败：" + reason;
    return false;
  }
  Log("保存会员信息：" + sql);
  if (SqlExec(reason, sql, aConn, true)) return true;
  aResult = "保存会员信息失败：" + reason;
  return false;
}

int TAppDM::SoftPostData(std::string& aResult, int aSoftId, const std::string& aSheetNo, TDbConnection* aConn) {
  try {
    const std::string sql = "exec pr_spf_soft_pos_data " + std::to_string(aSoftId) + ", " + SqlQuoted(aSheetNo);
    std::string reason;
    if (SqlExec(reason, sql, aConn, true)) return 1;
    aResult = reason + " SQL[" + sql + "]";
    return -1;
  } catch (const std::exception& e) {
    aResult = std::string("转入收银出错：") + e.what();
    Log(aResult, true);
    return -1;
  }
}

int TAppDM::SoftPostVip(std::string& aResult, int aSoftId, const std::string& aVipNo, TDbConnection* aConn) {
  const std::string sql = "exec pr_spf_soft_pos_vip " + std::to_string(aSoftId) + ", " + SqlQuoted(aVipNo);
  std::string reason;
  if (SqlExec(reason, sql, aConn, true)) return 1;
  aResult = reason + " SQL[" + sql + "]";
  return -1;
}

}  // namespace tessaly
