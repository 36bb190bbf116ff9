#include "setup/core/VqLang.h"

#include "platform/TextCodec.h"
#include "setup/core/LineList.h"
#include "setup/core/VqLangTexts.h"

namespace orvane {
TvqLang::TvqLang() {
  for (const TLangEntry& e : BuiltInLangTexts()) builtIn_.push_back(std::string(e.key) + "=" + e.text);
}

TvqLang::TvqLang(const TResourceReader& reader) : TvqLang() { LoadOverrides(reader); }

void TvqLang::LoadOverrides(const TResourceReader& reader) {
  overrides_.clear();
  if (!reader) return;
  std::optional<std::string> bytes;
  try {
    bytes = reader(kOverrideResource);
  } catch (...) {
    // A broken resource must not stop the setup: the built-in texts serve.
    return;
  }
  if (!bytes) return;
  // CR and LF never occur inside a GBK character, so converting first keeps the lines.
  overrides_ = SplitTextLines(platform::Cp936ToUtf8(*bytes));
}

std::string TvqLang::GetText(std::string_view keys) const {
  std::string result;
  std::size_t start = 0;
  while (true) {
    const std::size_t comma = keys.find(',', start);
    const std::string_view part = keys.substr(start, comma == std::string_view::npos ? keys.npos : comma - start);
    std::string value = FindLineValue(overrides_, part).value_or("");
    if (value.empty()) value = FindLineValue(builtIn_, part).value_or("");
    result += value;
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return result;
}

std::string TvqLang::FormatText(std::string_view keys, const std::vector<std::string>& args) const {
  const std::string pattern = GetText(keys);
  std::string out;
  std::size_t next = 0;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == '%' && i + 1 < pattern.size()) {
      if (pattern[i + 1] == 's') {
        if (next < args.size()) out += args[next];
        ++next;
        ++i;
        continue;
      }
      if (pattern[i + 1] == '%') {
        out += '%';
        ++i;
        continue;
      }
    }
    out += pattern[i];
  }
  return out;
}

}  // namespace orvane
