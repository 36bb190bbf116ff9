#pragma once
// A query object: the fetched rows of one result set and a current row. SqlOpen fills it; the
// caller owns it and walks it (also through the JSON conversion's dataset interface).
// One thread at a time.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/DbResult.h"
#include "foundation/VqDataset.h"

namespace tessaly {

class TDbQuery final : public IVqDataset {
 public:
  // Takes the rows; the first row becomes current.
  void Open(TDbResult aResult);
  // No fields, no rows.
  void Close();
  [[nodiscard]] bool Active() const { return FActive; }

  [[nodiscard]] int FieldCount() const override;
  [[nodiscard]] std::string FieldName(int aField) const override;
  [[nodiscard]] TVqFieldKind FieldKind(int aField) const override;
  // Position of the field named aName (compared without case), or -1.
  [[nodiscard]] int FieldIndex(const std::string& aName) const;

  // The value of the current row. Throws std::out_of_range for a bad field or at Eof.
  [[nodiscard]] TDbVariant Value(int aField) const;
  [[nodiscard]] bool IsNull(int aField) const override;
  [[nodiscard]] std::string AsString(int aField) const override;
  [[nodiscard]] std::string_view AsText(int aField, std::string& aScratch) const override;
  [[nodiscard]] std::int64_t AsInt64(int aField) const override;
  [[nodiscard]] double AsDouble(int aField) const override;
  [[nodiscard]] bool AsBoolean(int aField) const override;
  [[nodiscard]] TDateTime AsDateTime(int aField) const override;

  [[nodiscard]] int RecordCount() const override;
  // Heap bytes of the held rows (TDbResult::HeapBytes).
  [[nodiscard]] std::size_t HeapBytes() const { return FResult.HeapBytes(); }
  void First() override;
  void Next() override;
  [[nodiscard]] bool Eof() const override;
  void MoveToRow(int aRow) override;

 private:
  const TDbField& Field(int aField) const;
  // The decoded cell of the current row; throws like Value.
  const TDbCell& Cell(int aField) const;

  TDbResult FResult;
  std::size_t FRow = 0;
  bool FActive = false;
  // The cells of row FCellsRow, decoded on first use after a move.
  mutable std::vector<TDbCell> FCells;
  mutable std::size_t FCellsRow = SIZE_MAX;
};

}  // namespace tessaly
