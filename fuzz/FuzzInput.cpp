#include "FuzzInput.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace vqfuzz {

const std::string& ScratchDir() {
  // Never freed: the exit handler below runs after static objects are gone.
  static const std::string* const dir = [] {
    std::string templ = (std::filesystem::temp_directory_path() / "vq-fuzz.XXXXXX").string();
    if (::mkdtemp(templ.data()) == nullptr) Fail("mkdtemp", templ);
    auto* made = new std::string(templ + "/");
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(ScratchDir(), ec);
    });
    return made;
  }();
  return *dir;
}

std::string FileBytes(const std::string& aPath) {
  std::ifstream in(aPath, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

}  // namespace vqfuzz
