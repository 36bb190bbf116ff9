#pragma once
// Record classes that describe their properties once. Each class derived from TVqObject lists
// its properties in declaration order (name, type name, accessor) with VQ_RECORD; that one
// table serves reading a JSON reply (ReadVqObject), writing JSON (TJSONHelper::Obj2JSON) and
// building upsert statements (TVqRttiHelper::GetAdpterSql).
//
//   class TOrder : public TVqObject {
//    public:
//     int softid = 0;
//     std::string sheet_no;
//     std::vector<TLine> lines;         // array of records: one element per JSON element
//     std::unique_ptr<TLine> first;     // nested record: nullptr when absent
//     VQ_RECORD(TOrder, VQ_PROP(softid), VQ_PROP(sheet_no), VQ_PROP(lines), VQ_PROP(first))
//   };
//
// Property C++ types and their type names: int "Integer", double "Double", std::string
// "string", bool "Boolean", TDateTime (VQ_DATETIME_PROP, since it is a double) "TDateTime",
// std::unique_ptr<R> "R", std::vector<R> "TArray<R>" (R a record class). A record owns the
// records below it. The tables are built once, thread-safely, and only read afterwards.
//
// The two macros also register the class under its class name when the program starts, so an
// object can be made from its name (VqCreateObject): a record class is default-constructible
// and not local to a function.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <typeinfo>
#include <utility>
#include <variant>
#include <vector>

#include "foundation/DateTime.h"

namespace tessaly {

// A scalar value: Integer as int64, Double and TDateTime as double, string, Boolean.
using TVqVariant = std::variant<bool, std::int64_t, double, std::string>;

enum class TVqPropKind { Integer, Double, String, Boolean, DateTime, Record, RecordArray };

class TVqObject;

struct TVqProperty {
  std::string Name;
  std::string TypeName;
  TVqPropKind Kind = TVqPropKind::Integer;
  // Scalar kinds. Set takes the alternative of its kind (int64 in range for Integer) and
  // throws std::bad_variant_access for another one.
  std::function<TVqVariant(const TVqObject&)> Get;
  std::function<void(TVqObject&, const TVqVariant&)> Set;
  // Record: the nested record or nullptr; NewRecord replaces it with a fresh one.
  std::function<const TVqObject*(const TVqObject&)> GetRecord;
  std::function<TVqObject&(TVqObject&)> NewRecord;
  // RecordArray.
  std::function<std::size_t(const TVqObject&)> Count;
  std::function<const TVqObject&(const TVqObject&, std::size_t)> Item;
  std::function<TVqObject&(TVqObject&)> Append;
  // Every kind: the property back to its default (0, empty, false, nullptr, no elements).
  std::function<void(TVqObject&)> Reset;
};

using TVqPropertyList = std::vector<TVqProperty>;

// Base of every record class; has no properties of its own.
class TVqObject {
 public:
  TVqObject() = default;
  TVqObject(const TVqObject&) = default;
  TVqObject(TVqObject&&) = default;
  TVqObject& operator=(const TVqObject&) = default;
  TVqObject& operator=(TVqObject&&) = default;
  virtual ~TVqObject() = default;

