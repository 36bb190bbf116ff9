// Running batches, walking their results, statement attributes and column descriptions.
#include <cstring>

#include "Handles.h"
#include "platform/TextCodec.h"

namespace vqodbc {
namespace {

// Makes results[current] the current result and reports it the way the server does: an error as
// SQL_ERROR, an insert, update or delete that touched no row as SQL_NO_DATA.
SQLRETURN EnterResult(Stmt& st) {
  st.row = -1;
  st.chunk = {};
  const Result& r = st.results[st.current];
  if (r.kind == Result::Kind::Error) return Report(st, r.error);
  return Done(st, SQL_SUCCESS);
}

SQLRETURN Run(Stmt& st, const std::string& sql) {
  st.CloseCursor();
  if (!st.dbc->session) return Report(st, {"08003", 0, "Connection not open"});
  st.results = st.dbc->session->RunBatch(sql);
  st.open = true;
  if (st.results.empty()) return SQL_SUCCESS;
  const SQLRETURN rc = EnterResult(st);
  const Result& r = st.results[0];
  if (rc == SQL_SUCCESS && r.kind == Result::Kind::Count && r.count == 0) return SQL_NO_DATA;
  return rc;
}

const Column* ColumnOf(Stmt& st, SQLUSMALLINT number, SQLRETURN& rc) {
  const Result* r = st.Current();
  if (r == nullptr || r->kind != Result::Kind::Rows) {
    rc = Report(st, {"07005", 0, "Prepared statement returns no result set"});
    return nullptr;
  }
  if (number < 1 || number > r->columns.size()) {
    rc = Report(st, {"07009", 0, "Invalid descriptor index"});
    return nullptr;
  }
  return &r->columns[number - 1];
}

// Bytes a value of the column takes as wide text, for the octet and display fields.
SQLLEN DisplaySize(const TypeInfo& t) {
  switch (t.sqlType) {
    case SQL_INTEGER: return 11;
    case SQL_BIGINT: return 20;
    case SQL_SMALLINT: return 6;
    case SQL_TINYINT: return 4;
    case SQL_BIT: return 1;
    case SQL_DOUBLE:
    case SQL_REAL: return 24;
    case SQL_NUMERIC:
    case SQL_DECIMAL: return t.columnSize + 2;
    default: return t.columnSize;
  }
}

std::string TypeName(const TypeInfo& t) { return t.typeName.empty() ? std::string("nvarchar") : t.typeName; }

}  // namespace
}  // namespace vqodbc

using namespace vqodbc;

