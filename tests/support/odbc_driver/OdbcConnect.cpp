// Connecting, connection attributes, driver information and transactions.
#include <cstring>
#include <map>

#include "Handles.h"
#include "platform/TextCodec.h"

namespace vqodbc {
namespace {

// KEY=value;KEY={value with ; and }} inside};... Keys in upper case.
std::map<std::string, std::string> ParseConnectionString(const std::string& s) {
  std::map<std::string, std::string> out;
  std::size_t i = 0;
  while (i < s.size()) {
    const std::size_t eq = s.find('=', i);
    if (eq == std::string::npos) break;
    const std::string key = platform::AsciiUpper(platform::TrimBlanks(s.substr(i, eq - i)));
    std::string value;
    std::size_t j = eq + 1;
    while (j < s.size() && s[j] == ' ') ++j;
    if (j < s.size() && s[j] == '{') {
      for (++j; j < s.size(); ++j) {
        if (s[j] == '}') {
          if (j + 1 < s.size() && s[j + 1] == '}') {
            value += '}';
            ++j;
            continue;
          }
          ++j;
          break;
        }
        value += s[j];
      }
      while (j < s.size() && s[j] != ';') ++j;
    } else {
      const std::size_t semi = s.find(';', j);
      value = platform::TrimBlanks(s.substr(j, semi == std::string::npos ? std::string::npos : semi - j));
      j = semi == std::string::npos ? s.size() : semi;
    }
    out[key] = value;
    i = j + 1;
  }
  return out;
}

SQLRETURN PutInfoText(Dbc& dbc, const std::string& text, SQLPOINTER value, SQLSMALLINT capacity, SQLSMALLINT* length) {
  SQLLEN bytes = 0;
  const bool cut = PutWideBytes(text, value, capacity, &bytes);
  if (length != nullptr) *length = static_cast<SQLSMALLINT>(bytes);
  if (cut && value != nullptr) return Report(dbc, {"01004", 0, "String data, right truncated"}, SQL_SUCCESS_WITH_INFO);
  return SQL_SUCCESS;
}

template <class T>
SQLRETURN PutInfoNumber(T v, SQLPOINTER value, SQLSMALLINT* length) {
  if (value != nullptr) std::memcpy(value, &v, sizeof v);
  if (length != nullptr) *length = sizeof v;
  return SQL_SUCCESS;
}

}  // namespace
}  // namespace vqodbc

using namespace vqodbc;

