#pragma once
// SQL literals. Every SQL text of the agent is built by joining pieces; any value that comes from
// outside (settings, the platform, the user) enters the text only through these functions.
#include <string>

#include "foundation/DateTime.h"

namespace tessaly {

// aValue as an SQL string literal: enclosed in single quotes, each single quote inside doubled,
// with the N prefix when aValue holds a character outside ASCII (TvqLib::SqlStr).
[[nodiscard]] std::string SqlQuoted(const std::string& aValue);

// The items of a comma text, each quoted with SqlQuoted, joined by "," without blanks. Items are
// separated by commas and by blanks and control characters; an item in double quotes is taken
// whole ("" inside stands for one "). Items are trimmed and empty ones skipped; with no item left
// the result is the empty literal ''.
[[nodiscard]] std::string SqlQuotedList(const std::string& aValue);

// SqlQuoted of the date-time as "yyyy-MM-dd hh:mm:ss" (24-hour clock).
[[nodiscard]] std::string SqlQuotedDate(TDateTime aValue);

}  // namespace tessaly
