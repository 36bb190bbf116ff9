// The small text helpers of TvqLib: tags, combo items, padding, escapes, random texts.
#include <algorithm>
#include <chrono>
#include <random>

#include "foundation/VqLibText.h"
#include "foundation/VqLibTextTrim.h"
#include "platform/Hex.h"
#include "platform/TextCodec.h"

namespace tessaly::TvqLib {
namespace {

std::size_t Count(int n) { return n > 0 ? static_cast<std::size_t>(n) : 0; }

std::string Padding(const std::string& s, int aLen, char aChar) {
  const std::size_t have = platform::Utf16Length(s);
  const std::size_t want = Count(aLen);
  return have < want ? std::string(want - have, aChar) : std::string();
}

// A generator reseeded from the clock on every call, as the helpers' callers expect.
std::mt19937 ClockSeeded() {
  return std::mt19937(static_cast<std::mt19937::result_type>(
      std::chrono::high_resolution_clock::now().time_since_epoch().count()));
}

}  // namespace

std::string GetTagStr(const std::string& aSrc, const std::string& aTag1, const std::string& aTag2) {
  if (aTag1.empty() && aTag2.empty()) return std::string();
  std::string rest = aSrc;
  if (!aTag1.empty()) {
    const std::size_t p = aSrc.find(aTag1);
    if (p == std::string::npos) return std::string();
    rest = aSrc.substr(p + aTag1.size());
  }
  if (aTag2.empty()) return rest;
  const std::size_t q = rest.find(aTag2);
  if (q == std::string::npos) return std::string();
  return rest.substr(0, q);
}

std::string GetCbbNameId(const std::string& aName, const std::string& aId, int aLen) {
  return FillRStr(aName, aLen, ' ') + aId;
}

std::string GetCbbId(const std::string& aText, int aLen) {
  const std::size_t from = aLen > 1 ? static_cast<std::size_t>(aLen - 1) : 0;
  return TrimControls(platform::Utf16Mid(aText, from, std::string::npos));
}

std::string GetCbbName(const std::string& aText, int aLen) {
  return TrimControls(platform::Utf16Mid(aText, 0, Count(aLen)));
}

std::string SqlStr(const std::string& aSql) {
  // Without N the server reads the text in the database's code page and stores what that
  // cannot hold (emoji, for one) as '?'. Pure-ASCII literals keep their plain form.
  const bool ascii = std::all_of(aSql.begin(), aSql.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  const std::string open = ascii ? "'" : "N'";
  // A NUL would end the statement text in the driver: it is joined in as CHAR(0).
  const std::string nul = ascii ? "'+CHAR(0)+'" : "'+NCHAR(0)+N'";
  std::string out = open;
  for (const char c : aSql) {
    if (c == '\0') {
      out += nul;
      continue;
    }
    out += c;
    if (c == '\'') out += '\'';
  }
  out += "'";
  return aSql.find('\0') == std::string::npos ? out : "(" + out + ")";
}

std::string FillLStr(const std::string& aStr, int aLen, char aChar) { return Padding(aStr, aLen, aChar) + aStr; }
std::string FillRStr(const std::string& aStr, int aLen, char aChar) { return aStr + Padding(aStr, aLen, aChar); }

std::string FormatLeft(const std::string& aStr, int aWidth, char aChar) {
  const std::size_t have = platform::Utf16Length(aStr);
  const std::size_t width = Count(aWidth);
  if (have > width) return platform::Utf16Mid(aStr, have - width, width);
  return FillLStr(aStr, aWidth, aChar);
}

std::string FormatRight(const std::string& aStr, int aWidth, char aChar) {
  if (platform::Utf16Length(aStr) > Count(aWidth)) return platform::Utf16Mid(aStr, 0, Count(aWidth));
  return FillRStr(aStr, aWidth, aChar);
}

std::string AnsiToUnicode(const std::string& aAnsiStr) {
  std::string out;
  for (const char16_t u : platform::Utf8ToUtf16(aAnsiStr)) {
    out += "\\u";
    platform::AppendHex(out, u, 4, platform::HexCase::Lower);
  }
  return out;
}

std::string UnicodeToAnsi(const std::string& aSubUnicode) {
  const std::u16string in = platform::Utf8ToUtf16(aSubUnicode);
  std::u16string out;
  std::size_t i = 0;
  while (i < in.size()) {
    if (in[i] == u'\\' && i + 5 < in.size() && in[i + 1] == u'u') {
      int v = 0;
      bool ok = true;
      for (std::size_t k = 2; k < 6 && ok; ++k) {
        const int d = platform::HexDigitValue(in[i + k]);
        ok = d >= 0;
        v = v * 16 + d;
      }
      if (ok) {
        out += static_cast<char16_t>(v);
        i += 6;
        continue;
      }
    }
    out += in[i++];
  }
  return platform::Utf16ToUtf8(out);
}

int GetRandom(int aMax, int aMin) {
  if (aMax < 1) return 1;
  std::mt19937 gen = ClockSeeded();
  std::uniform_int_distribution<int> draw(1, aMax);
  int n = draw(gen);
  if (aMin < aMax)
    while (n < aMin) n = draw(gen);
  return n;
}

std::string GetRandStr(int aStrLen, int aType) {
  const std::string pool = aType == 1   ? "0123456789"
                           : aType == 2 ? "abcdefghijklmnopqrstuvwxyz"
                                        : "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  std::mt19937 gen = ClockSeeded();
  std::uniform_int_distribution<std::size_t> pick(0, pool.size() - 1);
  std::string out;
  for (std::size_t i = 0; i < Count(aStrLen); ++i) out += pool[pick(gen)];
  return out;
}

}  // namespace tessaly::TvqLib
