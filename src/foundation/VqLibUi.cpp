// TvqLib's hand-offs to the UI (foundation/UiHooks.h).
#include "foundation/UiHooks.h"
#include "foundation/VqLibUtil.h"

namespace tessaly::TvqLib {

void MsgBox(const std::string& aMsg, const std::string& aTitle) {
  if (const auto hook = UiHooks::GetMsgBoxHook()) {
    hook(aMsg, aTitle);
    return;
  }
  Log(aTitle + "：" + aMsg, true);
}

bool MsgQuery(const std::string& aMsg, const std::string& aTitle, const std::string& aRemark) {
  if (const auto hook = UiHooks::GetMsgQueryHook()) return hook(aMsg, aTitle, aRemark);
  Log(aTitle + "：" + aMsg + (aRemark.empty() ? std::string() : " " + aRemark), true);
  return false;
}

void CopyToClip(const std::string& aText) {
  if (const auto hook = UiHooks::GetCopyToClipHook()) hook(aText);
}

bool SetWindowForegroud(std::uintptr_t Handle) {
  try {
    const auto hook = UiHooks::GetForegroundHook();
    return hook ? hook(Handle) : false;
  } catch (...) {
    return false;
  }
}

}  // namespace tessaly::TvqLib
