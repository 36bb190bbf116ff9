#include "foundation/VqRttiHelperUtil.h"

#include <charconv>
#include <cmath>
#include <stdexcept>

#include "foundation/CommaText.h"
#include "foundation/JsonWriter.h"
#include "foundation/VqLibText.h"
#include "platform/TextCodec.h"

namespace tessaly {

namespace {

// The general form written out without an exponent: "1.5E20" gives "150000000000000000000".
std::string PlainDecimal(const std::string& general) {
  const std::size_t e = general.find('E');
  if (e == std::string::npos) return general;
  const bool negative = general[0] == '-';
  std::string digits;
  for (char c : general.substr(negative ? 1 : 0, e - (negative ? 1 : 0)))
    if (c != '.') digits += c;
  // Position of the decimal point counted from the first digit.
  const int point = std::stoi(general.substr(e + 1)) + 1;
  std::string out = negative ? "-" : "";
  if (point <= 0) return out + "0." + std::string(static_cast<std::size_t>(-point), '0') + digits;
  if (static_cast<std::size_t>(point) >= digits.size())
    return out + digits + std::string(static_cast<std::size_t>(point) - digits.size(), '0');
  return out + digits.substr(0, point) + "." + digits.substr(point);
}

// Four decimal places, rounded half away from zero on the shortest decimal form of the value
// (2.00005 gives 2.0001, as written, although its binary value lies a hair below), then the
// general form without an exponent. "." whatever the locale, so the statement does not depend
// on the process.
std::string DoubleText(double v) {
  if (std::isfinite(v)) {
    // The shortest fixed form of any finite double is under 330 characters (5E-324).
    char buf[400];
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed);
    if (ec != std::errc()) throw std::runtime_error("number has no decimal form");
    std::string s(buf, end);
    const std::size_t dot = s.find('.');
    if (dot != std::string::npos && s.size() - dot - 1 > 4) {
      const bool up = s[dot + 5] >= '5';
      s.erase(dot + 5);
      s.erase(dot, 1);
      for (std::size_t i = s.size(); up && i-- > 0;) {
        if (s[i] == '-') {
          s.insert(i + 1, "1");
          break;
        }
        if (s[i] != '9') {
          ++s[i];
          break;
        }
        s[i] = '0';
        if (i == 0) s.insert(0, "1");
      }
      s.insert(s.size() - 4, ".");
      std::from_chars(s.data(), s.data() + s.size(), v);
    }
  }
  return PlainDecimal(FormatJsonFloat(v));
}

std::string ValueText(const TVqObject& obj, const TVqProperty& p) {
  switch (p.Kind) {
    case TVqPropKind::Integer:
      return std::to_string(std::get<std::int64_t>(p.Get(obj)));
    case TVqPropKind::Double:
      return DoubleText(std::get<double>(p.Get(obj)));
    case TVqPropKind::DateTime:
      return TvqLib::SqlStr(FormatDateTime("yyyy-MM-dd HH:mm:ss", std::get<double>(p.Get(obj))));
    case TVqPropKind::String:
      return TvqLib::SqlStr(std::get<std::string>(p.Get(obj)));
    case TVqPropKind::Boolean:
      return TvqLib::SqlStr(std::get<bool>(p.Get(obj)) ? "True" : "False");
    case TVqPropKind::Record:
    case TVqPropKind::RecordArray:
      break;
  }
  throw std::runtime_error("property " + p.Name + " of type " + p.TypeName + " has no column value");
}

bool IsKey(const std::vector<std::string>& keys, const std::string& name) {
  for (const auto& k : keys)
    if (platform::SameText(k, name)) return true;
  return false;
}

}  // namespace

std::string TVqRttiHelper::GetAdpterSql(const TVqObject& aObj, const std::string& aTableName,
                                        const std::string& aIndexKeys, std::string& aResult) {
  try {
    const std::vector<std::string> keys = SplitCommaText(aIndexKeys);
    std::string columns, values, sets, where;
    for (const auto& p : aObj.Properties()) {
      const std::string value = ValueText(aObj, p);
      if (!columns.empty()) {
        columns += ',';
        values += ',';
      }
      columns += p.Name;
      values += value;
      if (!IsKey(keys, p.Name)) {
        if (!sets.empty()) sets += ',';
        sets += p.Name + "=" + value;
      } else {
        if (!where.empty()) where += " and ";
        where += p.Name + "=" + value;
      }
    }
    if (columns.empty()) return "";
    if (where.empty()) {
      aResult = "no key property named by \"" + aIndexKeys + "\" for " + aTableName +
                ": the update would change every row";
      return "";
    }
    if (sets.empty()) {
      aResult = "every property is a key for " + aTableName + ": nothing left to update";
      return "";
    }
    where = " and " + where;
    return "if exists(select 1 from " + aTableName + " where 1=1 " + where + ") " + "   update " +
           aTableName + " set " + sets + " where 1=1 " + where + " else " + "   insert into " +
           aTableName + "(" + columns + ") values(" + values + ")";
  } catch (const std::exception& e) {
    aResult = e.what();
    return "";
  }
}

bool TVqRttiHelper::GetProperty(const TVqPropertyList& aTypeInfo, std::vector<std::string>& aList) {
  aList.clear();
  for (const auto& p : aTypeInfo) aList.push_back(p.Name + "=" + p.TypeName);
  return false;
}

}  // namespace tessaly
