// The transfer reset dialog's decisions and statement texts.
#include "shell/AppTransResetSql.h"

#include <algorithm>

#include "engine/SqlLiterals.h"

namespace tessaly {

namespace {

constexpr std::string_view kDateShape = "0000-00-00 00:00:00";

bool IsDigit(char aChar) { return aChar >= '0' && aChar <= '9'; }

}  // namespace

bool HasResetValue(const TPullResetValue& aValue) { return aValue.LastChange > 0 || aValue.LastDate > 0; }

TDateFieldState ReadDateField(const std::string& aText, TDateTime& aValue) {
  aValue = 0;
  if (std::none_of(aText.begin(), aText.end(), IsDigit)) return TDateFieldState::Empty;
  if (aText.size() != kDateShape.size()) return TDateFieldState::Invalid;
  for (std::size_t i = 0; i < aText.size(); ++i) {
    const bool digitWanted = kDateShape[i] == '0';
    if (digitWanted ? !IsDigit(aText[i]) : aText[i] != kDateShape[i]) return TDateFieldState::Invalid;
  }
  return TryStrToDateTime(aText, aValue) ? TDateFieldState::Valid : TDateFieldState::Invalid;
}

std::string PullReadSql(const std::string& aColumn, const std::string& aTable, int aSoftId) {
  return "select " + aColumn + " from spf_t_trans_record  where table_name=" + SqlQuoted(aTable) +
         " and softid=" + std::to_string(aSoftId);
}

std::string ResetItemText(const std::vector<std::string>& aCaptions, bool aVipIntegral) {
  std::string text;
  for (const std::string& caption : aCaptions) text += (text.empty() ? "" : ",") + caption;
  if (aVipIntegral) text += (text.empty() ? "" : ",") + std::string(kResetItems[kVipIntegralItem].Caption);
  return text;
}

std::string ResetDeleteSql(int aSoftId, const std::string& aSoftVer, const std::vector<std::string>& aNames,
                           const std::vector<TPullTick>& aTicks) {
  std::string names;
  for (const std::string& name : aNames) names += (names.empty() ? "" : ",") + name;
  std::string sql = "delete from spf_t_trans_record where softid=" + std::to_string(aSoftId) +
                    " and (table_name in (select t.table_name from spf_t_trans_table t where t.soft_ver=" +
                    SqlQuoted(aSoftVer) + " and t.trans_table in (" + SqlQuotedList(names) + ")";
  for (const TPullTick& tick : aTicks)
    if (HasResetValue(tick.Value)) sql += " and t.trans_table<>" + SqlQuoted(tick.Stream->Table);
  sql += ")";
  for (const TPullTick& tick : aTicks)
    if (!HasResetValue(tick.Value)) sql += " or table_name=" + SqlQuoted(tick.Stream->Table) + " ";
  return sql + ")";
}

TPullWrite PullWriteOf(const TPullTick& aTick) {
  TPullWrite write;
  const int change = aTick.Value.LastChange;
  if (aTick.Stream->WritesZeroChange ? change >= 0 : change > 0) write.LastChange = change;
  if (aTick.Value.LastDate > 0) write.LastDate = aTick.Value.LastDate;
  return write;
}

}  // namespace tessaly
