#pragma once
// What one batch hands back: its results in order, each a row set, a row count or an error.
// Rows are fetched whole when the batch runs, so the cursor survives commit and rollback.
#include <cstdint>
#include <string>
#include <vector>

#include "ColumnTypes.h"

struct sqlite3;
struct sqlite3_stmt;

namespace vqodbc {

struct Value {
  enum class Type { Null, Int, Real, Text, Blob };
  Type type = Type::Null;
  std::int64_t i = 0;
  double d = 0;
  std::string s;  // Text (UTF-8) and Blob bytes
};

struct Column {
  std::string name;
  TypeInfo type;
  bool nullable = true;
  std::string table;     // base table, empty for an expression
  std::string baseName;  // base column, empty for an expression
};

struct Diag {
  std::string state;  // five characters
  int native = 0;
  std::string message;
};

struct Result {
  enum class Kind { Rows, Count, Error };
  Kind kind = Kind::Count;
  std::vector<Column> columns;
  std::vector<std::vector<Value>> rows;
  std::int64_t count = -1;
  Diag error;
};

// Column descriptions of a prepared statement; types of expression columns are settled by
// SettleExpressionTypes once the rows are in.
[[nodiscard]] std::vector<Column> DescribeColumns(sqlite3* db, sqlite3_stmt* st);
[[nodiscard]] std::vector<Value> ReadRow(sqlite3_stmt* st);
// An expression column has no declared type: its values decide (integers, reals, date-times
// in the stored "yyyy-MM-dd hh:mm:ss.zzz" form, else text).
void SettleExpressionTypes(Result& r);

// The error of the last failed call on `db` in the states and numbers of the back-office server
// (42S02 missing table, 42S22 missing column, 42S01 existing object, 23000 constraint, 42000
// syntax and other compile errors when `compiling`, HY000 otherwise).
[[nodiscard]] Diag DiagFromDb(sqlite3* db, bool compiling);

struct Stamp {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  long nanos = 0;  // fraction of the second
};
// True when `text` reads as "yyyy-MM-dd[ hh:mm[:ss[.f...]]]" (also with 'T' or '/').
[[nodiscard]] bool ParseStamp(const std::string& text, Stamp& out);
// "yyyy-MM-dd hh:mm:ss.zzz"
[[nodiscard]] std::string FormatStamp(const Stamp& s);

}  // namespace vqodbc
