// Fetching rows and handing column values to the client in the C type it asks for. Long text
// comes in pieces: each call fills the buffer (never splitting a character), reports 01004 with
// the bytes still to come, and the call after the last piece returns SQL_NO_DATA.
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "Handles.h"
#include "platform/TextCodec.h"

namespace vqodbc {
namespace {

// The text the server would send for the value.
std::string TextForm(const Value& v, const TypeInfo& t) {
  char buf[64];
  switch (v.type) {
    case Value::Type::Int:
      if (t.fixedScale && t.digits > 0) return std::to_string(v.i) + "." + std::string(static_cast<std::size_t>(t.digits), '0');
      return std::to_string(v.i);
    case Value::Type::Real:
      if (t.fixedScale) std::snprintf(buf, sizeof buf, "%.*f", t.digits, v.d);
      else std::snprintf(buf, sizeof buf, "%.15g", v.d);
      return buf;
    case Value::Type::Text: {
      Stamp s;
      if (t.dateTime && ParseStamp(v.s, s)) return FormatStamp(s);
      if (t.fixedScale) {
        char* end = nullptr;
        const double d = std::strtod(v.s.c_str(), &end);
        if (end != v.s.c_str() && *end == '\0') {
          std::snprintf(buf, sizeof buf, "%.*f", t.digits, d);
          return buf;
        }
      }
      return v.s;
    }
    case Value::Type::Blob: {
      std::string hex;
      for (unsigned char c : v.s) {
        std::snprintf(buf, sizeof buf, "%02X", c);
        hex += buf;
      }
      return hex;
    }
    case Value::Type::Null: break;
  }
  return {};
}

bool ToDouble(const Value& v, double& out) {
  if (v.type == Value::Type::Int) out = static_cast<double>(v.i);
  else if (v.type == Value::Type::Real) out = v.d;
  else {
    const std::string s = platform::TrimBlanks(v.s);
    char* end = nullptr;
    errno = 0;
    out = std::strtod(s.c_str(), &end);
    return !s.empty() && *end == '\0' && errno == 0;
  }
  return true;
}

// False when the value is no whole number in [lo, hi]; `number` tells a non-number from one out of range.
bool ToInt(const Value& v, long double lo, long double hi, std::int64_t& out, bool& number) {
  number = true;
  long double x = 0;
  if (v.type == Value::Type::Int) {
    x = static_cast<long double>(v.i);
  } else {
    const std::string s = platform::TrimBlanks(v.s);
    char* end = nullptr;
    errno = 0;
    const long long n = v.type == Value::Type::Text ? std::strtoll(s.c_str(), &end, 10) : 0;
    double d = 0;
    if (v.type == Value::Type::Text && !s.empty() && *end == '\0' && errno == 0) {
      x = static_cast<long double>(n);
    } else if (ToDouble(v, d)) {
      x = std::trunc(static_cast<long double>(d));
    } else {
      number = false;
      return false;
    }
  }
  if (x < lo || x > hi) return false;
  out = v.type == Value::Type::Int ? v.i : static_cast<std::int64_t>(x);
  return true;
}

SQLSMALLINT DefaultCType(const TypeInfo& t) {
  switch (t.sqlType) {
    case SQL_INTEGER: return SQL_C_SLONG;
    case SQL_SMALLINT: return SQL_C_SSHORT;
    case SQL_TINYINT: return SQL_C_UTINYINT;
    case SQL_BIGINT: return SQL_C_SBIGINT;
    case SQL_BIT: return SQL_C_BIT;
    case SQL_DOUBLE: return SQL_C_DOUBLE;
    case SQL_REAL: return SQL_C_FLOAT;
    case SQL_TYPE_TIMESTAMP: return SQL_C_TYPE_TIMESTAMP;
    case SQL_TYPE_DATE: return SQL_C_TYPE_DATE;
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY: return SQL_C_BINARY;
    case SQL_WCHAR:
    case SQL_WVARCHAR:
    case SQL_WLONGVARCHAR: return SQL_C_WCHAR;
    default: return SQL_C_CHAR;
  }
}

const Diag kTruncated{"01004", 0, "String data, right truncated"};
const Diag kCast{"22018", 0, "Invalid character value for cast"};
const Diag kRange{"22003", 0, "Numeric value out of range"};

// One piece of `data` (UTF-16 units for wide targets, bytes otherwise) into the buffer.
SQLRETURN PutPiece(Stmt& st, ChunkState& ck, SQLSMALLINT type, const std::string& text, SQLPOINTER target,
                   SQLLEN length, SQLLEN* ind) {
  const bool wide = type == SQL_C_WCHAR;
  const bool binary = type == SQL_C_BINARY;
  const std::u16string w = wide ? platform::Utf8ToUtf16(text) : std::u16string();
  const std::size_t total = wide ? w.size() : text.size();
  const std::size_t unit = wide ? 2 : 1;
  const std::size_t remaining = total - std::min(ck.offset, total);
  if (ind != nullptr) *ind = static_cast<SQLLEN>(remaining * unit);
  const std::size_t room = length <= 0 ? 0 : static_cast<std::size_t>(length) / unit;
  const std::size_t capacity = binary ? room : (room > 0 ? room - 1 : 0);
  std::size_t n = std::min(remaining, capacity);
  if (n < remaining && n > 0) {
    if (wide && w[ck.offset + n - 1] >= 0xD800 && w[ck.offset + n - 1] <= 0xDBFF) --n;
    if (!wide && !binary)
      while (n > 0 && (static_cast<unsigned char>(text[ck.offset + n]) & 0xC0) == 0x80) --n;
  }
  if (target != nullptr) {
    if (wide) {
      auto* out = static_cast<SQLWCHAR*>(target);
      for (std::size_t i = 0; i < n; ++i) out[i] = w[ck.offset + i];
      if (room > 0) out[n] = 0;
    } else {
      auto* out = static_cast<char*>(target);
      std::memcpy(out, text.data() + ck.offset, n);
      if (!binary && room > 0) out[n] = '\0';
    }
  }
  ck.offset += n;
  if (n < remaining) return Report(st, kTruncated, SQL_SUCCESS_WITH_INFO);
  ck.done = true;
  return SQL_SUCCESS;
}

template <class T>
SQLRETURN PutFixed(T v, SQLPOINTER target, SQLLEN* ind, ChunkState& ck) {
  if (target != nullptr) std::memcpy(target, &v, sizeof v);
  if (ind != nullptr) *ind = sizeof v;
  ck.done = true;
  return SQL_SUCCESS;
}

SQLRETURN PutInteger(Stmt& st, const Value& v, SQLSMALLINT type, SQLPOINTER target, SQLLEN* ind, ChunkState& ck) {
  struct Limits {
    SQLSMALLINT type;
    long double lo, hi;
  };
  static const Limits kLimits[] = {
      {SQL_C_SLONG, INT32_MIN, INT32_MAX}, {SQL_C_LONG, INT32_MIN, INT32_MAX},   {SQL_C_ULONG, 0, UINT32_MAX},
      {SQL_C_SSHORT, INT16_MIN, INT16_MAX}, {SQL_C_SHORT, INT16_MIN, INT16_MAX}, {SQL_C_USHORT, 0, UINT16_MAX},
      {SQL_C_STINYINT, INT8_MIN, INT8_MAX}, {SQL_C_TINYINT, INT8_MIN, INT8_MAX}, {SQL_C_UTINYINT, 0, UINT8_MAX},
      {SQL_C_SBIGINT, INT64_MIN, INT64_MAX}, {SQL_C_UBIGINT, 0, INT64_MAX},      {SQL_C_BIT, 0, 1}};
  for (const auto& l : kLimits) {
    if (l.type != type) continue;
    std::int64_t n = 0;
    bool number = true;
    if (!ToInt(v, l.lo, l.hi, n, number)) return Report(st, number ? kRange : kCast);
    switch (type) {
      case SQL_C_SLONG:
      case SQL_C_LONG: return PutFixed(static_cast<SQLINTEGER>(n), target, ind, ck);
      case SQL_C_ULONG: return PutFixed(static_cast<SQLUINTEGER>(n), target, ind, ck);
      case SQL_C_SSHORT:
      case SQL_C_SHORT: return PutFixed(static_cast<SQLSMALLINT>(n), target, ind, ck);
      case SQL_C_USHORT: return PutFixed(static_cast<SQLUSMALLINT>(n), target, ind, ck);
      case SQL_C_STINYINT:
      case SQL_C_TINYINT: return PutFixed(static_cast<SQLSCHAR>(n), target, ind, ck);
      case SQL_C_SBIGINT: return PutFixed(static_cast<SQLBIGINT>(n), target, ind, ck);
      case SQL_C_UBIGINT: return PutFixed(static_cast<SQLUBIGINT>(n), target, ind, ck);
      default: return PutFixed(static_cast<SQLCHAR>(n), target, ind, ck);
    }
  }
  return Report(st, {"HY003", 0, "Program type out of range"});
}

SQLRETURN PutStamp(Stmt& st, const Value& v, SQLSMALLINT type, SQLPOINTER target, SQLLEN* ind, ChunkState& ck) {
  Stamp s;
  if (v.type != Value::Type::Text || !ParseStamp(v.s, s)) return Report(st, kCast);
  if (type == SQL_C_TYPE_DATE || type == SQL_C_DATE) {
    SQL_DATE_STRUCT d{static_cast<SQLSMALLINT>(s.year), static_cast<SQLUSMALLINT>(s.month), static_cast<SQLUSMALLINT>(s.day)};
    return PutFixed(d, target, ind, ck);
  }
  if (type == SQL_C_TYPE_TIME || type == SQL_C_TIME) {
    SQL_TIME_STRUCT t{static_cast<SQLUSMALLINT>(s.hour), static_cast<SQLUSMALLINT>(s.minute), static_cast<SQLUSMALLINT>(s.second)};
    return PutFixed(t, target, ind, ck);
  }
  SQL_TIMESTAMP_STRUCT ts{static_cast<SQLSMALLINT>(s.year),   static_cast<SQLUSMALLINT>(s.month),
                          static_cast<SQLUSMALLINT>(s.day),    static_cast<SQLUSMALLINT>(s.hour),
                          static_cast<SQLUSMALLINT>(s.minute), static_cast<SQLUSMALLINT>(s.second),
                          static_cast<SQLUINTEGER>(s.nanos)};
  return PutFixed(ts, target, ind, ck);
}

SQLRETURN ReadColumn(Stmt& st, std::size_t column, SQLSMALLINT type, SQLPOINTER target, SQLLEN length, SQLLEN* ind,
                     ChunkState& ck) {
  const Result& r = st.results[st.current];
  const Value& v = r.rows[static_cast<std::size_t>(st.row)][column];
  const TypeInfo& t = r.columns[column].type;
  if (ck.done) return SQL_NO_DATA;
  if (v.type == Value::Type::Null) {
    if (ind == nullptr) return Report(st, {"22002", 0, "Indicator variable required but not supplied"});
    *ind = SQL_NULL_DATA;
    ck.done = true;
    return SQL_SUCCESS;
  }
  if (type == SQL_C_DEFAULT) type = DefaultCType(t);
  switch (type) {
    case SQL_C_CHAR:
    case SQL_C_WCHAR: return PutPiece(st, ck, type, TextForm(v, t), target, length, ind);
    case SQL_C_BINARY: return PutPiece(st, ck, type, v.type == Value::Type::Blob ? v.s : TextForm(v, t), target, length, ind);
    case SQL_C_DOUBLE:
    case SQL_C_FLOAT: {
      double d = 0;
      if (!ToDouble(v, d)) return Report(st, kCast);
      return type == SQL_C_DOUBLE ? PutFixed(d, target, ind, ck) : PutFixed(static_cast<float>(d), target, ind, ck);
    }
    case SQL_C_TYPE_TIMESTAMP:
    case SQL_C_TIMESTAMP:
    case SQL_C_TYPE_DATE:
    case SQL_C_DATE:
    case SQL_C_TYPE_TIME:
    case SQL_C_TIME: return PutStamp(st, v, type, target, ind, ck);
    default: return PutInteger(st, v, type, target, ind, ck);
  }
}

bool OnRow(const Stmt& st) {
  const Result* r = st.Current();
  return r != nullptr && r->kind == Result::Kind::Rows && st.row >= 0 && static_cast<std::size_t>(st.row) < r->rows.size();
}

}  // namespace
}  // namespace vqodbc

