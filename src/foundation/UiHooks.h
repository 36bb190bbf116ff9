#pragma once
// Where the UI plugs into the headless layers: the shell registers one function per hook at
// start-up (an empty function removes it). TvqLib's MsgBox, MsgQuery, CopyToClip and
// SetWindowForegroud call the hook on the caller's thread, with none of our locks held; a hook
// that must run on the UI thread marshals the call itself. Without a hook they take the "no"
// answer (foundation/VqLibUtil.h). Registration and calls are thread-safe.
#include <cstdint>
#include <functional>
#include <string>

namespace tessaly::UiHooks {

using TMsgBoxHook = std::function<void(const std::string& aMsg, const std::string& aTitle)>;
// True when the user chose OK.
using TMsgQueryHook =
    std::function<bool(const std::string& aMsg, const std::string& aTitle, const std::string& aRemark)>;
using TCopyToClipHook = std::function<void(const std::string& aText)>;
// True when the window with that native handle came to the foreground.
using TForegroundHook = std::function<bool(std::uintptr_t aHandle)>;

void SetMsgBoxHook(TMsgBoxHook aHook);
void SetMsgQueryHook(TMsgQueryHook aHook);
void SetCopyToClipHook(TCopyToClipHook aHook);
void SetForegroundHook(TForegroundHook aHook);

// Copies of the registered hooks (empty when none).
[[nodiscard]] TMsgBoxHook GetMsgBoxHook();
[[nodiscard]] TMsgQueryHook GetMsgQueryHook();
[[nodiscard]] TCopyToClipHook GetCopyToClipHook();
[[nodiscard]] TForegroundHook GetForegroundHook();

}  // namespace tessaly::UiHooks