extern "C" {

SQLRETURN SQL_API SQLExecDirectW(SQLHSTMT hstmt, SQLWCHAR* text, SQLINTEGER length) {
  Stmt* st = As<Stmt>(hstmt);
  if (st == nullptr) return SQL_INVALID_HANDLE;
  Begin(*st);
  return Run(*st, FromWide(text, length));
}

SQLRETURN SQL_API SQLPrepareW(SQLHSTMT hstmt, SQLWCHAR* text, SQLINTEGER length) {
  Stmt* st = As<Stmt>(hstmt);
  if (st == nullptr) return SQL_INVALID_HANDLE;
  Begin(*st);
  st->CloseCursor();
  st->prepared = FromWide(text, length);
  return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLExecute(SQLHSTMT hstmt) {
  Stmt* st = As<Stmt>(hstmt);
  if (st == nullptr) return SQL_INVALID_HANDLE;
  Begin(*st);
  return Run(*st, st->prepared);
}

SQLRETURN SQL_API SQLMoreResults(SQLHSTMT hstmt) {
  Stmt* st = As<Stmt>(hstmt);
  if (st == nullptr) return SQL_INVALID_HANDLE;
  Begin(*st);
  if (!st->open || st->current + 1 >= st->results.size()) {
    st->CloseCursor();
    return SQL_NO_DATA;
  }
  ++st->current;
  return EnterResult(*st);
}

SQLRETURN SQL_API SQLNumResultCols(SQLHSTMT hstmt, SQLSMALLINT* count) {
  Stmt* st = As<Stmt>(hstmt);
  if (st == nullptr) return SQL_INVALID_HANDLE;
  Begin(*st);
  const Result* r = st->Current();
  if (count != nullptr) *count = r && r->kind == Result::Kind::Rows ? static_cast<SQLSMALLINT>(r->columns.size()) : 0;
  return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLRowCount(SQLHSTMT hstmt, SQLLEN* count) {
  Stmt* st = As<Stmt>(hstmt);
  if (st == nullptr) return SQL_INVALID_HANDLE;
  Begin(*st);
  const Result* r = st->Current();
  if (count != nullptr) *count = r && r->kind == Result::Kind::Count ? static_cast<SQLLEN>(r->count) : -1;
  return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLFreeStmt(SQLHSTMT hstmt, SQLUSMALLINT option) {
  Stmt* st = As<Stmt>(hstmt);
  if (st == nullptr) return SQL_INVALID_HANDLE;
  Begin(*st);
  if (option == SQL_DROP) return SQLFreeHandle(SQL_HANDLE_STMT, hstmt);
  if (option == SQL_CLOSE) st->CloseCursor();
  if (option == SQL_UNBIND) st->bindings.clear();
  return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLCloseCursor(SQLHSTMT hstmt) {
  Stmt* st = As<Stmt>(hstmt);
  if (st == nullptr) return SQL_INVALID_HANDLE;
  Begin(*st);
  st->CloseCursor();
  return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLCancel(SQLHSTMT hstmt) {
  Stmt* st = As<Stmt>(hstmt);
  if (st == nullptr) return SQL_INVALID_HANDLE;
  Begin(*st);
  return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLSetStmtAttrW(SQLHSTMT hstmt, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER) {
  Stmt* st = As<Stmt>(hstmt);
  if (st == nullptr) return SQL_INVALID_HANDLE;
  Begin(*st);
  switch (attribute) {
    case SQL_ATTR_ROW_ARRAY_SIZE:
      if (reinterpret_cast<SQLULEN>(value) != 1) return Report(*st, {"HYC00", 0, "Only one row per fetch is supported"});
      return SQL_SUCCESS;
    case SQL_ATTR_ROWS_FETCHED_PTR: st->rowsFetched = static_cast<SQLULEN*>(value); return SQL_SUCCESS;
    case SQL_ATTR_ROW_STATUS_PTR: st->rowStatus = static_cast<SQLUSMALLINT*>(value); return SQL_SUCCESS;
    default: return SQL_SUCCESS;  // time-outs, cursor kinds: every result is a static, fetched-whole one
  }
}

SQLRETURN SQL_API SQLGetStmtAttrW(SQLHSTMT hstmt, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER,
                                  SQLINTEGER* length) {
  Stmt* st = As<Stmt>(hstmt);
  if (st == nullptr) return SQL_INVALID_HANDLE;
  Begin(*st);
  SQLULEN v = 0;
  switch (attribute) {
    case SQL_ATTR_ROW_ARRAY_SIZE: v = 1; break;
    case SQL_ATTR_CURSOR_TYPE: v = SQL_CURSOR_FORWARD_ONLY; break;
    case SQL_ATTR_CONCURRENCY: v = SQL_CONCUR_READ_ONLY; break;
    case SQL_ATTR_ROW_NUMBER: v = st->row >= 0 ? static_cast<SQLULEN>(st->row + 1) : 0; break;
    case SQL_ATTR_QUERY_TIMEOUT:
    case SQL_ATTR_MAX_ROWS:
    case SQL_ATTR_MAX_LENGTH:
    case SQL_ATTR_ASYNC_ENABLE: v = 0; break;
    case SQL_ATTR_APP_ROW_DESC:
    case SQL_ATTR_APP_PARAM_DESC:
    case SQL_ATTR_IMP_ROW_DESC:
    case SQL_ATTR_IMP_PARAM_DESC:
      // Descriptors are not offered; the statement stands in so that the manager has a handle.
      v = reinterpret_cast<SQLULEN>(st);
      break;
    default: return Report(*st, {"HY092", 0, "Invalid attribute/option identifier"});
  }
  if (value != nullptr) std::memcpy(value, &v, sizeof v);
  if (length != nullptr) *length = sizeof v;
  return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLDescribeColW(SQLHSTMT hstmt, SQLUSMALLINT number, SQLWCHAR* name, SQLSMALLINT capacity,
                                  SQLSMALLINT* nameLength, SQLSMALLINT* type, SQLULEN* size, SQLSMALLINT* digits,
                                  SQLSMALLINT* nullable) {
  Stmt* st = As<Stmt>(hstmt);
  if (st == nullptr) return SQL_INVALID_HANDLE;
  Begin(*st);
  SQLRETURN rc = SQL_SUCCESS;
  const Column* c = ColumnOf(*st, number, rc);
  if (c == nullptr) return rc;
  SQLLEN units = 0;
  const bool cut = PutWide(c->name, name, capacity, &units);
  if (nameLength != nullptr) *nameLength = static_cast<SQLSMALLINT>(units);
  if (type != nullptr) *type = static_cast<SQLSMALLINT>(c->type.sqlType);
  if (size != nullptr) *size = static_cast<SQLULEN>(c->type.columnSize);
  if (digits != nullptr) *digits = static_cast<SQLSMALLINT>(c->type.digits);
  if (nullable != nullptr) *nullable = c->nullable ? SQL_NULLABLE : SQL_NO_NULLS;
  if (cut && name != nullptr) return Report(*st, {"01004", 0, "String data, right truncated"}, SQL_SUCCESS_WITH_INFO);
  return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLColAttributeW(SQLHSTMT hstmt, SQLUSMALLINT number, SQLUSMALLINT field, SQLPOINTER text,
                                   SQLSMALLINT capacity, SQLSMALLINT* textLength, SQLLEN* numeric) {
  Stmt* st = As<Stmt>(hstmt);
  if (st == nullptr) return SQL_INVALID_HANDLE;
  Begin(*st);
  const Result* r = st->Current();
  if (field == SQL_DESC_COUNT || field == SQL_COLUMN_COUNT) {
    if (numeric != nullptr) *numeric = r && r->kind == Result::Kind::Rows ? static_cast<SQLLEN>(r->columns.size()) : 0;
    return SQL_SUCCESS;
  }
  SQLRETURN rc = SQL_SUCCESS;
  const Column* c = ColumnOf(*st, number, rc);
  if (c == nullptr) return rc;
  auto putText = [&](const std::string& s) {
    SQLLEN bytes = 0;
    const bool cut = PutWideBytes(s, text, capacity, &bytes);
    if (textLength != nullptr) *textLength = static_cast<SQLSMALLINT>(bytes);
    if (cut && text != nullptr) return Report(*st, {"01004", 0, "String data, right truncated"}, SQL_SUCCESS_WITH_INFO);
    return static_cast<SQLRETURN>(SQL_SUCCESS);
  };
  auto putNumber = [&](SQLLEN v) {
    if (numeric != nullptr) *numeric = v;
    return static_cast<SQLRETURN>(SQL_SUCCESS);
  };
  const TypeInfo& t = c->type;
  const bool wideText = t.text;
  switch (field) {
    case SQL_DESC_NAME:
    case SQL_DESC_LABEL:
    case SQL_COLUMN_NAME: return putText(c->name);
    case SQL_DESC_BASE_COLUMN_NAME: return putText(c->baseName);
    case SQL_DESC_TABLE_NAME:
    case SQL_DESC_BASE_TABLE_NAME: return putText(c->table);
    case SQL_DESC_TYPE_NAME: return putText(TypeName(t));
    case SQL_DESC_CATALOG_NAME:
    case SQL_DESC_SCHEMA_NAME:
    case SQL_DESC_LITERAL_PREFIX:
    case SQL_DESC_LITERAL_SUFFIX:
    case SQL_DESC_LOCAL_TYPE_NAME: return putText("");
    case SQL_DESC_CONCISE_TYPE: return putNumber(t.sqlType);
    case SQL_DESC_TYPE: return putNumber(t.dateTime ? SQL_DATETIME : t.sqlType);
    case SQL_DESC_LENGTH:
    case SQL_COLUMN_LENGTH:
    case SQL_DESC_PRECISION:
    case SQL_COLUMN_PRECISION: return putNumber(t.columnSize);
    case SQL_DESC_OCTET_LENGTH: return putNumber(wideText ? t.columnSize * 2 : DisplaySize(t));
    case SQL_DESC_DISPLAY_SIZE: return putNumber(DisplaySize(t));
    case SQL_DESC_SCALE:
    case SQL_COLUMN_SCALE: return putNumber(t.digits);
    case SQL_DESC_NULLABLE:
    case SQL_COLUMN_NULLABLE: return putNumber(c->nullable ? SQL_NULLABLE : SQL_NO_NULLS);
    case SQL_DESC_UNSIGNED: return putNumber(wideText || t.dateTime ? SQL_TRUE : SQL_FALSE);
    case SQL_DESC_FIXED_PREC_SCALE: return putNumber(t.fixedScale && t.typeName.find("money") != std::string::npos);
    case SQL_DESC_AUTO_UNIQUE_VALUE: return putNumber(SQL_FALSE);
    case SQL_DESC_CASE_SENSITIVE: return putNumber(SQL_FALSE);
    case SQL_DESC_SEARCHABLE: return putNumber(SQL_PRED_SEARCHABLE);
    case SQL_DESC_UPDATABLE: return putNumber(SQL_ATTR_READWRITE_UNKNOWN);
    case SQL_DESC_UNNAMED: return putNumber(c->name.empty() ? SQL_UNNAMED : SQL_NAMED);
    case SQL_DESC_NUM_PREC_RADIX: return putNumber(t.text || t.dateTime ? 0 : 10);
    default: return Report(*st, {"HY091", 0, "Invalid descriptor field identifier"});
  }
}

}  // extern "C"
