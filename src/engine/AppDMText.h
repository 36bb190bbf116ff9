#pragma once
// Number reads from texts that the database module takes from the database, the SOAP service
// and upgrade packages. Pure functions; any thread.
#include <cstdint>
#include <string>

namespace tessaly {

// The text as a 32-bit signed decimal integer (an optional sign, then digits, nothing else),
// or aDefault when it is no such number or lies outside the range.
[[nodiscard]] std::int32_t StrToIntDef(const std::string& aText, std::int32_t aDefault);

}  // namespace tessaly
