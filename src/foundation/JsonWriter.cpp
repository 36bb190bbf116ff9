#include "foundation/JsonWriter.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

#include "platform/TextCodec.h"

namespace tessaly {

namespace {

constexpr char kHex[] = "0123456789ABCDEF";

void AppendUnit(std::string& out, char16_t unit) {
  out += "\\u";
  out += kHex[(unit >> 12) & 0xF];
  out += kHex[(unit >> 8) & 0xF];
  out += kHex[(unit >> 4) & 0xF];
  out += kHex[unit & 0xF];
}

void AppendQuoted(std::string& out, std::string_view text, TJsonEscape escape) {
  out += '"';
  if (escape == TJsonEscape::Raw) {
    for (char c : text) {
      if (c == '"') out += '\\';
      out += c;
    }
    out += '"';
    return;
  }
  for (char16_t u : platform::Utf8ToUtf16(text)) {
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
        if (u < 32 || u > 127)
          AppendUnit(out, u);
        else
          out += static_cast<char>(u);
    }
  }
  out += '"';
}

}  // namespace

std::string JsonQuote(std::string_view aText, TJsonEscape aEscape) {
  std::string out;
  AppendQuoted(out, aText, aEscape);
  return out;
}

std::string FormatJsonFloat(double aValue) {
  if (!std::isfinite(aValue)) return "null";
  if (aValue == 0) return "0";
  // d.dddddddddddddde±x: 15 significant digits, rounded, independent of the locale.
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
    if (digits.size() <= intLen) {
      out += digits + std::string(intLen - digits.size(), '0');
    } else {
      out += digits.substr(0, intLen) + "." + digits.substr(intLen);
    }
  }
  return out;
}

void TJsonValue::WriteTo(std::string& aOut, TJsonEscape aEscape) const {
  struct Writer {
    std::string& out;
    TJsonEscape escape;
    void operator()(std::nullptr_t) const { out += "null"; }
    void operator()(bool v) const { out += v ? "true" : "false"; }
    void operator()(std::int64_t v) const { out += std::to_string(v); }
    void operator()(std::uint64_t v) const { out += std::to_string(v); }
    void operator()(double v) const { out += FormatJsonFloat(v); }
    void operator()(const std::string& v) const { AppendQuoted(out, v, escape); }
    void operator()(const TJsonArray& v) const {
      out += '[';
      for (std::size_t i = 0; i < v.size(); ++i) {
        if (i > 0) out += ',';
        v[i].WriteTo(out, escape);
      }
      out += ']';
    }
    void operator()(const TJsonObject& v) const {
      out += '{';
      for (std::size_t i = 0; i < v.size(); ++i) {
        if (i > 0) out += ',';
        AppendQuoted(out, v[i].first, escape);
        out += ':';
        v[i].second.WriteTo(out, escape);
      }
      out += '}';
    }
  };
  std::visit(Writer{aOut, aEscape}, FValue);
}

std::string TJsonValue::ToJSON(TJsonEscape aEscape) const {
  std::string out;
  WriteTo(out, aEscape);
  return out;
}

}  // namespace tessaly
