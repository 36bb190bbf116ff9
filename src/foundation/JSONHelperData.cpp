// JSON rows into an in-memory table.
#include <algorithm>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <stdexcept>

#include "foundation/JSONHelperUtil.h"
#include "foundation/JsonDepth.h"
#include "foundation/JsonTree.h"
#include "foundation/VqLibTextTrim.h"
#include "platform/TextCodec.h"

namespace tessaly {

namespace {

using nlohmann::ordered_json;

bool IsDateName(const std::string& name) {
  return platform::SameText(name, "created") || platform::SameText(name, "modified");
}

void DefineFields(const ordered_json& first, IVqMemTable& data) {
  if (!first.is_object()) throw std::runtime_error("the first element is not an object");
  data.Close();
  data.ClearFields();
  for (const auto& [name, value] : first.items()) {
    if (IsDateName(name))
      data.AddField(name, TVqFieldKind::DateTime, 0);
    else
      data.AddField(name, TVqFieldKind::String, 1000);
  }
  data.CreateTable();
}

void AppendRow(const ordered_json& element, IVqMemTable& data) {
  if (!element.is_object()) throw std::runtime_error(std::string("element is ") + element.type_name() + ", not an object");
  data.Append();
  const int used = std::min(static_cast<int>(element.size()), data.FieldCount());
  for (int f = 0; f < used; ++f) {
    const std::string name = data.FieldName(f);
    const auto it = element.find(name);
    if (it == element.end()) throw std::runtime_error("element has no member " + name);
    const std::string value = JsonPlainText(*it);
    if (!IsDateName(name)) {
      data.SetString(f, value);
    } else if (TJSONHelper::IsInt(value)) {
      const std::string digits = TrimControls(value);
      const long long seconds = digits.empty() ? 0 : std::stoll(digits);
      if (seconds > INT32_MAX) throw std::out_of_range(digits + " is not a 32-bit time stamp");
      data.SetDateTime(f, TJSONHelper::GetDatetime(static_cast<int>(seconds)));
    }
  }
}

}  // namespace

bool TJSONHelper::RowsToData(const ordered_json& aArrJSON, IVqMemTable& aData, std::string& aErro) {
  if (!aArrJSON.is_array() || aArrJSON.empty()) {
    aErro = "无数据";
    return false;
  }
  try {
    DefineFields(aArrJSON.front(), aData);
  } catch (const std::exception& e) {
    aErro = std::string("解析初始化失败,") + e.what();
    return false;
  }
  try {
    for (const auto& element : aArrJSON) AppendRow(element, aData);
  } catch (const std::exception& e) {
    aErro = std::string("初始化数据失败,") + e.what();
  }
  return true;
}

bool TJSONHelper::MemberToData(const ordered_json& aJSON, const std::string& aDataName,
                               IVqMemTable& aData, std::string& aErro) {
  const auto it = aJSON.is_object() ? aJSON.find(aDataName) : aJSON.end();
  if (it == aJSON.end() || !it->is_array()) {
    aErro = "member " + aDataName + " is not an array";
    return false;
  }
  return RowsToData(*it, aData, aErro);
}

bool TJSONHelper::JSONToData(const std::string& aJSON, const std::string& aDataName,
                             IVqMemTable& aData, std::string& aErro) {
  try {
    const std::string text = TrimControls(aJSON);
    RequireJsonDepthWithinLimit(text);
    const auto node = ordered_json::parse(text);
    if (!node.is_object()) return false;
    return MemberToData(node, aDataName, aData, aErro);
  } catch (const std::exception& e) {
    aErro = e.what();
    return false;
  }
}

bool TJSONHelper::JSONToData(const std::string& aJSON, const std::string& aJSONName,
                             const std::string& aDataName, IVqMemTable& aData, std::string& aErro) {
  try {
    const std::string text = TrimControls(aJSON);
    RequireJsonDepthWithinLimit(text);
    const auto node = ordered_json::parse(text);
    if (!node.is_object()) return false;
    const auto it = node.find(aJSONName);
    if (it == node.end() || !it->is_object()) {
      aErro = "member " + aJSONName + " is not an object";
      return false;
    }
    return MemberToData(*it, aDataName, aData, aErro);
  } catch (const std::exception& e) {
    aErro = e.what();
    return false;
  }
}

}  // namespace tessaly
