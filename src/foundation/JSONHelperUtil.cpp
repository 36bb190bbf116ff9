// The row walk over a dataset: the rows of a window written straight into their JSON text, or
// appended to an array of the tree form.
#include "foundation/JSONHelperUtil.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "foundation/Base64Util.h"
#include "platform/TextCodec.h"

namespace tessaly {

namespace {

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
    case TVqFieldKind::Int64:
      return ValueClass::Integer;
    case TVqFieldKind::Float:
    case TVqFieldKind::Currency:
    case TVqFieldKind::Bcd:
      return ValueClass::Float;
    case TVqFieldKind::Boolean:
      return ValueClass::Boolean;
    case TVqFieldKind::Date:
    case TVqFieldKind::Time:
    case TVqFieldKind::DateTime:
      return ValueClass::Date;
    case TVqFieldKind::Blob:
      return ValueClass::Blob;
    default:
      return ValueClass::Text;
  }
}

// The range an integer kind's value must stay in. 64-bit and unsigned 32-bit fields keep their
// exact value rather than being cut to 32 bits.
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

bool ParseInt(const std::string& text, std::int64_t& out) {
  const std::string t = platform::TrimBlanks(text);
  auto [p, ec] = std::from_chars(t.data(), t.data() + t.size(), out);
  return !t.empty() && ec == std::errc() && p == t.data() + t.size();
}

bool ParseFloat(const std::string& text, double& out) {
  const std::string t = platform::TrimBlanks(text);
  auto [p, ec] = std::from_chars(t.data(), t.data() + t.size(), out);
  return !t.empty() && ec == std::errc() && p == t.data() + t.size();
}

std::int64_t ToInteger(std::int64_t v, TVqFieldKind kind) {
  std::int64_t lo = 0, hi = 0;
  IntegerRange(kind, lo, hi);
  if (v < lo || v > hi) throw std::runtime_error(std::to_string(v) + " is out of the field's integer range");
  return v;
}

std::int64_t ToInteger(const TVqVariant& v, TVqFieldKind kind) {
  std::int64_t out = 0;
  if (const auto* i = std::get_if<std::int64_t>(&v)) {
    out = *i;
  } else if (const auto* d = std::get_if<double>(&v)) {
    const double r = std::nearbyint(*d);
    if (!(r >= -9.2e18 && r <= 9.2e18)) throw std::runtime_error("number out of integer range");
    out = static_cast<std::int64_t>(r);
  } else if (const auto* b = std::get_if<bool>(&v)) {
    out = *b ? 1 : 0;
  } else if (!ParseInt(std::get<std::string>(v), out)) {
    throw std::runtime_error("'" + std::get<std::string>(v) + "' is not an integer value");
  }
  return ToInteger(out, kind);
}

double ToFloat(const TVqVariant& v) {
  if (const auto* i = std::get_if<std::int64_t>(&v)) return static_cast<double>(*i);
  if (const auto* d = std::get_if<double>(&v)) return *d;
  if (const auto* b = std::get_if<bool>(&v)) return *b ? 1 : 0;
  double out = 0;
  if (!ParseFloat(std::get<std::string>(v), out))
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
  if (!ParseFloat(s, d)) throw std::runtime_error("'" + s + "' is not a Boolean value");
  return d != 0;
}

std::string ToText(const TVqVariant& v) {
  if (const auto* s = std::get_if<std::string>(&v)) return *s;
  if (const auto* i = std::get_if<std::int64_t>(&v)) return std::to_string(*i);
  if (const auto* d = std::get_if<double>(&v)) return FormatJsonFloat(*d);
  return std::get<bool>(v) ? "True" : "False";
}

// What the walk needs of one field, worked out once per call.
struct TFieldPlan {
  std::string Name;
  std::string Member;  // the quoted name and ':'
  TVqFieldKind Kind = TVqFieldKind::Other;
  ValueClass Class = ValueClass::Text;
};

std::vector<TFieldPlan> PlanFields(const IVqDataset& ds) {
  std::vector<TFieldPlan> plans(static_cast<std::size_t>(ds.FieldCount()));
  for (int f = 0; f < ds.FieldCount(); ++f) {
    TFieldPlan& plan = plans[static_cast<std::size_t>(f)];
    plan.Name = ds.FieldName(f);
    AppendJsonQuoted(plan.Member, plan.Name);
    plan.Member += ':';
    plan.Kind = ds.FieldKind(f);
    plan.Class = ClassOf(plan.Kind);
  }
  return plans;
}

