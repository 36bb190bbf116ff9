#pragma once
// Base64 (RFC 4648, standard alphabet, "=" padding), always on one line.
// Free of shared state; any thread.
#include <string>
#include <string_view>

namespace tessaly {

// Bytes to Base64 without any line break.
[[nodiscard]] std::string EncodeBase64Bytes(std::string_view bytes);
// Base64 to bytes. Characters outside the alphabet (line breaks, blanks, anything else) are
// skipped, the first "=" ends the data, and a dangling single character is dropped; it never fails.
[[nodiscard]] std::string DecodeBase64Bytes(std::string_view base64);

// The UTF-8 bytes of a text in Base64.
[[nodiscard]] std::string EncodeBase64Text(std::string_view text);
// Base64 back to a text; bytes that are not UTF-8 become U+FFFD.
[[nodiscard]] std::string DecodeBase64Text(std::string_view base64);

}  // namespace tessaly
