#pragma once
// Date-times as the Windows programs kept them: a double of days since 1899-12-30 00:00 local
// time, the fraction being the time of day. Only the calendar arithmetic lives here; each
// program keeps its own text forms. Pure functions, thread-safe.

namespace platform {

struct SerialDateParts {
  int year = 1899, month = 12, day = 30;
  int hour = 0, minute = 0, second = 0, msec = 0;
};

// Years 1..9999 of the proleptic Gregorian calendar. Dates before the zero date are negative,
// their fraction still counting forward from midnight (1899-12-29 06:00 is -1.25).
// False, and `out` untouched, for a part out of its range or a day the month lacks.
[[nodiscard]] bool TryEncodeSerialDate(const SerialDateParts& p, double& out);
// Rounded to the nearest millisecond, so a value a hair below midnight is the next day.
[[nodiscard]] SerialDateParts DecodeSerialDate(double dt);
// The local wall clock now, to the millisecond (a leap second shows as :59).
[[nodiscard]] double LocalNowSerial();

}  // namespace platform
