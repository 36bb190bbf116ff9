#include "engine/OdbcConnection.h"

#include <dlfcn.h>
#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/OdbcConnString.h"
#include "platform/TextCodec.h"
#include "platform/Utf16Append.h"

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
template <class TUnit>
std::size_t LenW(const TUnit* p, std::size_t max) {
  std::size_t n = 0;
  while (n < max && p[n] != 0) ++n;
  return n;
}

std::string FromW(const SQLWCHAR* p, std::size_t n) { return platform::Utf16ToUtf8(std::u16string(p, p + n)); }

bool Ok(SQLRETURN rc) { return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO; }

// What a failed call needs besides its handle to report well.
struct TFailContext {
  SQLHDBC dbc = SQL_NULL_HDBC;  // asked whether the link died, when set
  std::string timeoutText;      // put in front of the message of a time-out (HYT00/HYT01)
  std::string deafText;         // in its place when the link was lost as well: the cancel went unanswered
};

bool ConnectionDead(SQLHDBC dbc) {
  if (dbc == SQL_NULL_HDBC) return false;
  SQLUINTEGER dead = SQL_CD_FALSE;
  return Ok(SQLGetConnectAttrW(dbc, SQL_ATTR_CONNECTION_DEAD, &dead, SQL_IS_UINTEGER, nullptr)) && dead == SQL_CD_TRUE;
}

// Throws the diagnostic records of the handle as one EDbError. A record of class 08 (lost link)
// gives the error its SQLSTATE, so that the connection knows to reopen; so does a connection the
// driver calls dead, since some drivers report the lost link first as HY000 or 01000 and 08S01
// only at the next call.
[[noreturn]] void ThrowDiag(SQLSMALLINT type, SQLHANDLE h, const char* call, const TFailContext& ctx = {}) {
  std::string message;
  std::string firstState;
  std::string linkState;
  bool timedOut = false;
  for (SQLSMALLINT i = 1; i <= 32; ++i) {
    SQLWCHAR state[6] = {};
    SQLWCHAR text[2048] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT len = 0;
    if (!Ok(SQLGetDiagRecW(type, h, i, state, &native, text, 2048, &len))) break;
    const std::string st = FromW(state, LenW(state, 5));
    if (firstState.empty()) firstState = st;
    if (linkState.empty() && st.rfind("08", 0) == 0) linkState = st;
    timedOut = timedOut || st == "HYT00" || st == "HYT01";
    if (!message.empty()) message += "\r\n";
    message += FromW(text, LenW(text, 2047));
  }
  if (message.empty()) message = std::string(call) + " failed";
  const bool dead = linkState.empty() && ConnectionDead(ctx.dbc);
  if (timedOut && (dead || !linkState.empty()) && !ctx.deafText.empty())
    message = ctx.deafText + message;
  else if (timedOut && !ctx.timeoutText.empty())
    message = ctx.timeoutText + message;
  if (dead) {
    linkState = "08S01";
    message = "the link to the server was lost: " + message;
  }
  throw EDbError(message, linkState.empty() ? firstState : linkState);
}

void Check(SQLRETURN rc, SQLSMALLINT type, SQLHANDLE h, const char* call, const TFailContext& ctx = {}) {
  if (rc == SQL_ERROR || rc == SQL_INVALID_HANDLE) ThrowDiag(type, h, call, ctx);
}

// A statement handle with its time-out; its failures carry the connection's context.
class TStmt {
 public:
  TStmt(SQLHDBC dbc, SQLULEN timeoutSeconds) : FCtx{dbc, {}, {}} {
    Check(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &FHandle), SQL_HANDLE_DBC, dbc, "SQLAllocHandle", FCtx);
    const std::string seconds = std::to_string(timeoutSeconds) + " s";
    FCtx.timeoutText = "the statement did not finish within " + seconds + ": ";
    // On a time-out the driver sends a cancel and waits as long again for its answer, so a
    // server that has gone silent holds the call for twice the time-out.
    FCtx.deafText =
        "the server answered neither the statement within " + seconds + " nor its cancel within " + seconds + " more: ";
    // A server that stops answering would otherwise hold the call for good.
    Verify(
        SQLSetStmtAttrW(FHandle, SQL_ATTR_QUERY_TIMEOUT, reinterpret_cast<SQLPOINTER>(timeoutSeconds), SQL_IS_UINTEGER),
        "SQLSetStmtAttr");
  }
  ~TStmt() { SQLFreeHandle(SQL_HANDLE_STMT, FHandle); }
  TStmt(const TStmt&) = delete;
  TStmt& operator=(const TStmt&) = delete;
  [[nodiscard]] SQLHSTMT Handle() const { return FHandle; }
  void Verify(SQLRETURN rc, const char* call) const { Check(rc, SQL_HANDLE_STMT, FHandle, call, FCtx); }

 private:
  SQLHSTMT FHandle = SQL_NULL_HSTMT;
  TFailContext FCtx;
};

