#include "foundation/VqSparseRecord.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <utility>
#include <variant>

namespace tessaly {

namespace {

// One entry: index byte, length in seven-bit groups (high bit: more follow), bytes.
struct TEntry {
  std::size_t Index;
  std::size_t Begin;  // of the entry
  std::size_t Value;  // of its bytes
  std::size_t End;
};

TEntry ReadEntry(const char* aData, std::size_t aAt) {
  TEntry e{static_cast<unsigned char>(aData[aAt]), aAt, aAt + 1, 0};
  std::size_t length = 0;
  for (int shift = 0;; shift += 7) {
    const auto b = static_cast<unsigned char>(aData[e.Value++]);
    length |= static_cast<std::size_t>(b & 0x7F) << shift;
    if ((b & 0x80) == 0) break;
  }
  e.End = e.Value + length;
  return e;
}

template <class T>
T FromBytes(std::string_view aBytes) {
  T value{};
  if (aBytes.size() == sizeof(T)) std::memcpy(&value, aBytes.data(), sizeof(T));
  return value;
}

template <class T>
std::string_view AsBytes(const T& aValue) {
  return {reinterpret_cast<const char*>(&aValue), sizeof(T)};
}

const char* TypeName(TVqPropKind aKind) {
  switch (aKind) {
    case TVqPropKind::Integer:
      return "Integer";
    case TVqPropKind::Double:
      return "Double";
    case TVqPropKind::Boolean:
      return "Boolean";
    default:
      return "string";
  }
}

}  // namespace

TVqMemberValues::TVqMemberValues(const TVqMemberValues& aOther) : FSize(aOther.FSize), FCapacity(aOther.FSize) {
  if (FSize > 0) {
    FData = std::make_unique<char[]>(FSize);
    std::memcpy(FData.get(), aOther.FData.get(), FSize);
  }
}

TVqMemberValues& TVqMemberValues::operator=(const TVqMemberValues& aOther) {
  if (this != &aOther) *this = TVqMemberValues(aOther);
  return *this;
}

TVqMemberValues::TVqMemberValues(TVqMemberValues&& aOther) noexcept
    : FData(std::move(aOther.FData)),
      FSize(std::exchange(aOther.FSize, 0)),
      FCapacity(std::exchange(aOther.FCapacity, 0)) {}

TVqMemberValues& TVqMemberValues::operator=(TVqMemberValues&& aOther) noexcept {
  FData = std::move(aOther.FData);
  FSize = std::exchange(aOther.FSize, 0);
  FCapacity = std::exchange(aOther.FCapacity, 0);
  return *this;
}

bool TVqMemberValues::Find(std::size_t aIndex, std::string_view& aBytes) const {
  for (std::size_t at = 0; at < FSize;) {
    const TEntry e = ReadEntry(FData.get(), at);
    if (e.Index == aIndex) {
      aBytes = {FData.get() + e.Value, e.End - e.Value};
      return true;
    }
    at = e.End;
  }
  return false;
}

void TVqMemberValues::Erase(std::size_t aIndex) {
  for (std::size_t at = 0; at < FSize;) {
    const TEntry e = ReadEntry(FData.get(), at);
    if (e.Index == aIndex) {
      std::memmove(FData.get() + e.Begin, FData.get() + e.End, FSize - e.End);
      FSize -= static_cast<std::uint32_t>(e.End - e.Begin);
      return;
    }
    at = e.End;
  }
}

void TVqMemberValues::Put(std::size_t aIndex, std::string_view aBytes) {
  if (aIndex > 255 || aBytes.size() > 0xFFFFFFF) throw std::length_error("member value too long");
  Erase(aIndex);
  char head[6];
  std::size_t headSize = 0;
  head[headSize++] = static_cast<char>(aIndex);
  for (std::size_t n = aBytes.size();; n >>= 7) {
    head[headSize++] = static_cast<char>((n & 0x7F) | (n > 0x7F ? 0x80 : 0));
    if (n <= 0x7F) break;
  }
  const std::size_t size = FSize + headSize + aBytes.size();
  if (size > FCapacity) {
    const std::size_t capacity = std::max<std::size_t>(size, FCapacity + FCapacity / 4);
    auto data = std::make_unique<char[]>(capacity);
    if (FSize > 0) std::memcpy(data.get(), FData.get(), FSize);
    FData = std::move(data);
    FCapacity = static_cast<std::uint32_t>(capacity);
  }
  std::memcpy(FData.get() + FSize, head, headSize);
  if (!aBytes.empty()) std::memcpy(FData.get() + FSize + headSize, aBytes.data(), aBytes.size());
  FSize = static_cast<std::uint32_t>(size);
}

int TVqSparseObject::IntegerAt(std::size_t aIndex) const {
  std::string_view bytes;
  return FValues.Find(aIndex, bytes) ? FromBytes<int>(bytes) : 0;
}

double TVqSparseObject::DoubleAt(std::size_t aIndex) const {
  std::string_view bytes;
  return FValues.Find(aIndex, bytes) ? FromBytes<double>(bytes) : 0.0;
}

std::string TVqSparseObject::TextAt(std::size_t aIndex) const {
  std::string_view bytes;
  return FValues.Find(aIndex, bytes) ? std::string(bytes) : std::string();
}

bool TVqSparseObject::BooleanAt(std::size_t aIndex) const {
  std::string_view bytes;
  return FValues.Find(aIndex, bytes) && FromBytes<bool>(bytes);
}

void TVqSparseObject::PutInteger(std::size_t aIndex, int aValue) { FValues.Put(aIndex, AsBytes(aValue)); }
void TVqSparseObject::PutDouble(std::size_t aIndex, double aValue) { FValues.Put(aIndex, AsBytes(aValue)); }
void TVqSparseObject::PutText(std::size_t aIndex, std::string_view aValue) { FValues.Put(aIndex, aValue); }
void TVqSparseObject::PutBoolean(std::size_t aIndex, bool aValue) { FValues.Put(aIndex, AsBytes(aValue)); }

void TVqSparseObject::EraseAt(std::size_t aIndex) { FValues.Erase(aIndex); }

TVqVariant TVqSparseObject::ValueAt(std::size_t aIndex, TVqPropKind aKind) const {
  switch (aKind) {
    case TVqPropKind::Integer:
      return static_cast<std::int64_t>(IntegerAt(aIndex));
    case TVqPropKind::Double:
      return DoubleAt(aIndex);
    case TVqPropKind::Boolean:
      return BooleanAt(aIndex);
    default:
      return TextAt(aIndex);
  }
}

void TVqSparseObject::SetAt(std::size_t aIndex, TVqPropKind aKind, const TVqVariant& aValue) {
  switch (aKind) {
    case TVqPropKind::Integer:
      PutInteger(aIndex, static_cast<int>(std::get<std::int64_t>(aValue)));
      return;
    case TVqPropKind::Double:
      PutDouble(aIndex, std::get<double>(aValue));
      return;
    case TVqPropKind::Boolean:
      PutBoolean(aIndex, std::get<bool>(aValue));
      return;
    default:
      PutText(aIndex, std::get<std::string>(aValue));
      return;
  }
}

TVqPropertyList VqSparseProperties(const TVqMember* aMembers, std::size_t aCount) {
  TVqPropertyList list;
  list.reserve(aCount);
  for (std::size_t i = 0; i < aCount; ++i) {
    const TVqPropKind kind = aMembers[i].Kind;
    TVqProperty p;
    p.Name = aMembers[i].Name;
    p.TypeName = TypeName(kind);
    p.Kind = kind;
    p.Get = [i, kind](const TVqObject& o) { return static_cast<const TVqSparseObject&>(o).ValueAt(i, kind); };
    p.Set = [i, kind](TVqObject& o, const TVqVariant& v) { static_cast<TVqSparseObject&>(o).SetAt(i, kind, v); };
    p.Reset = [i](TVqObject& o) { static_cast<TVqSparseObject&>(o).EraseAt(i); };
    list.push_back(std::move(p));
  }
  return list;
}

}  // namespace tessaly