  [[nodiscard]] virtual const char* ClassName() const { return "TVqObject"; }
  [[nodiscard]] virtual const TVqPropertyList& Properties() const;
};

// Reads a JSON object text into aObj, which should be freshly made: members are matched to
// property names (case-sensitive); a nested object creates the nested record, an array one
// record per element; unknown members are ignored, missing ones leave the property as it was.
// A member given twice keeps its last copy, a null one included, which puts the property back
// to its default (0, empty, false, nullptr, no elements). False with aErro set when the text is
// not a JSON object or a member's value does not fit its property's type (a number given as a
// string does not fit). Never throws.
// The text is read in one pass, straight into the records, with no parsed tree beside them:
// a reply costs its text and its records.
[[nodiscard]] bool ReadVqObject(std::string_view aJSON, TVqObject& aObj, std::string& aErro);

// What a reader of platform pull replies asks beyond ReadVqObject.
struct TVqReadRules {
  // Member names read as other names, at any depth; where an object holds both names, the
  // renamed member wins wherever it stands, and a plain member it replaces is not checked.
  std::vector<std::pair<std::string, std::string>> Renames;
  // The dotted path of one record array ("oResult.posResult"): a null element of it is a
  // missing record, read as a record with its defaults, and Missing (one flag per element,
  // empty when the text holds no such array) marks it.
  std::string MissingIn;
  std::vector<bool>* Missing = nullptr;
};
[[nodiscard]] bool ReadVqObject(std::string_view aJSON, TVqObject& aObj, std::string& aErro,
                                const TVqReadRules& aRules);

// The class registry behind the macros. Registering one class again is harmless; two classes
// under one name (in different namespaces) make that name ambiguous. Thread-safe.
using TVqObjectFactory = std::unique_ptr<TVqObject> (*)();
bool VqRegisterClass(const char* aName, const std::type_info& aType, TVqObjectFactory aFactory);
// A new object of the class registered under aName (case-sensitive); nullptr with aErro set
// when no class or more than one is.
[[nodiscard]] std::unique_ptr<TVqObject> VqCreateObject(const std::string& aName, std::string& aErro);

namespace vq_detail {

// Instantiated after the class's definition, so C is complete here.
template <class C>
bool RegisterRecord() {
  return VqRegisterClass(C::kClassName, typeid(C),
                         []() -> std::unique_ptr<TVqObject> { return std::make_unique<C>(); });
}

template <class T>
struct IsUniquePtr : std::false_type {};
template <class R>
struct IsUniquePtr<std::unique_ptr<R>> : std::true_type {
  using Record = R;
};
template <class T>
struct IsVector : std::false_type {};
template <class R>
struct IsVector<std::vector<R>> : std::true_type {
  using Record = R;
};

template <class C>
C& Self(TVqObject& aObj) {
  return static_cast<C&>(aObj);
}
template <class C>
const C& Self(const TVqObject& aObj) {
  return static_cast<const C&>(aObj);
}

template <class C, class T>
TVqProperty Scalar(std::string aName, std::string aType, TVqPropKind aKind, T C::*aMember) {
  TVqProperty p;
  p.Name = std::move(aName);
  p.TypeName = std::move(aType);
  p.Kind = aKind;
  p.Get = [aMember](const TVqObject& o) -> TVqVariant {
    if constexpr (std::is_same_v<T, int>)
      return static_cast<std::int64_t>(Self<C>(o).*aMember);
    else
      return Self<C>(o).*aMember;
  };
  p.Set = [aMember](TVqObject& o, const TVqVariant& v) {
    if constexpr (std::is_same_v<T, int>)
      Self<C>(o).*aMember = static_cast<int>(std::get<std::int64_t>(v));
    else
      Self<C>(o).*aMember = std::get<T>(v);
  };
  p.Reset = [aMember](TVqObject& o) { Self<C>(o).*aMember = T{}; };
  return p;
}

}  // namespace vq_detail

template <class C, class T>
TVqProperty VqProp(std::string aName, T C::*aMember) {
  using namespace vq_detail;
  if constexpr (std::is_same_v<T, int>) {
    return Scalar(std::move(aName), "Integer", TVqPropKind::Integer, aMember);
  } else if constexpr (std::is_same_v<T, double>) {
    return Scalar(std::move(aName), "Double", TVqPropKind::Double, aMember);
  } else if constexpr (std::is_same_v<T, std::string>) {
    return Scalar(std::move(aName), "string", TVqPropKind::String, aMember);
  } else if constexpr (std::is_same_v<T, bool>) {
    return Scalar(std::move(aName), "Boolean", TVqPropKind::Boolean, aMember);
  } else if constexpr (IsUniquePtr<T>::value) {
    using R = typename IsUniquePtr<T>::Record;
    TVqProperty p;
    p.Name = std::move(aName);
    p.TypeName = R::kClassName;
    p.Kind = TVqPropKind::Record;
    p.GetRecord = [aMember](const TVqObject& o) -> const TVqObject* { return (Self<C>(o).*aMember).get(); };
    p.NewRecord = [aMember](TVqObject& o) -> TVqObject& {
      auto& slot = Self<C>(o).*aMember;
      slot = std::make_unique<R>();
      return *slot;
    };
    p.Reset = [aMember](TVqObject& o) { (Self<C>(o).*aMember).reset(); };
    return p;
  } else if constexpr (IsVector<T>::value) {
    using R = typename IsVector<T>::Record;
    TVqProperty p;
    p.Name = std::move(aName);
    p.TypeName = std::string("TArray<") + R::kClassName + ">";
    p.Kind = TVqPropKind::RecordArray;
    p.Count = [aMember](const TVqObject& o) { return (Self<C>(o).*aMember).size(); };
    p.Item = [aMember](const TVqObject& o, std::size_t i) -> const TVqObject& { return (Self<C>(o).*aMember)[i]; };
    p.Append = [aMember](TVqObject& o) -> TVqObject& { return (Self<C>(o).*aMember).emplace_back(); };
    p.Reset = [aMember](TVqObject& o) { (Self<C>(o).*aMember).clear(); };
    return p;
  } else {
    static_assert(!sizeof(T), "property type has no table kind");
  }
}

template <class C>
TVqProperty VqDateTimeProp(std::string aName, TDateTime C::*aMember) {
  return vq_detail::Scalar(std::move(aName), "TDateTime", TVqPropKind::DateTime, aMember);
}

// Base properties first, then the class's own.
[[nodiscard]] TVqPropertyList VqJoinProperties(const TVqPropertyList& aBase, TVqPropertyList aOwn);

}  // namespace tessaly

#define VQ_PROP(member) ::tessaly::VqProp(#member, &VqSelf::member)
#define VQ_DATETIME_PROP(member) ::tessaly::VqDateTimeProp(#member, &VqSelf::member)

// The part both record macros share: the class's name, its registration and ClassName().
#define VQ_RECORD_HEAD(Class)                                                             \
 public:                                                                                  \
  using VqSelf = Class;                                                                   \
  static constexpr const char* kClassName = #Class;                                       \
  inline static const bool kVqRegistered = ::tessaly::vq_detail::RegisterRecord<Class>(); \
  [[nodiscard]] const char* ClassName() const override { return kClassName; }

// Inside a class derived directly from TVqObject (or from a record without properties).
#define VQ_RECORD(Class, ...)                                                   \
  VQ_RECORD_HEAD(Class)                                                         \
  [[nodiscard]] const ::tessaly::TVqPropertyList& Properties() const override { \
    static const ::tessaly::TVqPropertyList kList{__VA_ARGS__};                 \
    return kList;                                                               \
  }

// Inside a class derived from the record class Base: Base's properties come first.
#define VQ_DERIVED_RECORD(Class, Base, ...)                                                                         \
  VQ_RECORD_HEAD(Class)                                                                                             \
  [[nodiscard]] const ::tessaly::TVqPropertyList& Properties() const override {                                     \
    static const ::tessaly::TVqPropertyList kList = ::tessaly::VqJoinProperties(Base::Properties(), {__VA_ARGS__}); \
    return kList;                                                                                                   \
  }
