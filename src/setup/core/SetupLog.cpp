#include "setup/core/SetupLog.h"

#include <mutex>

#include "setup/core/SetupDateTime.h"
#include "setup/core/SetupFiles.h"
#include "setup/core/VqLib.h"

namespace orvane {
namespace {

std::mutex g_folderLock;
std::string g_logFolder;  // guarded by g_folderLock

}  // namespace

void SetSetupLogFolder(const std::string& folder) {
  std::lock_guard<std::mutex> hold(g_folderLock);
  g_logFolder = folder;
}

std::string SetupLogFolder() {
  std::lock_guard<std::mutex> hold(g_folderLock);
  return g_logFolder;
}

void WriteSetupLog(const std::string& text) {
  TvqLib::WriteLogFile("[" + DateTimeText(GetClock().Now()) + "]  " + text, "", SetupLogFolder());
}

}  // namespace orvane
