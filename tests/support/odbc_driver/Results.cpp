#include "Results.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "OdbcApi.h"
#include "TsqlRewrite.h"
#include "platform/TextCodec.h"

namespace vqodbc {
namespace {

std::string After(const std::string& msg, const std::string& prefix) {
  const std::size_t at = msg.find(prefix);
  return at == std::string::npos ? std::string() : msg.substr(at + prefix.size());
}

}  // namespace

std::vector<Column> DescribeColumns(sqlite3* db, sqlite3_stmt* st) {
  std::vector<Column> cols;
  const int n = sqlite3_column_count(st);
  for (int i = 0; i < n; ++i) {
    Column c;
    c.name = sqlite3_column_name(st, i) ? sqlite3_column_name(st, i) : "";
    const char* decl = sqlite3_column_decltype(st, i);
    c.type = ClassifyDeclType(decl ? decl : "");
    if (c.type.sqlType == 0 && decl != nullptr) {
      const std::string d = platform::AsciiLower(decl);
      if (d.find("int") != std::string::npos) c.type = ClassifyDeclType("bigint");
    }
    const char* table = sqlite3_column_table_name(st, i);
    const char* origin = sqlite3_column_origin_name(st, i);
    const char* dbName = sqlite3_column_database_name(st, i);
    if (table != nullptr && origin != nullptr) {
      c.table = table;
      c.baseName = origin;
      int notNull = 0;
      int primaryKey = 0;
      if (sqlite3_table_column_metadata(db, dbName, table, origin, nullptr, nullptr, &notNull, &primaryKey,
                                        nullptr) == SQLITE_OK)
        c.nullable = notNull == 0;
    }
    cols.push_back(std::move(c));
  }
  return cols;
}

std::vector<Value> ReadRow(sqlite3_stmt* st) {
  std::vector<Value> row;
  const int n = sqlite3_column_count(st);
  for (int i = 0; i < n; ++i) {
    Value v;
    switch (sqlite3_column_type(st, i)) {
      case SQLITE_INTEGER:
        v.type = Value::Type::Int;
        v.i = sqlite3_column_int64(st, i);
        break;
      case SQLITE_FLOAT:
        v.type = Value::Type::Real;
        v.d = sqlite3_column_double(st, i);
        break;
      case SQLITE_TEXT:
        v.type = Value::Type::Text;
        v.s.assign(reinterpret_cast<const char*>(sqlite3_column_text(st, i)), sqlite3_column_bytes(st, i));
        break;
      case SQLITE_BLOB:
        v.type = Value::Type::Blob;
        v.s.assign(static_cast<const char*>(sqlite3_column_blob(st, i)), sqlite3_column_bytes(st, i));
        break;
      default:
        break;
    }
    row.push_back(std::move(v));
  }
  return row;
}

void SettleExpressionTypes(Result& r) {
  for (std::size_t c = 0; c < r.columns.size(); ++c) {
    Column& col = r.columns[c];
    if (col.type.sqlType != 0) continue;
    bool anyInt = false, anyReal = false, anyText = false, anyBlob = false, allStamps = true, wide = false;
    long longest = 1;
    for (const auto& row : r.rows) {
      const Value& v = row[c];
      Stamp s;
      switch (v.type) {
        case Value::Type::Int:
          anyInt = true;
          wide = wide || v.i > 2147483647LL || v.i < -2147483648LL;
          break;
        case Value::Type::Real: anyReal = true; break;
        case Value::Type::Text:
          anyText = true;
          longest = std::max(longest, static_cast<long>(platform::Utf16Length(v.s)));
          allStamps = allStamps && v.s.size() == 23 && ParseStamp(v.s, s);  // the stored form only
          break;
        case Value::Type::Blob: anyBlob = true; break;
        case Value::Type::Null: break;
      }
    }
    if (anyBlob) {
      col.type = ClassifyDeclType("varbinary");
    } else if (anyText && !anyInt && !anyReal && allStamps) {
      col.type = ClassifyDeclType("datetime");
    } else if (anyText || (!anyInt && !anyReal)) {
      col.type = ClassifyDeclType("nvarchar(" + std::to_string(std::max(longest, 255L)) + ")");
    } else if (anyReal) {
      col.type = ClassifyDeclType("float");
    } else {
      col.type = ClassifyDeclType(wide ? "bigint" : "int");
    }
  }
}

Diag DiagFromDb(sqlite3* db, bool compiling) {
  const std::string msg = sqlite3_errmsg(db);
  const int code = sqlite3_extended_errcode(db);
  Diag d{"HY000", code, msg};
  if (code == SQLITE_CONSTRAINT_CHECK && msg.find(kFitLength) != std::string::npos) {
    d = {"22001", 8152, "String or binary data would be truncated."};
  } else if (code == SQLITE_CONSTRAINT_CHECK && msg.find(kFitInt) != std::string::npos) {
    d = {"22018", 245, "Conversion failed when converting the varchar value to data type int."};
  } else if (code == SQLITE_CONSTRAINT_CHECK && msg.find(kFitNumber) != std::string::npos) {
    d = {"22018", 8114, "Error converting data type varchar to numeric."};
  } else if (code == SQLITE_CONSTRAINT_CHECK && msg.find(kFitDate) != std::string::npos) {
    d = {"22007", 241, "Conversion failed when converting date and/or time from character string."};
  } else if ((code & 0xFF) == SQLITE_CONSTRAINT) {
    d.state = "23000";
    d.native = code == SQLITE_CONSTRAINT_NOTNULL ? 515 : (code == SQLITE_CONSTRAINT_CHECK ? 547 : 2627);
  } else if (std::string x = After(msg, "no such table: "); !x.empty()) {
    d = {"42S02", 208, "Invalid object name '" + x + "'."};
  } else if (std::string y = After(msg, "no such column: "); !y.empty()) {
    d = {"42S22", 207, "Invalid column name '" + y + "'."};
  } else if (std::string z = After(msg, "no such function: "); !z.empty()) {
    d = {"42000", 195, "'" + z + "' is not a recognized built-in function name."};
  } else if (msg.find("already exists") != std::string::npos) {
    d.state = "42S01";
    d.native = 2714;
  } else if (compiling) {
    d.state = "42000";
    d.native = msg.find("syntax error") != std::string::npos ? 102 : code;
  }
  return d;
}

bool ParseStamp(const std::string& text, Stamp& out) {
  Stamp s;
  int used = 0;
  const std::string t = platform::TrimBlanks(text);
  if (std::sscanf(t.c_str(), "%4d-%2d-%2d%n", &s.year, &s.month, &s.day, &used) != 3 &&
      std::sscanf(t.c_str(), "%4d/%2d/%2d%n", &s.year, &s.month, &s.day, &used) != 3)
    return false;
  std::size_t p = static_cast<std::size_t>(used);
  if (used != 10) return false;
  if (p < t.size()) {
    if (t[p] != ' ' && t[p] != 'T') return false;
    int more = 0;
    if (std::sscanf(t.c_str() + p + 1, "%2d:%2d%n", &s.hour, &s.minute, &more) != 2) return false;
    p += 1 + static_cast<std::size_t>(more);
    if (p < t.size() && t[p] == ':') {
      if (std::sscanf(t.c_str() + p + 1, "%2d%n", &s.second, &more) != 1) return false;
      p += 1 + static_cast<std::size_t>(more);
      if (p < t.size() && t[p] == '.') {
        long scale = 100000000;
        for (++p; p < t.size() && std::isdigit(static_cast<unsigned char>(t[p])); ++p, scale /= 10)
          s.nanos += (t[p] - '0') * scale;
      }
    }
    if (p != t.size()) return false;
  }
  if (s.month < 1 || s.month > 12 || s.day < 1 || s.day > 31 || s.hour > 23 || s.minute > 59 || s.second > 59)
    return false;
  out = s;
  return true;
}

std::string FormatStamp(const Stamp& s) {
  char buf[96];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d.%03ld", s.year, s.month, s.day, s.hour, s.minute,
                s.second, s.nanos / 1000000);
  return buf;
}

}  // namespace vqodbc
