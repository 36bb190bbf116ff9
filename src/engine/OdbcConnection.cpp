#include "engine/OdbcConnection.h"

#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/OdbcConnString.h"
#include "platform/TextCodec.h"

namespace tessaly {
namespace {

using WText = std::vector<SQLWCHAR>;

WText ToW(const std::string& s) {
  const std::u16string u = platform::Utf8ToUtf16(s);
  WText w(u.begin(), u.end());
  w.push_back(0);
  return w;
}

// Length up to the terminator. Drivers without wide entry points get their texts converted by
// the driver manager, whose length figures may then count bytes; the terminator is reliable.
std::size_t LenW(const SQLWCHAR* p, std::size_t max) {
  std::size_t n = 0;
  while (n < max && p[n] != 0) ++n;
  return n;
}

std::string FromW(const SQLWCHAR* p, std::size_t n) {
  return platform::Utf16ToUtf8(std::u16string(p, p + n));
}

bool Ok(SQLRETURN rc) { return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO; }

// Throws the diagnostic records of the handle as one EDbError; a record of class 08 (lost link)
// gives the error its SQLSTATE, so that the connection knows to reopen.
[[noreturn]] void ThrowDiag(SQLSMALLINT type, SQLHANDLE h, const char* call) {
  std::string message;
  std::string firstState;
  std::string linkState;
  for (SQLSMALLINT i = 1; i <= 32; ++i) {
    SQLWCHAR state[6] = {};
    SQLWCHAR text[2048] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT len = 0;
    if (!Ok(SQLGetDiagRecW(type, h, i, state, &native, text, 2048, &len))) break;
    const std::string st = FromW(state, LenW(state, 5));
    if (firstState.empty()) firstState = st;
    if (linkState.empty() && st.rfind("08", 0) == 0) linkState = st;
    if (!message.empty()) message += "\r\n";
    message += FromW(text, LenW(text, 2047));
  }
  if (message.empty()) message = std::string(call) + " failed";
  throw EDbError(message, linkState.empty() ? firstState : linkState);
}

void Check(SQLRETURN rc, SQLSMALLINT type, SQLHANDLE h, const char* call) {
  if (rc == SQL_ERROR || rc == SQL_INVALID_HANDLE) ThrowDiag(type, h, call);
}

void CheckStmt(SQLRETURN rc, SQLHSTMT h, const char* call) { Check(rc, SQL_HANDLE_STMT, h, call); }

class TStmt {
 public:
  explicit TStmt(SQLHDBC dbc) {
    Check(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &FHandle), SQL_HANDLE_DBC, dbc, "SQLAllocHandle");
  }
  ~TStmt() { SQLFreeHandle(SQL_HANDLE_STMT, FHandle); }
  TStmt(const TStmt&) = delete;
  TStmt& operator=(const TStmt&) = delete;
  [[nodiscard]] SQLHSTMT Handle() const { return FHandle; }

