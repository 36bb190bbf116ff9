// Handle life cycle, environment attributes and diagnostics.
#include <algorithm>
#include <cstring>

#include "Handles.h"
#include "platform/TextCodec.h"

namespace vqodbc {

HandleBase* AsAny(SQLSMALLINT type, SQLHANDLE h) {
  switch (type) {
    case SQL_HANDLE_ENV: return As<Env>(h);
    case SQL_HANDLE_DBC: return As<Dbc>(h);
    case SQL_HANDLE_STMT: return As<Stmt>(h);
    default: return nullptr;
  }
}

SQLRETURN Report(HandleBase& h, const Diag& d, SQLRETURN rc) {
  h.diags.push_back(d);
  return h.lastReturn = rc;
}

bool PutWide(const std::string& utf8, SQLWCHAR* buf, SQLLEN capacity, SQLLEN* units) {
  const std::u16string w = platform::Utf8ToUtf16(utf8);
  if (units != nullptr) *units = static_cast<SQLLEN>(w.size());
  if (buf == nullptr || capacity <= 0) return !w.empty();
  std::size_t n = std::min<std::size_t>(w.size(), static_cast<std::size_t>(capacity - 1));
  if (n < w.size() && n > 0 && w[n - 1] >= 0xD800 && w[n - 1] <= 0xDBFF) --n;
  for (std::size_t i = 0; i < n; ++i) buf[i] = w[i];
  buf[n] = 0;
  return n < w.size();
}

bool PutWideBytes(const std::string& utf8, SQLPOINTER buf, SQLLEN bytes, SQLLEN* outBytes) {
  SQLLEN units = 0;
  const bool cut = PutWide(utf8, static_cast<SQLWCHAR*>(buf), bytes / 2, &units);
  if (outBytes != nullptr) *outBytes = units * 2;
  return cut;
}

std::string FromWide(const SQLWCHAR* text, SQLLEN len) {
  if (text == nullptr) return {};
  std::u16string w;
  if (len == SQL_NTS) {
    for (const SQLWCHAR* p = text; *p != 0; ++p) w += static_cast<char16_t>(*p);
  } else {
    for (SQLLEN i = 0; i < len; ++i) w += static_cast<char16_t>(text[i]);
  }
  return platform::Utf16ToUtf8(w);
}

void CloseConnection(Dbc& dbc) {
  for (Stmt* s : dbc.stmts) {
    s->tag = 0;
    delete s;
  }
  dbc.stmts.clear();
  dbc.session.reset();
}

}  // namespace vqodbc

using namespace vqodbc;

