#pragma once
// An in-memory query result for the JSON conversion tests: typed columns, rows of cells (an
// empty cell is a null), a cell that fails when read, and counters that show which rows were read.
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "foundation/VqDataset.h"
#include "foundation/VqObjectUtil.h"

namespace vqtest {

class MemDataset : public tessaly::IVqMemTable {
 public:
  struct Column {
    std::string name;
    tessaly::TVqFieldKind kind;
    int size = 0;
  };
  // Dates are doubles (TDateTime), blobs byte strings.
  using Cell = std::optional<tessaly::TVqVariant>;

  MemDataset() = default;
  explicit MemDataset(std::vector<Column> aColumns) : FColumns(std::move(aColumns)) {}

  void AddRow(std::vector<Cell> aCells);
  // Reading that cell throws std::runtime_error("cannot read <field>").
  void MakeUnreadable(int aRow, int aField) { FUnreadable.insert({aRow, aField}); }

  // How many value reads (IsNull and the As* getters) row aRow has seen.
  [[nodiscard]] int ValueReads(int aRow) const;
  // How many position calls (First, Next, MoveToRow) were made.
  [[nodiscard]] int Steps() const { return FSteps; }

  [[nodiscard]] int FieldCount() const override { return static_cast<int>(FColumns.size()); }
  [[nodiscard]] std::string FieldName(int aField) const override { return FColumns.at(aField).name; }
  [[nodiscard]] tessaly::TVqFieldKind FieldKind(int aField) const override {
    return FColumns.at(aField).kind;
  }
  [[nodiscard]] bool IsNull(int aField) const override;
  [[nodiscard]] std::string AsString(int aField) const override;
  [[nodiscard]] std::int64_t AsInt64(int aField) const override;
  [[nodiscard]] double AsDouble(int aField) const override;
  [[nodiscard]] bool AsBoolean(int aField) const override;
  [[nodiscard]] tessaly::TDateTime AsDateTime(int aField) const override;
  [[nodiscard]] int RecordCount() const override { return static_cast<int>(FRows.size()); }
  void First() override;
  void Next() override;
  [[nodiscard]] bool Eof() const override { return FRow >= RecordCount(); }
  void MoveToRow(int aRow) override;

  [[nodiscard]] bool Active() const { return FActive; }
  // The size given to AddField.
  [[nodiscard]] int FieldSize(int aField) const { return FColumns.at(aField).size; }
  void Close() override;
  void ClearFields() override { FColumns.clear(); }
  void AddField(const std::string& aName, tessaly::TVqFieldKind aKind, int aSize) override;
  void CreateTable() override;
  void Append() override;
  void SetString(int aField, const std::string& aValue) override;
  void SetDateTime(int aField, tessaly::TDateTime aValue) override;

 private:
  const tessaly::TVqVariant& Value(int aField) const;

  std::vector<Column> FColumns;
  std::vector<std::vector<Cell>> FRows;
  std::set<std::pair<int, int>> FUnreadable;
  bool FActive = true;
  int FRow = 0;
  int FSteps = 0;
  mutable std::vector<int> FReads;
};

}  // namespace vqtest
