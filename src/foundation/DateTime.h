#pragma once
// Date-times as the programs keep them: days since 1899-12-30 00:00 (the zero date-time), the
// fraction being the time of day, local time. One set of format and parse helpers for all.
#include <cstdint>
#include <string>

#include "platform/SerialDate.h"

namespace tessaly {

using TDateTime = double;

using TDateParts = platform::SerialDateParts;

// Years 1..9999 of the proleptic Gregorian calendar. Dates before the zero date are negative,
// their fraction still counting forward from midnight (1899-12-29 06:00 is -1.25).
// False, and `out` untouched, for a part out of its range or a day the month lacks.
[[nodiscard]] bool TryEncodeDateTime(const TDateParts& p, TDateTime& out);
// As TryEncodeDateTime; impossible parts give the zero date-time 0.
[[nodiscard]] TDateTime EncodeDateTime(const TDateParts& p);
// Rounded to the nearest millisecond, so a value a hair below midnight is the next day.
[[nodiscard]] TDateParts DecodeDateTime(TDateTime dt);
[[nodiscard]] TDateTime EncodeDate(int year, int month, int day);
[[nodiscard]] TDateTime EncodeTime(int hour, int minute, int second, int msec);
// The date and the time of day (never negative), after the rounding of DecodeDateTime.
[[nodiscard]] TDateTime DateOf(TDateTime dt);
[[nodiscard]] TDateTime TimeOf(TDateTime dt);

// Formats with the date-time tokens the programs use, in either case: yyyy yy, mm m (month;
// minutes when the token before was an hour, so "HH:mm" is hours and minutes), dd d, hh h
// (24-hour clock), nn n, ss s, zzz z; anything else is copied.
[[nodiscard]] std::string FormatDateTime(const std::string& fmt, TDateTime dt);

// Parses the programs' fixed forms: "yyyy-MM-dd", "yyyy-MM-dd HH:mm[:ss[.zzz]]", "HH:mm[:ss[.zzz]]"
// (a time alone gives the zero date with that time); blanks around are ignored; '/' is accepted
// as date separator. False for anything else or an impossible date or time.
[[nodiscard]] bool TryStrToDateTime(const std::string& text, TDateTime& out);

// Unix time as the programs count it: the local clock is taken to run at UTC+8.
// Whole milliseconds (rounded) from 1970-01-01 00:00 of the local clock to dt.
[[nodiscard]] std::int64_t LocalEpochMilliseconds(TDateTime dt);
// The Unix seconds of a local date-time, rounded down to the second.
[[nodiscard]] std::int64_t UnixSecondsOfLocal(TDateTime dt);
// The local date-time of Unix seconds.
[[nodiscard]] TDateTime LocalOfUnixSeconds(std::int64_t aSeconds);

// Now, local time, from the process clock (foundation/Clock.h).
[[nodiscard]] TDateTime Now();

}  // namespace tessaly