// Writes converted values as JSON text.
struct TTextSink {
  std::string& out;
  void Int(std::int64_t v) const {
    char text[24];
    out.append(text, std::to_chars(text, text + sizeof text, v).ptr);
  }
  void Float(double v) const { AppendJsonFloat(out, v); }
  void Bool(bool v) const { out += v ? "true" : "false"; }
  void Text(std::string_view v) const { AppendJsonQuoted(out, v); }
};

// Keeps converted values as one member value of the tree form.
struct TTreeSink {
  TJsonValue value;
  void Int(std::int64_t v) { value = v; }
  void Float(double v) { value = v; }
  void Bool(bool v) { value = v; }
  void Text(std::string_view v) { value = std::string(v); }
};

// The variant holding an empty string, keeping the string's room when it held one already.
std::string& EmptyText(TVqVariant& v) {
  if (auto* text = std::get_if<std::string>(&v)) {
    text->clear();
    return *text;
  }
  return v.emplace<std::string>();
}

// The value of one field by its kind, null rule first, then the hook, handed to the sink.
// Without a hook no value is copied on the way; aScratch holds what must be formed first.
template <class Sink>
void EmitField(IVqDataset& ds, const std::string& table, int field, const TFieldPlan& plan,
               const TOnDatasetFiledToJSON& hook, std::string& aScratch, TVqVariant& aTextValue, Sink& sink) {
  const bool isNull = ds.IsNull(field);
  if (!hook) {
    switch (plan.Class) {
      case ValueClass::Integer:
        sink.Int(ToInteger(isNull ? std::int64_t{0} : ds.AsInt64(field), plan.Kind));
        return;
      case ValueClass::Float:
        sink.Float(isNull ? 0.0 : ds.AsDouble(field));
        return;
      case ValueClass::Boolean:
        sink.Bool(isNull ? false : ds.AsBoolean(field));
        return;
      case ValueClass::Date:
        aScratch.clear();
        if (!isNull) AppendDateTimeText(aScratch, ds.AsDateTime(field));
        sink.Text(aScratch);
        return;
      case ValueClass::Blob:
        sink.Text(isNull ? std::string() : EncodeBase64Bytes(ds.AsString(field)));
        return;
      case ValueClass::Text:
        sink.Text(isNull ? std::string_view() : ds.AsText(field, aScratch));
        return;
    }
  }
  // Numbers travel in a fresh variant; texts in aTextValue, whose string keeps its room from
  // cell to cell.
  TVqVariant number;
  TVqVariant& value = plan.Class == ValueClass::Integer || plan.Class == ValueClass::Float ||
                              plan.Class == ValueClass::Boolean
                          ? number
                          : aTextValue;
  switch (plan.Class) {
    case ValueClass::Integer:
      value = isNull ? std::int64_t{0} : ds.AsInt64(field);
      break;
    case ValueClass::Float:
      value = isNull ? 0.0 : ds.AsDouble(field);
      break;
    case ValueClass::Boolean:
      value = isNull ? false : ds.AsBoolean(field);
      break;
    case ValueClass::Date: {
      std::string& text = EmptyText(value);
      if (!isNull) AppendDateTimeText(text, ds.AsDateTime(field));
      break;
    }
    case ValueClass::Blob:
      EmptyText(value) = isNull ? std::string() : EncodeBase64Bytes(ds.AsString(field));
      break;
    case ValueClass::Text:
      EmptyText(value).append(isNull ? std::string_view() : ds.AsText(field, aScratch));
      break;
  }
  hook(ds, table, plan.Name, value);
  switch (plan.Class) {
    case ValueClass::Integer:
      sink.Int(ToInteger(value, plan.Kind));
      return;
    case ValueClass::Float:
      sink.Float(ToFloat(value));
      return;
    case ValueClass::Boolean:
      sink.Bool(ToBoolean(value));
      return;
    default:
      if (const auto* text = std::get_if<std::string>(&value))
        sink.Text(*text);
      else
        sink.Text(ToText(value));
  }
}

