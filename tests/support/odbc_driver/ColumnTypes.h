#pragma once
// What a declared column type (as SQLite keeps it, e.g. "varchar(20)", "numeric(18,4)",
// "datetime") means to an ODBC client: its SQL type code, size, digits and how its values read.
#include <string>
#include <string_view>

namespace vqodbc {

struct TypeInfo {
  int sqlType = 0;        // SQL_WVARCHAR, SQL_INTEGER, SQL_TYPE_TIMESTAMP, ...; 0 for an unknown type
  long columnSize = 0;    // characters for text, precision for numbers
  int digits = 0;         // scale of decimals, 3 for datetime
  bool text = false;      // compared without case, read as text
  bool dateTime = false;  // values are "yyyy-MM-dd hh:mm:ss.zzz" texts
  bool fixedScale = false;  // numeric/decimal/money: text form carries `digits` decimals
  std::string typeName;   // lower-case base name, e.g. "varchar"
};

// An empty or unknown declaration gives sqlType 0.
[[nodiscard]] TypeInfo ClassifyDeclType(std::string_view decl);

}  // namespace vqodbc
