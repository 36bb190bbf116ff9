#include "foundation/VqObjectUtil.h"

#include <limits>
#include <nlohmann/json.hpp>
#include <stdexcept>

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

[[noreturn]] void Misfit(const std::string& path, const TVqProperty& prop, const json& value) {
  throw std::runtime_error("member \"" + path + "\" of type " + value.type_name() +
                           " does not fit property type " + prop.TypeName);
}

// Accepts the process form ("yyyy-MM-dd HH:mm:ss") and the form Obj2JSON writes
// ("yyyy-MM-ddTHH:mm:ss.zzzZ").
bool ReadDateTime(std::string text, TDateTime& out) {
  if (text.size() > 10 && text[10] == 'T') {
    text[10] = ' ';
    if (text.back() == 'Z') text.pop_back();
  }
  return TryStrToDateTime(text, out);
}

void ReadInto(const json& node, TVqObject& obj, const std::string& path);

void ReadMember(const json& value, const TVqProperty& prop, TVqObject& obj,
                const std::string& path) {
  switch (prop.Kind) {
    case TVqPropKind::Integer: {
      std::int64_t v = 0;
      if (value.is_number_unsigned()) {
        if (value.get<std::uint64_t>() > static_cast<std::uint64_t>(std::numeric_limits<int>::max()))
          Misfit(path, prop, value);
        v = static_cast<std::int64_t>(value.get<std::uint64_t>());
      } else if (value.is_number_integer()) {
        v = value.get<std::int64_t>();
        if (v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max())
          Misfit(path, prop, value);
      } else {
        Misfit(path, prop, value);
      }
      prop.Set(obj, v);
      return;
    }
    case TVqPropKind::Double:
      if (!value.is_number()) Misfit(path, prop, value);
      prop.Set(obj, value.get<double>());
      return;
    case TVqPropKind::String:
      if (!value.is_string()) Misfit(path, prop, value);
      prop.Set(obj, value.get<std::string>());
      return;
    case TVqPropKind::Boolean:
      if (!value.is_boolean()) Misfit(path, prop, value);
      prop.Set(obj, value.get<bool>());
      return;
    case TVqPropKind::DateTime: {
      TDateTime dt = 0;
      if (!value.is_string() || !ReadDateTime(value.get<std::string>(), dt))
        Misfit(path, prop, value);
      prop.Set(obj, dt);
      return;
    }
    case TVqPropKind::Record:
      if (!value.is_object()) Misfit(path, prop, value);
      ReadInto(value, prop.NewRecord(obj), path);
      return;
    case TVqPropKind::RecordArray: {
      if (!value.is_array()) Misfit(path, prop, value);
      prop.Clear(obj);
      std::size_t i = 0;
      for (const auto& element : value) {
        const std::string itemPath = path + "[" + std::to_string(i++) + "]";
        if (!element.is_object()) Misfit(itemPath, prop, element);
        ReadInto(element, prop.Append(obj), itemPath);
      }
      return;
    }
  }
}

void ReadInto(const json& node, TVqObject& obj, const std::string& path) {
  for (const auto& prop : obj.Properties()) {
    auto it = node.find(prop.Name);
    if (it == node.end() || it->is_null()) continue;
    ReadMember(*it, prop, obj, path.empty() ? prop.Name : path + "." + prop.Name);
  }
}

}  // namespace

bool ReadVqObject(std::string_view aJSON, TVqObject& aObj, std::string& aErro) {
  try {
    RequireJsonDepthWithinLimit(aJSON);
    const json node = json::parse(aJSON.begin(), aJSON.end());
    if (!node.is_object()) {
      aErro = std::string("reply is not a JSON object but ") + node.type_name();
      return false;
    }
    ReadInto(node, aObj, "");
    return true;
  } catch (const std::exception& e) {
    aErro = e.what();
    return false;
  }
}

}  // namespace tessaly
