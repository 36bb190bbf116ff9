#pragma once
// Texts of the database module: number reads from texts that it takes from the database, the
// SOAP service and upgrade packages, and the enterprise id as its statements write it. Any
// thread.
#include <cstdint>
#include <string>

namespace tessaly {

// The text as a 32-bit signed decimal integer (an optional sign, then digits, nothing else),
// or aDefault when it is no such number or lies outside the range.
[[nodiscard]] std::int32_t StrToIntDef(const std::string& aText, std::int32_t aDefault);

// AppVar->SoftId in decimal, read through its holder.
[[nodiscard]] std::string SoftIdText();

}  // namespace tessaly
