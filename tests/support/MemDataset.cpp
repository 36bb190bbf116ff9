#include "support/MemDataset.h"

#include <charconv>
#include <stdexcept>

namespace vqtest {

void MemDataset::AddRow(std::vector<Cell> aCells) {
  aCells.resize(FColumns.size());
  FRows.push_back(std::move(aCells));
  FReads.push_back(0);
}

int MemDataset::ValueReads(int aRow) const { return FReads.at(static_cast<std::size_t>(aRow)); }

bool MemDataset::IsNull(int aField) const {
  if (Eof()) throw std::runtime_error("no current row");
  ++FReads[static_cast<std::size_t>(FRow)];
  if (FUnreadable.count({FRow, aField})) throw std::runtime_error("cannot read " + FieldName(aField));
  return !FRows[static_cast<std::size_t>(FRow)].at(static_cast<std::size_t>(aField)).has_value();
}

const tessaly::TVqVariant& MemDataset::Value(int aField) const {
  if (IsNull(aField)) throw std::runtime_error(FieldName(aField) + " is null");
  return *FRows[static_cast<std::size_t>(FRow)][static_cast<std::size_t>(aField)];
}

std::string MemDataset::AsString(int aField) const {
  const auto& v = Value(aField);
  if (const auto* s = std::get_if<std::string>(&v)) return *s;
  if (const auto* i = std::get_if<std::int64_t>(&v)) return std::to_string(*i);
  if (const auto* d = std::get_if<double>(&v)) {
    char buf[64];
    return std::string(buf, std::to_chars(buf, buf + sizeof buf, *d).ptr);
  }
  return std::get<bool>(v) ? "True" : "False";
}

std::int64_t MemDataset::AsInt64(int aField) const {
  const auto& v = Value(aField);
  if (const auto* i = std::get_if<std::int64_t>(&v)) return *i;
  if (const auto* b = std::get_if<bool>(&v)) return *b ? 1 : 0;
  throw std::runtime_error(FieldName(aField) + " is not an integer");
}

double MemDataset::AsDouble(int aField) const {
  const auto& v = Value(aField);
  if (const auto* d = std::get_if<double>(&v)) return *d;
  if (const auto* i = std::get_if<std::int64_t>(&v)) return static_cast<double>(*i);
  throw std::runtime_error(FieldName(aField) + " is not a number");
}

bool MemDataset::AsBoolean(int aField) const {
  const auto& v = Value(aField);
  if (const auto* b = std::get_if<bool>(&v)) return *b;
  throw std::runtime_error(FieldName(aField) + " is not a Boolean");
}

tessaly::TDateTime MemDataset::AsDateTime(int aField) const { return AsDouble(aField); }

void MemDataset::First() {
  FRow = 0;
  ++FSteps;
}

void MemDataset::Next() {
  if (!Eof()) ++FRow;
  ++FSteps;
}

void MemDataset::MoveToRow(int aRow) {
  FRow = aRow < 0 ? 0 : (aRow > RecordCount() ? RecordCount() : aRow);
  ++FSteps;
}

void MemDataset::Close() {
  FRows.clear();
  FReads.clear();
  FRow = 0;
  FActive = false;
}

void MemDataset::AddField(const std::string& aName, tessaly::TVqFieldKind aKind, int aSize) {
  if (FActive) throw std::runtime_error("fields can only be defined on a closed table");
  FColumns.push_back({aName, aKind, aSize});
}

void MemDataset::CreateTable() {
  Close();
  FActive = true;
}

void MemDataset::Append() {
  if (!FActive) throw std::runtime_error("table is not open");
  AddRow({});
  FRow = RecordCount() - 1;
}

void MemDataset::SetString(int aField, const std::string& aValue) {
  if (Eof()) throw std::runtime_error("no current row");
  FRows[static_cast<std::size_t>(FRow)].at(static_cast<std::size_t>(aField)) = aValue;
}

void MemDataset::SetDateTime(int aField, tessaly::TDateTime aValue) {
  if (Eof()) throw std::runtime_error("no current row");
  FRows[static_cast<std::size_t>(FRow)].at(static_cast<std::size_t>(aField)) = aValue;
}

}  // namespace vqtest
