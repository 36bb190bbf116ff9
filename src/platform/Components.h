#pragma once
// Component registration: the library is loaded (dlopen) and its exported DllRegisterServer
// called; the library is released again in every case. Thread-safe.
#include <string>

namespace platform {

enum class RegisterResult { Registered, Failed, NoEntryPoint, NotLoaded };

// `hresult` gets DllRegisterServer's answer when it was called (0 is success).
[[nodiscard]] RegisterResult RegisterServerOf(const std::string& libraryPath, long& hresult, std::string& error);

}  // namespace platform