// Calls onRow for each row of the window, the dataset standing on it. Rows before the window
// are never read, so the walk starts at the window's first row.
template <class OnRow>
void WalkWindow(IVqDataset& ds, int aDataStart, int aDataLen, OnRow onRow) {
  const bool all = aDataStart < 0 || aDataLen < 1;
  const std::int64_t end = static_cast<std::int64_t>(aDataStart) + aDataLen;
  std::int64_t row = 0;
  if (all) {
    ds.First();
  } else {
    ds.MoveToRow(aDataStart);
    row = aDataStart;
  }
  while (!ds.Eof() && (all || row < end)) {
    onRow();
    ds.Next();
    ++row;
  }
}

// The rows of the window as JSON objects joined by ",", appended to aOut. On failure false and
// aErro = "数据集转换JSON组出错," + reason.
bool WriteRows(const std::string& aTable, IVqDataset& ds, int aDataStart, int aDataLen, std::string& aOut,
               std::string& aErro, const TOnDatasetFiledToJSON& hook) {
  try {
    const std::vector<TFieldPlan> plans = PlanFields(ds);
    const TTextSink sink{aOut};
    std::string scratch;
    TVqVariant textValue;
    bool first = true;
    WalkWindow(ds, aDataStart, aDataLen, [&] {
      aOut += first ? "{" : ",{";
      first = false;
      for (std::size_t f = 0; f < plans.size(); ++f) {
        if (f > 0) aOut += ',';
        aOut += plans[f].Member;
        EmitField(ds, aTable, static_cast<int>(f), plans[f], hook, scratch, textValue, sink);
      }
      aOut += '}';
    });
    return true;
  } catch (const std::exception& e) {
    aErro = std::string("数据集转换JSON组出错,") + e.what();
    return false;
  }
}

}  // namespace

bool TJSONHelper::Dataset2JSONArry(const std::string& aTable, IVqDataset& aDataset, int aDataStart,
                                   int aDataLen, TJsonArray& aJSONArry, std::string& aErro,
                                   const TOnDatasetFiledToJSON& aOnToJSONValue) {
  try {
    const std::vector<TFieldPlan> plans = PlanFields(aDataset);
    std::string scratch;
    TVqVariant textValue;
    WalkWindow(aDataset, aDataStart, aDataLen, [&] {
      TJsonObject item;
      for (std::size_t f = 0; f < plans.size(); ++f) {
        TTreeSink sink;
        EmitField(aDataset, aTable, static_cast<int>(f), plans[f], aOnToJSONValue, scratch, textValue, sink);
        item.emplace_back(plans[f].Name, std::move(sink.value));
      }
      aJSONArry.emplace_back(std::move(item));
    });
    return true;
  } catch (const std::exception& e) {
    aErro = std::string("数据集转换JSON组出错,") + e.what();
    return false;
  }
}

bool TJSONHelper::Dataset2JSONArry(const std::string& aTable, IVqDataset& aDataset, int aDataStart,
                                   int aDataLen, std::string& aJSON,
                                   const TOnDatasetFiledToJSON& aOnToJSONValue) {
  try {
    std::string text = "[";
    if (!WriteRows(aTable, aDataset, aDataStart, aDataLen, text, aJSON, aOnToJSONValue)) return false;
    text += ']';
    aJSON = std::move(text);
    return true;
  } catch (const std::exception& e) {
    aJSON = std::string("数据集转换JSON组出错,") + e.what();
    return false;
  }
}

bool TJSONHelper::Dataset2JSON(const std::string& aTable, IVqDataset& aDataset, int aDataStart,
                               int aDataLen, std::string& aJSON,
                               const TOnDatasetFiledToJSON& aOnToJSONValue) {
  try {
    std::string text = "{";
    AppendJsonQuoted(text, aTable);
    text += ":[";
    if (!WriteRows(aTable, aDataset, aDataStart, aDataLen, text, aJSON, aOnToJSONValue)) return false;
    text += "]}";
    aJSON = std::move(text);
    return true;
  } catch (const std::exception& e) {
    aJSON = std::string("数据集转换JSON出错,") + e.what();
    return false;
  }
}

bool TJSONHelper::Dataset2JSON(const std::string& aTable, IVqDataset& aDataset, std::string& aJSON,
                               const TOnDatasetFiledToJSON& aOnToJSONValue) {
  return Dataset2JSON(aTable, aDataset, -1, -1, aJSON, aOnToJSONValue);
}

}  // namespace tessaly
