#pragma once
// Inside the library: one line to the library log (SetLibraryLog in VqLib.h).
#include <string>

namespace orvane {

void LibraryNote(const std::string& line);

}  // namespace orvane
