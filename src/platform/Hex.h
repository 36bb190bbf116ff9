#pragma once
// Hexadecimal digits, one set of helpers for every writer and reader of them. Each caller names
// the case its format uses. Pure functions, thread-safe.
#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

enum class HexCase { Upper, Lower };

// The value of one hex digit of either case; -1 for any other character (char or char16_t).
[[nodiscard]] constexpr int HexDigitValue(char32_t c) {
  if (c >= U'0' && c <= U'9') return static_cast<int>(c - U'0');
  if (c >= U'a' && c <= U'f') return static_cast<int>(c - U'a') + 10;
  if (c >= U'A' && c <= U'F') return static_cast<int>(c - U'A') + 10;
  return -1;
}

// Appends the lowest `digits` hex digits of `value`, most significant first.
inline void AppendHex(std::string& out, unsigned value, int digits, HexCase letters) {
  const char* set = letters == HexCase::Upper ? "0123456789ABCDEF" : "0123456789abcdef";
  for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) out += set[(value >> shift) & 0xF];
}

// Two digits a byte.
[[nodiscard]] inline std::string HexOfBytes(std::string_view bytes, HexCase letters) {
  std::string out;
  out.reserve(bytes.size() * 2);
  for (const char c : bytes) AppendHex(out, static_cast<unsigned char>(c), 2, letters);
  return out;
}

}  // namespace platform
