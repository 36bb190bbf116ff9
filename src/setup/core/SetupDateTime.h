#pragma once
// Date-times of the setup program (TDateTime, SetupClock.h) and their one text form: dates as
// "yyyy-mm-dd", times as "hh:nn:ss" on the 24-hour clock, joined by a blank.
#include <optional>
#include <string>
#include <string_view>

#include "platform/SerialDate.h"
#include "setup/core/SetupClock.h"

namespace orvane {

using TDateParts = platform::SerialDateParts;

// Empty when a part is out of range (month 1-12, a day of that month, hour 0-23, ...).
[[nodiscard]] std::optional<TDateTime> EncodeDateTime(const TDateParts& p);
// Rounded to the millisecond.
[[nodiscard]] TDateParts DecodeDateTime(TDateTime dt);

[[nodiscard]] std::string DateText(TDateTime dt);      // "2020-07-17"
[[nodiscard]] std::string TimeText(TDateTime dt);      // "09:05:03"
[[nodiscard]] std::string DateTimeText(TDateTime dt);  // "2020-07-17 09:05:03"

// Parses "y-m-d", "h:n[:s]" and "y-m-d h:n[:s]" (digits of any count up to the field's width,
// blanks around the text ignored); empty for anything else or an invalid date or time.
[[nodiscard]] std::optional<TDateTime> ParseDate(std::string_view text);
[[nodiscard]] std::optional<TDateTime> ParseTime(std::string_view text);
[[nodiscard]] std::optional<TDateTime> ParseDateTime(std::string_view text);

}  // namespace orvane
