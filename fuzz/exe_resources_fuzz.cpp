// The resource trailer reader over any executable file. Oracles: every listed resource either
// reads back or reports why not; packing one more blob keeps every resource that read back and
// adds the new one; nothing crashes or reads outside the file.
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>

#include "FuzzInput.h"
#include "platform/ExeResources.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* aData, std::size_t aSize) {
  static const std::string file = vqfuzz::ScratchDir() + "resources.exe";
  std::ofstream(file, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(aData),
                                                                  static_cast<std::streamsize>(aSize));
  std::string error;
  const auto res = platform::ResourceFile::Open(file, error);
  if (!res) {
    if (error.empty()) std::abort();
    return 0;
  }
  std::map<std::string, std::string> good;
  for (const std::string& name : res->Names()) {
    std::string bytes;
    std::string why;
    if (res->Read(name, bytes, why)) {
      good.emplace(name, bytes);
    } else if (why.empty()) {
      std::abort();
    }
  }
  if (!platform::AppendResources(file, {{"fuzz_added", "payload"}}, error)) return 0;
  const auto again = platform::ResourceFile::Open(file, error);
  if (!again) std::abort();
  std::string bytes;
  if (!again->Read("FUZZ_ADDED", bytes, error) || bytes != "payload") std::abort();
  for (const auto& [name, value] : good) {
    if (platform::ResourceFile::Open(file, error)->Has(name) && name != "fuzz_added" &&
        (!again->Read(name, bytes, error) || bytes != value))
      std::abort();
  }
  return 0;
}
