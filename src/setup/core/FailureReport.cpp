#include "setup/core/FailureReport.h"

#include "setup/core/VqLang.h"

namespace orvane {
namespace {

constexpr std::size_t kNamesShown = 3;

std::string Part(const std::string& what, const std::vector<std::string>& names) {
  std::string text = what + "：" + std::to_string(names.size());
  for (std::size_t i = 0; i < names.size() && i < kNamesShown; ++i) text += "，" + names[i];
  if (names.size() > kNamesShown) text += "...";
  return text;
}

}  // namespace

std::string FailureReport(const TvqLang& lang, const std::string& head, const TFailedTargets& failed) {
  std::string report;
  if (!failed.files.empty()) report = Part(head + lang.GetText("IDS_FILE,IDS_FIALED"), failed.files);
  if (!failed.keys.empty()) {
    if (!report.empty()) report += "；";
    report += Part(head + "注册表项" + lang.GetText("IDS_FIALED"), failed.keys);
  }
  return report;
}

}  // namespace orvane
