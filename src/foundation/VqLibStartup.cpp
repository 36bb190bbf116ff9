// TvqLib's start-up services: program folder and version, the single-instance guard and the
// updater launch.
#include <filesystem>
#include <mutex>

#include "foundation/VqLibUtil.h"
#include "platform/NamedMutex.h"
#include "platform/Process.h"
#include "platform/ShellOpen.h"
#include "platform/ProgramInfo.h"
#include "platform/TextCodec.h"

namespace tessaly::TvqLib {
namespace {

std::mutex g_titleLock;
std::string g_title;  // guarded by g_titleLock; empty until the start-up sets one

}  // namespace

std::string GetCurrPath() { return platform::ProgramDir(); }

std::string GetVersion() { return platform::ProgramVersion(); }

std::string GetAppVersion() { return platform::ProgramVersion(); }

void SetAppTitle(const std::string& aTitle) {
  std::lock_guard<std::mutex> g(g_titleLock);
  g_title = aTitle;
}

std::string GetAppTitle() {
  {
    std::lock_guard<std::mutex> g(g_titleLock);
    if (!g_title.empty()) return g_title;
  }
  return std::filesystem::path(platform::ProgramFile()).stem().string();
}

std::string GetMutexKey(const std::string& aProgramFile) {
  std::string rest;
  if (const auto drive = aProgramFile.find(":\\"); drive != std::string::npos) {
    rest = platform::AsciiUpper(aProgramFile.substr(drive + 2));
    for (char& c : rest) {
      if (c == '\\') c = '_';
    }
  } else {
    rest = aProgramFile.substr(aProgramFile.empty() || aProgramFile[0] != '/' ? 0 : 1);
    for (char& c : rest) {
      if (c == '/') c = '_';
    }
  }
  return "TESSALY_CLIENT_" + rest;
}

bool CheckOnlyRunn(const std::string& aMutexKey) {
  if (platform::OpenNamedMutex(aMutexKey)) return true;
  (void)platform::CreateNamedMutex(aMutexKey);
  return false;
}

bool CheckUpgrade(const std::string& aUrl, const std::string& aAppTitle, std::string& aErro) {
  const std::string title = aAppTitle.empty() ? GetAppTitle() : aAppTitle;
  const std::string params = "-" + aUrl + " -0 -0 -" + title + " -" + GetAppVersion();
  const std::string updater = GetCurrPath() + "VqUpdata.exe";
  std::error_code ec;
  if (!std::filesystem::is_regular_file(updater, ec)) {
    aErro = "未找到升级程序";
    return false;
  }
  std::string reason;
  if (!platform::ShellOpen(updater, params, reason)) {
    aErro = "运行升级程序出错：" + reason;
    return false;
  }
  return true;
}

}  // namespace tessaly::TvqLib
