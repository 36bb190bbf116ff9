#pragma once
// The agent's own JSON writing. The byte form is fixed, so it is not left to a library: compact,
// members in the order they were added, and in strings a backslash before '"', '\' and '/',
// \b \t \n \f \r, and every other UTF-16 unit below 32 or above 127 as \u with four upper-case
// hex digits (a character outside the BMP as its two surrogates). The result is pure ASCII.
// Parsing is done with nlohmann-json elsewhere; values here are plain data, safe to copy.
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace tessaly {

enum class TJsonEscape {
  Ascii,  // the rules above
  Raw,    // for display: UTF-8 kept, only '"' escaped
};

// A JSON string literal of UTF-8 text, quotes included.
[[nodiscard]] std::string JsonQuote(std::string_view aText, TJsonEscape aEscape = TJsonEscape::Ascii);

// A JSON number in the programs' general float form (foundation/FloatText.h). Not-a-number and
// the infinities have no JSON form and give "null".
[[nodiscard]] std::string FormatJsonFloat(double aValue);
// JsonQuote (ASCII rules) and FormatJsonFloat appended to aOut, for writers of long texts.
void AppendJsonQuoted(std::string& aOut, std::string_view aText);
void AppendJsonFloat(std::string& aOut, double aValue);

class TJsonValue;
using TJsonArray = std::vector<TJsonValue>;
using TJsonMember = std::pair<std::string, TJsonValue>;
using TJsonObject = std::vector<TJsonMember>;

class TJsonValue {
 public:
  TJsonValue() = default;  // null
  TJsonValue(std::nullptr_t) {}
  TJsonValue(bool aValue) : FValue(aValue) {}
  TJsonValue(int aValue) : FValue(static_cast<std::int64_t>(aValue)) {}
  TJsonValue(std::int64_t aValue) : FValue(aValue) {}
  TJsonValue(std::uint64_t aValue) : FValue(aValue) {}
  TJsonValue(double aValue) : FValue(aValue) {}
  TJsonValue(const char* aValue) : FValue(std::string(aValue)) {}
  TJsonValue(std::string aValue) : FValue(std::move(aValue)) {}
  TJsonValue(TJsonArray aValue) : FValue(std::move(aValue)) {}
  TJsonValue(TJsonObject aValue) : FValue(std::move(aValue)) {}

  [[nodiscard]] bool IsArray() const { return std::holds_alternative<TJsonArray>(FValue); }
  [[nodiscard]] bool IsObject() const { return std::holds_alternative<TJsonObject>(FValue); }
  // Throw std::bad_variant_access when the value is of another kind.
  [[nodiscard]] TJsonArray& AsArray() { return std::get<TJsonArray>(FValue); }
  [[nodiscard]] TJsonObject& AsObject() { return std::get<TJsonObject>(FValue); }
  [[nodiscard]] const TJsonArray& AsArray() const { return std::get<TJsonArray>(FValue); }
  [[nodiscard]] const TJsonObject& AsObject() const { return std::get<TJsonObject>(FValue); }

  [[nodiscard]] std::string ToJSON(TJsonEscape aEscape = TJsonEscape::Ascii) const;
  void WriteTo(std::string& aOut, TJsonEscape aEscape = TJsonEscape::Ascii) const;

 private:
  std::variant<std::nullptr_t, bool, std::int64_t, std::uint64_t, double, std::string, TJsonArray,
               TJsonObject>
      FValue = nullptr;
};

}  // namespace tessaly
