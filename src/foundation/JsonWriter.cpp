#include "foundation/JsonWriter.h"

#include <cmath>

#include "foundation/FloatText.h"
#include "platform/TextCodec.h"

namespace tessaly {

namespace {

void AppendUnit(std::string& out, char32_t unit) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  const char text[6] = {'\\', 'u', kHex[(unit >> 12) & 0xF], kHex[(unit >> 8) & 0xF], kHex[(unit >> 4) & 0xF],
                        kHex[unit & 0xF]};
  out.append(text, sizeof text);
}

// Bytes copied as they are inside a string: printable ASCII and DEL, but not '"', '\' and '/'.
constexpr bool IsPlain(unsigned char c) { return c >= 32 && c <= 127 && c != '"' && c != '\\' && c != '/'; }

void AppendEscapedAscii(std::string& out, std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t run = i;
    while (i < text.size() && IsPlain(static_cast<unsigned char>(text[i]))) ++i;
    out.append(text.data() + run, i - run);
    if (i == text.size()) break;
    const auto c = static_cast<unsigned char>(text[i]);
    if (c >= 0x80) {
      const char32_t cp = platform::DecodeUtf8At(text, i);
      if (cp >= 0x10000) {
        AppendUnit(out, 0xD800 + ((cp - 0x10000) >> 10));
        AppendUnit(out, 0xDC00 + ((cp - 0x10000) & 0x3FF));
      } else {
        AppendUnit(out, cp);
      }
      continue;
    }
    ++i;
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '/': out += "\\/"; break;
      case '\b': out += "\\b"; break;
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\f': out += "\\f"; break;
      case '\r': out += "\\r"; break;
      default: AppendUnit(out, c);
    }
  }
}

void AppendQuoted(std::string& out, std::string_view text, TJsonEscape escape) {
  out += '"';
  if (escape == TJsonEscape::Raw) {
    for (char c : text) {
      if (c == '"') out += '\\';
      out += c;
    }
  } else {
    AppendEscapedAscii(out, text);
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

void AppendJsonQuoted(std::string& aOut, std::string_view aText) { AppendQuoted(aOut, aText, TJsonEscape::Ascii); }

void AppendJsonFloat(std::string& aOut, double aValue) {
  if (std::isfinite(aValue))
    AppendFloatGeneral(aOut, aValue);
  else
    aOut += "null";
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