 private:
  SQLHSTMT FHandle = SQL_NULL_HSTMT;
};

std::vector<std::string> InstalledDrivers(SQLHENV env) {
  std::vector<std::string> names;
  SQLUSMALLINT direction = SQL_FETCH_FIRST;
  for (;;) {
    SQLWCHAR desc[512] = {};
    SQLWCHAR attrs[4096] = {};
    SQLSMALLINT descLen = 0;
    SQLSMALLINT attrsLen = 0;
    if (!Ok(SQLDriversW(env, direction, desc, 512, &descLen, attrs, 4096, &attrsLen))) break;
    names.push_back(FromW(desc, LenW(desc, 511)));
    direction = SQL_FETCH_NEXT;
  }
  return names;
}

// SQL Server's own types beyond the ODBC set.
constexpr SQLSMALLINT kSsTime2 = -154;
constexpr SQLSMALLINT kSsTimestampOffset = -155;

TVqFieldKind KindOfSqlType(SQLSMALLINT type) {
  switch (type) {
    case SQL_BIT: return TVqFieldKind::Boolean;
    case SQL_TINYINT: return TVqFieldKind::UInt8;
    case SQL_SMALLINT: return TVqFieldKind::Int16;
    case SQL_INTEGER: return TVqFieldKind::Int32;
    case SQL_BIGINT: return TVqFieldKind::Int64;
    case SQL_REAL: return TVqFieldKind::Single;
    case SQL_FLOAT:
    case SQL_DOUBLE: return TVqFieldKind::Float;
    case SQL_DECIMAL:
    case SQL_NUMERIC: return TVqFieldKind::Bcd;
    case SQL_TYPE_DATE:
    case SQL_DATE: return TVqFieldKind::Date;
    case SQL_TYPE_TIME:
    case SQL_TIME:
    case kSsTime2: return TVqFieldKind::Time;
    case SQL_TYPE_TIMESTAMP:
    case SQL_TIMESTAMP:
    case kSsTimestampOffset: return TVqFieldKind::DateTime;
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY: return TVqFieldKind::Blob;
    case SQL_CHAR: return TVqFieldKind::FixedChar;
    case SQL_VARCHAR: return TVqFieldKind::String;
    case SQL_LONGVARCHAR: return TVqFieldKind::Memo;
    case SQL_WCHAR: return TVqFieldKind::FixedWideChar;
    case SQL_WVARCHAR: return TVqFieldKind::WideString;
    case SQL_WLONGVARCHAR: return TVqFieldKind::WideMemo;
    case SQL_GUID: return TVqFieldKind::Guid;
    default: return TVqFieldKind::Other;
  }
}

// Reads one cell with SQLGetData, in the C type that suits its field kind.
class TCellReader {
 public:
  explicit TCellReader(SQLHSTMT h) : FStmt(h) {}

  TDbVariant Read(SQLUSMALLINT col, TVqFieldKind kind) {
    switch (kind) {
      case TVqFieldKind::Boolean: {
        unsigned char v = 0;
        if (!Fixed(col, SQL_C_BIT, &v)) return {};
        return static_cast<std::int64_t>(v != 0);
      }
      case TVqFieldKind::UInt8:
      case TVqFieldKind::Int16:
      case TVqFieldKind::Int32:
      case TVqFieldKind::Int64: {
        SQLBIGINT v = 0;
        if (!Fixed(col, SQL_C_SBIGINT, &v)) return {};
        return static_cast<std::int64_t>(v);
      }
      case TVqFieldKind::Single: {
        float v = 0;
        if (!Fixed(col, SQL_C_FLOAT, &v)) return {};
        // Keep the digits a single-precision value carries, not its binary tail.
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.7g", static_cast<double>(v));
        return std::strtod(buf, nullptr);
      }
      case TVqFieldKind::Float:
      case TVqFieldKind::Bcd: {
        double v = 0;
        if (!Fixed(col, SQL_C_DOUBLE, &v)) return {};
        return v;
      }
      case TVqFieldKind::Date: {
        SQL_DATE_STRUCT v{};
        if (!Fixed(col, SQL_C_TYPE_DATE, &v)) return {};
        return TDbDateTime{EncodeDate(v.year, v.month, v.day)};
      }
      case TVqFieldKind::Time: {
        SQL_TIME_STRUCT v{};
        if (!Fixed(col, SQL_C_TYPE_TIME, &v)) return {};
        return TDbDateTime{EncodeTime(v.hour, v.minute, v.second, 0)};
      }
      case TVqFieldKind::DateTime: {
        SQL_TIMESTAMP_STRUCT v{};
        if (!Fixed(col, SQL_C_TYPE_TIMESTAMP, &v)) return {};
        TDateParts p;
        p.year = v.year;
        p.month = v.month;
        p.day = v.day;
        p.hour = v.hour;
        p.minute = v.minute;
        p.second = v.second;
        p.msec = static_cast<int>(v.fraction / 1000000);
        return TDbDateTime{EncodeDateTime(p)};
      }
      case TVqFieldKind::Blob: return Bytes(col);
      default: return Text(col);
    }
  }

 private:
  // False for a null cell.
  template <class T>
  bool Fixed(SQLUSMALLINT col, SQLSMALLINT cType, T* value) {
    SQLLEN ind = 0;
    CheckStmt(SQLGetData(FStmt, col, cType, value, sizeof(T), &ind), FStmt, "SQLGetData");
    return ind != SQL_NULL_DATA;
  }

