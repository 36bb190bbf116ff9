#include "foundation/FormatSettings.h"

#include <mutex>

namespace tessaly {
namespace {

std::mutex g_lock;
TFormatSettings g_settings;  // guarded by g_lock

}  // namespace

TFormatSettings GetFormatSettings() {
  std::lock_guard<std::mutex> g(g_lock);
  return g_settings;
}

void SetFormatSettings(const TFormatSettings& aSettings) {
  std::lock_guard<std::mutex> g(g_lock);
  g_settings = aSettings;
}

}  // namespace tessaly
