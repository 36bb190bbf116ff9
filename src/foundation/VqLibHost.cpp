// TvqLib's small system helpers: host identity, GUIDs, shell and processes.
#include <uuid/uuid.h>

#include <exception>

#include "foundation/VqLibUtil.h"
#include "foundation/VqNetHelperUtil.h"
#include "platform/MachineInfo.h"
#include "platform/Process.h"
#include "platform/ShellOpen.h"
#include "platform/TextCodec.h"

namespace tessaly::TvqLib {

std::string GetHostName() { return platform::ComputerName(); }

std::string GetLocalIP() {
  std::string ip;
  return VqNetHelperUtil::GetLocalIPv4(ip) ? ip : std::string();
}

std::string GetMacAddress() { return VqNetHelperUtil::GetMacAddressByUuid(); }

std::string GetGUID() {
  uuid_t id;
  uuid_generate(id);
  char text[37];
  uuid_unparse_upper(id, text);
  return text;
}

void OpenUrl(const std::string& aUrl) {
  std::string reason;
  (void)platform::ShellOpen(aUrl, "", reason);
}

std::string GetAppNameById(int aAppId) { return platform::ProcessExeName(aAppId); }

bool ProcCreate(const std::string& aProcFile) {
  try {
    bool shellRuns = false;
    for (int pid : platform::ProcessIds()) {
      if (platform::AsciiUpper(platform::ProcessExeName(pid)).find("EXPLORER") != std::string::npos) {
        shellRuns = true;
        break;
      }
    }
    if (!shellRuns) {
      Log("打开程序失败，未找到Explorer", true);
      return false;
    }
    const std::vector<std::string> argv = platform::SplitCommandLine(aProcFile);
    if (argv.empty()) return false;
    std::string reason;
    return platform::StartDetached(argv[0], std::vector<std::string>(argv.begin() + 1, argv.end()), reason);
  } catch (const std::exception& e) {
    Log(std::string("打开文件时出错：") + e.what());
    return false;
  }
}

}  // namespace tessaly::TvqLib
