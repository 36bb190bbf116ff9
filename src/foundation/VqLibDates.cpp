// TvqLib's date formats and date helpers.
#include "foundation/VqLibUtil.h"
#include "platform/Registry.h"
#include "platform/WinError.h"

namespace tessaly::TvqLib {
namespace {

// The date part of aDate followed by aTime, parsed with the programs' fixed forms.
bool DateWithTime(TDateTime aDate, const std::string& aTime, TDateTime& out) {
  return TryStrToDateTime(FormatDateTime("yyyy-mm-dd", aDate) + " " + aTime, out);
}

}  // namespace

void SetDateFormat() {}

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
  const TDateTime now = Now();
  if (aPlatformId == "10") return static_cast<std::int32_t>(static_cast<std::uint32_t>(LocalEpochMilliseconds(now)));
  return UnixSecondsOfLocal(now);
}

std::string GetTimestamp(const std::string& aPlatformId) { return std::to_string(GetTimestampValue(aPlatformId)); }

TDateTime GetDatetime(std::int64_t aTimestamp) { return LocalOfUnixSeconds(aTimestamp); }

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