struct TInstalledDriver {
  std::string Name;
  std::string Library;  // "Driver=" of its odbcinst.ini section
};

std::vector<TInstalledDriver> InstalledDrivers(SQLHENV env) {
  std::vector<TInstalledDriver> drivers;
  SQLUSMALLINT direction = SQL_FETCH_FIRST;
  for (;;) {
    SQLWCHAR desc[512] = {};
    SQLWCHAR attrs[4096] = {};
    SQLSMALLINT descLen = 0;
    SQLSMALLINT attrsLen = 0;
    if (!Ok(SQLDriversW(env, direction, desc, 512, &descLen, attrs, 4096, &attrsLen))) break;
    TInstalledDriver d{FromW(desc, LenW(desc, 511)), {}};
    // attrs: "key=value" texts, each ended by a NUL, the list by a second one.
    for (std::size_t at = 0; at < 4095 && attrs[at] != 0;) {
      const std::size_t n = LenW(attrs + at, 4095 - at);
      const std::string pair = FromW(attrs + at, n);
      if (pair.size() > 7 && platform::SameText(pair.substr(0, 7), "Driver=")) d.Library = pair.substr(7);
      at += n + 1;
    }
    drivers.push_back(std::move(d));
    direction = SQL_FETCH_NEXT;
  }
  return drivers;
}

// Whether the driver library, which the driver manager has loaded, exports the wide calls.
// Unknown counts as yes.
bool HasWideCalls(const std::string& library) {
  if (library.empty()) return true;
  void* h = dlopen(library.c_str(), RTLD_LAZY | RTLD_NOLOAD);
  if (h == nullptr) return true;
  const bool wide = dlsym(h, "SQLDriverConnectW") != nullptr;
  dlclose(h);
  return wide;
}

// Seconds from a parameter line, or the default when it is missing or no positive number.
SQLULEN Seconds(const TDbParams& params, const char* name, SQLULEN def) {
  const long v = std::strtol(params.Value(name).c_str(), nullptr, 10);
  return v > 0 ? static_cast<SQLULEN>(v) : def;
}

// Seconds; "LoginTimeout=" and "QueryTimeout=" lines of the parameter list replace them. A
// statement may be a long schema script or a large upload query, hence the generous limit.
constexpr SQLULEN kDefaultLoginTimeout = 20;
constexpr SQLULEN kDefaultQueryTimeout = 600;

// SQL Server's own types beyond the ODBC set.
constexpr SQLSMALLINT kSsTime2 = -154;
constexpr SQLSMALLINT kSsTimestampOffset = -155;

TVqFieldKind KindOfSqlType(SQLSMALLINT type) {
  switch (type) {
    case SQL_BIT:
      return TVqFieldKind::Boolean;
    case SQL_TINYINT:
      return TVqFieldKind::UInt8;
    case SQL_SMALLINT:
      return TVqFieldKind::Int16;
    case SQL_INTEGER:
      return TVqFieldKind::Int32;
    case SQL_BIGINT:
      return TVqFieldKind::Int64;
    case SQL_REAL:
      return TVqFieldKind::Single;
    case SQL_FLOAT:
    case SQL_DOUBLE:
      return TVqFieldKind::Float;
    case SQL_DECIMAL:
    case SQL_NUMERIC:
      return TVqFieldKind::Bcd;
    case SQL_TYPE_DATE:
    case SQL_DATE:
      return TVqFieldKind::Date;
    case SQL_TYPE_TIME:
    case SQL_TIME:
    case kSsTime2:
      return TVqFieldKind::Time;
    case SQL_TYPE_TIMESTAMP:
    case SQL_TIMESTAMP:
    case kSsTimestampOffset:
      return TVqFieldKind::DateTime;
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY:
      return TVqFieldKind::Blob;
    case SQL_CHAR:
      return TVqFieldKind::FixedChar;
    case SQL_VARCHAR:
      return TVqFieldKind::String;
    case SQL_LONGVARCHAR:
      return TVqFieldKind::Memo;
    case SQL_WCHAR:
      return TVqFieldKind::FixedWideChar;
    case SQL_WVARCHAR:
      return TVqFieldKind::WideString;
    case SQL_WLONGVARCHAR:
      return TVqFieldKind::WideMemo;
    case SQL_GUID:
      return TVqFieldKind::Guid;
    default:
      return TVqFieldKind::Other;
  }
}