  TDbVariant Text(SQLUSMALLINT col) {
    constexpr std::size_t kChars = 2048;
    std::u16string acc;
    for (;;) {
      SQLWCHAR buf[kChars] = {};
      SQLLEN ind = 0;
      const SQLRETURN rc = SQLGetData(FStmt, col, SQL_C_WCHAR, buf, sizeof buf, &ind);
      if (rc == SQL_NO_DATA) break;
      CheckStmt(rc, FStmt, "SQLGetData");
      if (ind == SQL_NULL_DATA) return {};
      const std::size_t n = LenW(buf, kChars - 1);
      acc.append(buf, buf + n);
      if (rc == SQL_SUCCESS) break;
    }
    return platform::Utf16ToUtf8(acc);
  }

  TDbVariant Bytes(SQLUSMALLINT col) {
    std::string acc;
    for (;;) {
      char buf[8192];
      SQLLEN ind = 0;
      const SQLRETURN rc = SQLGetData(FStmt, col, SQL_C_BINARY, buf, sizeof buf, &ind);
      if (rc == SQL_NO_DATA) break;
      CheckStmt(rc, FStmt, "SQLGetData");
      if (ind == SQL_NULL_DATA) return {};
      const std::size_t n = (ind == SQL_NO_TOTAL || ind > static_cast<SQLLEN>(sizeof buf)) ? sizeof buf
                                                                                            : static_cast<std::size_t>(ind);
      acc.append(buf, n);
      if (rc == SQL_SUCCESS) break;
    }
    return acc;
  }

  SQLHSTMT FStmt;
};

class TOdbcSession final : public IDbSession {
 public:
  explicit TOdbcSession(const TDbParams& params) {
    if (!Ok(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &FEnv))) throw EDbError("no ODBC environment");
    try {
      Check(SQLSetEnvAttr(FEnv, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0),
            SQL_HANDLE_ENV, FEnv, "SQLSetEnvAttr");
      std::string driver = params.Value("ODBCDriver");
      if (driver.empty()) driver = ChooseSqlServerDriver(InstalledDrivers(FEnv));
      if (driver.empty()) throw EDbError("no SQL Server ODBC driver is installed");
      Check(SQLAllocHandle(SQL_HANDLE_DBC, FEnv, &FDbc), SQL_HANDLE_ENV, FEnv, "SQLAllocHandle");
      WText conn = ToW(OdbcConnectionString(driver, params));
      SQLWCHAR out[1024] = {};
      SQLSMALLINT outLen = 0;
      Check(SQLDriverConnectW(FDbc, nullptr, conn.data(), SQL_NTS, out, 1024, &outLen, SQL_DRIVER_NOPROMPT),
            SQL_HANDLE_DBC, FDbc, "SQLDriverConnect");
      FConnected = true;
    } catch (...) {
      FreeHandles();
      throw;
    }
  }

  ~TOdbcSession() override {
    if (FConnected) {
      SQLEndTran(SQL_HANDLE_DBC, FDbc, SQL_ROLLBACK);
      SQLDisconnect(FDbc);
    }
    FreeHandles();
  }

  void Close() override {
    if (!FConnected) return;
    if (SQLDisconnect(FDbc) == SQL_ERROR) {
      // Typically an open transaction: report it, then end the session anyway.
      try {
        ThrowDiag(SQL_HANDLE_DBC, FDbc, "SQLDisconnect");
      } catch (...) {
        SQLEndTran(SQL_HANDLE_DBC, FDbc, SQL_ROLLBACK);
        SQLDisconnect(FDbc);
        FConnected = false;
        FreeHandles();
        throw;
      }
    }
    FConnected = false;
    FreeHandles();
  }

  void StartTransaction() override { SetAutoCommit(false); }

  void Commit() override {
    // On failure the transaction stays open for the caller's rollback; turning auto-commit back
    // on here would commit it.
    Check(SQLEndTran(SQL_HANDLE_DBC, FDbc, SQL_COMMIT), SQL_HANDLE_DBC, FDbc, "SQLEndTran");
    SetAutoCommit(true);
  }

