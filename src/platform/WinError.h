#pragma once
// The Windows system error codes the host layer hands back, and their message texts, so callers
// test and log results as they did with the Windows calls.
#include <string>

namespace platform {

inline constexpr long kErrorSuccess = 0;
inline constexpr long kErrorFileNotFound = 2;
inline constexpr long kErrorAccessDenied = 5;
inline constexpr long kErrorInvalidHandle = 6;
inline constexpr long kErrorInvalidParameter = 87;
inline constexpr long kErrorUnsupportedType = 1630;
// The registry store itself failed (unreadable or damaged database file).
inline constexpr long kErrorRegistryIo = 1016;

// The system's message for `code`, e.g. "Access is denied." for kErrorAccessDenied.
[[nodiscard]] std::string SystemErrorText(long code);

}  // namespace platform
