#pragma once
// One fetched result set, as a back end hands it to a query object: the fields in column order
// and every row.
#include <string>
#include <vector>

#include "engine/DbVariant.h"
#include "foundation/VqDataset.h"

namespace tessaly {

struct TDbField {
  std::string Name;
  TVqFieldKind Kind = TVqFieldKind::String;
};

// Each row holds one value per field. Date, time and date-time values are TDbDateTime, Booleans
// the integers 0 and 1, byte objects text holding the raw bytes.
struct TDbResult {
  std::vector<TDbField> Fields;
  std::vector<std::vector<TDbVariant>> Rows;
};

}  // namespace tessaly
