// Build-time packer: appends named blobs to a built executable as its resources.
//   vqpack <executable> <name>=<file> [<name>=<file> ...]
// A name already packed is replaced; the others stay. A name given twice (without case) is
// packed once, from the last file given. Exit code 0 on success, 1 on any error.
// A setup configuration ("soft_config", GBK INI text) must name its product GUID: the uninstall
// entry is keyed by it, so an installer and its uninstaller must agree on one. Its AppId names
// the uninstaller's files in the install folder, so it must be one safe file name.
// Files are host files, read where they are named: the packer touches no machine root.
#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "platform/ExeResources.h"
#include "platform/FileOps.h"
#include "platform/Profile.h"
#include "platform/TextCodec.h"
#include "setup/core/SafeFileName.h"

namespace {

// The reason a setup configuration cannot be packed; empty when it can.
std::string ConfigurationFault(const std::string& file) {
  const auto value = [&](const char* key, const char* def) {
    return platform::GetPrivateProfileString("Main", key, def, file, platform::ProfileCodePage::Ansi);
  };
  if (value("AppGuid", "").empty()) return "the configuration names no AppGuid in [Main]";
  const std::string appId = value("AppId", "1001");
  if (!orvane::SafeFileName(appId)) return "the AppId \"" + appId + "\" in [Main] is no file name";
  return {};
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s <executable> <name>=<file> [<name>=<file> ...]\n", argv[0]);
    return 1;
  }
  std::vector<std::pair<std::string, std::string>> blobs;
  for (int i = 2; i < argc; ++i) {
    const std::string arg = argv[i];
    const auto eq = arg.find('=');
    if (eq == std::string::npos || eq == 0) {
      std::fprintf(stderr, "vqpack: expected <name>=<file>, got \"%s\"\n", arg.c_str());
      return 1;
    }
    const std::string given = arg.substr(eq + 1);
    // An absolute host path: a bare name is never looked for in a Windows folder, and nothing
    // is read as a drive path.
    std::error_code ec;
    const std::string file = std::filesystem::absolute(given, ec).string();
    std::string bytes;
    if (ec || platform::ReadFileBytes(file, bytes) != 0) {
      std::fprintf(stderr, "vqpack: cannot read %s\n", given.c_str());
      return 1;
    }
    const std::string name = arg.substr(0, eq);
    if (platform::SameText(name, "soft_config")) {
      const std::string fault = ConfigurationFault(file);
      if (!fault.empty()) {
        std::fprintf(stderr, "vqpack: %s: %s\n", given.c_str(), fault.c_str());
        return 1;
      }
    }
    std::erase_if(blobs, [&](const auto& blob) { return platform::SameText(blob.first, name); });
    blobs.emplace_back(name, std::move(bytes));
  }
  std::string error;
  if (!platform::AppendResources(argv[1], blobs, error)) {
    std::fprintf(stderr, "vqpack: %s: %s\n", argv[1], error.c_str());
    return 1;
  }
  return 0;
}
