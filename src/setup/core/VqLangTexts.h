#pragma once
// The setup program's built-in texts, key and Chinese text, in table order.
#include <span>

namespace orvane {

struct TLangEntry {
  const char* key;
  const char* text;
};

[[nodiscard]] std::span<const TLangEntry> BuiltInLangTexts();

}  // namespace orvane
