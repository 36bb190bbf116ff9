#pragma once
// Predicates over the product code (AppVar->SoftVer) that several engine modules share. Pure
// functions; any thread.
#include <algorithm>
#include <initializer_list>
#include <string>

namespace tessaly {

// The product code is exactly one of aCodes.
[[nodiscard]] inline bool IsOneOf(const std::string& aSoftVer, std::initializer_list<const char*> aCodes) {
  return std::any_of(aCodes.begin(), aCodes.end(), [&](const char* aCode) { return aSoftVer == aCode; });
}

// The product family whose databases report changes through change tracking: "00029", "00050",
// "00039" and "00040". They also store operator passwords as digests already and take the
// member-service configuration from the agent.
[[nodiscard]] inline bool IsChangeTrackingProduct(const std::string& aSoftVer) {
  return IsOneOf(aSoftVer, {"00029", "00050", "00039", "00040"});
}

}  // namespace tessaly