  void Rollback() override {
    Check(SQLEndTran(SQL_HANDLE_DBC, FDbc, SQL_ROLLBACK), SQL_HANDLE_DBC, FDbc, "SQLEndTran");
    SetAutoCommit(true);
  }

  void ExecBatch(const std::string& aSql) override {
    TStmt st(FDbc);
    Execute(st.Handle(), aSql);
    DrainResults(st.Handle());
  }

  void Query(const std::string& aSql, TDbResult& aResult) override {
    aResult = {};
    TStmt st(FDbc);
    const SQLHSTMT h = st.Handle();
    Execute(h, aSql);
    for (;;) {
      SQLSMALLINT cols = 0;
      CheckStmt(SQLNumResultCols(h, &cols), h, "SQLNumResultCols");
      if (cols > 0) {
        FetchAll(h, cols, aResult);
        DrainResults(h);
        return;
      }
      const SQLRETURN rc = SQLMoreResults(h);
      if (rc == SQL_NO_DATA) throw EDbError("the statement returned no result set");
      CheckStmt(rc, h, "SQLMoreResults");
    }
  }

 private:
  void SetAutoCommit(bool on) {
    const SQLULEN value = on ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF;
    Check(SQLSetConnectAttrW(FDbc, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(value), SQL_IS_UINTEGER),
          SQL_HANDLE_DBC, FDbc, "SQLSetConnectAttr");
  }

  static void Execute(SQLHSTMT h, const std::string& aSql) {
    WText sql = ToW(aSql);
    const SQLRETURN rc = SQLExecDirectW(h, sql.data(), SQL_NTS);
    if (rc != SQL_NO_DATA) CheckStmt(rc, h, "SQLExecDirect");
  }

  // Runs the batch to its end: an error of a later statement surfaces only here.
  static void DrainResults(SQLHSTMT h) {
    for (;;) {
      const SQLRETURN rc = SQLMoreResults(h);
      if (rc == SQL_NO_DATA) return;
      CheckStmt(rc, h, "SQLMoreResults");
    }
  }

  static void FetchAll(SQLHSTMT h, SQLSMALLINT cols, TDbResult& out) {
    for (SQLUSMALLINT i = 1; i <= static_cast<SQLUSMALLINT>(cols); ++i) {
      SQLWCHAR name[512] = {};
      SQLSMALLINT nameLen = 0;
      SQLSMALLINT type = 0;
      SQLULEN size = 0;
      SQLSMALLINT digits = 0;
      SQLSMALLINT nullable = 0;
      CheckStmt(SQLDescribeColW(h, i, name, 512, &nameLen, &type, &size, &digits, &nullable), h, "SQLDescribeCol");
      out.Fields.push_back({FromW(name, LenW(name, 511)), KindOfSqlType(type)});
    }
    TCellReader reader(h);
    for (;;) {
      const SQLRETURN rc = SQLFetch(h);
      if (rc == SQL_NO_DATA) break;
      CheckStmt(rc, h, "SQLFetch");
      for (SQLUSMALLINT i = 1; i <= static_cast<SQLUSMALLINT>(cols); ++i) out.AddValue(reader.Read(i, out.Fields[i - 1].Kind));
      out.EndRow();
    }
  }

  void FreeHandles() {
    if (FDbc != SQL_NULL_HDBC) SQLFreeHandle(SQL_HANDLE_DBC, FDbc);
    if (FEnv != SQL_NULL_HENV) SQLFreeHandle(SQL_HANDLE_ENV, FEnv);
    FDbc = SQL_NULL_HDBC;
    FEnv = SQL_NULL_HENV;
  }

  SQLHENV FEnv = SQL_NULL_HENV;
  SQLHDBC FDbc = SQL_NULL_HDBC;
  bool FConnected = false;
};

}  // namespace

std::unique_ptr<IDbSession> OpenOdbcSession(const TDbParams& aParams) {
  return std::make_unique<TOdbcSession>(aParams);
}

}  // namespace tessaly
