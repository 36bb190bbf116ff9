#include "engine/DbQuery.h"

#include <algorithm>
#include <stdexcept>

#include "platform/TextCodec.h"

namespace tessaly {

void TDbQuery::Open(TDbResult aResult) {
  FResult = std::move(aResult);
  FRow = 0;
  FCellsRow = SIZE_MAX;
  FActive = true;
}

void TDbQuery::Close() {
  FResult = {};
  FRow = 0;
  FCells = {};
  FCellsRow = SIZE_MAX;
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

const TDbCell& TDbQuery::Cell(int aField) const {
  const TDbField& f = Field(aField);
  if (Eof()) throw std::out_of_range("no current row for field \"" + f.Name + "\"");
  if (FCellsRow != FRow) {
    FResult.ReadRow(FRow, FCells);
    FCellsRow = FRow;
  }
  return FCells[static_cast<std::size_t>(aField)];
}

TDbVariant TDbQuery::Value(int aField) const { return Cell(aField).ToVariant(); }

bool TDbQuery::IsNull(int aField) const { return Cell(aField).Type == TDbCell::TType::Null; }

std::string TDbQuery::AsString(int aField) const {
  const TDbCell& cell = Cell(aField);
  return cell.Type == TDbCell::TType::Text ? std::string(cell.Text) : VarToStr(cell.ToVariant());
}

std::string_view TDbQuery::AsText(int aField, std::string& aScratch) const {
  const TDbCell& cell = Cell(aField);
  if (cell.Type == TDbCell::TType::Text) return cell.Text;
  aScratch = VarToStr(cell.ToVariant());
  return aScratch;
}

std::int64_t TDbQuery::AsInt64(int aField) const {
  const TDbCell& cell = Cell(aField);
  return cell.Type == TDbCell::TType::Int ? cell.Int : VarToInt64(cell.ToVariant());
}

double TDbQuery::AsDouble(int aField) const {
  const TDbCell& cell = Cell(aField);
  return cell.Type == TDbCell::TType::Float ? cell.Float : VarToDouble(cell.ToVariant());
}

bool TDbQuery::AsBoolean(int aField) const { return VarToBool(Value(aField)); }

TDateTime TDbQuery::AsDateTime(int aField) const {
  const TDbCell& cell = Cell(aField);
  return cell.Type == TDbCell::TType::DateTime ? cell.Float : VarToDateTime(cell.ToVariant());
}

int TDbQuery::RecordCount() const { return static_cast<int>(FResult.RowCount()); }

void TDbQuery::First() { FRow = 0; }

void TDbQuery::Next() {
  if (FRow < FResult.RowCount()) ++FRow;
}

bool TDbQuery::Eof() const { return FRow >= FResult.RowCount(); }

void TDbQuery::MoveToRow(int aRow) {
  FRow = aRow < 0 ? 0 : std::min(static_cast<std::size_t>(aRow), FResult.RowCount());
}

}  // namespace tessaly
