#include "engine/DMUnit.h"

#include <cstdint>
#include <filesystem>

#include "foundation/Clock.h"
#include "foundation/VqLibUtil.h"
#include "platform/ProgramInfo.h"

namespace tessaly {

std::atomic<bool> IsDMSqlLog{false};

namespace {

std::string ErrorText(const std::exception& e) { return e.what(); }

// The tick at the start of a statement, read only while its timing line will be written.
class TStatementTimer {
 public:
  TStatementTimer() : FOn(IsDMSqlLog.load()), FStart(FOn ? GetClock().TickMs() : 0) {}
  void LogDone(const char* aOperation, const std::string& aSql) const {
    if (!FOn) return;
    const std::int64_t elapsed = GetClock().TickMs() - FStart;
    TvqLib::Log(std::string("[DM]") + aOperation + "[" + std::to_string(elapsed) + "]：" + aSql, true);
  }

 private:
  bool FOn;
  std::int64_t FStart;
};

void LogError(const char* aOperation, const std::string& aMessage, const std::string& aSql) {
  TvqLib::Log(std::string("[DM]") + aOperation + " ERRO：" + aMessage + "\r\n" + aSql);
}

bool HasFolderPart(const std::string& aPath) { return aPath.find('/') != std::string::npos; }

std::string FileNameOf(const std::string& aPath) {
  const auto slash = aPath.rfind('/');
  return slash == std::string::npos ? aPath : aPath.substr(slash + 1);
}

}  // namespace

bool TDM::SQLiteConn(std::string& aResult, const std::string& aDBFile, TDbConnection* aSqlConn) {
  TDbConnection& conn = aSqlConn ? *aSqlConn : FSqliteConn;
  try {
    const std::string path = HasFolderPart(aDBFile) ? aDBFile : platform::ProgramDir() + aDBFile;
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
      aResult = "数据文件不存在" + path;
      return false;
    }
    try {
      conn.Close();
    } catch (const std::exception& e) {
      aResult = "断开连接出错，" + ErrorText(e);
    }
    conn.SetParams({"DriverID=SQLite", "Database=" + path, "LockingMode=normal"});
    try {
      conn.Open();
    } catch (const std::exception& e) {
      aResult = "连接出错，" + ErrorText(e);
      return false;
    }
    if (!conn.Connected()) {
      aResult = "连接数据文件“" + FileNameOf(path) + "”失败";
      return false;
    }
    return true;
  } catch (const std::exception& e) {
    aResult = "连接出错，" + ErrorText(e);
    return false;
  }
}

bool TDM::SQLServerConn(std::string& aResult, const std::string& aHost, const std::string& aUser,
                        const std::string& aPwd, const std::string& aDatabase) {
  if (aHost.empty()) {
    aResult = "帐套数据库主机不能为空";
    return false;
  }
  if (aUser.empty()) {
    aResult = "帐套登录用户不能为空";
    return false;
  }
  if (aDatabase.empty()) {
    aResult = "帐套库名不能为空";
    return false;
  }
  try {
    // An open connection would otherwise stay on its old target under the new parameters.
    try {
      FDConnection.Close();
    } catch (const std::exception&) {
      // The old session is gone either way; the new one is what counts.
    }
    FDConnection.SetParams(
        {"DriverID=MSSQL", "Server=" + aHost, "User_Name=" + aUser, "Password=" + aPwd, "Database=" + aDatabase});
    FDConnection.Open();
  } catch (const std::exception& e) {
    aResult = "连接数据库失败：" + ErrorText(e);
    return false;
  }
  if (!FDConnection.Connected()) {
    aResult = "连接数据库失败";
    return false;
  }
  return true;
}

bool TDM::CheckConn(std::string& aResult, TDbConnection* aConn) {
  TDbConnection& conn = ConnOf(aConn);
  try {
    if (!conn.Connected()) {
      aResult = "数据库未连接";
      if (&conn != &FDConnection) conn.SetParams(FDConnection.Params());
      try {
        conn.Open();
      } catch (const std::exception& e) {
        aResult = "数据库重连失败：" + ErrorText(e);
      }
    }
    if (!conn.Connected()) return false;
    aResult = "数据库已连接";
    return true;
  } catch (const std::exception& e) {
    aResult = "检测数据库连接失败：" + ErrorText(e);
    return false;
  }
}

bool TDM::SqlExec(std::string& aResult, const std::string& aSql, TDbConnection* aSqlConn, bool aIsTrans) {
  const TStatementTimer timer;
  TDbConnection& conn = ConnOf(aSqlConn);
  if (!CheckConn(aResult, &conn)) return false;
  try {
    if (aIsTrans) conn.StartTransaction();
    conn.ExecBatch(aSql);
    if (aIsTrans) conn.Commit();
  } catch (const std::exception& e) {
    aResult = ErrorText(e);
    if (aIsTrans) {
      try {
        conn.Rollback();
      } catch (const std::exception&) {
        // A lost link has already dropped the session, and the server rolls back with it.
      }
    }
    LogError("SqlExec", aResult, aSql);
    return false;
  }
  timer.LogDone("SqlExec", aSql);
  return true;
}

bool TDM::SqlOpen(std::string& aResult, TDbQuery& aQry, const std::string& aSql, TDbConnection* aSqlConn) {
  const TStatementTimer timer;
  TDbConnection& conn = ConnOf(aSqlConn);
  // The old rows go first, so that they never sit beside the new ones.
  aQry.Close();
  if (!CheckConn(aResult, &conn)) return false;
  try {
    TDbResult rows;
    conn.Query(aSql, rows);
    aQry.Open(std::move(rows));
  } catch (const std::exception& e) {
    aQry.Close();
    aResult = ErrorText(e);
    LogError("SqlOpen", aResult, aSql);
    return false;
  }
  timer.LogDone("SqlOpen", aSql);
  return true;
}

TDbVariant TDM::SqlValue(const std::string& aSql, const TDbVariant& aDefValue, const std::string& aField,
                         TDbConnection* aSqlConn) {
  TDbVariant result = aDefValue;
  try {
    TDbQuery qry;
    std::string reason;
    if (!SqlOpen(reason, qry, aSql, aSqlConn) || qry.Eof()) return result;
    const int field = aField.empty() ? (qry.FieldCount() > 0 ? 0 : -1) : qry.FieldIndex(aField);
    if (field >= 0 && !qry.IsNull(field)) result = qry.Value(field);
  } catch (const std::exception&) {
    // The default stands.
  }
  return result;
}

int TDM::SqlCount(const std::string& aSql, TDbConnection* aSqlConn) {
  TDbQuery qry;
  std::string reason;
  if (!SqlOpen(reason, qry, aSql, aSqlConn)) return -1;
  return qry.RecordCount();
}

bool TDM::SqlExists(const std::string& aSql, std::string& aErro, TDbConnection* aSqlConn) {
  TDbQuery qry;
  if (!SqlOpen(aErro, qry, aSql, aSqlConn)) return false;
  return qry.RecordCount() > 0;
}

bool TDM::TableExists(const std::string& aTable, TDbConnection* aSqlConn) {
  if (aTable.empty()) return false;
  return SqlCount("select sql from sqlite_master where name=" + SqlQuoted(aTable), aSqlConn) > 0;
}

bool TDM::FieldExists(const std::string& aTable, const std::string& aField, TDbConnection* aSqlConn) {
  if (aTable.empty() || aField.empty()) return false;
  return SqlCount("select sql from sqlite_master where name=" + SqlQuoted(aTable) +
                      " and sql like " + SqlQuoted("%" + aField + " %"),
                  aSqlConn) > 0;
}

}  // namespace tessaly
