#include "foundation/VqObjectUtil.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <utility>
#include <variant>

#include "foundation/JsonDepth.h"

namespace tessaly {

const TVqPropertyList& TVqObject::Properties() const {
  static const TVqPropertyList kNone;
  return kNone;
}

TVqPropertyList VqJoinProperties(const TVqPropertyList& aBase, TVqPropertyList aOwn) {
  TVqPropertyList all = aBase;
  for (auto& p : aOwn) all.push_back(std::move(p));
  return all;
}

namespace {

using nlohmann::json;

// Accepts the process form ("yyyy-MM-dd HH:mm:ss") and the form Obj2JSON writes
// ("yyyy-MM-ddTHH:mm:ss.zzzZ").
bool ReadDateTime(std::string text, TDateTime& out) {
  if (text.size() > 10 && text[10] == 'T') {
    text[10] = ' ';
    if (text.back() == 'Z') text.pop_back();
  }
  return TryStrToDateTime(text, out);
}

// The JSON type names of the error texts.
constexpr const char* kNull = "null";
constexpr const char* kObject = "object";
constexpr const char* kArray = "array";
constexpr const char* kString = "string";
constexpr const char* kBoolean = "boolean";
constexpr const char* kNumber = "number";

// One value of the text as the reader meets it: scalars carry their value.
struct TValue {
  const char* Type = kNull;
  std::variant<std::monostate, bool, std::int64_t, std::uint64_t, double, std::string*> Data;
};

// The reader of ReadVqObject: a SAX handler that fills the records as the parser goes. The
// first value that does not fit is remembered and the rest of the text is only checked for
// syntax, so that a text that is no JSON at all reports that first.
class TRecordReader {
 public:
  TRecordReader(TVqObject& aRoot, const TVqReadRules* aRules) : FRoot(aRoot), FRules(aRules) {
    if (Missing()) Missing()->clear();
  }

  [[nodiscard]] const std::string& Misfit() const { return FMisfit; }
  [[nodiscard]] const std::string& SyntaxError() const { return FSyntaxError; }

  bool null() { return Scalar({kNull, {}}); }
  bool boolean(bool v) { return Scalar({kBoolean, v}); }
  bool number_integer(json::number_integer_t v) { return Scalar({kNumber, static_cast<std::int64_t>(v)}); }
  bool number_unsigned(json::number_unsigned_t v) { return Scalar({kNumber, static_cast<std::uint64_t>(v)}); }
  bool number_float(json::number_float_t v, const json::string_t&) { return Scalar({kNumber, static_cast<double>(v)}); }
  bool string(json::string_t& v) { return Scalar({kString, &v}); }
  bool binary(json::binary_t&) { return Scalar({"binary", {}}); }

  bool start_object(std::size_t) {
    TVqObject* record = nullptr;
    std::string path;
    if (FSkip == 0 && FMisfit.empty()) {
      if (FFrames.empty() && !FStarted) {
        record = &FRoot;
      } else if (const TVqProperty* prop = Target(path)) {
        if (InRecords()) {
          record = &prop->Append(*Top().Owner);
        } else if (prop->Kind == TVqPropKind::Record) {
          record = &prop->NewRecord(*Top().Record);
        } else {
          Fail(path, *prop, kObject);
        }
      }
    }
    FStarted = true;
    if (record == nullptr) return Enter();
    StartAfresh(path);
    FFrames.push_back({record, nullptr, nullptr, std::move(path), 0, 0, false, {}, -1, {}});
    return true;
  }

  bool key(json::string_t& aKey) {
    if (FSkip > 0 || !FMisfit.empty() || FFrames.empty()) return true;
    TFrame& f = Top();
    f.Pending = nullptr;
    f.Tentative = -1;
    const std::string* name = &aKey;
    if (FRules != nullptr) {
      for (std::size_t i = 0; i < FRules->Renames.size() && i < 32; ++i) {
        const auto& [from, to] = FRules->Renames[i];
        const auto bit = 1u << i;
        if (aKey == from) {
          f.Renamed |= bit;
          std::erase_if(f.Held, [&](const auto& held) { return held.first == static_cast<int>(i); });
          name = &to;
          break;
        }
        if (aKey == to) {
          // The plain name gives way to a renamed member, read before or after it: until the
          // object ends, what does not fit in the plain one is only held against it.
          if ((f.Renamed & bit) != 0) return true;
          f.Tentative = static_cast<int>(i);
          break;
        }
      }
    }
    for (const auto& prop : f.Record->Properties()) {
      if (prop.Name != *name) continue;
      f.Pending = &prop;
      f.PendingName = *name;
      break;
    }
    return true;
  }

