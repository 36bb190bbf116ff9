#pragma once
// The page writer as it was before pages were written straight into their text: every row is
// first built as a tree of values, then the tree is written, strings going through UTF-16.
// Kept only as the reference the direct writer is compared against, byte for byte (tests and
// the upload benchmark); nothing in the programs uses it.
#include <string>
#include <string_view>

#include "foundation/JSONHelperUtil.h"

namespace vqtest {

// The same contracts as TJSONHelper::Dataset2JSONArry (text form) and Dataset2JSON.
[[nodiscard]] bool TreeDataset2JSONArry(const std::string& aTable, tessaly::IVqDataset& aDataset, int aDataStart,
                                        int aDataLen, std::string& aJSON,
                                        const tessaly::TOnDatasetFiledToJSON& aHook = {});
[[nodiscard]] bool TreeDataset2JSON(const std::string& aTable, tessaly::IVqDataset& aDataset, int aDataStart,
                                    int aDataLen, std::string& aJSON, const tessaly::TOnDatasetFiledToJSON& aHook = {});
// A JSON string literal and a JSON number, as that writer formed them.
[[nodiscard]] std::string TreeJsonQuote(std::string_view aText);
[[nodiscard]] std::string TreeJsonFloat(double aValue);

}  // namespace vqtest
