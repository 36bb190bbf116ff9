#pragma once
// Parsed JSON (nlohmann-json, member order kept) as a tree for our own writer, so texts that
// are parsed and written back get the agent's byte form.
#include <nlohmann/json_fwd.hpp>

#include "foundation/JsonWriter.h"

namespace tessaly {

[[nodiscard]] TJsonValue JsonTreeOf(const nlohmann::ordered_json& aNode);
// The plain value of a node: a string's contents, "" for null, any other node's JSON text.
[[nodiscard]] std::string JsonPlainText(const nlohmann::ordered_json& aNode);

}  // namespace tessaly
