#pragma once
// One fetched result set, as a back end hands it to a query object: the fields in column order
// and every row.
//
// Rows are held compactly, because an upload query may return millions of them: each row is one
// run of encoded cells (a tag byte, then the value: small integers and short texts inside the
// tag, other integers as variable-length numbers, floating-point values and date-times as eight
// bytes, texts as their UTF-8 bytes) stored back to back in large blocks, plus one pointer a row.
// A row thus costs a few bytes more than its values, with no allocation per cell or per row.
//
// Values keep what the back end read: date, time and date-time values are date-times, Booleans
// the integers 0 and 1, byte objects text holding the raw bytes. Move-only; one thread at a time.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/DbVariant.h"
#include "foundation/VqDataset.h"

namespace tessaly {

struct TDbField {
  std::string Name;
  TVqFieldKind Kind = TVqFieldKind::String;
};

// One decoded cell; Text views the result's own storage and lives as long as the result.
struct TDbCell {
  enum class TType : std::uint8_t { Null, Int, Float, Text, DateTime };
  TType Type = TType::Null;
  std::int64_t Int = 0;
  double Float = 0;  // also the value of a date-time
  std::string_view Text;

  [[nodiscard]] TDbVariant ToVariant() const;
};

class TDbResult {
 public:
  TDbResult();
  ~TDbResult();
  TDbResult(TDbResult&&) noexcept;
  TDbResult& operator=(TDbResult&&) noexcept;
  TDbResult(const TDbResult&) = delete;
  TDbResult& operator=(const TDbResult&) = delete;

  std::vector<TDbField> Fields;

  // A row is built by one Add call per field, in field order, then EndRow. EndRow throws
  // std::logic_error when the number of cells is not the number of fields.
  void AddNull();
  void AddInt(std::int64_t aValue);
  void AddFloat(double aValue);
  void AddText(std::string_view aValue);
  void AddDateTime(TDateTime aValue);
  void AddValue(const TDbVariant& aValue);
  void EndRow();

  [[nodiscard]] std::size_t RowCount() const { return FRowCount; }
  // Decodes every cell of row aRow (< RowCount()) into aCells, one per field.
  void ReadRow(std::size_t aRow, std::vector<TDbCell>& aCells) const;
  // One cell; throws std::out_of_range for a row or field outside the result.
  [[nodiscard]] TDbVariant Value(std::size_t aRow, std::size_t aField) const;

  // Bytes of heap this object holds: its blocks, its row index and its field descriptions.
  [[nodiscard]] std::size_t HeapBytes() const;

 private:
  struct TBlock {
    std::unique_ptr<char[]> Data;
    std::size_t Size = 0;
  };
  // Room for aBytes at the end of the last block, opening a new block when it lacks the room.
  char* Reserve(std::size_t aBytes);
  void AddRowStart(const char* aRow);
  [[nodiscard]] const char* RowStart(std::size_t aRow) const;

  std::vector<TBlock> FBlocks;
  std::size_t FUsed = 0;  // bytes used in the last block
  // Row starts in chunks of fixed length, so the index never moves or doubles as it grows.
  std::vector<std::unique_ptr<const char*[]>> FIndex;
  std::size_t FRowCount = 0;
  std::string FPending;  // the cells of the row being built
  std::size_t FPendingCells = 0;
};

}  // namespace tessaly
