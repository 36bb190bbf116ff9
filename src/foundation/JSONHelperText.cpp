// The small JSON and text utilities of TJSONHelper.
#include <charconv>
#include <nlohmann/json.hpp>

#include "foundation/CommaText.h"
#include "foundation/JSONHelperUtil.h"
#include "foundation/JsonDepth.h"
#include "foundation/JsonTree.h"
#include "foundation/VqLibText.h"
#include "foundation/VqLibTextTrim.h"

namespace tessaly {

namespace {

bool AllDigits(std::string_view s) {
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

// A non-negative integer up to aMax, else 0.
std::int64_t NonNegative(const std::string& item, std::int64_t aMax) {
  if (item.empty() || !AllDigits(item)) return 0;
  std::int64_t v = 0;
  auto [p, ec] = std::from_chars(item.data(), item.data() + item.size(), v);
  if (ec != std::errc() || p != item.data() + item.size() || v > aMax) return 0;
  return v;
}

}  // namespace

std::string TJSONHelper::SqlStr(const std::string& aStr) { return TvqLib::SqlStr(aStr); }

bool TJSONHelper::IsInt(const std::string& aValue) { return AllDigits(TrimControls(aValue)); }

bool TJSONHelper::IsFloat(const std::string& aValue) {
  int dots = 0;
  for (char c : TrimControls(aValue)) {
    if (c == '.') {
      if (++dots > 1) return false;
    } else if (c < '0' || c > '9') {
      return false;
    }
  }
  return true;
}

std::vector<std::string> TJSONHelper::StrToArray(const std::string& aArrStr) {
  return SplitCommaText(aArrStr);
}

TArrayInt TJSONHelper::StrToArrayInt(const std::string& aArrStr) {
  TArrayInt out;
  for (const auto& item : SplitCommaText(aArrStr))
    out.push_back(static_cast<std::int32_t>(NonNegative(item, INT32_MAX)));
  return out;
}

// Items above the 32-bit range keep their value: this is the 64-bit list.
std::vector<std::int64_t> TJSONHelper::StrToInt64Array(const std::string& aInt64Str) {
  std::vector<std::int64_t> out;
  for (const auto& item : SplitCommaText(aInt64Str)) out.push_back(NonNegative(item, INT64_MAX));
  return out;
}

std::string TJSONHelper::Timestamp() { return std::to_string(GetTimestamp(Now())); }

std::int64_t TJSONHelper::GetTimestamp(TDateTime aDatetime) { return UnixSecondsOfLocal(aDatetime); }

TDateTime TJSONHelper::GetDatetime(int aTimestamp) { return LocalOfUnixSeconds(aTimestamp); }

std::string TJSONHelper::AnsiToUnicode(const std::string& aAnsiStr) {
  return TvqLib::AnsiToUnicode(aAnsiStr);
}

std::string TJSONHelper::AnsiJSON(const std::string& aJSON) {
  try {
    RequireJsonDepthWithinLimit(aJSON);
    const auto node = nlohmann::ordered_json::parse(aJSON);
    if (!node.is_object()) return aJSON;
    return JsonTreeOf(node).ToJSON(TJsonEscape::Raw);
  } catch (const std::exception&) {
    return aJSON;
  }
}

std::string TJSONHelper::MemberValue(const nlohmann::ordered_json& aJSON, const std::string& aName,
                                     const std::string& aDefValue, int aValueType) {
  try {
    if (!aJSON.is_object()) return aDefValue;
    const auto it = aJSON.find(aName);
    if (it == aJSON.end() || it->is_null()) return aDefValue;
    return aValueType == 1 ? JsonPlainText(*it) : JsonTreeOf(*it).ToJSON();
  } catch (const std::exception&) {
    return aDefValue;
  }
}

std::string TJSONHelper::JSONValue(const std::string& aJSON, const std::string& aName,
                                   const std::string& aDefValue, int aValueType) {
  try {
    RequireJsonDepthWithinLimit(aJSON);
    return MemberValue(nlohmann::ordered_json::parse(aJSON), aName, aDefValue, aValueType);
  } catch (const std::exception&) {
    return aDefValue;
  }
}

std::string TJSONHelper::JSONValue(const std::string& aJSON, const std::string& aSect,
                                   const std::string& aName, const std::string& aDefValue,
                                   int aValueType) {
  return JSONValue(JSONValue(aJSON, aSect, "", 0), aName, aDefValue, aValueType);
}

std::string TJSONHelper::ListToJSON(const std::vector<std::string>& aList) {
  std::string out = "{";
  bool first = true;
  for (const auto& line : aList) {
    const auto eq = line.find('=');
    if (eq == std::string::npos || eq + 1 == line.size()) continue;
    if (!first) out += ',';
    first = false;
    out += "\"" + line.substr(0, eq) + "\":" + JsonQuote(line.substr(eq + 1));
  }
  return out + "}";
}

std::string TJSONHelper::JSONAddObject(const std::string& aJSON, const std::string& aJSONName,
                                       const std::string& aJSONObject) {
  try {
    RequireJsonDepthWithinLimit(aJSON);
    RequireJsonDepthWithinLimit(aJSONObject);
    auto node = nlohmann::ordered_json::parse(aJSON);
    const auto added = nlohmann::ordered_json::parse(aJSONObject);
    if (!node.is_object() || !added.is_object()) return aJSON;
    node[aJSONName] = added;
    return JsonTreeOf(node).ToJSON();
  } catch (const std::exception&) {
    return aJSON;
  }
}

std::string TJSONHelper::Dict2JSON(const std::map<std::string, std::string>& aDict) {
  if (aDict.empty()) return "";
  std::string out = "{";
  bool first = true;
  for (const auto& [key, value] : aDict) {
    if (TrimControls(key).empty()) continue;
    if (!first) out += ',';
    first = false;
    out += JsonQuote(key) + ":" + JsonQuote(value);
  }
  return out + "}";
}

}  // namespace tessaly
