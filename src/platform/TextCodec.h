#pragma once
// Text conversions at the edges of the programs. Inside, text is UTF-8 std::string; where the
// Windows programs counted characters they counted UTF-16 code units, so lengths and positions
// that must match theirs go through Utf16Length and the UTF-16 forms here. Code page 936 (GBK)
// appears only where files or ciphers carry ANSI bytes.
#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// Invalid UTF-8 sequences become U+FFFD, one per offending byte.
[[nodiscard]] std::u16string Utf8ToUtf16(std::string_view utf8);
// The code point at utf8[pos], advancing pos past it; an invalid sequence gives U+FFFD and
// advances one byte, as Utf8ToUtf16 reads it. pos must be below utf8.size().
[[nodiscard]] char32_t DecodeUtf8At(std::string_view utf8, std::size_t& pos);
// Unpaired surrogates become U+FFFD.
[[nodiscard]] std::string Utf16ToUtf8(std::u16string_view utf16);
[[nodiscard]] bool IsValidUtf8(std::string_view bytes);
// Bytes as UTF-8 text: valid UTF-8 is kept as it is, anything else has each offending byte
// replaced by U+FFFD.
[[nodiscard]] std::string SanitizeUtf8(std::string_view bytes);
// UTF-16 bytes (two a unit, big- or little-endian) to UTF-8; an odd last byte is dropped and
// unpaired surrogates become U+FFFD.
[[nodiscard]] std::string Utf16BytesToUtf8(std::string_view bytes, bool bigEndian);
// Number of UTF-16 code units of a UTF-8 text (a character outside the BMP counts two).
[[nodiscard]] std::size_t Utf16Length(std::string_view utf8);
// Characters [pos, pos+count), positions counted in UTF-16 units from 0. Out-of-range parts are
// clipped.
[[nodiscard]] std::string Utf16Mid(std::string_view utf8, std::size_t pos, std::size_t count);

// GBK bytes to UTF-8; bytes that do not decode become U+FFFD.
[[nodiscard]] std::string Cp936ToUtf8(std::string_view gbk);
// UTF-8 to GBK; characters GBK cannot hold become '?'.
[[nodiscard]] std::string Utf8ToCp936(std::string_view utf8);

// ASCII-only case folding: Windows names of keys, sections and files compare this way for the
// texts these programs use (Chinese has no case).
[[nodiscard]] std::string AsciiUpper(std::string_view s);
[[nodiscard]] std::string AsciiLower(std::string_view s);
[[nodiscard]] bool SameText(std::string_view a, std::string_view b);

// Removes blanks, tabs, CR and LF at both ends.
[[nodiscard]] std::string TrimBlanks(std::string_view s);

}  // namespace platform
