#include "platform/SerialDate.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <ctime>

namespace platform {
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

}  // namespace

bool TryEncodeSerialDate(const SerialDateParts& p, double& out) {
  if (!ValidDate(p.year, p.month, p.day) || !ValidTime(p.hour, p.minute, p.second, p.msec)) return false;
  const std::int64_t days = DaysFromCivil(p.year, p.month, p.day) + kUnixToZeroDays;
  const std::int64_t ms = ((p.hour * 60LL + p.minute) * 60 + p.second) * 1000 + p.msec;
  const double t = static_cast<double>(ms) / static_cast<double>(kMsPerDay);
  out = days >= 0 ? static_cast<double>(days) + t : static_cast<double>(days) - t;
  return true;
}

SerialDateParts DecodeSerialDate(double dt) {
  // The day serial (toward zero) and the milliseconds of the day, after rounding the whole value
  // to the millisecond.
  const auto total = static_cast<std::int64_t>(std::llround(dt * static_cast<double>(kMsPerDay)));
  const std::int64_t days = total / kMsPerDay;
  const std::int64_t ms = std::llabs(total) % kMsPerDay;
  SerialDateParts p;
  CivilFromDays(days - kUnixToZeroDays, p.year, p.month, p.day);
  p.msec = static_cast<int>(ms % 1000);
  p.second = static_cast<int>(ms / 1000 % 60);
  p.minute = static_cast<int>(ms / 60000 % 60);
  p.hour = static_cast<int>(ms / 3600000);
  return p;
}

double LocalNowSerial() {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  tm local{};
  localtime_r(&ts.tv_sec, &local);
  SerialDateParts p;
  p.year = local.tm_year + 1900;
  p.month = local.tm_mon + 1;
  p.day = local.tm_mday;
  p.hour = local.tm_hour;
  p.minute = local.tm_min;
  p.second = local.tm_sec > 59 ? 59 : local.tm_sec;
  p.msec = static_cast<int>(ts.tv_nsec / 1'000'000);
  double out = 0;
  return TryEncodeSerialDate(p, out) ? out : 0;
}

}  // namespace platform
