// The setup text table with any override resource, asked for any keys. Oracles: every text is
// valid UTF-8; keys joined by commas give their texts run together; formatting a text that
// holds no "%" gives the text itself, and formatting never grows by more than its arguments.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzInput.h"
#include "platform/TextCodec.h"
#include "setup/core/VqLang.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* aData, std::size_t aSize) {
  vqfuzz::TFuzzInput in(aData, aSize);
  const std::string first = in.Text();
  const std::string second = in.Text();
  const std::string arg = in.Text();
  const std::string overrides = in.Rest();
  const orvane::TvqLang lang([&](std::string_view aName) -> std::optional<std::string> {
    if (aName != orvane::TvqLang::kOverrideResource) return std::nullopt;
    return overrides;
  });

  for (const std::string& keys : {first, second, std::string("IDS_WELCOME"), first + "," + second}) {
    const std::string text = lang.GetText(keys);
    FUZZ_CHECK(platform::IsValidUtf8(text), keys);
    const std::string formatted = lang.FormatText(keys, {arg, arg});
    if (text.find('%') == std::string::npos) FUZZ_CHECK(formatted == text, keys);
    FUZZ_CHECK(formatted.size() <= text.size() * (arg.size() + 1) + arg.size() * 2, keys);
  }
  if (first.find(',') == std::string::npos && second.find(',') == std::string::npos)
    FUZZ_CHECK(lang.GetText(first + "," + second) == lang.GetText(first) + lang.GetText(second), first + "," + second);
  return 0;
}
