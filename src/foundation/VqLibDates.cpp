// TvqLib's date formats and date helpers.
#include <cmath>

#include "foundation/FormatSettings.h"
#include "foundation/VqLibUtil.h"
#include "platform/Registry.h"
#include "platform/WinError.h"

namespace tessaly::TvqLib {
namespace {

constexpr TDateTime kUnixEpoch = 25569.0;  // 1970-01-01 as a date-time
constexpr std::int64_t kSecondsPerDay = 86400;
constexpr std::int64_t kUtc8 = 28800;

// Whole milliseconds since local 1970-01-01 00:00.
std::int64_t LocalEpochMs(TDateTime dt) { return std::llround((dt - kUnixEpoch) * 86400000.0); }

// The date part of aDate followed by aTime, parsed with the process-wide forms.
bool DateWithTime(TDateTime aDate, const std::string& aTime, TDateTime& out) {
  return TryStrToDateTime(FormatDateTime("yyyy-mm-dd", aDate) + " " + aTime, out);
}

}  // namespace

void SetDateFormat() {
  TFormatSettings s;
  s.ShortDateFormat = "yyyy-MM-dd";
  s.LongDateFormat = "yyyy-MM-dd";
  s.ShortTimeFormat = "HH:mm:ss";
  s.LongTimeFormat = "HH:mm:ss";
  s.DateSeparator = '-';
  s.TimeSeparator = ':';
  SetFormatSettings(s);
}

std::string GetFormat(TDateTime aDatetime) { return FormatDateTime("yyyy-mm-dd hh:nn:ss", aDatetime); }

void SetSysDateFormat() {
  platform::RegKey key;
  if (platform::RegKey::Create(platform::RegRoot::CurrentUser, "Control Panel\\International",
                               platform::RegView::Default, key) != platform::kErrorSuccess)
    return;
  (void)key.WriteString("sShortDate", "yyyy-MM-dd");
  (void)key.WriteString("sTimeFormat", "HH:mm:ss");
}

std::int64_t GetTimestampValue(const std::string& aPlatformId) {
  const std::int64_t ms = LocalEpochMs(Now());
  if (aPlatformId == "10") return static_cast<std::int32_t>(static_cast<std::uint32_t>(ms));
  return static_cast<std::int64_t>(std::floor(static_cast<double>(ms) / 1000.0)) - kUtc8;
}

std::string GetTimestamp(const std::string& aPlatformId) { return std::to_string(GetTimestampValue(aPlatformId)); }

TDateTime GetDatetime(std::int64_t aTimestamp) {
  return static_cast<double>(aTimestamp + kUtc8) / static_cast<double>(kSecondsPerDay) + kUnixEpoch;
}

TDateTime GetDatetime(const std::string& aTime) {
  const TDateTime now = Now();
  TDateTime out = 0;
  return DateWithTime(now, aTime, out) ? out : now;
}

TDateTime GetDatetime(TDateTime aDate, TDateTime aTime) {
  TDateTime out = 0;
  return DateWithTime(aDate, FormatDateTime("hh:nn:ss", aTime), out) ? out : aDate;
}

TDateTime GetDatetime(TDateTime aDate, const std::string& aTime) {
  TDateTime out = 0;
  return DateWithTime(aDate, aTime, out) ? out : aDate;
}

}  // namespace tessaly::TvqLib
