#include "setup/core/SetupDateTime.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

#include "platform/TextCodec.h"

namespace orvane {
namespace {

constexpr std::int64_t kMsPerDay = 86'400'000;

// Days from 1970-01-01 to the civil date (proleptic Gregorian).
std::int64_t DaysFromCivil(std::int64_t y, int m, int d) {
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

constexpr std::int64_t kZeroDateDays = -25569;  // 1899-12-30 counted from 1970-01-01

int DaysInMonth(int y, int m) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  return m == 2 && leap ? 29 : kDays[m - 1];
}

// Splits `text` at `sep` into 2 or 3 numbers of at most `width[i]` digits each.
bool SplitNumbers(std::string_view text, char sep, const int* width, int minParts, int maxParts,
                  int* out, int& count) {
  count = 0;
  std::size_t i = 0;
  while (true) {
    if (count == maxParts) return false;
    int value = 0;
    int digits = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
      value = value * 10 + (text[i] - '0');
      ++digits;
      ++i;
    }
    if (digits == 0 || digits > width[count]) return false;
    out[count++] = value;
    if (i == text.size()) return count >= minParts;
    if (text[i] != sep) return false;
    ++i;
  }
}

std::optional<TDateParts> ParseDatePart(std::string_view text) {
  static constexpr int kWidth[] = {4, 2, 2};
  int n[3];
  int count = 0;
  if (!SplitNumbers(text, '-', kWidth, 3, 3, n, count)) return std::nullopt;
  TDateParts p;
  p.year = n[0];
  p.month = n[1];
  p.day = n[2];
  return p;
}

bool ParseTimePart(std::string_view text, TDateParts& p) {
  static constexpr int kWidth[] = {2, 2, 2};
  int n[3] = {0, 0, 0};
  int count = 0;
  if (!SplitNumbers(text, ':', kWidth, 2, 3, n, count)) return false;
  p.hour = n[0];
  p.minute = n[1];
  p.second = n[2];
  return true;
}

std::string Format(const char* pattern, int a, int b, int c) {
  char buf[32];
  std::snprintf(buf, sizeof buf, pattern, a, b, c);
  return buf;
}

}  // namespace

std::optional<TDateTime> EncodeDateTime(const TDateParts& p) {
  if (p.year < 1 || p.year > 9999 || p.month < 1 || p.month > 12 || p.day < 1 ||
      p.day > DaysInMonth(p.year, p.month) || p.hour < 0 || p.hour > 23 || p.minute < 0 ||
      p.minute > 59 || p.second < 0 || p.second > 59 || p.msec < 0 || p.msec > 999)
    return std::nullopt;
  const std::int64_t days = DaysFromCivil(p.year, p.month, p.day) - kZeroDateDays;
  const std::int64_t ms = ((p.hour * 60 + p.minute) * 60 + p.second) * 1000 + p.msec;
  // Before the zero date the fraction still counts forward within the day, as in the
  // date-time type's own convention.
  const double frac = static_cast<double>(ms) / static_cast<double>(kMsPerDay);
  return days >= 0 ? static_cast<double>(days) + frac : static_cast<double>(days) - frac;
}

TDateParts DecodeDateTime(TDateTime dt) {
  const double whole = std::trunc(dt);
  std::int64_t days = static_cast<std::int64_t>(whole);
  std::int64_t ms = std::llround(std::fabs(dt - whole) * static_cast<double>(kMsPerDay));
  if (ms >= kMsPerDay) {
    ms -= kMsPerDay;
    days += dt >= 0 ? 1 : -1;
  }
  TDateParts p;
  CivilFromDays(days + kZeroDateDays, p.year, p.month, p.day);
  p.msec = static_cast<int>(ms % 1000);
  p.second = static_cast<int>(ms / 1000 % 60);
  p.minute = static_cast<int>(ms / 60'000 % 60);
  p.hour = static_cast<int>(ms / 3'600'000);
  return p;
}

std::string DateText(TDateTime dt) {
  const TDateParts p = DecodeDateTime(dt);
  return Format("%04d-%02d-%02d", p.year, p.month, p.day);
}

std::string TimeText(TDateTime dt) {
  const TDateParts p = DecodeDateTime(dt);
  return Format("%02d:%02d:%02d", p.hour, p.minute, p.second);
}

std::string DateTimeText(TDateTime dt) { return DateText(dt) + " " + TimeText(dt); }

std::optional<TDateTime> ParseDate(std::string_view text) {
  const auto p = ParseDatePart(platform::TrimBlanks(text));
  return p ? EncodeDateTime(*p) : std::nullopt;
}

std::optional<TDateTime> ParseTime(std::string_view text) {
  TDateParts p;
  if (!ParseTimePart(platform::TrimBlanks(text), p)) return std::nullopt;
  return EncodeDateTime(p);
}

std::optional<TDateTime> ParseDateTime(std::string_view text) {
  const std::string t = platform::TrimBlanks(text);
  const std::size_t blank = t.find(' ');
  auto p = ParseDatePart(std::string_view(t).substr(0, blank));
  if (!p) return std::nullopt;
  if (blank != std::string::npos && !ParseTimePart(platform::TrimBlanks(t.substr(blank + 1)), *p))
    return std::nullopt;
  return EncodeDateTime(*p);
}

}  // namespace orvane
