#pragma once
// TvqLib's front-ends of the text ciphers: AES-128 ECB with upper-case hex cipher text, and DES or
// triple DES in CBC with Base64 cipher text (VqAESUtil.h, VqDESText.h). On an error each logs
// it (only with detailed logging) and returns an empty text. Any thread.
#include <string>

namespace tessaly::TvqLib {

// The text's line breaks become LF; the key is used as it is (ASCII bytes, 16 at most).
[[nodiscard]] std::string AESEncrypt(const std::string& aData, const std::string& aKey);
// Line breaks as LF, blanks and control characters (the zero fill among them) trimmed.
[[nodiscard]] std::string AESDecrypt(const std::string& aData, const std::string& aKey);
[[nodiscard]] std::string DESEncrypt(const std::string& aData, const std::string& aKey);
[[nodiscard]] std::string DESDecrypt(const std::string& aData, const std::string& aKey);

}  // namespace tessaly::TvqLib
