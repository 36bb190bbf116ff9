// The setup engine's package reader over any archive and map bytes, and the stored module list
// over any text. The input is split at the first 0xFF byte: the archive before it, the map (GBK
// text) after it. Oracles: opening either succeeds or gives a reason; every map line's entry
// either extracts (1), is missing (0) or fails with EZipError, and what extracts has the
// CRC-32 and size of one of the archive's central directory records; a module list read back from its
// comma text is the list that was read.
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "FuzzInput.h"
#include "platform/TextLines.h"
#include "setup/core/InstallItemsText.h"
#include "setup/core/LineList.h"
#include "setup/core/ZipPackage.h"

namespace {

void Write(const std::string& file, const std::string& bytes) {
  std::ofstream(file, std::ios::binary | std::ios::trunc)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::uint32_t Crc32(const std::string& bytes) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (const char c : bytes) {
    crc ^= static_cast<unsigned char>(c);
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

std::uint32_t Le32(const std::string& bytes, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
  return v;
}

// Whether some central directory record of `zip` declares this CRC-32 and size.
bool DirectoryHolds(const std::string& zip, std::uint32_t crc, std::size_t size) {
  const std::string signature("PK\x01\x02", 4);
  for (std::size_t at = zip.find(signature); at != std::string::npos && at + 28 <= zip.size();
       at = zip.find(signature, at + 1))
    if (Le32(zip, at + 16) == crc && Le32(zip, at + 24) == size) return true;
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* aData, std::size_t aSize) {
  static const std::string archiveFile = vqfuzz::ScratchDir() + "package.zip";
  static const std::string mapFile = vqfuzz::ScratchDir() + "package.map";
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
        if (count == 1 && !DirectoryHolds(input.substr(0, cut), Crc32(bytes), bytes.size())) std::abort();
      } catch (const orvane::EZipError&) {
      }
    }
  }

  const orvane::TLineList lines = orvane::SplitCommaText(input);
  if (orvane::SplitCommaText(orvane::JoinCommaText(lines)) != lines) std::abort();
  return 0;
}
