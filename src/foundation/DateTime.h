#pragma once
// Date-times as the programs keep them: days since 1899-12-30 00:00 (the zero date-time), the
// fraction being the time of day, local time.
namespace tessaly {

using TDateTime = double;

}  // namespace tessaly
