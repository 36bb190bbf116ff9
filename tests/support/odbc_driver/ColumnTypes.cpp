#include "ColumnTypes.h"

#include <cstdlib>

#include "OdbcApi.h"
#include "platform/TextCodec.h"

namespace vqodbc {

TypeInfo ClassifyDeclType(std::string_view decl) {
  TypeInfo ti;
  std::string d;
  for (char c : decl)
    if (c != '"' && c != '[' && c != ']' && c != '`') d += c;
  d = platform::AsciiLower(platform::TrimBlanks(d));
  const std::size_t open = d.find('(');
  ti.typeName = platform::TrimBlanks(d.substr(0, open));
  long a1 = -1;
  long a2 = -1;
  if (open != std::string::npos) {
    const std::string args = d.substr(open + 1);
    a1 = args.rfind("max", 0) == 0 ? 1073741823L : std::strtol(args.c_str(), nullptr, 10);
    const std::size_t comma = args.find(',');
    if (comma != std::string::npos) a2 = std::strtol(args.c_str() + comma + 1, nullptr, 10);
  }
  const std::string& n = ti.typeName;
  auto set = [&ti](int type, long size, int digits) {
    ti.sqlType = type;
    ti.columnSize = size;
    ti.digits = digits;
  };
  if (n == "int" || n == "integer") {
    set(SQL_INTEGER, 10, 0);
  } else if (n == "bigint") {
    set(SQL_BIGINT, 19, 0);
  } else if (n == "smallint") {
    set(SQL_SMALLINT, 5, 0);
  } else if (n == "tinyint") {
    set(SQL_TINYINT, 3, 0);
  } else if (n == "bit") {
    set(SQL_BIT, 1, 0);
  } else if (n == "numeric" || n == "decimal") {
    set(n == "numeric" ? SQL_NUMERIC : SQL_DECIMAL, a1 > 0 ? a1 : 18, a2 > 0 ? static_cast<int>(a2) : 0);
    ti.fixedScale = true;
  } else if (n == "money" || n == "smallmoney") {
    set(SQL_DECIMAL, n == "money" ? 19 : 10, 4);
    ti.fixedScale = true;
  } else if (n == "float" || n == "double" || n == "double precision") {
    set(SQL_DOUBLE, 15, 0);
  } else if (n == "real") {
    set(SQL_REAL, 7, 0);
  } else if (n == "datetime" || n == "smalldatetime" || n == "datetime2") {
    set(SQL_TYPE_TIMESTAMP, 23, 3);
    ti.dateTime = true;
  } else if (n == "date") {
    set(SQL_TYPE_DATE, 10, 0);
  } else if (n == "char" || n == "character") {
    set(SQL_CHAR, a1 > 0 ? a1 : 1, 0);
  } else if (n == "varchar") {
    set(SQL_VARCHAR, a1 > 0 ? a1 : 1, 0);
  } else if (n == "nchar") {
    set(SQL_WCHAR, a1 > 0 ? a1 : 1, 0);
  } else if (n == "nvarchar" || n == "sysname") {
    set(SQL_WVARCHAR, a1 > 0 ? a1 : (n == "sysname" ? 128 : 1), 0);
  } else if (n == "text" || n == "clob") {
    set(SQL_LONGVARCHAR, 2147483647L, 0);
  } else if (n == "ntext") {
    set(SQL_WLONGVARCHAR, 1073741823L, 0);
  } else if (n == "uniqueidentifier") {
    set(SQL_GUID, 36, 0);
  } else if (n == "binary" || n == "varbinary" || n == "image" || n == "blob") {
    set(n == "binary" ? SQL_BINARY : n == "varbinary" ? SQL_VARBINARY : SQL_LONGVARBINARY, a1 > 0 ? a1 : 2147483647L, 0);
  }
  ti.text = ti.sqlType == SQL_CHAR || ti.sqlType == SQL_VARCHAR || ti.sqlType == SQL_WCHAR ||
            ti.sqlType == SQL_WVARCHAR || ti.sqlType == SQL_LONGVARCHAR || ti.sqlType == SQL_WLONGVARCHAR ||
            ti.sqlType == SQL_GUID;
  return ti;
}

}  // namespace vqodbc
