// Text helpers of the setup library.
#include <cmath>
#include <cstdio>

#include "platform/TextCodec.h"
#include "setup/core/GbkText.h"
#include "setup/core/TagValue.h"
#include "setup/core/VqLib.h"
#include "setup/core/VqLibInternal.h"

namespace orvane {
namespace {

constexpr std::int64_t kStampOffsetSeconds = 28800;

}  // namespace

std::string TvqLib::GetTagValue(std::string_view record, std::string_view name, char terminator) {
  return orvane::GetTagValue(record, name, terminator);
}

std::string TvqLib::SetTagValue(std::string_view record, std::string_view name, char terminator,
                                std::string_view value) {
  return orvane::SetTagValue(record, name, terminator, value);
}

int TvqLib::AnsiCharCount(std::string_view text) {
  const std::string gbk = platform::Utf8ToCp936(text);
  int count = 0;
  for (std::size_t i = 0; i < gbk.size(); ++count) {
    const auto c = static_cast<unsigned char>(gbk[i]);
    i += (c >= 0x81 && c <= 0xFE && i + 1 < gbk.size()) ? 2 : 1;
  }
  return count;
}

std::string TvqLib::EllipsisText(std::string_view text, int head, int tail) {
  if (static_cast<std::int64_t>(GbkByteCount(text)) <= static_cast<std::int64_t>(head) + tail - 2)
    return std::string(text);
  return GbkHead(text, static_cast<std::size_t>(std::max(head, 0))) + "..." +
         GbkTail(text, static_cast<std::size_t>(std::max(tail - 1, 0)));
}

std::string TvqLib::UnixStamp() {
  const auto ms = static_cast<std::int64_t>(std::llround((GetClock().Now() - kUnixEpochDays) * 86'400'000.0));
  const std::int64_t seconds = ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000);
  return std::to_string(seconds - kStampOffsetSeconds);
}

std::string TvqLib::LastPathPart(std::string_view text, char separator, std::string_view stop) {
  const auto sep = text.rfind(separator);
  std::string part(sep == std::string_view::npos ? text : text.substr(sep + 1));
  if (!stop.empty()) {
    const auto at = part.find(stop);
    if (at != std::string::npos) part.resize(at + 1);
  }
  return part;
}

std::string TvqLib::ReplaceAllText(std::string_view text, std::string_view search, std::string_view replacement) {
  std::string out(text);
  if (search.empty()) return out;
  const bool once = replacement.find(search) != std::string_view::npos;
  do {
    std::string next;
    std::size_t from = 0;
    for (auto at = out.find(search); at != std::string::npos; at = out.find(search, from)) {
      next.append(out, from, at - from);
      next += replacement;
      from = at + search.size();
    }
    next.append(out, from, std::string::npos);
    out = std::move(next);
  } while (!once && out.find(search) != std::string::npos);
  return out;
}

std::string TvqLib::IncludeBackslash(std::string_view path) {
  std::string out(path);
  if (out.empty() || out.back() != '\\') out += '\\';
  return ReplaceAllText(out, "\\\\", "\\");
}

std::string TvqLib::RepeatText(std::string_view text, int count) {
  std::string out;
  for (int i = 0; i < count; ++i) out += text;
  return out;
}

std::string TvqLib::SizeText(std::string_view format, std::int64_t bytes) {
  if (bytes <= 1024) return "0";
  const double kb = static_cast<double>(bytes) / 1024.0;
  const double mb = kb / 1024.0;
  const double gb = mb / 1024.0;
  const double tb = gb / 1024.0;
  const auto point = format.find('.');
  const int decimals = point == std::string_view::npos ? 0 : static_cast<int>(format.size() - point - 1);
  double value = kb;
  const char* unit = " KB";
  if (gb > 1024) {
    value = tb;
    unit = " TB";
  } else if (mb > 1024) {
    value = gb;
    unit = " GB";
  } else if (kb > 1024) {
    value = mb;
    unit = " MB";
  }
  // Halves round away from zero, as number formats do; printf would round them to even.
  double scale = 1;
  for (int i = 0; i < decimals; ++i) scale *= 10;
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, std::round(value * scale) / scale);
  return std::string(buf) + unit;
}

}  // namespace orvane