extern "C" {

SQLRETURN SQL_API SQLDriverConnectW(SQLHDBC hdbc, SQLHWND, SQLWCHAR* in, SQLSMALLINT inLength, SQLWCHAR* out,
                                    SQLSMALLINT outCapacity, SQLSMALLINT* outLength, SQLUSMALLINT) {
  Dbc* dbc = As<Dbc>(hdbc);
  if (dbc == nullptr) return SQL_INVALID_HANDLE;
  Begin(*dbc);
  if (dbc->session) return Report(*dbc, {"08002", 0, "Connection name in use"});
  const std::string text = FromWide(in, inLength);
  auto keys = ParseConnectionString(text);
  dbc->server = keys["SERVER"];
  dbc->user = keys["UID"];
  dbc->database = keys["DATABASE"];
  if (dbc->database.empty()) return Report(*dbc, {"08001", 0, "The connection string names no DATABASE (a SQLite file)."});
  auto session = std::make_unique<Session>();
  Diag error;
  if (!session->Open(dbc->database, error)) return Report(*dbc, error);
  if (!session->SetAutocommit(dbc->autocommit, error)) return Report(*dbc, error);
  dbc->session = std::move(session);
  SQLLEN units = 0;
  const bool cut = PutWide(text, out, outCapacity, &units);
  if (outLength != nullptr) *outLength = static_cast<SQLSMALLINT>(units);
  if (cut && out != nullptr) return Report(*dbc, {"01004", 0, "String data, right truncated"}, SQL_SUCCESS_WITH_INFO);
  return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLDisconnect(SQLHDBC hdbc) {
  Dbc* dbc = As<Dbc>(hdbc);
  if (dbc == nullptr) return SQL_INVALID_HANDLE;
  Begin(*dbc);
  CloseConnection(*dbc);
  return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLSetConnectAttrW(SQLHDBC hdbc, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER) {
  Dbc* dbc = As<Dbc>(hdbc);
  if (dbc == nullptr) return SQL_INVALID_HANDLE;
  Begin(*dbc);
  if (attribute == SQL_ATTR_AUTOCOMMIT) {
    const bool on = reinterpret_cast<SQLULEN>(value) != SQL_AUTOCOMMIT_OFF;
    Diag error;
    if (dbc->session && !dbc->session->SetAutocommit(on, error)) return Report(*dbc, error);
    dbc->autocommit = on;
  }
  // Time-outs, isolation, packet size, SQL_ATTR_ANSI_APP and the rest change nothing here.
  return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLGetConnectAttrW(SQLHDBC hdbc, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER capacity,
                                     SQLINTEGER* length) {
  Dbc* dbc = As<Dbc>(hdbc);
  if (dbc == nullptr) return SQL_INVALID_HANDLE;
  Begin(*dbc);
  auto putNumber = [&](SQLUINTEGER v) {
    if (value != nullptr) std::memcpy(value, &v, sizeof v);
    if (length != nullptr) *length = sizeof v;
    return SQL_SUCCESS;
  };
  switch (attribute) {
    case SQL_ATTR_AUTOCOMMIT: return putNumber(dbc->autocommit ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF);
    case SQL_ATTR_CONNECTION_DEAD: return putNumber(!dbc->session || dbc->session->Dead() ? SQL_CD_TRUE : SQL_CD_FALSE);
    case SQL_ATTR_TXN_ISOLATION: return putNumber(SQL_TXN_SERIALIZABLE);
    case SQL_ATTR_ACCESS_MODE: return putNumber(SQL_MODE_READ_WRITE);
    case SQL_ATTR_LOGIN_TIMEOUT:
    case SQL_ATTR_CONNECTION_TIMEOUT:
    case SQL_ATTR_ASYNC_ENABLE:
    case SQL_ATTR_ODBC_CURSORS: return putNumber(0);
    case SQL_ATTR_CURRENT_CATALOG: {
      SQLLEN bytes = 0;
      PutWideBytes(dbc->database, value, capacity, &bytes);
      if (length != nullptr) *length = static_cast<SQLINTEGER>(bytes);
      return SQL_SUCCESS;
    }
    default: return Report(*dbc, {"HY092", 0, "Invalid attribute/option identifier"});
  }
}

SQLRETURN SQL_API SQLGetInfoW(SQLHDBC hdbc, SQLUSMALLINT type, SQLPOINTER value, SQLSMALLINT capacity,
                              SQLSMALLINT* length) {
  Dbc* dbc = As<Dbc>(hdbc);
  if (dbc == nullptr) return SQL_INVALID_HANDLE;
  Begin(*dbc);
  auto text = [&](const std::string& s) { return PutInfoText(*dbc, s, value, capacity, length); };
  auto u16 = [&](SQLUSMALLINT v) { return PutInfoNumber(v, value, length); };
  auto u32 = [&](SQLUINTEGER v) { return PutInfoNumber(v, value, length); };
  switch (type) {
    case SQL_DRIVER_NAME: return text("libvq_test_odbc.so");
    case SQL_DRIVER_VER:
    case SQL_DBMS_VER: return text("01.00.0000");
    case SQL_DRIVER_ODBC_VER: return text("03.51");
    case SQL_DBMS_NAME: return text("Tessaly test SQL");
    case SQL_SERVER_NAME: return text(dbc->server);
    case SQL_DATABASE_NAME: return text(dbc->database);
    case SQL_USER_NAME: return text(dbc->user);
    case SQL_DATA_SOURCE_NAME: return text("");
    case SQL_IDENTIFIER_QUOTE_CHAR: return text("\"");
    case SQL_CATALOG_NAME_SEPARATOR: return text(".");
    case SQL_SEARCH_PATTERN_ESCAPE: return text("\\");
    case SQL_MULT_RESULT_SETS:
    case SQL_MULTIPLE_ACTIVE_TXN:
    case SQL_ACCESSIBLE_TABLES:
    case SQL_ACCESSIBLE_PROCEDURES:
    case SQL_PROCEDURES: return text("Y");
    case SQL_DATA_SOURCE_READ_ONLY:
    case SQL_NEED_LONG_DATA_LEN: return text("N");
    case SQL_CURSOR_COMMIT_BEHAVIOR:
    case SQL_CURSOR_ROLLBACK_BEHAVIOR: return u16(SQL_CB_PRESERVE);
    case SQL_TXN_CAPABLE: return u16(SQL_TC_ALL);
    case SQL_MAX_CONCURRENT_ACTIVITIES:
    case SQL_MAX_DRIVER_CONNECTIONS: return u16(0);
    case SQL_MAX_COLUMN_NAME_LEN:
    case SQL_MAX_TABLE_NAME_LEN:
    case SQL_MAX_SCHEMA_NAME_LEN:
    case SQL_MAX_CATALOG_NAME_LEN: return u16(128);
    case SQL_DEFAULT_TXN_ISOLATION:
    case SQL_TXN_ISOLATION_OPTION: return u32(SQL_TXN_SERIALIZABLE);
    case SQL_GETDATA_EXTENSIONS: return u32(SQL_GD_ANY_COLUMN | SQL_GD_ANY_ORDER | SQL_GD_BOUND);
    case SQL_SCROLL_OPTIONS: return u32(SQL_SO_FORWARD_ONLY);
    case SQL_ASYNC_MODE: return u32(SQL_AM_NONE);
    case SQL_ODBC_INTERFACE_CONFORMANCE: return u32(SQL_OIC_CORE);
    default: return Report(*dbc, {"HY096", 0, "Information type out of range"});
  }
}

SQLRETURN SQL_API SQLEndTran(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT completion) {
  std::vector<Dbc*> targets;
  if (type == SQL_HANDLE_DBC) {
    Dbc* dbc = As<Dbc>(handle);
    if (dbc == nullptr) return SQL_INVALID_HANDLE;
    targets.push_back(dbc);
  } else if (type == SQL_HANDLE_ENV) {
    Env* env = As<Env>(handle);
    if (env == nullptr) return SQL_INVALID_HANDLE;
    std::lock_guard<std::mutex> guard(env->lock);
    targets = env->dbcs;
  } else {
    return SQL_INVALID_HANDLE;
  }
  SQLRETURN rc = SQL_SUCCESS;
  for (Dbc* dbc : targets) {
    Begin(*dbc);
    if (!dbc->session) {
      if (type == SQL_HANDLE_DBC) rc = Report(*dbc, {"08003", 0, "Connection not open"});
      continue;
    }
    Diag error;
    if (!dbc->session->EndTran(completion == SQL_COMMIT, error)) rc = Report(*dbc, error);
  }
  return rc;
}

}  // extern "C"