  bool end_object() { return Leave(); }

  bool start_array(std::size_t) {
    std::string path;
    const TVqProperty* prop = FSkip == 0 && FMisfit.empty() ? Target(path) : nullptr;
    if (FFrames.empty() && !FStarted) FRootType = kArray;
    FStarted = true;
    if (prop == nullptr) return Enter();
    if (InRecords() || prop->Kind != TVqPropKind::RecordArray) {
      Fail(path, *prop, kArray);
      return Enter();
    }
    TVqObject& owner = *Top().Record;
    prop->Reset(owner);
    StartAfresh(path);
    const bool missingIn = Missing() != nullptr && path == FRules->MissingIn;
    FFrames.push_back({nullptr, prop, &owner, std::move(path), 0, 0, missingIn, {}, -1, {}});
    return true;
  }

  bool end_array() { return Leave(); }

  bool parse_error(std::size_t, const std::string&, const json::exception& aError) {
    FSyntaxError = aError.what();
    return false;
  }

  // The type of the top-level value when it is not an object; empty when it is one.
  [[nodiscard]] std::string RootType() const { return FRootType; }

 private:
  struct TFrame {
    TVqObject* Record;           // an object being read; nullptr for a record array
    const TVqProperty* Pending;  // object: the property of the member read next; array: its property
    TVqObject* Owner;            // array: the record that owns it
    std::string Path;            // for the error texts, as "a.b[2].c"
    std::size_t Index;           // array: the next element
    std::uint32_t Renamed;       // object: the renames met in it
    bool MissingIn;              // array: its null elements are missing records
    std::string PendingName;     // object: the name of the member read next
    int Tentative;               // object: the rename whose plain name is being read, or -1
    // Object: per rename, the first misfit in its plain member, held until the object ends.
    std::vector<std::pair<int, std::string>> Held;
  };

  [[nodiscard]] std::vector<bool>* Missing() const { return FRules != nullptr ? FRules->Missing : nullptr; }
  [[nodiscard]] TFrame& Top() { return FFrames.back(); }
  [[nodiscard]] bool InRecords() const { return !FFrames.empty() && FFrames.back().Record == nullptr; }

  // The property the next value goes to, with its path; nullptr when the value is to be passed
  // over (an unknown member). An element of a record array advances the index.
  const TVqProperty* Target(std::string& aPath) {
    if (FFrames.empty()) return nullptr;
    TFrame& f = Top();
    if (f.Record == nullptr) {
      aPath = f.Path + "[" + std::to_string(f.Index++) + "]";
      if (f.MissingIn) Missing()->push_back(false);
      return f.Pending;
    }
    const TVqProperty* prop = std::exchange(f.Pending, nullptr);
    if (prop != nullptr) aPath = f.Path.empty() ? f.PendingName : f.Path + "." + f.PendingName;
    return prop;
  }

  bool Enter() {
    ++FSkip;
    return true;
  }

  bool Leave() {
    if (FSkip > 0) {
      --FSkip;
      return true;
    }
    if (FFrames.empty()) return true;
    // No renamed member came: the plain one stands, and so does what did not fit in it.
    std::vector<std::pair<int, std::string>> held = std::move(Top().Held);
    FFrames.pop_back();
    if (!held.empty()) Misfit(std::move(held.front().second));
    return true;
  }

  // A record, or the array of missing records, given again starts afresh: the last copy wins.
  void StartAfresh(const std::string& aPath) {
    if (Missing() == nullptr || aPath.empty()) return;
    if (aPath == FRules->MissingIn || FRules->MissingIn.rfind(aPath + ".", 0) == 0) Missing()->clear();
  }

  void Fail(const std::string& aPath, const TVqProperty& aProp, const char* aType) {
    Misfit("member \"" + aPath + "\" of type " + aType + " does not fit property type " + aProp.TypeName);
  }

  // The first misfit ends the reading, unless it lies inside a plain member that a renamed one
  // may still replace: then the innermost such member's object holds it.
  void Misfit(std::string aText) {
    if (!FMisfit.empty()) return;
    for (auto f = FFrames.rbegin(); f != FFrames.rend(); ++f) {
      if (f->Record == nullptr || f->Tentative < 0) continue;
      const int rename = f->Tentative;
      if (std::none_of(f->Held.begin(), f->Held.end(), [&](const auto& h) { return h.first == rename; }))
        f->Held.emplace_back(rename, std::move(aText));
      return;
    }
    FMisfit = std::move(aText);
  }

