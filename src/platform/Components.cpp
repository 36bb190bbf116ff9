#include "platform/Components.h"

#include <dlfcn.h>

#include <cstdint>

#include "platform/WinPath.h"

namespace platform {

RegisterResult RegisterServerOf(const std::string& libraryPath, long& hresult, std::string& error) {
  hresult = 0;
  void* lib = ::dlopen(HostPath(libraryPath).c_str(), RTLD_NOW | RTLD_LOCAL);
  if (lib == nullptr) {
    const char* why = ::dlerror();
    error = why != nullptr ? why : "cannot load " + libraryPath;
    return RegisterResult::NotLoaded;
  }
  using Entry = std::int32_t (*)();
  const auto entry = reinterpret_cast<Entry>(::dlsym(lib, "DllRegisterServer"));
  RegisterResult result = RegisterResult::NoEntryPoint;
  if (entry != nullptr) {
    hresult = entry();
    result = hresult == 0 ? RegisterResult::Registered : RegisterResult::Failed;
  } else {
    error = "no DllRegisterServer in " + libraryPath;
  }
  ::dlclose(lib);
  return result;
}

}  // namespace platform
