// Loading the outside algorithm library and the TvqLib front-ends over it.
#include "foundation/VqAlgLibrary.h"

#include <dlfcn.h>

#include <cstring>
#include <mutex>
#include <vector>

#include "foundation/VqLibText.h"
#include "foundation/VqLibUtil.h"
#include "platform/ProgramInfo.h"
#include "platform/TextCodec.h"

namespace tessaly {
namespace {

using AlgFunc = int (*)(const char* src, const char* key, char* out);

constexpr char kLibraryFile[] = "libVqAlglibrary.so";
constexpr char kLibraryKey[] = "KARVEN";
// The library's fixed buffer sizes: it writes at most this much output, terminator included.
constexpr std::size_t kSourceSize = 20480;
constexpr std::size_t kOutputSize = 20480;
constexpr std::size_t kKeySize = 10;

struct Library {
  std::mutex lock;
  void* handle = nullptr;   // guarded by lock; kept open until the process ends
  AlgFunc decrypt = nullptr;  // guarded by lock
  AlgFunc encrypt = nullptr;  // guarded by lock
  std::string failure = "外部算法库未加载";  // guarded by lock: why the functions are missing
};

Library& Lib() {
  static Library lib;
  return lib;
}

// The export to call, or nullptr with the reason.
AlgFunc Export(bool decrypt, std::string& why) {
  Library& lib = Lib();
  std::lock_guard<std::mutex> g(lib.lock);
  AlgFunc f = decrypt ? lib.decrypt : lib.encrypt;
  if (f == nullptr) why = lib.failure;
  return f;
}

// Runs one library call on zero-filled buffers of the library's sizes. Empty when the source
// does not fit (with the reason in why) or the library does not return 1.
std::string CallLibrary(AlgFunc f, const std::string& sSour, std::string& why) {
  const std::string ansi = platform::Utf8ToCp936(sSour);
  if (ansi.size() >= kSourceSize) {
    why = "源文本" + std::to_string(ansi.size()) + "字节，超出" + std::to_string(kSourceSize - 1) + "字节的缓冲区";
    return std::string();
  }
  std::vector<char> src(kSourceSize, '\0');
  std::vector<char> out(kOutputSize, '\0');
  char key[kKeySize] = {};
  std::memcpy(src.data(), ansi.data(), ansi.size());
  std::memcpy(key, kLibraryKey, sizeof kLibraryKey - 1);
  const int rc = f(src.data(), key, out.data());
  // A library that filled the whole buffer must not make us read past it.
  out[kOutputSize - 1] = '\0';
  if (rc != 1) return std::string();
  return platform::Cp936ToUtf8(std::string(out.data()));
}

}  // namespace

bool LoadVqAlgLibrary(std::string& aErro) {
  Library& lib = Lib();
  std::lock_guard<std::mutex> g(lib.lock);
  if (lib.handle != nullptr) return true;
  const std::string path = platform::ProgramDir() + kLibraryFile;
  void* h = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (h == nullptr) {
    const char* e = dlerror();
    lib.failure = "外部算法库加载失败：" + std::string(e != nullptr ? e : path.c_str());
    aErro = lib.failure;
    return false;
  }
  auto dec = reinterpret_cast<AlgFunc>(dlsym(h, "VqAESDecrypt2"));
  auto enc = reinterpret_cast<AlgFunc>(dlsym(h, "VqAESEncrypt2"));
  if (dec == nullptr || enc == nullptr) {
    dlclose(h);
    lib.failure = "外部算法库缺少导出函数：" + path;
    aErro = lib.failure;
    return false;
  }
  lib.handle = h;
  lib.decrypt = dec;
  lib.encrypt = enc;
  lib.failure.clear();
  return true;
}

namespace {

// One front-end call: the result, or an empty text and one log line (always) when the call
// could not be made or raised an error.
std::string FrontEnd(bool decrypt, const std::string& sSour) {
  const std::string prefix = decrypt ? "Vq解码“" : "Vq编码“";
  std::string why;
  try {
    const AlgFunc f = Export(decrypt, why);
    std::string result = f != nullptr ? CallLibrary(f, sSour, why) : std::string();
    if (!why.empty()) TvqLib::Log(prefix + sSour + "”出错：" + why, true);
    return result;
  } catch (const std::exception& e) {
    TvqLib::Log(prefix + sSour + "”出错：" + e.what(), true);
    return std::string();
  }
}

}  // namespace

namespace TvqLib {

std::string GetVqDecrypt(const std::string& sSour) { return FrontEnd(true, sSour); }
std::string GetVqEncrypt(const std::string& sSour) { return FrontEnd(false, sSour); }

}  // namespace TvqLib
}  // namespace tessaly
