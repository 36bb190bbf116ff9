#pragma once
// Pieces the AES and DES text ciphers share.
#include <algorithm>
#include <cstdint>
#include <istream>
#include <string>
#include <utility>

#include "platform/TextCodec.h"

namespace tessaly {

// Bytes a cipher stream call works on: with aCount 0 the whole stream from its start (the
// stream is rewound), otherwise the smaller of aCount and what is left after the current position.
[[nodiscard]] inline std::int64_t CipherStreamLength(std::istream& in, std::int64_t aCount) {
  in.clear();
  const std::istream::pos_type here = in.tellg();
  in.seekg(0, std::ios::end);
  const std::int64_t end = in.tellg();
  if (aCount == 0) {
    in.seekg(0, std::ios::beg);
    return std::max<std::int64_t>(end, 0);
  }
  in.seekg(here);
  const std::int64_t left = std::max<std::int64_t>(end - static_cast<std::int64_t>(here), 0);
  return std::clamp<std::int64_t>(aCount, 0, left);
}

// One byte per UTF-16 code unit: the ASCII characters as they are, every other one as '?'.
[[nodiscard]] inline std::string AsciiBytes(const std::string& text) {
  std::string out;
  for (const char16_t u : platform::Utf8ToUtf16(text)) out += u < 0x80 ? static_cast<char>(u) : '?';
  return out;
}

[[nodiscard]] inline std::string ReplaceAllOf(std::string text, const std::string& from, const std::string& to) {
  std::string out;
  out.reserve(text.size());
  std::size_t start = 0;
  for (std::size_t p = text.find(from); p != std::string::npos; p = text.find(from, start)) {
    out.append(text, start, p - start);
    out += to;
    start = p + from.size();
  }
  out.append(text, start, std::string::npos);
  return out;
}

// Every CR LF, then every LF CR, then every remaining CR becomes LF; then each LF becomes
// `lineBreak`. A text without CR and LF comes back unchanged.
[[nodiscard]] inline std::string ReplaceLineBreaks(const std::string& text, const std::string& lineBreak) {
  if (text.find_first_of("\r\n") == std::string::npos) return text;
  std::string lf = ReplaceAllOf(ReplaceAllOf(ReplaceAllOf(text, "\r\n", "\n"), "\n\r", "\n"), "\r", "\n");
  return lineBreak == "\n" ? lf : ReplaceAllOf(std::move(lf), "\n", lineBreak);
}

}  // namespace tessaly
