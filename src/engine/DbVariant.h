#pragma once
// A value read from or handed to the database: null, integer, floating-point, text or date-time.
// SqlValue and the system-parameter helpers pass these around; query rows are made of them.
#include <cstdint>
#include <string>
#include <variant>

#include "foundation/DateTime.h"

namespace tessaly {

// A date-time, kept apart from a plain double so that the two stay distinguishable.
struct TDbDateTime {
  TDateTime Value = 0;
  friend bool operator==(const TDbDateTime&, const TDbDateTime&) = default;
};

// Booleans travel as the integers 0 and 1; byte objects as text holding the raw bytes.
using TDbVariant = std::variant<std::monostate, std::int64_t, double, std::string, TDbDateTime>;

[[nodiscard]] inline bool VarIsNull(const TDbVariant& v) { return std::holds_alternative<std::monostate>(v); }

// Text form with the process-wide formats: null is empty, integers in decimal, floating-point
// values in the shortest form of at most 15 significant digits ("." separator, "E" exponent),
// date-times "yyyy-MM-dd HH:mm:ss" ("yyyy-MM-dd" alone at midnight).
[[nodiscard]] std::string VarToStr(const TDbVariant& v);

// Conversions for typed reads. Null gives 0, 0.0, false or the zero date-time. They throw
// std::invalid_argument with a readable message when the value has no such reading
// (a text that is no number, no Boolean or no date-time).
[[nodiscard]] std::int64_t VarToInt64(const TDbVariant& v);
[[nodiscard]] double VarToDouble(const TDbVariant& v);
[[nodiscard]] bool VarToBool(const TDbVariant& v);
[[nodiscard]] TDateTime VarToDateTime(const TDbVariant& v);

}  // namespace tessaly
