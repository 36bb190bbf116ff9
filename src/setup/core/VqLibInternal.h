#pragma once
// Inside the setup library: its note writer and the constants several of its files share.
#include <string>

namespace orvane {

// One line to the library log (SetLibraryLog in VqLib.h).
void LibraryNote(const std::string& line);

// Days from the zero date-time (1899-12-30) to 1970-01-01.
inline constexpr double kUnixEpochDays = 25569.0;

}  // namespace orvane
