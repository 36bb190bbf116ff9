#include "engine/SqlLiterals.h"

#include "foundation/CommaText.h"
#include "foundation/VqLibText.h"
#include "platform/TextCodec.h"

namespace tessaly {

std::string SqlQuoted(const std::string& aValue) { return TvqLib::SqlStr(aValue); }

std::string SqlQuotedList(const std::string& aValue) {
  std::string out;
  for (const std::string& raw : SplitCommaText(aValue)) {
    const std::string item = platform::TrimBlanks(raw);
    if (item.empty()) continue;
    if (!out.empty()) out += ',';
    out += SqlQuoted(item);
  }
  return out.empty() ? SqlQuoted("") : out;
}

std::string SqlQuotedDate(TDateTime aValue) {
  return SqlQuoted(FormatDateTime("yyyy-MM-dd hh:mm:ss", aValue));
}

}  // namespace tessaly
