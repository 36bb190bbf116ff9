// The setup engine's package reader over any archive and map bytes, and the stored module list
// over any text. The input is split at the first 0xFF byte: the archive before it, the map (GBK
// text) after it. Oracles: opening either succeeds or gives a reason; every map line's entry
// either extracts (1), is missing (0) or fails with EZipError; a module list read back from its
// comma text is the list that was read.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/TextLines.h"
#include "setup/core/InstallItemsText.h"
#include "setup/core/LineList.h"
#include "setup/core/ZipPackage.h"

namespace {

std::string TempFile(const char* tag) {
  std::string tmpl = std::string("/tmp/vq_setup_package_fuzz_") + tag + ".XXXXXX";
  const int fd = mkstemp(tmpl.data());
  if (fd >= 0) close(fd);
  return tmpl;
}

void Write(const std::string& file, const std::string& bytes) {
  std::ofstream(file, std::ios::binary | std::ios::trunc).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* aData, std::size_t aSize) {
  static const std::string archiveFile = TempFile("zip");
  static const std::string mapFile = TempFile("map");
  const std::string input(reinterpret_cast<const char*>(aData), aSize);
  const std::size_t cut = input.find('\xFF');
  Write(archiveFile, input.substr(0, cut));
  Write(mapFile, cut == std::string::npos ? std::string() : input.substr(cut + 1));

  for (const auto kind : {orvane::TZipPackage::Kind::Payload, orvane::TZipPackage::Kind::AppFiles}) {
    orvane::TZipPackage package(kind);
    std::string error;
    if (!package.OpenArchive(archiveFile, error) && error.empty()) std::abort();
    package.LoadMap(mapFile);
    std::string mapText;
    std::ifstream(mapFile, std::ios::binary) >> std::noskipws >> mapText;
    for (const std::string& line : platform::SplitTextLines(mapText)) {
      const std::string entry = package.EntryOf(package.MapRecord(orvane::LineName(line)));
      std::string bytes;
      try {
        const int count = package.Extract(entry, bytes);
        if (count != 0 && count != 1) std::abort();
      } catch (const orvane::EZipError&) {
      }
    }
  }

  const orvane::TLineList lines = orvane::SplitCommaText(input);
  if (orvane::SplitCommaText(orvane::JoinCommaText(lines)) != lines) std::abort();
  return 0;
}
