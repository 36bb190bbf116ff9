// The uploader's cycle: the catalogue walk, change detection, the delete and update passes, the
// paging of one query result with its retries, and the checkpoints.
#include <algorithm>
#include <charconv>
#include <cmath>

#include "engine/AppDMUtil.h"
#include "engine/AppServiceUtil.h"
#include "engine/AppSvrSDK.h"
#include "engine/AppVarUtil.h"
#include "engine/TransHelperUtil.h"
#include "foundation/Clock.h"
#include "foundation/VqLibTextTrim.h"
#include "foundation/VqLibUtil.h"
#include "platform/TextCodec.h"

namespace tessaly {
namespace {

constexpr int kPostAttempts = 3;
constexpr int kAcceptedPauseMs = 300;

// Tables uploaded once in the life of a worker, without a delete pass or checkpoints.
[[nodiscard]] bool IsOnceTable(const std::string& aTransTable) {
  return platform::SameText(aTransTable, "sys_softver") || platform::SameText(aTransTable, "vip_srv_config");
}

// The last four characters of "0000" + the branch number ("0000" marks a head office).
[[nodiscard]] std::string BranchTail(const std::string& aBranchNo) {
  const std::string padded = "0000" + aBranchNo;
  return platform::Utf16Mid(padded, platform::Utf16Length(padded) - 4, 4);
}

// The text of a catalogue column; empty when it is missing or null.
[[nodiscard]] std::string Column(const TDbQuery& aQry, const char* aName) {
  const int field = aQry.FieldIndex(aName);
  if (field < 0 || aQry.IsNull(field)) return {};
  return aQry.AsString(field);
}

[[nodiscard]] int ColumnInt(const TDbQuery& aQry, const char* aName, int aDefault) {
  const std::string text = TrimControls(Column(aQry, aName));
  int value = aDefault;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size() && !text.empty() ? value : aDefault;
}

[[nodiscard]] std::int64_t Milliseconds(TDateTime aDate) { return std::llround(aDate * 86400000.0); }

}  // namespace

bool TUploadWorker::CanUpload(const std::string& aTransType, const std::string& aTransTable, int aSoftDist) const {
  if (!platform::SameText(aTransType, "BI")) return false;
  const int distributed = AppVar->DBDistributed;
  const bool headOfficeAll = BranchTail(AppVar->BranchNo.v()) == "0000" && AppVar->IsHQBranchTransAll.v();
  if (!(aSoftDist == 0 || distributed == 0 || aSoftDist == distributed || headOfficeAll)) return false;
  const bool isVipIntegral = platform::SameText(aTransTable, "vipintegral");
  if (AppVar->SvrVIPConnOK.v() && (isVipIntegral || platform::SameText(aTransTable, "vip_info"))) return false;
  return !(isVipIntegral && AppVar->UploadVipintegralFlag.v() == 1);
}

void TUploadWorker::UploadAll() {
  FBranchNo = AppVar->SoftModel == 1 ? AppVar->BranchNo.v() : std::string();
  FPageCount = 0;
  if (TvqLib::DetailLogEnabled) {
    std::string list;
    for (qryTable.First(); !qryTable.Eof(); qryTable.Next()) {
      const std::string type = Column(qryTable, "trans_type");
      const std::string table = Column(qryTable, "trans_table");
      const int dist = ColumnInt(qryTable, "soft_dist", 1);
      if (!list.empty()) list += ", ";
      list += "[" + table + "](";
      list += CanUpload(type, table, dist)
                  ? std::string("o可上传o")
                  : "*不可传*" + std::string(" Type:") + type + ",Dist:" + std::to_string(dist) +
                        ",BranchNo:" + BranchTail(AppVar->BranchNo.v());
      list += ")";
    }
    Log(list);
  }
  for (qryTable.First(); !qryTable.Eof(); qryTable.Next()) {
    TTransRow row;
    row.SoftDist = ColumnInt(qryTable, "soft_dist", 1);
    row.TransType = Column(qryTable, "trans_type");
    row.TransTable = Column(qryTable, "trans_table");
    if (CanUpload(row.TransType, row.TransTable, row.SoftDist)) {
      row.TableName = TrimControls(Column(qryTable, "table_name"));
      row.Table2Name = TrimControls(Column(qryTable, "table2_name"));
      if (row.Table2Name.empty()) row.Table2Name = row.TableName;
      row.TransTag = ColumnInt(qryTable, "trans_tag", 0);
      row.DeleteSql = TrimControls(Column(qryTable, "get_delete_sql"));
      row.UpdateSql = TrimControls(Column(qryTable, "get_update_sql"));
      row.Label = "[" + row.TransTable + "]";
      bool deletesFinished = true;
      bool goOn = DeletePass(row, deletesFinished);
      if (goOn && !deletesFinished)
        Log(row.Label + "删除数据未上传完成，本轮不上传更新数据", true);
      else if (goOn)
        goOn = UpdatePass(row);
      // A table's rows are not kept once it is done: an idle worker holds no old result.
      qryData.Close();
      if (!goOn) break;
    }
    if (StopSeen()) break;
  }
  if (StopSeen()) return;
  if (FPageCount > 0)
    Log("[上传]全部表数据上传完成", true);
  else
    Log("[上传]无数据上传");
  Log("");
}

TUploadWorker::TChange TUploadWorker::DetectChange(const TTransRow& aRow, const std::string& aType,
                                                   const std::string& aChangeTable) {
  TChange change;
  std::string dateReason, changeReason;
  bool dateFailed = false, changeFailed = false;
  change.LastDate = AppDM->GetTransRecordDate(dateReason, aType, aRow.TableName, &FConn, &dateFailed);
  change.LastChange = AppDM->GetTransRecord(changeReason, aType, aRow.TableName, &FConn, &changeFailed);
  // A failed read must not pass for a missing checkpoint: that would send the table from zero.
  const bool dateRead = !dateFailed;
  const bool changeRead = !changeFailed;
  if (!dateRead || !changeRead) {
    Log(aRow.Label + "读取传输标记[" + aType + "]失败：" + (dateRead ? changeReason : dateReason), true);
    return change;
  }
  change.Read = true;
  std::string reason;
  if (aRow.TransTag == 1) {
    change.NewDate = AppDM->SoftGetTransMaxRecordDate(reason, aType, aRow.TransTable, aChangeTable, &FConn);
    change.NewChange = change.LastChange + 1;
    change.Changed = Milliseconds(change.NewDate) != Milliseconds(change.LastDate);
  } else {
    change.NewChange = AppDM->SoftGetTransMaxRecord(reason, aType, aChangeTable, &FConn);
    change.NewDate = GetClock().Now();
    change.Changed = change.LastChange < change.NewChange;
  }
  return change;
}

bool TUploadWorker::DeletePass(const TTransRow& aRow, bool& aFinished) {
  aFinished = true;
  if (aRow.DeleteSql.empty() || IsOnceTable(aRow.TransTable)) return true;
  const TChange change = DetectChange(aRow, "D-" + aRow.TransType, aRow.Table2Name);
  aFinished = change.Read;
  if (!change.Read || !change.Changed) return true;
  const std::string sql =
      TTransHelper::UploadSqlVarReplace(aRow.DeleteSql, FBranchNo, change.LastChange, change.LastDate);
  std::string reason;
  if (!AppDM->SqlOpen(reason, qryData, sql, &FConn)) {
    Log(aRow.Label + "查询删除数据失败：" + reason, true);
    Log(aRow.Label + "查询SQL=> " + sql);
    aFinished = false;
    return true;
  }
  const bool goOn = UploadTable(aRow, true, change);
  aFinished = FTableOk || qryData.RecordCount() == 0;
  return goOn;
}

bool TUploadWorker::UpdatePass(const TTransRow& aRow) {
  const bool uploadedOnce = (platform::SameText(aRow.TransTable, "sys_softver") && FIsSoftVerUploaded) ||
                            (platform::SameText(aRow.TransTable, "vip_srv_config") && FIsVipSrvCfgUploaded);
  TChange change;
  if (!uploadedOnce) {
    change = DetectChange(aRow, aRow.TransType, aRow.TableName);
    if (!change.Read) return true;
  }
  if (platform::SameText(aRow.TransTable, "vipintegral")) change.Changed = true;
  if (!change.Changed || aRow.UpdateSql.empty()) return true;
  const std::string sql =
      TTransHelper::UploadSqlVarReplace(aRow.UpdateSql, FBranchNo, change.LastChange, change.LastDate);
  std::string reason;
  if (!AppDM->SqlOpen(reason, qryData, sql, &FConn)) {
    Log(aRow.Label + "查询上传数据失败：" + reason, true);
    Log(aRow.Label + "查询SQL=> " + sql);
    return true;
  }
  return UploadTable(aRow, false, change);
}

bool TUploadWorker::UploadTable(const TTransRow& aRow, bool aIsDelete, const TChange& aChange) {
  FTableOk = false;
  const int rows = qryData.RecordCount();
  if (rows == 0) return true;
  FTableOk = true;
  int pageLen = std::max(1, static_cast<int>(AppVar->UploadPageSize.v()));
  if (platform::SameText(aRow.TableName, "sys_t_image")) pageLen = 1;
  if (platform::SameText(aRow.TransTable, "sys_system_branch")) pageLen = rows;
  const int pages = (rows + pageLen - 1) / pageLen;
  const bool once = IsOnceTable(aRow.TransTable);
  Log(aRow.Label + "上传表[" + aRow.TableName + "]" + (aIsDelete ? "删除" : "") + "数据[lastchange" +
          std::to_string(aChange.LastChange) + "]，" + "共" + std::to_string(rows) + "条记录，分" +
          std::to_string(pages) + "页(每页" + std::to_string(pageLen) + "条)上传...",
      true);
  const int lastChangeField = aIsDelete || once ? -1 : qryData.FieldIndex("trans_last_change");

  std::string pageLabel;
  for (int page = 1; page <= pages; ++page) {
    pageLabel = aRow.Label + "[" + std::to_string(page) + "/" + std::to_string(pages) + "]";
    const int first = (page - 1) * pageLen;
    const int count = std::min(pageLen, rows - first);
    std::string text;
    TVipChanges vipChanges;
    const bool built = PageJSON(aRow, aIsDelete, first, count, text, vipChanges);
    if (!built) {
      Log(pageLabel + "生成数据集JSON失败：" + text, true);
      // Rows that were never sent must keep the checkpoint behind them; a points page
      // without changes has nothing to send.
      if (text != kNoPointsChange) FTableOk = false;
    }
    const bool posting = built && !text.empty();
    if (posting) {
      bool accepted = PostPage(pageLabel, text);
      for (int attempt = 2; !accepted && attempt <= kPostAttempts; ++attempt) {
        Log(pageLabel + (attempt == 2 ? "传输失败，重试第一次..." : "传输失败，重试第二次..."));
        accepted = PostPage(pageLabel, text);
      }
      if (!accepted) break;
      ApplyVipIntegral(vipChanges);
    }
    if (StopSeen()) {
      Log(pageLabel + "检测到服务停止/退出，中断传输任务", true);
      return false;
    }
    if (page < pages && !aIsDelete && FTableOk && !once && lastChangeField >= 0) {
      const std::int64_t mark = PageCheckpoint(lastChangeField, first + count);
      // In date mode the templates select by date: the newest date before the last page would
      // make the table look unchanged and strand the rows not yet sent.
      const TDateTime markDate = aRow.TransTag == 1 ? aChange.LastDate : aChange.NewDate;
      std::string reason;
      if (AppDM->SetTransRecord(reason, aRow.TransType, aRow.TableName, static_cast<int>(mark), markDate, &FConn))
        Log(pageLabel + "数据上传完成，按页更新传输标记[" + std::to_string(mark) + "]", true);
      else
        Log(pageLabel + "按页更新传输标记[" + std::to_string(mark) + "]失败：" + reason, true);
    } else if (posting) {
      Log(pageLabel + "数据上传成功", true);
    }
  }

  if (platform::SameText(aRow.TransTable, "sys_softver")) {
    FIsSoftVerUploaded = true;
    Log(aRow.Label + "**软件版本表只上传一次**");
  } else if (platform::SameText(aRow.TransTable, "vip_srv_config")) {
    FIsVipSrvCfgUploaded = true;
    Log(aRow.Label + "**会员服务器配置只上传一次**");
  }
  if (FTableOk && !once) {
    std::string reason;
    const std::string type = aIsDelete ? "D-" + aRow.TransType : aRow.TransType;
    const std::string mark = std::to_string(aChange.NewChange);
    if (AppDM->SetTransRecord(reason, type, aRow.TableName, static_cast<int>(aChange.NewChange), aChange.NewDate,
                              &FConn))
      Log(pageLabel + "数据上传完成，更新传输标记[" + mark + "]", true);
    else
      Log(pageLabel + "更新传输标记[" + mark + "]失败：" + reason, true);
  }
  return true;
}

std::int64_t TUploadWorker::PageCheckpoint(int aField, int aNextRow) {
  // The last row sent: rows after it holding the same value are still unsent, and the
  // templates select what lies above the checkpoint.
  qryData.MoveToRow(aNextRow - 1);
  const std::int64_t last = qryData.AsInt64(aField);
  qryData.MoveToRow(aNextRow);
  return qryData.AsInt64(aField) == last ? last - 1 : last;
}

bool TUploadWorker::PostPage(const std::string& aPageLabel, const std::string& aPageText) {
  Log(aPageLabel + "正在上传...");
  std::string reply;
  if (!SpfSvrSDK->Upload(aPageText, reply)) {
    FTableOk = false;
    Log(aPageLabel + "上传出错：" + reply, true);
    return false;
  }
  AppSvrSDK::TVqRespond respond;
  std::string erro;
  if (reply.size() < 2 || reply[0] != '{' || reply[1] != '"' || !ReadVqObject(reply, respond, erro)) {
    FTableOk = false;
    Log(aPageLabel + "上传失败2：" + reply, true);
    return false;
  }
  if (!respond.bResult) {
    FTableOk = false;
    Log(aPageLabel + "上传失败1：" + respond.errMsg, true);
    return false;
  }
  ++FPageCount;
  Log(aPageLabel + "上传成功");
  Log("");
  GetClock().SleepMs(kAcceptedPauseMs);
  return true;
}

}  // namespace tessaly
