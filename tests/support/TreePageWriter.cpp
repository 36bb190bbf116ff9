#include "support/TreePageWriter.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <stdexcept>
#include <variant>
#include <vector>

#include "foundation/Base64Util.h"
#include "foundation/DateTime.h"
#include "platform/TextCodec.h"

namespace vqtest {
namespace {

using tessaly::IVqDataset;
using tessaly::TVqFieldKind;
using tessaly::TVqVariant;

enum class ValueClass { Integer, Float, Boolean, Date, Blob, Text };

ValueClass ClassOf(TVqFieldKind kind) {
  switch (kind) {
    case TVqFieldKind::Int8:
    case TVqFieldKind::Int16:
    case TVqFieldKind::Int32:
    case TVqFieldKind::UInt8:
    case TVqFieldKind::UInt16:
    case TVqFieldKind::UInt32:
    case TVqFieldKind::AutoInc:
    case TVqFieldKind::Int64: return ValueClass::Integer;
    case TVqFieldKind::Float:
    case TVqFieldKind::Currency:
    case TVqFieldKind::Bcd: return ValueClass::Float;
    case TVqFieldKind::Boolean: return ValueClass::Boolean;
    case TVqFieldKind::Date:
    case TVqFieldKind::Time:
    case TVqFieldKind::DateTime: return ValueClass::Date;
    case TVqFieldKind::Blob: return ValueClass::Blob;
    default: return ValueClass::Text;
  }
}

void IntegerRange(TVqFieldKind kind, std::int64_t& lo, std::int64_t& hi) {
  if (kind == TVqFieldKind::Int64) {
    lo = std::numeric_limits<std::int64_t>::min();
    hi = std::numeric_limits<std::int64_t>::max();
  } else if (kind == TVqFieldKind::UInt32) {
    lo = 0;
    hi = std::numeric_limits<std::uint32_t>::max();
  } else {
    lo = std::numeric_limits<std::int32_t>::min();
    hi = std::numeric_limits<std::int32_t>::max();
  }
}

template <class T>
bool Parse(const std::string& text, T& out) {
  const std::string t = platform::TrimBlanks(text);
  auto [p, ec] = std::from_chars(t.data(), t.data() + t.size(), out);
  return !t.empty() && ec == std::errc() && p == t.data() + t.size();
}

std::int64_t ToInteger(const TVqVariant& v, TVqFieldKind kind) {
  std::int64_t lo = 0, hi = 0;
  IntegerRange(kind, lo, hi);
  std::int64_t out = 0;
  if (const auto* i = std::get_if<std::int64_t>(&v)) {
    out = *i;
  } else if (const auto* d = std::get_if<double>(&v)) {
    const double r = std::nearbyint(*d);
    if (!(r >= -9.2e18 && r <= 9.2e18)) throw std::runtime_error("number out of integer range");
    out = static_cast<std::int64_t>(r);
  } else if (const auto* b = std::get_if<bool>(&v)) {
    out = *b ? 1 : 0;
  } else if (!Parse(std::get<std::string>(v), out)) {
    throw std::runtime_error("'" + std::get<std::string>(v) + "' is not an integer value");
  }
  if (out < lo || out > hi) throw std::runtime_error(std::to_string(out) + " is out of the field's integer range");
  return out;
}

double ToFloat(const TVqVariant& v) {
  if (const auto* i = std::get_if<std::int64_t>(&v)) return static_cast<double>(*i);
  if (const auto* d = std::get_if<double>(&v)) return *d;
  if (const auto* b = std::get_if<bool>(&v)) return *b ? 1 : 0;
  double out = 0;
  if (!Parse(std::get<std::string>(v), out))
    throw std::runtime_error("'" + std::get<std::string>(v) + "' is not a floating-point value");
  return out;
}

bool ToBoolean(const TVqVariant& v) {
  if (const auto* b = std::get_if<bool>(&v)) return *b;
  if (const auto* i = std::get_if<std::int64_t>(&v)) return *i != 0;
  if (const auto* d = std::get_if<double>(&v)) return *d != 0;
  const std::string& s = std::get<std::string>(v);
  if (platform::SameText(platform::TrimBlanks(s), "true")) return true;
  if (platform::SameText(platform::TrimBlanks(s), "false")) return false;
  double d = 0;
  if (!Parse(s, d)) throw std::runtime_error("'" + s + "' is not a Boolean value");
  return d != 0;
}

// The tree: one value a member, one member list a row.
using Value = std::variant<std::int64_t, double, bool, std::string>;
using Row = std::vector<std::pair<std::string, Value>>;

std::string ToText(const TVqVariant& v) {
  if (const auto* s = std::get_if<std::string>(&v)) return *s;
  if (const auto* i = std::get_if<std::int64_t>(&v)) return std::to_string(*i);
  if (const auto* d = std::get_if<double>(&v)) return TreeJsonFloat(*d);
  return std::get<bool>(v) ? "True" : "False";
}

Value FieldValue(IVqDataset& ds, const std::string& table, int field, const tessaly::TOnDatasetFiledToJSON& hook) {
  const TVqFieldKind kind = ds.FieldKind(field);
  const bool isNull = ds.IsNull(field);
  TVqVariant value;
  switch (ClassOf(kind)) {
    case ValueClass::Integer: value = isNull ? std::int64_t{0} : ds.AsInt64(field); break;
    case ValueClass::Float: value = isNull ? 0.0 : ds.AsDouble(field); break;
    case ValueClass::Boolean: value = isNull ? false : ds.AsBoolean(field); break;
    case ValueClass::Date:
      value = isNull ? std::string() : tessaly::FormatDateTime("yyyy-MM-dd hh:mm:ss", ds.AsDateTime(field));
      break;
    case ValueClass::Blob: value = isNull ? std::string() : tessaly::EncodeBase64Bytes(ds.AsString(field)); break;
    case ValueClass::Text: value = isNull ? std::string() : ds.AsString(field); break;
  }
  if (hook) hook(ds, table, ds.FieldName(field), value);
  switch (ClassOf(kind)) {
    case ValueClass::Integer: return ToInteger(value, kind);
    case ValueClass::Float: return ToFloat(value);
    case ValueClass::Boolean: return ToBoolean(value);
    default: return ToText(value);
  }
}

bool BuildRows(const std::string& table, IVqDataset& ds, int start, int len, std::vector<Row>& rows,
               std::string& erro, const tessaly::TOnDatasetFiledToJSON& hook) {
  try {
    const bool all = start < 0 || len < 1;
    const std::int64_t end = static_cast<std::int64_t>(start) + len;
    std::int64_t row = 0;
    if (all) {
      ds.First();
    } else {
      ds.MoveToRow(start);
      row = start;
    }
    while (!ds.Eof() && (all || row < end)) {
      Row item;
      for (int f = 0; f < ds.FieldCount(); ++f) item.emplace_back(ds.FieldName(f), FieldValue(ds, table, f, hook));
      rows.push_back(std::move(item));
      ds.Next();
      ++row;
    }
    return true;
  } catch (const std::exception& e) {
    erro = std::string("数据集转换JSON组出错,") + e.what();
    return false;
  }
}

std::string WriteRows(const std::vector<Row>& rows) {
  std::string out = "[";
  for (std::size_t r = 0; r < rows.size(); ++r) {
    if (r > 0) out += ',';
    out += '{';
    for (std::size_t m = 0; m < rows[r].size(); ++m) {
      if (m > 0) out += ',';
      out += TreeJsonQuote(rows[r][m].first) + ':';
      const Value& v = rows[r][m].second;
      if (const auto* i = std::get_if<std::int64_t>(&v)) out += std::to_string(*i);
      if (const auto* d = std::get_if<double>(&v)) out += std::isfinite(*d) ? TreeJsonFloat(*d) : "null";
      if (const auto* b = std::get_if<bool>(&v)) out += *b ? "true" : "false";
      if (const auto* s = std::get_if<std::string>(&v)) out += TreeJsonQuote(*s);
    }
    out += '}';
  }
  return out + "]";
}

}  // namespace

bool TreeDataset2JSONArry(const std::string& aTable, IVqDataset& aDataset, int aDataStart, int aDataLen,
                          std::string& aJSON, const tessaly::TOnDatasetFiledToJSON& aHook) {
  std::vector<Row> rows;
  if (!BuildRows(aTable, aDataset, aDataStart, aDataLen, rows, aJSON, aHook)) return false;
  aJSON = WriteRows(rows);
  return true;
}

bool TreeDataset2JSON(const std::string& aTable, IVqDataset& aDataset, int aDataStart, int aDataLen,
                      std::string& aJSON, const tessaly::TOnDatasetFiledToJSON& aHook) {
  std::vector<Row> rows;
  if (!BuildRows(aTable, aDataset, aDataStart, aDataLen, rows, aJSON, aHook)) return false;
  aJSON = "{" + TreeJsonQuote(aTable) + ":" + WriteRows(rows) + "}";
  return true;
}

std::string TreeJsonQuote(std::string_view aText) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out = "\"";
  for (char16_t u : platform::Utf8ToUtf16(aText)) {
    switch (u) {
      case u'"': out += "\\\""; break;
      case u'\\': out += "\\\\"; break;
      case u'/': out += "\\/"; break;
      case u'\b': out += "\\b"; break;
      case u'\t': out += "\\t"; break;
      case u'\n': out += "\\n"; break;
      case u'\f': out += "\\f"; break;
      case u'\r': out += "\\r"; break;
      default:
        if (u < 32 || u > 127) {
          out += "\\u";
          for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(u >> shift) & 0xF];
        } else {
          out += static_cast<char>(u);
        }
    }
  }
  return out + "\"";
}

