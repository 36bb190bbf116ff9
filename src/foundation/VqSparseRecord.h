#pragma once
// Record classes that hold only the members they were given. A record class with many scalar
// members, of which a reply may carry a few (an order header has 28), lists them once in
// kMembers and keeps the given ones packed in one buffer: a record costs what it was given, not
// a field per member. Its property table (VqObjectUtil.h) is built from kMembers, so reading,
// Obj2JSON and GetAdpterSql see the same properties in the same order, and a member never given
// reads as 0, empty or false, as a plain field would.
//
//   class TLine : public TVqSparseRecord<TLine> {
//    public:
//     static constexpr TVqMember kMembers[] = {{"softid", TVqPropKind::Integer},
//                                              {"item_no", TVqPropKind::String}};
//     VQ_SPARSE_RECORD(TLine)
//   };
//   line.Set<"item_no">("A1");   line.Get<"item_no">() == "A1";   line.Get<"softid">() == 0
//
// Member kinds and their C++ types: Integer int, Double double, String std::string, Boolean
// bool; at most 255 members. A name that is no member does not compile.
// Threads: concurrent reads of one record are safe; writes need the record to themselves.
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>

#include "foundation/VqObjectUtil.h"

namespace tessaly {

struct TVqMember {
  const char* Name;
  TVqPropKind Kind;
};

// The packed values: per member given, its index (one byte), the length of its bytes (seven
// bits a byte) and the bytes, in the order they were put. The buffer grows by a quarter at
// least, so it carries little spare room.
class TVqMemberValues {
 public:
  TVqMemberValues() = default;
  TVqMemberValues(const TVqMemberValues& aOther);
  TVqMemberValues& operator=(const TVqMemberValues& aOther);
  TVqMemberValues(TVqMemberValues&& aOther) noexcept;
  TVqMemberValues& operator=(TVqMemberValues&& aOther) noexcept;
  ~TVqMemberValues() = default;

  // The bytes of member aIndex; false when it was not given.
  [[nodiscard]] bool Find(std::size_t aIndex, std::string_view& aBytes) const;
  // Gives the member aBytes; a member given again keeps only its last bytes.
  void Put(std::size_t aIndex, std::string_view aBytes);
  void Erase(std::size_t aIndex);

 private:
  std::unique_ptr<char[]> FData;
  std::uint32_t FSize = 0;
  std::uint32_t FCapacity = 0;
};

// What every sparse record class shares; the typed accessors are TVqSparseRecord's.
class TVqSparseObject : public TVqObject {
 public:
  // The value of member aIndex of kind aKind, as TVqProperty::Get gives it.
  [[nodiscard]] TVqVariant ValueAt(std::size_t aIndex, TVqPropKind aKind) const;
  // As TVqProperty::Set: the alternative of the kind, else std::bad_variant_access.
  void SetAt(std::size_t aIndex, TVqPropKind aKind, const TVqVariant& aValue);
  // The member back to never given.
  void EraseAt(std::size_t aIndex);

 protected:
  [[nodiscard]] int IntegerAt(std::size_t aIndex) const;
  [[nodiscard]] double DoubleAt(std::size_t aIndex) const;
  [[nodiscard]] std::string TextAt(std::size_t aIndex) const;
  [[nodiscard]] bool BooleanAt(std::size_t aIndex) const;
  void PutInteger(std::size_t aIndex, int aValue);
  void PutDouble(std::size_t aIndex, double aValue);
  void PutText(std::size_t aIndex, std::string_view aValue);
  void PutBoolean(std::size_t aIndex, bool aValue);

 private:
  TVqMemberValues FValues;
};

// The property table of a sparse record class with these members.
[[nodiscard]] TVqPropertyList VqSparseProperties(const TVqMember* aMembers, std::size_t aCount);

// A member name as a template argument: Get<"sheet_no">().
template <std::size_t N>
struct TVqName {
  char Text[N]{};
  constexpr TVqName(const char (&aText)[N]) {  // NOLINT: implicit on purpose
    for (std::size_t i = 0; i < N; ++i) Text[i] = aText[i];
  }
};

template <class C>
class TVqSparseRecord : public TVqSparseObject {
 public:
  template <TVqName Name>
  [[nodiscard]] auto Get() const {
    constexpr std::size_t i = IndexOf<Name>();
    constexpr TVqPropKind kind = C::kMembers[i].Kind;
    if constexpr (kind == TVqPropKind::Integer)
      return IntegerAt(i);
    else if constexpr (kind == TVqPropKind::Double)
      return DoubleAt(i);
    else if constexpr (kind == TVqPropKind::String)
      return TextAt(i);
    else
      return BooleanAt(i);
  }

  template <TVqName Name, class V>
  void Set(V&& aValue) {
    constexpr std::size_t i = IndexOf<Name>();
    constexpr TVqPropKind kind = C::kMembers[i].Kind;
    if constexpr (kind == TVqPropKind::Integer)
      PutInteger(i, static_cast<int>(aValue));
    else if constexpr (kind == TVqPropKind::Double)
      PutDouble(i, static_cast<double>(aValue));
    else if constexpr (kind == TVqPropKind::String)
      PutText(i, std::string_view(aValue));
    else
      PutBoolean(i, static_cast<bool>(aValue));
  }

 protected:
  [[nodiscard]] static const TVqPropertyList& SparseProperties() {
    static_assert(KindsFit(), "a sparse record holds at most 255 Integer, Double, String or Boolean members");
    static const TVqPropertyList kList = VqSparseProperties(C::kMembers, std::size(C::kMembers));
    return kList;
  }

 private:
  static consteval bool SameName(const char* a, const char* b) {
    for (; *a != '\0' && *a == *b; ++a, ++b) {
    }
    return *a == *b;
  }
  template <TVqName Name>
  static consteval std::size_t IndexOf() {
    for (std::size_t i = 0; i < std::size(C::kMembers); ++i)
      if (SameName(C::kMembers[i].Name, Name.Text)) return i;
    throw "no member of that name";  // not a constant expression: the call does not compile
  }
  static consteval bool KindsFit() {
    if (std::size(C::kMembers) > 255) return false;
    for (const TVqMember& m : C::kMembers)
      if (m.Kind != TVqPropKind::Integer && m.Kind != TVqPropKind::Double && m.Kind != TVqPropKind::String &&
          m.Kind != TVqPropKind::Boolean)
        return false;
    return true;
  }
};

}  // namespace tessaly

// Inside a class derived from TVqSparseRecord<Class> that declares kMembers.
#define VQ_SPARSE_RECORD(Class) \
  VQ_RECORD_HEAD(Class)         \
  [[nodiscard]] const ::tessaly::TVqPropertyList& Properties() const override { return SparseProperties(); }
