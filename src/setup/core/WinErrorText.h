#pragma once
// The message for a Windows error code as the setup program shows it: in Chinese, the text a
// Chinese Windows gives, like every other text the user reads.
#include <string>

namespace orvane {

// "拒绝访问。" for kErrorAccessDenied; "系统错误，代码：<code>。" for a code without a text.
[[nodiscard]] std::string WinErrorText(long code);

}  // namespace orvane
