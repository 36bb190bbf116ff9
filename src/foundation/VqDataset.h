#pragma once
// A query result as the JSON conversion walks it: ordered rows of named, typed fields and one
// current row. The database module implements it over its connections; tests use an in-memory
// one. Callers own the dataset; a walk moves its current row, so one dataset serves one thread.
#include <cstdint>
#include <string>
#include <string_view>

#include "foundation/DateTime.h"

namespace tessaly {

// The field kinds the conversion tells apart. Which column types map to which kind is the
// database module's choice.
enum class TVqFieldKind {
  // integers
  Int8,
  Int16,
  Int32,
  UInt8,
  UInt16,
  UInt32,
  AutoInc,
  Int64,
  // floating point and decimals read as a double
  Float,
  Currency,
  Bcd,
  Boolean,
  Date,
  Time,
  DateTime,
  // large byte object, written as Base64
  Blob,
  // every kind below is written as its text form
  String,
  WideString,
  FixedChar,
  FixedWideChar,
  Memo,
  WideMemo,
  Guid,
  TimeStamp,
  FmtBcd,
  Single,
  Extended,
  Other,
};

// Field positions are 0-based. A value getter throws std::exception (with a readable what())
// when the field cannot be read as asked; the conversion turns that into its error text.
class IVqDataset {
 public:
  virtual ~IVqDataset() = default;

  [[nodiscard]] virtual int FieldCount() const = 0;
  [[nodiscard]] virtual std::string FieldName(int aField) const = 0;
  [[nodiscard]] virtual TVqFieldKind FieldKind(int aField) const = 0;

  // Values of the current row.
  [[nodiscard]] virtual bool IsNull(int aField) const = 0;
  // UTF-8 text form of any kind; for a Blob the raw bytes.
  [[nodiscard]] virtual std::string AsString(int aField) const = 0;
  // The same text without a copy where the dataset holds it: valid until the current row moves
  // or aScratch changes. The default copies AsString into aScratch.
  [[nodiscard]] virtual std::string_view AsText(int aField, std::string& aScratch) const {
    aScratch = AsString(aField);
    return aScratch;
  }
  [[nodiscard]] virtual std::int64_t AsInt64(int aField) const = 0;
  [[nodiscard]] virtual double AsDouble(int aField) const = 0;
  [[nodiscard]] virtual bool AsBoolean(int aField) const = 0;
  [[nodiscard]] virtual TDateTime AsDateTime(int aField) const = 0;

  [[nodiscard]] virtual int RecordCount() const = 0;
  virtual void First() = 0;
  virtual void Next() = 0;
  // True when the current row is past the last one (at once for an empty result).
  [[nodiscard]] virtual bool Eof() const = 0;
  // Makes row aRow (0-based) current without reading the rows before it; a row at or past
  // RecordCount() leaves the dataset at Eof.
  virtual void MoveToRow(int aRow) = 0;
};

// An in-memory table that a caller owns and fills: fields are defined while it is closed, then
// CreateTable opens it empty and rows are appended. Setters act on the current row.
class IVqMemTable : public IVqDataset {
 public:
  virtual void Close() = 0;
  virtual void ClearFields() = 0;
  // aSize: the character length of a text field, 0 for other kinds.
  virtual void AddField(const std::string& aName, TVqFieldKind aKind, int aSize) = 0;
  virtual void CreateTable() = 0;
  // Adds a row of nulls at the end and makes it current.
  virtual void Append() = 0;
  virtual void SetString(int aField, const std::string& aValue) = 0;
  virtual void SetDateTime(int aField, TDateTime aValue) = 0;
};

}  // namespace tessaly
