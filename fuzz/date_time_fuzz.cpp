// Date-time texts from replies and settings, the time-of-day readers, and the formatter over
// any format. Oracle: a date-time that parses, written in full form, parses back to itself and
// writes the same text again.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "FuzzInput.h"
#include "foundation/DateTime.h"
#include "foundation/VqLibUtil.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* aData, std::size_t aSize) {
  using namespace tessaly;
  vqfuzz::TFuzzInput in(aData, aSize);
  const std::string format = in.Text();
  const std::string text = in.Rest();

  TDateTime parsed = 0;
  if (TryStrToDateTime(text, parsed)) {
    FUZZ_CHECK(std::isfinite(parsed), text);
    const std::string full = FormatDateTime("yyyy-mm-dd hh:nn:ss.zzz", parsed);
    TDateTime again = 0;
    FUZZ_CHECK(TryStrToDateTime(full, again), text + " -> " + full);
    FUZZ_CHECK(FormatDateTime("yyyy-mm-dd hh:nn:ss.zzz", again) == full, text + " -> " + full);
    (void)FormatDateTime(format, parsed);
    (void)TvqLib::GetDatetime(parsed, text);
  }
  (void)TvqLib::GetDatetime(EncodeDate(2020, 1, 1), text);
  (void)FormatDateTime(format, 43831.5);
  return 0;
}
