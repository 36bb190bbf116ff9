#include "foundation/JsonTree.h"

#include <nlohmann/json.hpp>

namespace tessaly {

TJsonValue JsonTreeOf(const nlohmann::ordered_json& aNode) {
  using value_t = nlohmann::ordered_json::value_t;
  switch (aNode.type()) {
    case value_t::boolean:
      return aNode.get<bool>();
    case value_t::number_integer:
      return aNode.get<std::int64_t>();
    case value_t::number_unsigned:
      return aNode.get<std::uint64_t>();
    case value_t::number_float:
      return aNode.get<double>();
    case value_t::string:
      return aNode.get<std::string>();
    case value_t::array: {
      TJsonArray items;
      for (const auto& item : aNode) items.push_back(JsonTreeOf(item));
      return items;
    }
    case value_t::object: {
      TJsonObject members;
      for (const auto& [key, value] : aNode.items()) members.emplace_back(key, JsonTreeOf(value));
      return members;
    }
    default:
      return nullptr;
  }
}

std::string JsonPlainText(const nlohmann::ordered_json& aNode) {
  if (aNode.is_string()) return aNode.get<std::string>();
  if (aNode.is_null()) return "";
  return JsonTreeOf(aNode).ToJSON();
}

}  // namespace tessaly
