#pragma once
// UTF-16 to UTF-8 into a text the caller keeps, for loops that convert many values and would
// otherwise allocate a text for each (the fetch loop of the ODBC back end). TextCodec.h has the
// conversions that return a new text.
#include <string>
#include <string_view>

namespace platform {

// Appends the UTF-8 form of `utf16` to `out`; unpaired surrogates become U+FFFD, as in Utf16ToUtf8.
void AppendUtf16AsUtf8(std::string& out, std::u16string_view utf16);

}  // namespace platform
