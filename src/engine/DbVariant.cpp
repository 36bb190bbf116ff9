#include "engine/DbVariant.h"

#include <charconv>
#include <cmath>
#include <stdexcept>

#include "foundation/FloatText.h"
#include "platform/TextCodec.h"

namespace tessaly {
namespace {

// The programs' general float form (15 significant digits, '.' separator).
std::string FloatText(double d) { return FormatFloatGeneral(d); }

std::invalid_argument NoReading(const std::string& text, const char* what) {
  return std::invalid_argument("\"" + text + "\" is not a valid " + what);
}

// The whole text (blanks around allowed, a leading '+' too) as one number of type T.
template <typename T>
bool ParseNumber(const std::string& text, T& out) {
  const std::string t = platform::TrimBlanks(text);
  if (t.empty()) return false;
  const char* b = t.data();
  const char* end = t.data() + t.size();
  if (*b == '+') ++b;
  auto [p, ec] = std::from_chars(b, end, out);
  return ec == std::errc() && p == end;
}

}  // namespace

std::string VarToStr(const TDbVariant& v) {
  struct Visitor {
    std::string operator()(std::monostate) const { return {}; }
    std::string operator()(std::int64_t i) const { return std::to_string(i); }
    std::string operator()(double d) const { return FloatText(d); }
    std::string operator()(const std::string& s) const { return s; }
    std::string operator()(const TDbDateTime& dt) const {
      if (TimeOf(dt.Value) == 0) return FormatDateTime("yyyy-MM-dd", dt.Value);
      return FormatDateTime("yyyy-MM-dd hh:nn:ss", dt.Value);
    }
  };
  return std::visit(Visitor{}, v);
}

std::int64_t VarToInt64(const TDbVariant& v) {
  struct Visitor {
    std::int64_t operator()(std::monostate) const { return 0; }
    std::int64_t operator()(std::int64_t i) const { return i; }
    std::int64_t operator()(double d) const {
      if (!std::isfinite(d) || std::fabs(d) >= 9.2e18) throw NoReading(FloatText(d), "integer value");
      return static_cast<std::int64_t>(std::llround(d));
    }
    std::int64_t operator()(const std::string& s) const {
      std::int64_t out = 0;
      if (!ParseNumber(s, out)) throw NoReading(s, "integer value");
      return out;
    }
    std::int64_t operator()(const TDbDateTime& dt) const { return static_cast<std::int64_t>(dt.Value); }
  };
  return std::visit(Visitor{}, v);
}

double VarToDouble(const TDbVariant& v) {
  struct Visitor {
    double operator()(std::monostate) const { return 0; }
    double operator()(std::int64_t i) const { return static_cast<double>(i); }
    double operator()(double d) const { return d; }
    double operator()(const std::string& s) const {
      double out = 0;
      if (!ParseNumber(s, out)) throw NoReading(s, "floating point value");
      return out;
    }
    double operator()(const TDbDateTime& dt) const { return dt.Value; }
  };
  return std::visit(Visitor{}, v);
}

bool VarToBool(const TDbVariant& v) {
  if (const auto* s = std::get_if<std::string>(&v)) {
    const std::string t = platform::TrimBlanks(*s);
    if (platform::SameText(t, "true")) return true;
    if (platform::SameText(t, "false")) return false;
    double d = 0;
    if (ParseNumber(t, d)) return d != 0;
    throw NoReading(*s, "Boolean value");
  }
  return VarToDouble(v) != 0;
}

TDateTime VarToDateTime(const TDbVariant& v) {
  if (const auto* s = std::get_if<std::string>(&v)) {
    TDateTime out = 0;
    if (!TryStrToDateTime(*s, out)) throw NoReading(*s, "date and time");
    return out;
  }
  return VarToDouble(v);
}

}  // namespace tessaly
