#include "foundation/DateTime.h"

#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "foundation/Clock.h"

namespace tessaly {
namespace {

std::string Pad(int value, int width) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%0*d", width, value);
  return buf;
}

}  // namespace

bool TryEncodeDateTime(const TDateParts& p, TDateTime& out) { return platform::TryEncodeSerialDate(p, out); }

TDateTime EncodeDateTime(const TDateParts& p) {
  TDateTime out = 0;
  return TryEncodeDateTime(p, out) ? out : 0;
}

TDateParts DecodeDateTime(TDateTime dt) { return platform::DecodeSerialDate(dt); }

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
  const TDateParts p = DecodeDateTime(dt);
  return EncodeDate(p.year, p.month, p.day);
}

TDateTime TimeOf(TDateTime dt) {
  const TDateParts p = DecodeDateTime(dt);
  return EncodeTime(p.hour, p.minute, p.second, p.msec);
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