// Reads the cells of the fetched row with SQLGetData, each in the C type that suits its field
// kind, straight into the result. Its buffers serve every cell: nothing is allocated per cell
// but what a long text needs once.
class TCellReader {
 public:
  TCellReader(const TStmt& st, bool wideDriver, TDbResult& out)
      : FSt(st), FStmt(st.Handle()), FWide(wideDriver), FOut(out), FBuf(std::make_unique_for_overwrite<char16_t[]>(kChars)) {}

  void Read(SQLUSMALLINT col, TVqFieldKind kind) {
    switch (kind) {
      case TVqFieldKind::Boolean: {
        unsigned char v = 0;
        if (Fixed(col, SQL_C_BIT, &v)) FOut.AddInt(v != 0);
        return;
      }
      case TVqFieldKind::UInt8:
      case TVqFieldKind::Int16:
      case TVqFieldKind::Int32:
      case TVqFieldKind::Int64: {
        SQLBIGINT v = 0;
        if (Fixed(col, SQL_C_SBIGINT, &v)) FOut.AddInt(v);
        return;
      }
      case TVqFieldKind::Single: {
        float v = 0;
        if (!Fixed(col, SQL_C_FLOAT, &v)) return;
        // Keep the digits a single-precision value carries, not its binary tail.
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.7g", static_cast<double>(v));
        FOut.AddFloat(std::strtod(buf, nullptr));
        return;
      }
      case TVqFieldKind::Float:
      case TVqFieldKind::Bcd: {
        double v = 0;
        if (Fixed(col, SQL_C_DOUBLE, &v)) FOut.AddFloat(v);
        return;
      }
      case TVqFieldKind::Date: {
        SQL_DATE_STRUCT v{};
        if (Fixed(col, SQL_C_TYPE_DATE, &v)) FOut.AddDateTime(EncodeDate(v.year, v.month, v.day));
        return;
      }
      case TVqFieldKind::Time: {
        SQL_TIME_STRUCT v{};
        if (Fixed(col, SQL_C_TYPE_TIME, &v)) FOut.AddDateTime(EncodeTime(v.hour, v.minute, v.second, 0));
        return;
      }
      case TVqFieldKind::DateTime: {
        SQL_TIMESTAMP_STRUCT v{};
        if (!Fixed(col, SQL_C_TYPE_TIMESTAMP, &v)) return;
        TDateParts p;
        p.year = v.year;
        p.month = v.month;
        p.day = v.day;
        p.hour = v.hour;
        p.minute = v.minute;
        p.second = v.second;
        p.msec = static_cast<int>(v.fraction / 1000000);
        FOut.AddDateTime(EncodeDateTime(p));
        return;
      }
      case TVqFieldKind::Blob:
        Bytes(col);
        return;
      default:
        Text(col);
        return;
    }
  }

 private:
  static constexpr std::size_t kBufBytes = 8192;
  static constexpr std::size_t kChars = kBufBytes / sizeof(char16_t);
  static_assert(sizeof(SQLWCHAR) == sizeof(char16_t));
  static constexpr char16_t kUnwritten = 0xFFFF;

  char16_t& LastUnit() { return FBuf[kChars - 1]; }

  // False for a null cell, which it adds.
  template <class T>
  bool Fixed(SQLUSMALLINT col, SQLSMALLINT cType, T* value) {
    SQLLEN ind = 0;
    FSt.Verify(SQLGetData(FStmt, col, cType, value, sizeof(T), &ind), "SQLGetData");
    if (ind != SQL_NULL_DATA) return true;
    FOut.AddNull();
    return false;
  }

