#include "engine/DbQuery.h"

#include <algorithm>
#include <stdexcept>

#include "platform/TextCodec.h"

namespace tessaly {

void TDbQuery::Open(TDbResult aResult) {
  FResult = std::move(aResult);
  FRow = 0;
  FActive = true;
}

void TDbQuery::Close() {
  FResult = {};
  FRow = 0;
  FActive = false;
}

int TDbQuery::FieldCount() const { return static_cast<int>(FResult.Fields.size()); }

const TDbField& TDbQuery::Field(int aField) const {
  if (aField < 0 || aField >= FieldCount()) throw std::out_of_range("field index " + std::to_string(aField) + " out of range");
  return FResult.Fields[static_cast<std::size_t>(aField)];
}

std::string TDbQuery::FieldName(int aField) const { return Field(aField).Name; }

TVqFieldKind TDbQuery::FieldKind(int aField) const { return Field(aField).Kind; }

int TDbQuery::FieldIndex(const std::string& aName) const {
  for (std::size_t i = 0; i < FResult.Fields.size(); ++i) {
    if (platform::SameText(FResult.Fields[i].Name, aName)) return static_cast<int>(i);
  }
  return -1;
}

const TDbVariant& TDbQuery::Value(int aField) const {
  const TDbField& f = Field(aField);
  if (Eof()) throw std::out_of_range("no current row for field \"" + f.Name + "\"");
  return FResult.Rows[FRow][static_cast<std::size_t>(aField)];
}

bool TDbQuery::IsNull(int aField) const { return VarIsNull(Value(aField)); }

std::string TDbQuery::AsString(int aField) const { return VarToStr(Value(aField)); }

std::int64_t TDbQuery::AsInt64(int aField) const { return VarToInt64(Value(aField)); }

double TDbQuery::AsDouble(int aField) const { return VarToDouble(Value(aField)); }

bool TDbQuery::AsBoolean(int aField) const { return VarToBool(Value(aField)); }

TDateTime TDbQuery::AsDateTime(int aField) const { return VarToDateTime(Value(aField)); }

int TDbQuery::RecordCount() const { return static_cast<int>(FResult.Rows.size()); }

void TDbQuery::First() { FRow = 0; }

void TDbQuery::Next() {
  if (FRow < FResult.Rows.size()) ++FRow;
}

bool TDbQuery::Eof() const { return FRow >= FResult.Rows.size(); }

void TDbQuery::MoveToRow(int aRow) {
  FRow = aRow < 0 ? 0 : std::min(static_cast<std::size_t>(aRow), FResult.Rows.size());
}

}  // namespace tessaly