  bool Scalar(const TValue& aValue) {
    if (FFrames.empty() && !FStarted) FRootType = aValue.Type;
    FStarted = true;
    if (FSkip > 0 || !FMisfit.empty()) return true;
    std::string path;
    const bool element = InRecords();
    const TVqProperty* prop = Target(path);
    if (prop == nullptr) return true;
    if (element) {
      TFrame& f = Top();
      if (aValue.Type == kNull && f.MissingIn) {
        (void)prop->Append(*f.Owner);
        Missing()->back() = true;
        return true;
      }
      Fail(path, *prop, aValue.Type);
      return true;
    }
    // A null member, like any member given again, replaces what an earlier copy gave.
    if (aValue.Type != kNull) {
      Set(*prop, aValue, path);
    } else {
      prop->Reset(*Top().Record);
      StartAfresh(path);
    }
    return true;
  }

  void Set(const TVqProperty& aProp, const TValue& aValue, const std::string& aPath) {
    TVqObject& record = *Top().Record;
    const auto& d = aValue.Data;
    switch (aProp.Kind) {
      case TVqPropKind::Integer:
        if (const auto* u = std::get_if<std::uint64_t>(&d);
            u != nullptr && *u <= static_cast<std::uint64_t>(std::numeric_limits<int>::max())) {
          aProp.Set(record, static_cast<std::int64_t>(*u));
        } else if (const auto* i = std::get_if<std::int64_t>(&d);
                   i != nullptr && *i >= std::numeric_limits<int>::min() && *i <= std::numeric_limits<int>::max()) {
          aProp.Set(record, *i);
        } else {
          Fail(aPath, aProp, aValue.Type);
        }
        return;
      case TVqPropKind::Double:
        if (const auto* u = std::get_if<std::uint64_t>(&d))
          aProp.Set(record, static_cast<double>(*u));
        else if (const auto* i = std::get_if<std::int64_t>(&d))
          aProp.Set(record, static_cast<double>(*i));
        else if (const auto* f = std::get_if<double>(&d))
          aProp.Set(record, *f);
        else
          Fail(aPath, aProp, aValue.Type);
        return;
      case TVqPropKind::String:
        if (const auto* s = std::get_if<std::string*>(&d))
          aProp.Set(record, std::move(**s));
        else
          Fail(aPath, aProp, aValue.Type);
        return;
      case TVqPropKind::Boolean:
        if (const auto* b = std::get_if<bool>(&d))
          aProp.Set(record, *b);
        else
          Fail(aPath, aProp, aValue.Type);
        return;
      case TVqPropKind::DateTime: {
        TDateTime dt = 0;
        const auto* s = std::get_if<std::string*>(&d);
        if (s != nullptr && ReadDateTime(**s, dt))
          aProp.Set(record, dt);
        else
          Fail(aPath, aProp, aValue.Type);
        return;
      }
      case TVqPropKind::Record:
      case TVqPropKind::RecordArray:
        Fail(aPath, aProp, aValue.Type);
        return;
    }
  }

  TVqObject& FRoot;
  const TVqReadRules* FRules;
  std::vector<TFrame> FFrames;
  std::size_t FSkip = 0;  // depth inside containers that are passed over
  bool FStarted = false;
  std::string FRootType;
  std::string FMisfit;
  std::string FSyntaxError;
};

bool Read(std::string_view aJSON, TVqObject& aObj, std::string& aErro, const TVqReadRules* aRules) {
  try {
    RequireJsonDepthWithinLimit(aJSON);
    TRecordReader reader(aObj, aRules);
    if (!json::sax_parse(aJSON.begin(), aJSON.end(), &reader)) {
      aErro = reader.SyntaxError().empty() ? std::string("the text is no JSON") : reader.SyntaxError();
      return false;
    }
    if (!reader.RootType().empty()) {
      aErro = "reply is not a JSON object but " + reader.RootType();
      return false;
    }
    if (!reader.Misfit().empty()) {
      aErro = reader.Misfit();
      return false;
    }
    return true;
  } catch (const std::exception& e) {
    aErro = e.what();
    return false;
  }
}

}  // namespace

bool ReadVqObject(std::string_view aJSON, TVqObject& aObj, std::string& aErro) {
  return Read(aJSON, aObj, aErro, nullptr);
}

bool ReadVqObject(std::string_view aJSON, TVqObject& aObj, std::string& aErro, const TVqReadRules& aRules) {
  return Read(aJSON, aObj, aErro, &aRules);
}

}  // namespace tessaly
