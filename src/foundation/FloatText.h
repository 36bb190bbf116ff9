#pragma once
// The programs' one general form of a floating-point number, for every text they write (JSON,
// INI values, converted field values). Locale-independent and thread-safe.
#include <string>

namespace tessaly {

// Shortest general decimal form of at most 15 significant digits (rounded), '.' as separator
// whatever the locale; an exponent ("1E20", "1.5E-7") only from 1E15 up or below 1E-5; zero is
// "0". Not-a-number gives "NAN" and the infinities "INF" and "-INF"; writers whose format has
// no such value (JSON) decide for themselves before calling.
[[nodiscard]] std::string FormatFloatGeneral(double aValue);
// The same form appended to aOut, for writers that build long texts.
void AppendFloatGeneral(std::string& aOut, double aValue);

}  // namespace tessaly
