#include "foundation/DateTime.h"

#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "foundation/Clock.h"

namespace tessaly {
namespace {

constexpr std::int64_t kMsPerDay = 86'400'000;
// Days from 1970-01-01 back to the zero date 1899-12-30.
constexpr std::int64_t kUnixToZeroDays = 25'569;

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

bool ValidDate(int y, int m, int d) {
  return y >= 1 && y <= 9999 && m >= 1 && m <= 12 && d >= 1 && d <= DaysInMonth(y, m);
}

bool ValidTime(int h, int n, int s, int z) {
  return h >= 0 && h < 24 && n >= 0 && n < 60 && s >= 0 && s < 60 && z >= 0 && z < 1000;
}

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's civil-days algorithm).
std::int64_t DaysFromCivil(int y, int m, int d) {
  y -= m <= 2 ? 1 : 0;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yoe = y - era * 400;
  const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(std::int64_t z, int& y, int& m, int& d) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(yoe + era * 400 + (m <= 2 ? 1 : 0));
}

// Splits into the day serial (toward zero) and the milliseconds of the day, rounding the whole
// value to the millisecond first.
void SplitMs(TDateTime dt, std::int64_t& days, std::int64_t& msOfDay) {
  const auto total = static_cast<std::int64_t>(std::llround(dt * static_cast<double>(kMsPerDay)));
  days = total / kMsPerDay;
  msOfDay = std::llabs(total) % kMsPerDay;
}

TDateTime Join(std::int64_t days, std::int64_t msOfDay) {
  const double t = static_cast<double>(msOfDay) / static_cast<double>(kMsPerDay);
  return days >= 0 ? static_cast<double>(days) + t : static_cast<double>(days) - t;
}

std::string Pad(int value, int width) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%0*d", width, value);
  return buf;
}

}  // namespace

bool TryEncodeDateTime(const TDateParts& p, TDateTime& out) {
  if (!ValidDate(p.year, p.month, p.day) || !ValidTime(p.hour, p.minute, p.second, p.msec))
    return false;
  const std::int64_t days = DaysFromCivil(p.year, p.month, p.day) + kUnixToZeroDays;
  const std::int64_t ms = ((p.hour * 60LL + p.minute) * 60 + p.second) * 1000 + p.msec;
  out = Join(days, ms);
  return true;
}

TDateTime EncodeDateTime(const TDateParts& p) {
  TDateTime out = 0;
  return TryEncodeDateTime(p, out) ? out : 0;
}

TDateParts DecodeDateTime(TDateTime dt) {
  std::int64_t days = 0, ms = 0;
  SplitMs(dt, days, ms);
  TDateParts p;
  CivilFromDays(days - kUnixToZeroDays, p.year, p.month, p.day);
  p.msec = static_cast<int>(ms % 1000);
  p.second = static_cast<int>(ms / 1000 % 60);
  p.minute = static_cast<int>(ms / 60000 % 60);
  p.hour = static_cast<int>(ms / 3600000);
  return p;
}

TDateTime EncodeDate(int year, int month, int day) {
  TDateParts p;
  p.year = year;
  p.month = month;
  p.day = day;
  return EncodeDateTime(p);
}

TDateTime EncodeTime(int hour, int minute, int second, int msec) {
  TDateParts p;
  p.hour = hour;
  p.minute = minute;
  p.second = second;
  p.msec = msec;
  return EncodeDateTime(p);
}

TDateTime DateOf(TDateTime dt) {
  std::int64_t days = 0, ms = 0;
  SplitMs(dt, days, ms);
  return static_cast<double>(days);
}

TDateTime TimeOf(TDateTime dt) {
  std::int64_t days = 0, ms = 0;
  SplitMs(dt, days, ms);
  return Join(0, ms);
}

