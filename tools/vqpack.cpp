// Build-time packer: appends named blobs to a built executable as its resources.
//   vqpack <executable> <name>=<file> [<name>=<file> ...]
// A name already packed is replaced; the others stay. Exit code 0 on success, 1 on any error.
// A setup configuration ("soft_config", GBK INI text) must name its product GUID: the uninstall
// entry is keyed by it, so an installer and its uninstaller must agree on one.
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "platform/ExeResources.h"
#include "platform/FileOps.h"
#include "platform/Profile.h"
#include "platform/TextCodec.h"

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
    std::string bytes;
    if (platform::ReadFileBytes(arg.substr(eq + 1), bytes) != 0) {
      std::fprintf(stderr, "vqpack: cannot read %s\n", arg.substr(eq + 1).c_str());
      return 1;
    }
    const std::string name = arg.substr(0, eq);
    if (platform::SameText(name, "soft_config") &&
        platform::GetPrivateProfileString("Main", "AppGuid", "", arg.substr(eq + 1), platform::ProfileCodePage::Ansi)
            .empty()) {
      std::fprintf(stderr, "vqpack: %s: the configuration names no AppGuid in [Main]\n", arg.substr(eq + 1).c_str());
      return 1;
    }
    blobs.emplace_back(name, std::move(bytes));
  }
  std::string error;
  if (!platform::AppendResources(argv[1], blobs, error)) {
    std::fprintf(stderr, "vqpack: %s: %s\n", argv[1], error.c_str());
    return 1;
  }
  return 0;
}
