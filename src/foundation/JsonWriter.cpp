#include "foundation/JsonWriter.h"

#include <cmath>

#include "foundation/FloatText.h"
#include "platform/Hex.h"
#include "platform/TextCodec.h"

namespace tessaly {

namespace {

void AppendUnit(std::string& out, char16_t unit) {
  out += "\\u";
  platform::AppendHex(out, unit, 4, platform::HexCase::Upper);
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
  return std::isfinite(aValue) ? FormatFloatGeneral(aValue) : "null";
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