std::string FormatDateTime(const std::string& fmt, TDateTime dt) {
  const TDateParts p = DecodeDateTime(dt);
  std::string out;
  bool afterHour = false;  // an m-run right after an hour token means minutes
  std::size_t i = 0;
  while (i < fmt.size()) {
    const char c = fmt[i];
    const char lc = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    std::size_t n = 1;
    while (i + n < fmt.size() &&
           std::tolower(static_cast<unsigned char>(fmt[i + n])) == static_cast<unsigned char>(lc))
      ++n;
    const int w = n >= 2 ? 2 : 1;
    switch (lc) {
      case 'y': out += n >= 3 ? Pad(p.year, 4) : Pad(p.year % 100, 2); afterHour = false; break;
      case 'm': out += Pad(afterHour ? p.minute : p.month, w); afterHour = false; break;
      case 'd': out += Pad(p.day, w); afterHour = false; break;
      case 'h': out += Pad(p.hour, w); afterHour = true; break;
      case 'n': out += Pad(p.minute, w); afterHour = false; break;
      case 's': out += Pad(p.second, w); afterHour = false; break;
      case 'z': out += Pad(p.msec, n >= 2 ? 3 : 1); afterHour = false; break;
      default: out.append(n, c); break;
    }
    i += n;
  }
  return out;
}

namespace {

// A strict reader over the text; each Read* consumes on success only.
struct Scanner {
  const std::string& s;
  std::size_t pos;
  bool Digits(std::size_t minLen, std::size_t maxLen, int& value, std::size_t* len = nullptr) {
    std::size_t n = 0;
    int v = 0;
    while (n < maxLen && pos + n < s.size() && std::isdigit(static_cast<unsigned char>(s[pos + n]))) {
      v = v * 10 + (s[pos + n] - '0');
      ++n;
    }
    if (n < minLen) return false;
    pos += n;
    value = v;
    if (len) *len = n;
    return true;
  }
  bool Char(char a, char b = '\0') {
    if (pos < s.size() && (s[pos] == a || (b != '\0' && s[pos] == b))) {
      ++pos;
      return true;
    }
    return false;
  }
  [[nodiscard]] bool AtEnd() const { return pos == s.size(); }
};

// HH:mm[:ss[.fraction]]; the fraction (up to 9 digits) is cut to milliseconds.
bool ReadTime(Scanner& sc, TDateParts& p) {
  if (!sc.Digits(1, 2, p.hour) || !sc.Char(':') || !sc.Digits(1, 2, p.minute)) return false;
  if (!sc.Char(':')) return true;
  if (!sc.Digits(1, 2, p.second)) return false;
  if (!sc.Char('.')) return true;
  int frac = 0;
  std::size_t len = 0;
  if (!sc.Digits(1, 9, frac, &len)) return false;
  for (; len < 3; ++len) frac *= 10;
  for (; len > 3; --len) frac /= 10;
  p.msec = frac;
  return true;
}

}  // namespace

bool TryStrToDateTime(const std::string& text, TDateTime& out) {
  std::size_t b = 0, e = text.size();
  while (b < e && (text[b] == ' ' || text[b] == '\t')) ++b;
  while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t')) --e;
  const std::string s = text.substr(b, e - b);
  TDateParts p;
  Scanner sc{s, 0};
  Scanner probe{s, 0};
  int dummy = 0;
  const bool timeOnly = probe.Digits(1, 2, dummy) && probe.Char(':');
  if (timeOnly) {
    if (!ReadTime(sc, p) || !sc.AtEnd()) return false;
  } else {
    if (!sc.Digits(4, 4, p.year) || !sc.Char('-', '/') || !sc.Digits(1, 2, p.month) ||
        !sc.Char('-', '/') || !sc.Digits(1, 2, p.day))
      return false;
    if (!sc.AtEnd()) {
      if (!sc.Char(' ')) return false;
      while (sc.Char(' ')) {
      }
      if (!ReadTime(sc, p) || !sc.AtEnd()) return false;
    }
  }
  return TryEncodeDateTime(p, out);
}

namespace {

constexpr TDateTime kUnixEpoch = 25569.0;  // 1970-01-01 00:00
constexpr std::int64_t kUtc8Seconds = 28800;

}  // namespace

std::int64_t LocalEpochMilliseconds(TDateTime dt) { return std::llround((dt - kUnixEpoch) * 86400000.0); }

std::int64_t UnixSecondsOfLocal(TDateTime dt) {
  const std::int64_t ms = LocalEpochMilliseconds(dt);
  const std::int64_t seconds = ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000);
  return seconds - kUtc8Seconds;
}

TDateTime LocalOfUnixSeconds(std::int64_t aSeconds) {
  return static_cast<double>(aSeconds + kUtc8Seconds) / 86400.0 + kUnixEpoch;
}

TDateTime Now() { return GetClock().Now(); }

}  // namespace tessaly