using namespace vqodbc;

extern "C" {

SQLRETURN SQL_API SQLBindCol(SQLHSTMT hstmt, SQLUSMALLINT column, SQLSMALLINT type, SQLPOINTER target, SQLLEN length,
                             SQLLEN* indicator) {
  Stmt* st = As<Stmt>(hstmt);
  if (st == nullptr) return SQL_INVALID_HANDLE;
  Begin(*st);
  if (column < 1) return Report(*st, {"07009", 0, "Invalid descriptor index"});
  if (st->bindings.size() < column) st->bindings.resize(column);
  st->bindings[column - 1] = target == nullptr ? Binding{} : Binding{type, target, length, indicator};
  return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLFetch(SQLHSTMT hstmt) {
  Stmt* st = As<Stmt>(hstmt);
  if (st == nullptr) return SQL_INVALID_HANDLE;
  Begin(*st);
  const Result* r = st->Current();
  if (r == nullptr || r->kind != Result::Kind::Rows) return Report(*st, {"24000", 0, "Invalid cursor state"});
  st->chunk = {};
  if (st->rowsFetched != nullptr) *st->rowsFetched = 0;
  if (static_cast<std::size_t>(st->row + 1) >= r->rows.size()) {
    st->row = static_cast<long>(r->rows.size());
    return SQL_NO_DATA;
  }
  ++st->row;
  if (st->rowsFetched != nullptr) *st->rowsFetched = 1;
  SQLRETURN rc = SQL_SUCCESS;
  for (std::size_t c = 0; c < st->bindings.size() && c < r->columns.size(); ++c) {
    const Binding& b = st->bindings[c];
    if (b.target == nullptr) continue;
    ChunkState ck;
    const SQLRETURN one = ReadColumn(*st, c, b.type, b.target, b.length, b.indicator, ck);
    if (one == SQL_ERROR) rc = SQL_ERROR;
    else if (one == SQL_SUCCESS_WITH_INFO && rc == SQL_SUCCESS) rc = SQL_SUCCESS_WITH_INFO;
  }
  if (st->rowStatus != nullptr) *st->rowStatus = rc == SQL_SUCCESS ? SQL_ROW_SUCCESS : SQL_ROW_SUCCESS_WITH_INFO;
  return Done(*st, rc);
}

SQLRETURN SQL_API SQLFetchScroll(SQLHSTMT hstmt, SQLSMALLINT orientation, SQLLEN) {
  if (orientation != SQL_FETCH_NEXT) {
    Stmt* st = As<Stmt>(hstmt);
    if (st == nullptr) return SQL_INVALID_HANDLE;
    Begin(*st);
    return Report(*st, {"HY106", 0, "Fetch type out of range"});
  }
  return SQLFetch(hstmt);
}

SQLRETURN SQL_API SQLGetData(SQLHSTMT hstmt, SQLUSMALLINT column, SQLSMALLINT type, SQLPOINTER target, SQLLEN length,
                             SQLLEN* indicator) {
  Stmt* st = As<Stmt>(hstmt);
  if (st == nullptr) return SQL_INVALID_HANDLE;
  Begin(*st);
  if (!OnRow(*st)) return Report(*st, {"24000", 0, "Invalid cursor state"});
  const Result& r = st->results[st->current];
  if (column < 1 || column > r.columns.size()) return Report(*st, {"07009", 0, "Invalid descriptor index"});
  if (st->chunk.column != column) st->chunk = {column, 0, false};
  return ReadColumn(*st, column - 1, type, target, length, indicator, st->chunk);
}

}  // extern "C"
