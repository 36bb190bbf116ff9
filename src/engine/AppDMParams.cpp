// TAppDM: the agent's own tables - system parameters and transfer checkpoints - and the two
// values the workers share.
#include <exception>

#include "engine/AppDMText.h"
#include "engine/AppDMUtil.h"
#include "engine/AppVarUtil.h"
#include "foundation/VqLibUtil.h"

namespace tessaly {

TAppDM* AppDM = nullptr;

namespace {

constexpr const char* kCreateSysTable =
    "if not exists(select 1 from sysobjects where name='spf_t_sys_system')CREATE TABLE spf_t_sys_system(  "
    "[softid] int NOT NULL,  [sys_id] [varchar](20) NOT NULL,  [sys_name] [varchar](100) NULL,  "
    "[sys_value] [varchar](254) NULL,  [sys_memo] [varchar](254) NULL,  [sys_flag] int DEFAULT '0',  "
    "[last_date] datetime DEFAULT NULL,  [last_change] int DEFAULT '0',  PRIMARY KEY(softid,sys_id))";

constexpr const char* kSysInsertHead =
    "    insert into spf_t_sys_system(softid,sys_id,sys_name,sys_value,sys_memo,sys_flag,last_date,last_change)";

// The where-clause pieces shared by every statement on one checkpoint.
std::string RecordKey(const std::string& aType, const std::string& aTable) {
  return " and trans_type=" + SqlQuoted(aType) + " and table_name=" + SqlQuoted(aTable);
}

std::string RecordSelect(const char* aColumn, const std::string& aType, const std::string& aTable) {
  return std::string("select ") + aColumn + " from spf_t_trans_record where softid=" + SoftIdText() +
         RecordKey(aType, aTable);
}

// The checkpoint statement frame around its update and insert pieces.
std::string RecordUpsert(const std::string& aType, const std::string& aTable, const std::string& aUpdate,
                         const std::string& aInsert) {
  const std::string softid = SoftIdText();
  return "if exists(select 1 from spf_t_trans_record where softid=" + softid + RecordKey(aType, aTable) +
         ") begin" + aUpdate + "   where softid=" + softid + "     and trans_type=" + SqlQuoted(aType) +
         " and table_name=" + SqlQuoted(aTable) + " end else begin" + aInsert + " end";
}

}  // namespace

bool TAppDM::PosDataSaving() const {
  std::lock_guard<std::mutex> g(FPosDataSavingLocker);
  return FPosDataSaving;
}

void TAppDM::SetPosDataSaving(bool aValue) {
  std::lock_guard<std::mutex> g(FPosDataSavingLocker);
  FPosDataSaving = aValue;
}

int TAppDM::SvrDownloadState() const {
  std::lock_guard<std::mutex> g(FSvrDownloadLocker);
  return FSvrDownloadState;
}

void TAppDM::SetSvrDownloadState(int aValue) {
  std::lock_guard<std::mutex> g(FSvrDownloadLocker);
  FSvrDownloadState = aValue;
}

void TAppDM::Log(const std::string& aText, bool aIsLog) {
  TvqLib::Log(aText.empty() ? aText : "[DM] " + aText, aIsLog, 9);
}

bool TAppDM::InitSysTable(std::string& aResult) { return SqlExec(aResult, kCreateSysTable); }

TDbVariant TAppDM::GetSysParam(const std::string& aSysId, const TDbVariant& aDefValue) {
  return SqlValue("select sys_value from spf_t_sys_system  where softid=" + SoftIdText() +
                      " and sys_id=" + SqlQuoted(aSysId),
                  aDefValue, "sys_value");
}

bool TAppDM::SetSysParam(std::string& aErro, const std::string& aSysId, const TDbVariant& aValue,
                         const std::string& aSysName) {
  const std::string softid = SoftIdText();
  const std::string id = SqlQuoted(aSysId);
  const std::string value = SqlQuoted(VarToStr(aValue));
  return SqlExec(aErro, "if exists(select 1 from spf_t_sys_system where softid=" + softid + " and sys_id=" + id +
                            ")" + "    update spf_t_sys_system set sys_value=" + value + "    where softid=" +
                            softid + " and sys_id=" + id + " else " + kSysInsertHead + "    values(" + softid +
                            "," + id + "," + SqlQuoted(aSysName) + "," + value + ",'',0,GetDate(),1" + ")");
}

bool TAppDM::SetCurrSoftId(int aSoftId, std::string& aErro) {
  // Login records the id before the upgrader runs, so the table may not exist yet.
  if (!InitSysTable(aErro)) return false;
  const std::string id = std::to_string(aSoftId);
  const std::string key = SqlQuoted("CurrSoftId");
  return SqlExec(aErro, "if exists(select 1 from spf_t_sys_system where sys_id=" + key + ")" +
                            "    update spf_t_sys_system set softid=" + id + ",sys_value=" + SqlQuoted(id) +
                            "    where sys_id=" + key + " else " + kSysInsertHead + "    values(" + id + "," + key +
                            "," + SqlQuoted("当前企业Id") + "," + SqlQuoted(id) + ",'',0,GetDate(),1" + ")");
}

bool TAppDM::DataClear(std::string& aResult) {
  std::string reason;
  if (SqlExec(reason, "delete from spf_t_trans_record where trans_type<>'CFG' ")) return true;
  aResult = "开业清库操作失败，" + reason;
  return false;
}

bool TAppDM::GetTransTable(std::string& aResult, TDbQuery& qryTable, TDbConnection* aConn) {
  return SqlOpen(aResult, qryTable,
                 "select * from spf_t_trans_table  where trans_state=1 and soft_ver=" + SqlQuoted(AppVar->SoftVer) +
                     " order by trans_index",
                 aConn);
}

int TAppDM::GetTransRecord(std::string& aResult, const std::string& aType, const std::string& aTable,
                           TDbConnection* aConn, bool* aReadFailed) {
  bool failed = true;
  int value = -1;
  try {
    TDbQuery qry;
    if (SqlOpen(aResult, qry, RecordSelect("last_change", aType, aTable), aConn)) {
      if (!qry.Eof()) value = static_cast<int>(qry.AsInt64(0));
      failed = false;
    }
  } catch (const std::exception& e) {
    aResult = e.what();
    value = -1;
  }
  if (aReadFailed != nullptr) *aReadFailed = failed;
  return value;
}

TDateTime TAppDM::GetTransRecordDate(std::string& aResult, const std::string& aType, const std::string& aTable,
                                     TDbConnection* aConn, bool* aReadFailed) {
  bool failed = true;
  TDateTime value = 0;
  try {
    TDbQuery qry;
    if (SqlOpen(aResult, qry, RecordSelect("last_date", aType, aTable), aConn)) {
      if (!qry.Eof()) value = qry.AsDateTime(0);
      failed = false;
    }
  } catch (const std::exception& e) {
    aResult = e.what();
    value = 0;
  }
  if (aReadFailed != nullptr) *aReadFailed = failed;
  return value;
}

bool TAppDM::SetTransRecord(std::string& aResult, const std::string& aType, const std::string& aTable,
                            int aLastChange, TDateTime aLastDate, TDbConnection* aConn) {
  const std::string date = SqlQuoted(FormatDateTime("yyyy-MM-dd hh:mm:ss.zzz", aLastDate));
  const std::string change = std::to_string(aLastChange);
  return SqlExec(aResult,
                 RecordUpsert(aType, aTable,
                              "   update spf_t_trans_record set last_change=" + change + "    ,last_date=" + date,
                              "   insert into spf_t_trans_record(softid,trans_type,table_name,last_change,last_date)"
                              "   values(" +
                                  SoftIdText() + "," + SqlQuoted(aType) + "," + SqlQuoted(aTable) + "," + change +
                                  "     ," + date + ")"),
                 aConn, true);
}

bool TAppDM::SetTransRecord(std::string& aResult, const std::string& aType, const std::string& aTable,
                            TDbConnection* aConn) {
  return SqlExec(aResult,
                 RecordUpsert(aType, aTable, "   update spf_t_trans_record set last_change=last_change+1",
                              "   insert into spf_t_trans_record(softid,trans_type,table_name,last_change)"
                              "   values(" +
                                  SoftIdText() + "," + SqlQuoted(aType) + "," + SqlQuoted(aTable) + ",0)"),
                 aConn, true);
}

bool TAppDM::SetTransRecordValues(std::string& aResult, const std::string& aType, const std::string& aTable,
                                  std::optional<int> aLastChange, std::optional<TDateTime> aLastDate,
                                  TDbConnection* aConn) {
  std::string assignments;
  std::string columns;
  std::string values;
  const auto add = [&](const char* aColumn, const std::string& aValue) {
    assignments += (assignments.empty() ? "" : ",") + std::string(aColumn) + "=" + aValue;
    columns += std::string(",") + aColumn;
    values += "," + aValue;
  };
  if (aLastChange) add("last_change", std::to_string(*aLastChange));
  if (aLastDate) add("last_date", SqlQuotedDate(*aLastDate));
  if (assignments.empty()) {
    aResult = "没有需要写入的传输标记";
    return false;
  }
  return SqlExec(aResult,
                 RecordUpsert(aType, aTable, "   update spf_t_trans_record set " + assignments,
                              "   insert into spf_t_trans_record(softid,trans_type,table_name" + columns +
                                  ")   values(" + SoftIdText() + "," + SqlQuoted(aType) + "," + SqlQuoted(aTable) +
                                  values + ")"),
                 aConn);
}

}  // namespace tessaly
