#include "foundation/UiHooks.h"

#include <mutex>

namespace tessaly::UiHooks {
namespace {

std::mutex g_lock;
// All guarded by g_lock; callers get copies, so a hook never runs under the lock.
TMsgBoxHook g_msgBox;
TMsgQueryHook g_msgQuery;
TCopyToClipHook g_copyToClip;
TForegroundHook g_foreground;

template <class T>
void Store(T& slot, T hook) {
  std::lock_guard<std::mutex> g(g_lock);
  slot = std::move(hook);
}

template <class T>
T Load(const T& slot) {
  std::lock_guard<std::mutex> g(g_lock);
  return slot;
}

}  // namespace

void SetMsgBoxHook(TMsgBoxHook aHook) { Store(g_msgBox, std::move(aHook)); }
void SetMsgQueryHook(TMsgQueryHook aHook) { Store(g_msgQuery, std::move(aHook)); }
void SetCopyToClipHook(TCopyToClipHook aHook) { Store(g_copyToClip, std::move(aHook)); }
void SetForegroundHook(TForegroundHook aHook) { Store(g_foreground, std::move(aHook)); }

TMsgBoxHook GetMsgBoxHook() { return Load(g_msgBox); }
TMsgQueryHook GetMsgQueryHook() { return Load(g_msgQuery); }
TCopyToClipHook GetCopyToClipHook() { return Load(g_copyToClip); }
TForegroundHook GetForegroundHook() { return Load(g_foreground); }

}  // namespace tessaly::UiHooks
