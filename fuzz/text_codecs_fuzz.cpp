// Reply bodies decoded by their declared charset, the code-page, UTF-8 and UTF-16 codecs, and
// the form and URL codecs. Oracles: every decoder hands back valid UTF-8; valid UTF-8 survives
// the trip through UTF-16; a form-encoded text decodes to itself; a form body decodes, field by
// field, to the lines it was made of.
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "foundation/VqNetUtil.h"
#include "foundation/VqNetUtilTransfer.h"
#include "platform/TextCodec.h"
#include "platform/TextLines.h"

namespace {

// The lines a form body holds: its "&"-separated fields, each side of a field's "=" decoded.
std::vector<std::string> FormLines(const std::string& body) {
  std::vector<std::string> lines;
  if (body.empty()) return lines;
  for (std::size_t start = 0;;) {
    const std::size_t amp = body.find('&', start);
    const std::string field = body.substr(start, amp == std::string::npos ? std::string::npos : amp - start);
    const std::size_t eq = field.find('=');
    lines.push_back(eq == std::string::npos ? tessaly::TVqNet::UrlDecode(field)
                                            : tessaly::TVqNet::UrlDecode(field.substr(0, eq)) + "=" +
                                                  tessaly::TVqNet::UrlDecode(field.substr(eq + 1)));
    if (amp == std::string::npos) return lines;
    start = amp + 1;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* aData, std::size_t aSize) {
  using namespace tessaly;
  vqfuzz::TFuzzInput in(aData, aSize);
  const std::uint8_t split = in.Byte();
  const std::string contentType = in.Text();
  const std::string bytes = in.Rest();

  const std::string body = netdetail::DecodeReplyBody(std::string(bytes), contentType);
  FUZZ_CHECK(platform::IsValidUtf8(body), contentType);
  const std::string gbk = platform::Cp936ToUtf8(bytes);
  FUZZ_CHECK(platform::IsValidUtf8(gbk), bytes);
  (void)platform::Utf8ToCp936(gbk);
  (void)platform::Utf8ToCp936(bytes);
  for (const bool bigEndian : {false, true})
    FUZZ_CHECK(platform::IsValidUtf8(platform::Utf16BytesToUtf8(bytes, bigEndian)), bytes);

  const std::string text = platform::SanitizeUtf8(bytes);
  FUZZ_CHECK(platform::IsValidUtf8(text), bytes);
  if (platform::IsValidUtf8(bytes)) FUZZ_CHECK(text == bytes, bytes);
  const std::u16string units = platform::Utf8ToUtf16(text);
  FUZZ_CHECK(platform::Utf16ToUtf8(units) == text, text);
  FUZZ_CHECK(platform::Utf16Length(text) == units.size(), text);
  FUZZ_CHECK(platform::IsValidUtf8(platform::Utf16Mid(text, split % 8, split / 8)), text);

  FUZZ_CHECK(TVqNet::UrlDecode(TVqNet::FormEncode(bytes)) == bytes, bytes);
  (void)TVqNet::UrlDecode(bytes);
  std::vector<std::string> lines = platform::SplitTextLines(bytes);
  // A single empty line makes an empty body, as no line does.
  if (lines.size() == 1 && lines[0].empty()) lines.clear();
  FUZZ_CHECK(FormLines(TVqNet::FormBody(bytes)) == lines, bytes);
  (void)platform::TrimBlanks(bytes);
  return 0;
}