  // Reads the cell piece by piece into the buffer, handing each piece's length in bytes to
  // `take`; false for a null cell, which it adds. `pieceMax` is the most a piece may hold.
  template <class Take>
  bool Pieces(SQLUSMALLINT col, SQLSMALLINT cType, std::size_t pieceMax, Take&& take) {
    for (bool first = true;; first = false) {
      SQLLEN ind = 0;
      LastUnit() = kUnwritten;
      const SQLRETURN rc = SQLGetData(FStmt, col, cType, FBuf.get(), kBufBytes, &ind);
      if (rc == SQL_NO_DATA) return true;
      FSt.Verify(rc, "SQLGetData");
      if (first && ind == SQL_NULL_DATA) {
        FOut.AddNull();
        return false;
      }
      // A warning other than a cut (a length the buffer holds) ends the cell as well.
      const bool full = ind == SQL_NO_TOTAL || ind > static_cast<SQLLEN>(pieceMax);
      const bool more = rc == SQL_SUCCESS_WITH_INFO && full;
      take(full ? pieceMax : static_cast<std::size_t>(ind), more);
      if (!more) return true;
    }
  }

  void Text(SQLUSMALLINT col) {
    const char16_t* units = FBuf.get();
    FWideText.clear();
    FText.clear();
    bool pieced = false;
    const bool read = Pieces(col, SQL_C_WCHAR, (kChars - 1) * sizeof(SQLWCHAR), [&](std::size_t bytes, bool more) {
      // The length figure, so that a NUL inside the text survives. Drivers without wide entry
      // points get their texts converted by the driver manager, whose length figure may then
      // count bytes: for them the terminator ends the text.
      std::size_t n = bytes / sizeof(SQLWCHAR);
      // A driver that will not split a pair of surrogates ends a cut piece one unit early; the
      // last unit then keeps what it held before the call instead of the terminator.
      if (more && LastUnit() != 0) --n;
      if (!FWide) n = std::min(n, LenW(units, n));
      // A text in several pieces is joined before it is converted, so that a pair of surrogates
      // the driver split between two pieces stays one character.
      pieced = pieced || more;
      if (pieced)
        FWideText.append(units, n);
      else
        platform::AppendUtf16AsUtf8(FText, std::u16string_view(units, n));
    });
    if (!read) return;
    if (pieced) platform::AppendUtf16AsUtf8(FText, FWideText);
    FOut.AddText(FText);
  }

  void Bytes(SQLUSMALLINT col) {
    FText.clear();
    if (Pieces(col, SQL_C_BINARY, kBufBytes, [&](std::size_t bytes, bool) { FText.append(reinterpret_cast<const char*>(FBuf.get()), bytes); }))
      FOut.AddText(FText);
  }

  const TStmt& FSt;
  SQLHSTMT FStmt;
  bool FWide;
  TDbResult& FOut;
  // One piece of a cell, of text units (the driver writes them as SQLWCHAR, of the same size) or
  // bytes; never cleared, as every read says how much it holds.
  std::unique_ptr<char16_t[]> FBuf;
  std::u16string FWideText;      // a text of several pieces
  std::string FText;             // the cell's value
};

class TOdbcSession final : public IDbSession {
 public:
  explicit TOdbcSession(const TDbParams& params) {
    if (!Ok(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &FEnv))) throw EDbError("no ODBC environment");
    try {
      Check(SQLSetEnvAttr(FEnv, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0), SQL_HANDLE_ENV,
            FEnv, "SQLSetEnvAttr");
      const std::vector<TInstalledDriver> installed = InstalledDrivers(FEnv);
      std::string driver = params.Value("ODBCDriver");
      if (driver.empty()) {
        std::vector<std::string> names;
        for (const TInstalledDriver& d : installed) names.push_back(d.Name);
        driver = ChooseSqlServerDriver(names);
      }
      if (driver.empty()) throw EDbError("no SQL Server ODBC driver is installed");
      std::string library;
      for (const TInstalledDriver& d : installed) {
        if (platform::SameText(d.Name, driver)) library = d.Library;
      }
      Check(SQLAllocHandle(SQL_HANDLE_DBC, FEnv, &FDbc), SQL_HANDLE_ENV, FEnv, "SQLAllocHandle");
      const SQLULEN loginTimeout = Seconds(params, "LoginTimeout", kDefaultLoginTimeout);
      FQueryTimeout = Seconds(params, "QueryTimeout", kDefaultQueryTimeout);
      // Without a login time-out a server that accepts and then stays silent holds the call for good.
      Check(
          SQLSetConnectAttrW(FDbc, SQL_ATTR_LOGIN_TIMEOUT, reinterpret_cast<SQLPOINTER>(loginTimeout), SQL_IS_UINTEGER),
          SQL_HANDLE_DBC, FDbc, "SQLSetConnectAttr");
      WText conn = ToW(OdbcConnectionString(driver, params, DialectOf(driver, library)));
      SQLWCHAR out[1024] = {};
      SQLSMALLINT outLen = 0;
      const TFailContext ctx{
          SQL_NULL_HDBC, "the server did not answer the login within " + std::to_string(loginTimeout) + " s: ", {}};
      Check(SQLDriverConnectW(FDbc, nullptr, conn.data(), SQL_NTS, out, 1024, &outLen, SQL_DRIVER_NOPROMPT),
            SQL_HANDLE_DBC, FDbc, "SQLDriverConnect", ctx);
      FConnected = true;
      FWideDriver = HasWideCalls(library);
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
    Check(SQLEndTran(SQL_HANDLE_DBC, FDbc, SQL_COMMIT), SQL_HANDLE_DBC, FDbc, "SQLEndTran", Ctx());
    SetAutoCommit(true);
  }

