#include "engine/DbResult.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <utility>

namespace tessaly {
namespace {

// A cell's tag: the type in the low three bits; the upper five bits hold 1 + a small integer
// or 1 + the length of a short text, or 0 when the value follows the tag in full.
constexpr unsigned kTypeBits = 7;
constexpr unsigned kInlineShift = 3;
constexpr std::uint64_t kInlineMax = 30;

constexpr std::size_t kFirstBlock = 4096;
constexpr std::size_t kLargestBlock = std::size_t{1} << 20;
constexpr std::size_t kIndexChunk = 1024;  // row starts a chunk

// Heap bytes of a string; short ones live inside the object (libstdc++ keeps up to 15 chars).
std::size_t StringHeap(const std::string& s) { return s.capacity() > 15 ? s.capacity() + 1 : 0; }

char Tag(TDbCell::TType aType, std::uint64_t aInline = 0) {
  return static_cast<char>(static_cast<unsigned>(aType) | static_cast<unsigned>(aInline << kInlineShift));
}

void PutVarUInt(std::string& out, std::uint64_t v) {
  while (v >= 0x80) {
    out += static_cast<char>((v & 0x7F) | 0x80);
    v >>= 7;
  }
  out += static_cast<char>(v);
}

std::uint64_t GetVarUInt(const char*& p) {
  std::uint64_t v = 0;
  for (unsigned shift = 0;; shift += 7) {
    const auto b = static_cast<unsigned char>(*p++);
    v |= static_cast<std::uint64_t>(b & 0x7F) << shift;
    if (b < 0x80) return v;
  }
}

void PutDouble(std::string& out, double v) {
  char bytes[sizeof v];
  std::memcpy(bytes, &v, sizeof v);
  out.append(bytes, sizeof v);
}

double GetDouble(const char*& p) {
  double v = 0;
  std::memcpy(&v, p, sizeof v);
  p += sizeof v;
  return v;
}

// Decodes the cell at p into aCell and returns the position after it.
const char* DecodeCell(const char* p, TDbCell& aCell) {
  const auto tag = static_cast<unsigned char>(*p++);
  const auto type = static_cast<TDbCell::TType>(tag & kTypeBits);
  const unsigned small = tag >> kInlineShift;
  aCell = TDbCell{};
  aCell.Type = type;
  switch (type) {
    case TDbCell::TType::Null:
      break;
    case TDbCell::TType::Int:
      if (small > 0) {
        aCell.Int = static_cast<std::int64_t>(small - 1);
      } else {
        const std::uint64_t z = GetVarUInt(p);
        aCell.Int = static_cast<std::int64_t>(z >> 1) ^ -static_cast<std::int64_t>(z & 1);
      }
      break;
    case TDbCell::TType::Float:
    case TDbCell::TType::DateTime:
      aCell.Float = GetDouble(p);
      break;
    case TDbCell::TType::Text: {
      const std::size_t length = small > 0 ? small - 1 : static_cast<std::size_t>(GetVarUInt(p));
      aCell.Text = std::string_view(p, length);
      p += length;
      break;
    }
  }
  return p;
}

}  // namespace

TDbVariant TDbCell::ToVariant() const {
  switch (Type) {
    case TType::Int: return Int;
    case TType::Float: return Float;
    case TType::Text: return std::string(Text);
    case TType::DateTime: return TDbDateTime{Float};
    case TType::Null: break;
  }
  return {};
}

TDbResult::TDbResult() = default;
TDbResult::~TDbResult() = default;

TDbResult::TDbResult(TDbResult&& other) noexcept { *this = std::move(other); }

TDbResult& TDbResult::operator=(TDbResult&& other) noexcept {
  if (this == &other) return *this;
  Fields = std::exchange(other.Fields, {});
  FBlocks = std::exchange(other.FBlocks, {});
  FUsed = std::exchange(other.FUsed, 0);
  FIndex = std::exchange(other.FIndex, {});
  FRowCount = std::exchange(other.FRowCount, 0);
  FPending = std::exchange(other.FPending, {});
  FPendingCells = std::exchange(other.FPendingCells, 0);
  return *this;
}

void TDbResult::AddNull() {
  FPending += Tag(TDbCell::TType::Null);
  ++FPendingCells;
}

void TDbResult::AddInt(std::int64_t aValue) {
  if (aValue >= 0 && static_cast<std::uint64_t>(aValue) <= kInlineMax) {
    FPending += Tag(TDbCell::TType::Int, static_cast<std::uint64_t>(aValue) + 1);
  } else {
    FPending += Tag(TDbCell::TType::Int);
    // Zigzag, so that small negative numbers stay short too.
    PutVarUInt(FPending, (static_cast<std::uint64_t>(aValue) << 1) ^ static_cast<std::uint64_t>(aValue >> 63));
  }
  ++FPendingCells;
}

void TDbResult::AddFloat(double aValue) {
  FPending += Tag(TDbCell::TType::Float);
  PutDouble(FPending, aValue);
  ++FPendingCells;
}

void TDbResult::AddText(std::string_view aValue) {
  if (aValue.size() <= kInlineMax) {
    FPending += Tag(TDbCell::TType::Text, aValue.size() + 1);
  } else {
    FPending += Tag(TDbCell::TType::Text);
    PutVarUInt(FPending, aValue.size());
  }
  FPending.append(aValue);
  ++FPendingCells;
}

void TDbResult::AddDateTime(TDateTime aValue) {
  FPending += Tag(TDbCell::TType::DateTime);
  PutDouble(FPending, aValue);
  ++FPendingCells;
}

void TDbResult::AddValue(const TDbVariant& aValue) {
  struct Visitor {
    TDbResult& r;
    void operator()(std::monostate) const { r.AddNull(); }
    void operator()(std::int64_t v) const { r.AddInt(v); }
    void operator()(double v) const { r.AddFloat(v); }
    void operator()(const std::string& v) const { r.AddText(v); }
    void operator()(const TDbDateTime& v) const { r.AddDateTime(v.Value); }
  };
  std::visit(Visitor{*this}, aValue);
}

void TDbResult::EndRow() {
  if (FPendingCells != Fields.size()) {
    const std::size_t cells = FPendingCells;
    FPending.clear();
    FPendingCells = 0;
    throw std::logic_error("a row of " + std::to_string(cells) + " cells in a result of " +
                           std::to_string(Fields.size()) + " fields");
  }
  char* row = Reserve(FPending.size());
  std::memcpy(row, FPending.data(), FPending.size());
  AddRowStart(row);
  FPending.clear();
  FPendingCells = 0;
}

char* TDbResult::Reserve(std::size_t aBytes) {
  if (FBlocks.empty() || FBlocks.back().Size - FUsed < aBytes) {
    const std::size_t next = FBlocks.empty() ? kFirstBlock : std::min(FBlocks.back().Size * 2, kLargestBlock);
    TBlock block;
    block.Size = std::max(next, aBytes);
    block.Data = std::make_unique_for_overwrite<char[]>(block.Size);
    FBlocks.push_back(std::move(block));
    FUsed = 0;
  }
  char* at = FBlocks.back().Data.get() + FUsed;
  FUsed += aBytes;
  return at;
}

void TDbResult::AddRowStart(const char* aRow) {
  if (FRowCount % kIndexChunk == 0) FIndex.push_back(std::make_unique_for_overwrite<const char*[]>(kIndexChunk));
  FIndex.back()[FRowCount % kIndexChunk] = aRow;
  ++FRowCount;
}

const char* TDbResult::RowStart(std::size_t aRow) const {
  return FIndex[aRow / kIndexChunk][aRow % kIndexChunk];
}

void TDbResult::ReadRow(std::size_t aRow, std::vector<TDbCell>& aCells) const {
  aCells.resize(Fields.size());
  const char* p = RowStart(aRow);
  for (TDbCell& cell : aCells) p = DecodeCell(p, cell);
}

TDbVariant TDbResult::Value(std::size_t aRow, std::size_t aField) const {
  if (aRow >= FRowCount || aField >= Fields.size())
    throw std::out_of_range("no cell at row " + std::to_string(aRow) + ", field " + std::to_string(aField));
  const char* p = RowStart(aRow);
  TDbCell cell;
  for (std::size_t f = 0; f <= aField; ++f) p = DecodeCell(p, cell);
  return cell.ToVariant();
}

std::size_t TDbResult::HeapBytes() const {
  std::size_t bytes = FBlocks.capacity() * sizeof(TBlock) + FIndex.capacity() * sizeof(FIndex[0]) +
                      FIndex.size() * kIndexChunk * sizeof(const char*) + Fields.capacity() * sizeof(TDbField);
  for (const TBlock& block : FBlocks) bytes += block.Size;
  for (const TDbField& field : Fields) bytes += StringHeap(field.Name);
  return bytes + StringHeap(FPending);
}

}  // namespace tessaly