std::string TreeJsonFloat(double aValue) {
  if (std::isnan(aValue)) return "NAN";
  if (std::isinf(aValue)) return aValue > 0 ? "INF" : "-INF";
  if (aValue == 0) return "0";
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, aValue, std::chars_format::scientific, 14);
  std::string_view sci(buf, static_cast<std::size_t>(res.ptr - buf));
  const bool negative = sci.front() == '-';
  if (negative) sci.remove_prefix(1);
  const std::size_t ePos = sci.find('e');
  std::string digits;
  for (char c : sci.substr(0, ePos))
    if (c != '.') digits += c;
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  const int exp = std::atoi(std::string(sci.substr(ePos + 1)).c_str());
  std::string out = negative ? "-" : "";
  if (exp >= 15 || exp < -5) {
    out += digits[0];
    if (digits.size() > 1) out += "." + digits.substr(1);
    out += "E" + std::to_string(exp);
  } else if (exp < 0) {
    out += "0." + std::string(static_cast<std::size_t>(-exp - 1), '0') + digits;
  } else {
    const auto intLen = static_cast<std::size_t>(exp) + 1;
    if (digits.size() <= intLen)
      out += digits + std::string(intLen - digits.size(), '0');
    else
      out += digits.substr(0, intLen) + "." + digits.substr(intLen);
  }
  return out;
}

}  // namespace vqtest