  void Rollback() override {
    Check(SQLEndTran(SQL_HANDLE_DBC, FDbc, SQL_ROLLBACK), SQL_HANDLE_DBC, FDbc, "SQLEndTran", Ctx());
    SetAutoCommit(true);
  }

  void ExecBatch(const std::string& aSql) override {
    TStmt st(FDbc, FQueryTimeout);
    Execute(st, aSql);
    DrainResults(st);
  }

  void Query(const std::string& aSql, TDbResult& aResult) override {
    aResult = {};
    TStmt st(FDbc, FQueryTimeout);
    Execute(st, aSql);
    for (;;) {
      SQLSMALLINT cols = 0;
      st.Verify(SQLNumResultCols(st.Handle(), &cols), "SQLNumResultCols");
      if (cols > 0) {
        FetchAll(st, cols, aResult);
        DrainResults(st);
        return;
      }
      const SQLRETURN rc = SQLMoreResults(st.Handle());
      if (rc == SQL_NO_DATA) throw EDbError("the statement returned no result set");
      st.Verify(rc, "SQLMoreResults");
    }
  }

 private:
  void SetAutoCommit(bool on) {
    const SQLULEN value = on ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF;
    Check(SQLSetConnectAttrW(FDbc, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(value), SQL_IS_UINTEGER),
          SQL_HANDLE_DBC, FDbc, "SQLSetConnectAttr", Ctx());
  }

  [[nodiscard]] TFailContext Ctx() const { return {FDbc, {}, {}}; }

  // The length goes with the text, so that a NUL inside a value does not end the statement.
  static void Execute(const TStmt& st, const std::string& aSql) {
    WText sql = ToW(aSql);
    const SQLRETURN rc = SQLExecDirectW(st.Handle(), sql.data(), static_cast<SQLINTEGER>(sql.size() - 1));
    if (rc != SQL_NO_DATA) st.Verify(rc, "SQLExecDirect");
  }

  // Runs the batch to its end: an error of a later statement surfaces only here.
  static void DrainResults(const TStmt& st) {
    for (;;) {
      const SQLRETURN rc = SQLMoreResults(st.Handle());
      if (rc == SQL_NO_DATA) return;
      st.Verify(rc, "SQLMoreResults");
    }
  }

  void FetchAll(const TStmt& st, SQLSMALLINT cols, TDbResult& out) const {
    const SQLHSTMT h = st.Handle();
    for (SQLUSMALLINT i = 1; i <= static_cast<SQLUSMALLINT>(cols); ++i) {
      SQLWCHAR name[512] = {};
      SQLSMALLINT nameLen = 0;
      SQLSMALLINT type = 0;
      SQLULEN size = 0;
      SQLSMALLINT digits = 0;
      SQLSMALLINT nullable = 0;
      st.Verify(SQLDescribeColW(h, i, name, 512, &nameLen, &type, &size, &digits, &nullable), "SQLDescribeCol");
      out.Fields.push_back({FromW(name, LenW(name, 511)), KindOfSqlType(type)});
    }
    TCellReader reader(st, FWideDriver, out);
    for (;;) {
      const SQLRETURN rc = SQLFetch(h);
      if (rc == SQL_NO_DATA) break;
      st.Verify(rc, "SQLFetch");
      for (SQLUSMALLINT i = 1; i <= static_cast<SQLUSMALLINT>(cols); ++i) reader.Read(i, out.Fields[i - 1].Kind);
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
  SQLULEN FQueryTimeout = kDefaultQueryTimeout;
  bool FWideDriver = true;
};

}  // namespace

std::unique_ptr<IDbSession> OpenOdbcSession(const TDbParams& aParams) {
  return std::make_unique<TOdbcSession>(aParams);
}

}  // namespace tessaly
