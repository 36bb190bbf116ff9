#include "platform/Fonts.h"

#include <fontconfig/fontconfig.h>

#include <cstdlib>
#include <mutex>

#include "platform/FileOps.h"
#include "platform/MachineRoot.h"
#include "platform/TextCodec.h"
#include "platform/WinPath.h"

namespace platform {
namespace {

std::mutex g_lock;  // serialises the list file and fontconfig's current configuration

std::string ListFile() {
  const std::string run = MachineRunDir();
  return run.empty() ? std::string() : run + "/fonts.list";
}

int FaceCount(const std::string& host) {
  FcFontSet* set = FcFontSetCreate();
  if (set == nullptr) return 0;
  const unsigned count = FcFreeTypeQueryAll(reinterpret_cast<const FcChar8*>(host.c_str()), -1, nullptr, nullptr, set);
  FcFontSetDestroy(set);
  return static_cast<int>(count);
}

}  // namespace

int AddFontResource(const std::string& path) {
  const std::string host = HostPath(path);
  const int faces = FaceCount(host);
  if (faces <= 0) return 0;
  std::lock_guard<std::mutex> hold(g_lock);
  // The fonts stay registered for the life of the process; fontconfig lets them go at its end.
  static const bool releaseAtExit = std::atexit([] { FcFini(); }) == 0;
  (void)releaseAtExit;
  if (FcConfigAppFontAddFile(nullptr, reinterpret_cast<const FcChar8*>(host.c_str())) != FcTrue) return 0;
  std::string list;
  (void)ReadFileBytes(ListFile(), list);
  bool listed = false;
  std::size_t start = 0;
  while (start < list.size() && !listed) {
    const auto end = list.find('\n', start);
    // One entry per file, however its path is spelled.
    listed = SameText(HostPath(list.substr(start, end - start)), host);
    start = end == std::string::npos ? list.size() : end + 1;
  }
  if (!listed && WriteFileBytes(ListFile(), path + "\n", true) != 0) return 0;
  return faces;
}

std::string SessionFontList() {
  std::lock_guard<std::mutex> hold(g_lock);
  std::string list;
  (void)ReadFileBytes(ListFile(), list);
  return list;
}

}  // namespace platform
