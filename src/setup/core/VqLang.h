#pragma once
// The setup program's text table. Texts are asked for by "IDS_" key, or by several keys joined
// by commas, whose texts come run together. Built-in Chinese texts can be replaced entry by entry
// by the program's "app_lang_config" resource (GBK lines "key=text", any line end); an empty
// replacement keeps the built-in text. Immutable once built, so any thread may read it.
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include <vector>

#include "setup/core/LineList.h"

namespace orvane {

class TvqLang {
 public:
  // Reads a resource of the program by name; nothing when it is missing. May throw.
  using TResourceReader = std::function<std::optional<std::string>(std::string_view name)>;

  static constexpr std::string_view kOverrideResource = "app_lang_config";

  // The built-in texts only.
  TvqLang();
  // The built-in texts and the overrides read through `reader`; a missing resource or an error
  // while reading it leaves no overrides.
  explicit TvqLang(const TResourceReader& reader);

  // Splits `keys` at every "," (parts taken as written, blanks and empty parts included) and
  // runs together each part's text: the override's when it is not empty, else the built-in one;
  // an unknown key adds nothing. Names compare without case; the first matching line wins.
  [[nodiscard]] std::string GetText(std::string_view keys) const;

  // GetText, then each "%s" replaced by the next argument ("" once they run out) and "%%" by
  // "%"; every other character, other "%" sequences included, is kept as it is. The texts come
  // from a resource, so they are never handed to a printf-style formatter.
  [[nodiscard]] std::string FormatText(std::string_view keys, const std::vector<std::string>& args) const;

 private:
  void LoadOverrides(const TResourceReader& reader);

  TLineList builtIn_;    // "key=text"
  TLineList overrides_;  // the resource's lines as they are
};

}  // namespace orvane
