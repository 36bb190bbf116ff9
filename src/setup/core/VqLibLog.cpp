// The library's log writer, its notes, the delay and the boxes.
#include <iostream>
#include <mutex>

#include "platform/Drives.h"
#include "platform/FileOps.h"
#include "platform/ProgramInfo.h"
#include "platform/TextCodec.h"
#include "setup/core/MessagePump.h"
#include "setup/core/SafeFileName.h"
#include "setup/core/SetupUi.h"
#include "setup/core/VqLib.h"
#include "setup/core/VqLibNotes.h"

namespace orvane {
namespace {

std::mutex g_logLock;  // the global log lock: serialises WriteLogFile

std::mutex g_sinkLock;
TLibLogSink g_sink;  // guarded by g_sinkLock

}  // namespace

void SetLibraryLog(TLibLogSink sink) {
  std::lock_guard<std::mutex> hold(g_sinkLock);
  g_sink = std::move(sink);
}

void LibraryNote(const std::string& line) {
  std::lock_guard<std::mutex> hold(g_sinkLock);
  if (g_sink) {
    g_sink(line);
  } else {
    std::cerr << line << '\n';
  }
}

void TvqLib::WriteLogFile(const std::string& text, const std::string& fileName, const std::string& folder) {
  try {
    const std::string dir = folder.empty() ? GetExeFolder() : folder;
    std::string name = fileName;
    if (name.empty()) {
      const std::string file = platform::ProgramFile();
      name = file.substr(file.find_last_of('/') + 1);
      name = name.substr(0, name.find('.'));
    }
    const auto safe = SafeFileName(name);
    if (!safe) return;
    (void)platform::CreateFolderTree(dir);
    std::lock_guard<std::mutex> hold(g_logLock);
    (void)platform::WriteFileBytes(dir + *safe + ".log", platform::Utf8ToCp936(text) + "\r\n\r\n", true);
  } catch (...) {
    // Logging never disturbs the caller.
  }
}

void TvqLib::Delay(int ms) { PumpWait(ms); }

void TvqLib::InfoBox(const std::string& text, const std::string& title) { GetInfoBox().InfoBox(text, title); }

int TvqLib::QueryBox(const std::string& text, const std::string& title) {
  return GetQuestionBox().QueryBox(text, title);
}

}  // namespace orvane
