#pragma once
// What a flow or the configuration step could not do, as the user is told at its end: the files
// that were not placed, removed or written, and the registry keys that were not written or
// removed, each by the name the user knows it by.
#include <string>
#include <vector>

namespace orvane {

class TvqLang;

struct TFailedTargets {
  std::vector<std::string> files;
  std::vector<std::string> keys;

  [[nodiscard]] bool Empty() const { return files.empty() && keys.empty(); }
  void Clear() {
    files.clear();
    keys.clear();
  }
};

// "<head>文件失败：<n>，<file>，..." for the files and "<head>注册表项失败：<n>，<key>，..." for
// the keys, joined by "；" when both failed; at most three names each, then "...". Empty when
// nothing failed.
[[nodiscard]] std::string FailureReport(const TvqLang& lang, const std::string& head, const TFailedTargets& failed);

}  // namespace orvane
