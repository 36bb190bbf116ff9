#pragma once
// The fixed salts of the operator password digest, shared by the platform login and the upload
// of the operator table: the platform hashes passwords the same way. Pure; any thread.
#include <string>

#include "foundation/VqLibText.h"

namespace tessaly {

inline constexpr const char* kOperPwPrefixSalt = "KQ";
inline constexpr const char* kOperPwSuffixSalt = "7290";

// The lower-case hexadecimal MD5 of prefix salt + aPlainPw + suffix salt.
[[nodiscard]] inline std::string OperPwDigest(const std::string& aPlainPw) {
  return TvqLib::GetMd5(kOperPwPrefixSalt + aPlainPw + kOperPwSuffixSalt);
}

}  // namespace tessaly
