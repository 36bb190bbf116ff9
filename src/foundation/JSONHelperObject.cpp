// Record objects as JSON: the plain object text of Obj2JSON, type-tagged JSON and back, and the
// class registry that makes the object of a tag (its one user).
#include <map>
#include <mutex>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <utility>

#include "foundation/JSONHelperUtil.h"
#include "foundation/JsonMemberName.h"
#include "foundation/JsonDepth.h"
#include "foundation/JsonTree.h"

namespace tessaly {

namespace {

TJsonValue ObjectValue(const TVqObject& obj) {
  TJsonObject members;
  for (const auto& p : obj.Properties()) {
    std::string name = Obj2JSONMemberName(p.Name);
    TJsonValue value;
    switch (p.Kind) {
      case TVqPropKind::Integer:
        value = std::get<std::int64_t>(p.Get(obj));
        break;
      case TVqPropKind::Double:
        value = std::get<double>(p.Get(obj));
        break;
      case TVqPropKind::String:
        value = std::get<std::string>(p.Get(obj));
        break;
      case TVqPropKind::Boolean:
        value = std::get<bool>(p.Get(obj));
        break;
      case TVqPropKind::DateTime: {
        const TDateTime dt = std::get<double>(p.Get(obj));
        value = FormatDateTime("yyyy-MM-dd", dt) + "T" + FormatDateTime("hh:nn:ss.zzz", dt) + "Z";
        break;
      }
      case TVqPropKind::Record:
        if (const TVqObject* nested = p.GetRecord(obj)) value = ObjectValue(*nested);
        break;
      case TVqPropKind::RecordArray: {
        TJsonArray items;
        for (std::size_t i = 0, n = p.Count(obj); i < n; ++i) items.push_back(ObjectValue(p.Item(obj, i)));
        value = std::move(items);
        break;
      }
    }
    members.emplace_back(std::move(name), std::move(value));
  }
  return members;
}

using json = nlohmann::ordered_json;

struct TRegisteredClass {
  const std::type_info* Type = nullptr;
  TVqObjectFactory Factory = nullptr;
  bool Ambiguous = false;
};

class TClassRegistry {
 public:
  static TClassRegistry& Instance() {
    static TClassRegistry registry;
    return registry;
  }

  void Add(const char* aName, const std::type_info& aType, TVqObjectFactory aFactory) {
    std::lock_guard lock(FLock);
    auto [it, added] = FClasses.try_emplace(aName, TRegisteredClass{&aType, aFactory, false});
    if (!added && *it->second.Type != aType) it->second.Ambiguous = true;
  }

  [[nodiscard]] TRegisteredClass Find(const std::string& aName) const {
    std::lock_guard lock(FLock);
    auto it = FClasses.find(aName);
    return it == FClasses.end() ? TRegisteredClass{} : it->second;
  }

 private:
  mutable std::mutex FLock;
  std::map<std::string, TRegisteredClass> FClasses;  // guarded by FLock
};

// ReadVqObject matches members to property names exactly, so give the members written under
// Obj2JSON's names the names of their properties again, through the nested records and arrays.
// aProbe is a scratch object of the node's class: it supplies the property tables below it.
void RestoreNames(json& aNode, TVqObject& aProbe) {
  for (const auto& prop : aProbe.Properties()) {
    const std::string written = Obj2JSONMemberName(prop.Name);
    if (written != prop.Name && !aNode.contains(prop.Name)) {
      if (auto it = aNode.find(written); it != aNode.end()) {
        json value = std::move(*it);
        aNode.erase(it);
        aNode[prop.Name] = std::move(value);
      }
    }
    auto it = aNode.find(prop.Name);
    if (it == aNode.end()) continue;
    if (prop.Kind == TVqPropKind::Record && it->is_object()) {
      RestoreNames(*it, prop.NewRecord(aProbe));
    } else if (prop.Kind == TVqPropKind::RecordArray && it->is_array()) {
      TVqObject& item = prop.Append(aProbe);
      for (auto& element : *it)
        if (element.is_object()) RestoreNames(element, item);
    }
  }
}

}  // namespace

bool VqRegisterClass(const char* aName, const std::type_info& aType, TVqObjectFactory aFactory) {
  TClassRegistry::Instance().Add(aName, aType, aFactory);
  return true;
}

std::unique_ptr<TVqObject> VqCreateObject(const std::string& aName, std::string& aErro) {
  const TRegisteredClass found = TClassRegistry::Instance().Find(aName);
  if (found.Factory == nullptr) {
    aErro = "no record class is named \"" + aName + "\"";
    return nullptr;
  }
  if (found.Ambiguous) {
    aErro = "more than one record class is named \"" + aName + "\"";
    return nullptr;
  }
  return found.Factory();
}

TJsonValue TJSONHelper::ObjectToJSON(const TVqObject& aObject) {
  TJsonObject tagged;
  tagged.emplace_back("type", std::string(aObject.ClassName()));
  tagged.emplace_back("id", 1);
  tagged.emplace_back("fields", JsonTreeOf(json::parse(Obj2JSON(aObject))));
  return tagged;
}

std::string TJSONHelper::ObjectToJSONString(const TVqObject& aObject) { return Obj2JSON(aObject); }

std::unique_ptr<TVqObject> TJSONHelper::JSONToObject(const std::string& aJSONString, std::string& aErro) {
  try {
    RequireJsonDepthWithinLimit(aJSONString);
    return ObjectFromTree(json::parse(aJSONString), aErro);
  } catch (const std::exception& e) {
    aErro = e.what();
    return nullptr;
  }
}

std::unique_ptr<TVqObject> TJSONHelper::ObjectFromTree(const json& aJSON, std::string& aErro) {
  try {
    if (!aJSON.is_object()) {
      aErro = std::string("not a JSON object but ") + aJSON.type_name();
      return nullptr;
    }
    const auto type = aJSON.find("type");
    if (type == aJSON.end() || !type->is_string()) {
      aErro = "member \"type\" is missing or not a string";
      return nullptr;
    }
    const auto fields = aJSON.find("fields");
    if (fields == aJSON.end() || !fields->is_object()) {
      aErro = "member \"fields\" is missing or not an object";
      return nullptr;
    }
    const std::string className = type->get<std::string>();
    std::unique_ptr<TVqObject> obj = VqCreateObject(className, aErro);
    if (!obj) return nullptr;
    const std::unique_ptr<TVqObject> probe = VqCreateObject(className, aErro);
    json named = *fields;
    RestoreNames(named, *probe);
    if (!ReadVqObject(named.dump(), *obj, aErro)) return nullptr;
    return obj;
  } catch (const std::exception& e) {
    aErro = e.what();
    return nullptr;
  }
}

std::string TJSONHelper::Obj2JSON(const TVqObject& aObj) {
  return ObjectValue(aObj).ToJSON();
}

}  // namespace tessaly
