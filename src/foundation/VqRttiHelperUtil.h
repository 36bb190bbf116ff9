#pragma once
// Upsert statements (update when the row exists, else insert) for SQL Server, built from a
// record's property table (VqObjectUtil.h): one column per property, in declared order.
// No shared state; any thread. Never throws.
#include <string>
#include <vector>

#include "foundation/VqObjectUtil.h"

namespace tessaly {

class TVqRttiHelper {
 public:
  TVqRttiHelper() = delete;

  // aIndexKeys: a comma text of key property names, compared without case; names that are no
  // property are ignored. Values: Integer as decimal, Double rounded to 4 places in the general
  // form with "." and without an exponent, TDateTime as 'yyyy-MM-dd HH:mm:ss', anything else as a quoted text.
  // Empty result, aResult untouched, for an object without properties. Empty result with the
  // reason in aResult when a value cannot be written, when no property is a key (the update
  // would touch every row) or when every property is a key (nothing left to update).
  [[nodiscard]] static std::string GetAdpterSql(const TVqObject& aObj, const std::string& aTableName,
                                                const std::string& aIndexKeys, std::string& aResult);

  // Clears aList and adds "name=type name" per property. Always false.
  static bool GetProperty(const TVqPropertyList& aTypeInfo, std::vector<std::string>& aList);
};

}  // namespace tessaly
