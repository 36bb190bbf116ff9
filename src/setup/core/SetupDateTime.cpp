#include "setup/core/SetupDateTime.h"

#include <cstdio>

#include "platform/TextCodec.h"

namespace orvane {
namespace {

// Splits `text` at `sep` into 2 or 3 numbers of at most `width[i]` digits each.
bool SplitNumbers(std::string_view text, char sep, const int* width, int minParts, int maxParts,
                  int* out, int& count) {
  count = 0;
  std::size_t i = 0;
  while (true) {
    if (count == maxParts) return false;
    int value = 0;
    int digits = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
      value = value * 10 + (text[i] - '0');
      ++digits;
      ++i;
    }
    if (digits == 0 || digits > width[count]) return false;
    out[count++] = value;
    if (i == text.size()) return count >= minParts;
    if (text[i] != sep) return false;
    ++i;
  }
}

std::optional<TDateParts> ParseDatePart(std::string_view text) {
  static constexpr int kWidth[] = {4, 2, 2};
  int n[3];
  int count = 0;
  if (!SplitNumbers(text, '-', kWidth, 3, 3, n, count)) return std::nullopt;
  TDateParts p;
  p.year = n[0];
  p.month = n[1];
  p.day = n[2];
  return p;
}

bool ParseTimePart(std::string_view text, TDateParts& p) {
  static constexpr int kWidth[] = {2, 2, 2};
  int n[3] = {0, 0, 0};
  int count = 0;
  if (!SplitNumbers(text, ':', kWidth, 2, 3, n, count)) return false;
  p.hour = n[0];
  p.minute = n[1];
  p.second = n[2];
  return true;
}

std::string Format(const char* pattern, int a, int b, int c) {
  char buf[32];
  std::snprintf(buf, sizeof buf, pattern, a, b, c);
  return buf;
}

}  // namespace

std::optional<TDateTime> EncodeDateTime(const TDateParts& p) {
  TDateTime out = 0;
  if (!platform::TryEncodeSerialDate(p, out)) return std::nullopt;
  return out;
}

TDateParts DecodeDateTime(TDateTime dt) { return platform::DecodeSerialDate(dt); }

std::string DateText(TDateTime dt) {
  const TDateParts p = DecodeDateTime(dt);
  return Format("%04d-%02d-%02d", p.year, p.month, p.day);
}

std::string TimeText(TDateTime dt) {
  const TDateParts p = DecodeDateTime(dt);
  return Format("%02d:%02d:%02d", p.hour, p.minute, p.second);
}

std::string DateTimeText(TDateTime dt) { return DateText(dt) + " " + TimeText(dt); }

std::optional<TDateTime> ParseDate(std::string_view text) {
  const auto p = ParseDatePart(platform::TrimBlanks(text));
  return p ? EncodeDateTime(*p) : std::nullopt;
}

std::optional<TDateTime> ParseTime(std::string_view text) {
  TDateParts p;
  if (!ParseTimePart(platform::TrimBlanks(text), p)) return std::nullopt;
  return EncodeDateTime(p);
}

std::optional<TDateTime> ParseDateTime(std::string_view text) {
  const std::string t = platform::TrimBlanks(text);
  const std::size_t blank = t.find(' ');
  auto p = ParseDatePart(std::string_view(t).substr(0, blank));
  if (!p) return std::nullopt;
  if (blank != std::string::npos && !ParseTimePart(platform::TrimBlanks(t.substr(blank + 1)), *p))
    return std::nullopt;
  return EncodeDateTime(*p);
}

}  // namespace orvane