extern "C" {

SQLRETURN SQL_API SQLAllocHandle(SQLSMALLINT type, SQLHANDLE input, SQLHANDLE* output) {
  if (output == nullptr) return SQL_ERROR;
  *output = SQL_NULL_HANDLE;
  switch (type) {
    case SQL_HANDLE_ENV:
      *output = new Env();
      return SQL_SUCCESS;
    case SQL_HANDLE_DBC: {
      Env* env = As<Env>(input);
      if (env == nullptr) return SQL_INVALID_HANDLE;
      Begin(*env);
      auto* dbc = new Dbc(env);
      std::lock_guard<std::mutex> guard(env->lock);
      env->dbcs.push_back(dbc);
      *output = dbc;
      return SQL_SUCCESS;
    }
    case SQL_HANDLE_STMT: {
      Dbc* dbc = As<Dbc>(input);
      if (dbc == nullptr) return SQL_INVALID_HANDLE;
      Begin(*dbc);
      if (!dbc->session) return Report(*dbc, {"08003", 0, "Connection not open"});
      auto* st = new Stmt(dbc);
      dbc->stmts.push_back(st);
      *output = st;
      return SQL_SUCCESS;
    }
    default: return SQL_ERROR;
  }
}

SQLRETURN SQL_API SQLFreeHandle(SQLSMALLINT type, SQLHANDLE handle) {
  switch (type) {
    case SQL_HANDLE_ENV: {
      Env* env = As<Env>(handle);
      if (env == nullptr) return SQL_INVALID_HANDLE;
      {
        std::lock_guard<std::mutex> guard(env->lock);
        if (!env->dbcs.empty()) return Report(*env, {"HY010", 0, "Function sequence error: connections remain"});
      }
      env->tag = 0;
      delete env;
      return SQL_SUCCESS;
    }
    case SQL_HANDLE_DBC: {
      Dbc* dbc = As<Dbc>(handle);
      if (dbc == nullptr) return SQL_INVALID_HANDLE;
      CloseConnection(*dbc);
      {
        std::lock_guard<std::mutex> guard(dbc->env->lock);
        auto& list = dbc->env->dbcs;
        list.erase(std::remove(list.begin(), list.end(), dbc), list.end());
      }
      dbc->tag = 0;
      delete dbc;
      return SQL_SUCCESS;
    }
    case SQL_HANDLE_STMT: {
      Stmt* st = As<Stmt>(handle);
      if (st == nullptr) return SQL_INVALID_HANDLE;
      auto& list = st->dbc->stmts;
      list.erase(std::remove(list.begin(), list.end(), st), list.end());
      st->tag = 0;
      delete st;
      return SQL_SUCCESS;
    }
    default: return SQL_ERROR;
  }
}

SQLRETURN SQL_API SQLSetEnvAttr(SQLHENV henv, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER) {
  Env* env = As<Env>(henv);
  if (env == nullptr) return SQL_INVALID_HANDLE;
  Begin(*env);
  if (attribute == SQL_ATTR_ODBC_VERSION) env->odbcVersion = static_cast<SQLINTEGER>(reinterpret_cast<SQLLEN>(value));
  return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLGetEnvAttr(SQLHENV henv, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER, SQLINTEGER* length) {
  Env* env = As<Env>(henv);
  if (env == nullptr) return SQL_INVALID_HANDLE;
  Begin(*env);
  SQLINTEGER v = 0;
  if (attribute == SQL_ATTR_ODBC_VERSION) v = env->odbcVersion;
  else if (attribute == SQL_ATTR_OUTPUT_NTS) v = SQL_TRUE;
  if (value != nullptr) std::memcpy(value, &v, sizeof v);
  if (length != nullptr) *length = sizeof v;
  return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLGetDiagRecW(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT record, SQLWCHAR* state,
                                 SQLINTEGER* native, SQLWCHAR* message, SQLSMALLINT capacity, SQLSMALLINT* length) {
  HandleBase* h = AsAny(type, handle);
  if (h == nullptr) return SQL_INVALID_HANDLE;
  if (record < 1 || capacity < 0) return SQL_ERROR;
  if (static_cast<std::size_t>(record) > h->diags.size()) return SQL_NO_DATA;
  const Diag& d = h->diags[static_cast<std::size_t>(record - 1)];
  if (state != nullptr) PutWide(d.state, state, 6, nullptr);
  if (native != nullptr) *native = d.native;
  SQLLEN units = 0;
  const bool cut = PutWide(d.message, message, capacity, &units);
  if (length != nullptr) *length = static_cast<SQLSMALLINT>(units);
  return cut && message != nullptr ? SQL_SUCCESS_WITH_INFO : SQL_SUCCESS;
}

SQLRETURN SQL_API SQLGetDiagFieldW(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT record, SQLSMALLINT field,
                                   SQLPOINTER info, SQLSMALLINT capacity, SQLSMALLINT* length) {
  HandleBase* h = AsAny(type, handle);
  if (h == nullptr) return SQL_INVALID_HANDLE;
  auto putInt = [&](auto v) {
    if (info != nullptr) std::memcpy(info, &v, sizeof v);
    if (length != nullptr) *length = sizeof v;
    return SQL_SUCCESS;
  };
  auto putText = [&](const std::string& s) {
    SQLLEN bytes = 0;
    const bool cut = PutWideBytes(s, info, capacity, &bytes);
    if (length != nullptr) *length = static_cast<SQLSMALLINT>(bytes);
    return cut && info != nullptr ? SQL_SUCCESS_WITH_INFO : SQL_SUCCESS;
  };
  if (record == 0) {
    switch (field) {
      case SQL_DIAG_NUMBER: return putInt(static_cast<SQLINTEGER>(h->diags.size()));
      case SQL_DIAG_RETURNCODE: return putInt(h->lastReturn);
      case SQL_DIAG_ROW_COUNT:
      case SQL_DIAG_CURSOR_ROW_COUNT: {
        const Stmt* st = type == SQL_HANDLE_STMT ? As<Stmt>(handle) : nullptr;
        const Result* r = st ? st->Current() : nullptr;
        return putInt(static_cast<SQLLEN>(r ? r->count : -1));
      }
      case SQL_DIAG_DYNAMIC_FUNCTION: return putText("");
      case SQL_DIAG_DYNAMIC_FUNCTION_CODE: return putInt(static_cast<SQLINTEGER>(SQL_DIAG_UNKNOWN_STATEMENT));
      default: return SQL_ERROR;
    }
  }
  if (record < 0) return SQL_ERROR;
  if (static_cast<std::size_t>(record) > h->diags.size()) return SQL_NO_DATA;
  const Diag& d = h->diags[static_cast<std::size_t>(record - 1)];
  switch (field) {
    case SQL_DIAG_SQLSTATE: return putText(d.state);
    case SQL_DIAG_NATIVE: return putInt(static_cast<SQLINTEGER>(d.native));
    case SQL_DIAG_MESSAGE_TEXT: return putText(d.message);
    case SQL_DIAG_CLASS_ORIGIN:
    case SQL_DIAG_SUBCLASS_ORIGIN: return putText(d.state.rfind("IM", 0) == 0 ? "ODBC 3.0" : "ISO 9075");
    case SQL_DIAG_CONNECTION_NAME: return putText("");
    case SQL_DIAG_SERVER_NAME: {
      const Dbc* dbc = type == SQL_HANDLE_DBC ? As<Dbc>(handle)
                       : type == SQL_HANDLE_STMT ? As<Stmt>(handle)->dbc
                                                 : nullptr;
      return putText(dbc ? dbc->server : "");
    }
    case SQL_DIAG_COLUMN_NUMBER: return putInt(static_cast<SQLINTEGER>(SQL_COLUMN_NUMBER_UNKNOWN));
    case SQL_DIAG_ROW_NUMBER: return putInt(static_cast<SQLLEN>(SQL_ROW_NUMBER_UNKNOWN));
    default: return SQL_ERROR;
  }
}

}  // extern "C"
