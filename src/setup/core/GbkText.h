#pragma once
// Byte counts in the setup program's ANSI code page (GBK). Where the setup's files and texts
// limit or cut by bytes, they count the GBK form; a cut never splits a two-byte character, so it
// may keep fewer bytes than allowed. Conversion itself is the host layer's (platform/TextCodec.h).
#include <cstddef>
#include <string>
#include <string_view>

namespace orvane {

// Bytes of the GBK form of a UTF-8 text (a character GBK cannot hold counts as its one '?').
[[nodiscard]] std::size_t GbkByteCount(std::string_view utf8);
// Length of the longest start of the GBK bytes `gbk` of at most `maxBytes` bytes that ends on a
// character boundary (a lead byte 0x81-0xFE takes the byte after it).
[[nodiscard]] std::size_t GbkFitLength(std::string_view gbk, std::size_t maxBytes);
// The longest start / end of a UTF-8 text whose GBK form has at most `maxBytes` bytes.
[[nodiscard]] std::string GbkHead(std::string_view utf8, std::size_t maxBytes);
[[nodiscard]] std::string GbkTail(std::string_view utf8, std::size_t maxBytes);

}  // namespace orvane
