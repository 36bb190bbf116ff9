// The setup configuration reader over any file contents: the Main keys, every section's lines
// and the record parsers of modules, file groups, files, shortcuts and exec steps. Oracles:
// every value read is valid UTF-8 and at most kIniValueMaxBytes in GBK; the Main keys always
// yield a product GUID; a section's lines are as many as its count.
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "platform/TextCodec.h"
#include "setup/core/ConfigRecords.h"
#include "setup/core/LineList.h"
#include "setup/core/SetupConfig.h"

namespace {

using namespace orvane;

constexpr std::size_t kMaxSections = 16;

void CheckValue(const std::string& aValue) {
  FUZZ_CHECK(platform::IsValidUtf8(aValue), aValue);
  FUZZ_CHECK(platform::Utf8ToCp936(aValue).size() <= kIniValueMaxBytes, aValue);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* aData, std::size_t aSize) {
  const std::string file = vqfuzz::ScratchDir() + "setup.ini";
  std::ofstream(file, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(aData), static_cast<std::streamsize>(aSize));

  TSetupConfig config(file);
  const TMainConfig main = config.ReadMain([](const std::string& aLine) { CheckValue(aLine); });
  FUZZ_CHECK(!main.AppGuid.empty(), vqfuzz::FileBytes(file));
  CheckValue(main.AppName);
  (void)main.IsUninstaller();
  (void)main.AppValues();

  std::vector<std::string> sections;
  TIniFile ini(file);
  ini.ReadSections(sections);
  // Each section costs a few reads of the whole file: the first ones are enough to reach every
  // record parser.
  if (sections.size() > kMaxSections) sections.resize(kMaxSections);
  for (const std::string& section : sections) {
    const TLineList lines = config.ReadConfigSection(section);
    FUZZ_CHECK(static_cast<int>(lines.size()) == config.CountConfigSection(section), section);
    for (const std::string& line : lines) {
      CheckValue(LineValue(line));
      (void)ParseModuleLine(line).Caption();
      (void)ParseFileGroupLine(line);
      (void)ParseFileLine(line).TargetFileName();
      (void)ParseShortcutLine(line).IsUrl();
      const TExecRecord exec = ParseExecLine(line);
      for (std::uint32_t style = 0; style < 4; ++style) (void)exec.RunsInStyle(style);
      (void)exec.FitsWindows(true);
      (void)IsPictureFile(LineName(line));
    }
    (void)ModuleGroupIds(lines);
  }
  // The typed reads, on the section that holds the Main keys.
  (void)ini.ReadInteger("Main", "AppInstalSliderImgtime", 0);
  (void)ini.ReadDate("Main", "AppVersion", 0);
  (void)ini.ReadDateTime("Main", "AppVersion", 0);
  (void)ini.ReadTime("Main", "AppVersion", 0);
  (void)ini.ReadFloat("Main", "AppVersion", 0);
  std::string bytes;
  (void)ini.ReadBinaryStream("Main", "AppId", bytes);
  return 0;
}
