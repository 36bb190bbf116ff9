#include "engine/AppPullReply.h"

#include <utility>

#include <nlohmann/json.hpp>

#include "foundation/JsonDepth.h"

namespace tessaly {
namespace {

// The mini-program reply names an order's members pos_wxapp_*. Only member names are renamed,
// at any depth: a value that happens to hold such a name is data and stays as sent.
void RenameWxAppMembers(nlohmann::json& aNode) {
  if (aNode.is_array()) {
    for (auto& element : aNode) RenameWxAppMembers(element);
    return;
  }
  if (!aNode.is_object()) return;
  nlohmann::json renamed = nlohmann::json::object();
  for (auto& [key, value] : aNode.items()) {
    RenameWxAppMembers(value);
    if (key == "pos_wxapp_master")
      renamed["pos_master"] = std::move(value);
    else if (key == "pos_wxapp_detail")
      renamed["pos_detail"] = std::move(value);
    else if (key == "pos_wxapp_pay")
      renamed["pos_pay"] = std::move(value);
    else if (!renamed.contains(key))
      renamed[key] = std::move(value);
  }
  aNode = std::move(renamed);
}

}  // namespace

std::string ReadablePullReply(const std::string& aReply, const char* aMember, bool aRenameWxApp,
                              std::vector<bool>& aMissing) {
  aMissing.clear();
  if (!JsonDepthWithinLimit(aReply)) return aReply;
  nlohmann::json node = nlohmann::json::parse(aReply, nullptr, false);
  if (node.is_discarded()) return aReply;
  bool changed = aRenameWxApp;
  if (aRenameWxApp) RenameWxAppMembers(node);
  const auto result = node.is_object() ? node.find("oResult") : node.end();
  if (result != node.end() && result->is_object()) {
    const auto records = result->find(aMember);
    if (records != result->end() && records->is_array()) {
      for (auto& element : *records) {
        aMissing.push_back(element.is_null());
        if (!element.is_null()) continue;
        element = nlohmann::json::object();
        changed = true;
      }
    }
  }
  return changed ? node.dump() : aReply;
}

}  // namespace tessaly
