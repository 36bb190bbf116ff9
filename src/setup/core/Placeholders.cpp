#include "setup/core/Placeholders.h"

#include <utility>

#include "platform/TextCodec.h"

namespace orvane {
namespace {

// Every occurrence of `token` replaced by `value`, scanning left to right; the inserted text is
// not searched again. Without case the match folds ASCII letters only (tokens are ASCII).
std::string ReplaceOnce(std::string_view text, std::string_view token, std::string_view value, bool ignoreCase) {
  if (token.empty()) return std::string(text);
  const std::string hay = ignoreCase ? platform::AsciiLower(text) : std::string(text);
  const std::string needle = ignoreCase ? platform::AsciiLower(token) : std::string(token);
  std::string out;
  std::size_t from = 0;
  while (true) {
    const std::size_t at = hay.find(needle, from);
    if (at == std::string::npos) break;
    out.append(text.substr(from, at - from));
    out.append(value);
    from = at + needle.size();
  }
  out.append(text.substr(from));
  return out;
}

}  // namespace

std::string ExpandAppPlaceholders(std::string_view text, const TAppValues& v) {
  const std::pair<std::string_view, const std::string*> tokens[] = {
      {"<app_guid>", &v.AppGuid},       {"<app_name>", &v.AppName},       {"<app_title>", &v.AppTitle},
      {"<app_version>", &v.AppVersion}, {"<app_company>", &v.AppCompany}, {"<app_homepage>", &v.AppHomepage},
  };
  std::string out(text);
  for (const auto& [token, value] : tokens) out = ReplaceOnce(out, token, *value, false);
  return out;
}

std::string ExpandPathPlaceholders(std::string_view text, const TPathValues& v) {
  if (text.find("_path>") == std::string_view::npos) return std::string(text);
  const std::pair<std::string_view, const std::string*> tokens[] = {
      {"<updata_path>", &v.updataPath},   {"<app_path>", &v.appPath},
      {"<sys_path>", &v.sysPath},         {"<win_path>", &v.winPath},
      {"<program_path>", &v.programPath}, {"<program64_path>", &v.program64Path},
      {"<desktop_path>", &v.desktopPath}, {"<start_menu_path>", &v.startMenuPath},
  };
  std::string out(text);
  for (const auto& [token, value] : tokens) out = ReplaceOnce(out, token, *value, true);
  const std::size_t lastSep = out.rfind('\\');
  const std::string_view last = std::string_view(out).substr(lastSep == std::string::npos ? 0 : lastSep + 1);
  if (last.find('.') == std::string_view::npos && (out.empty() || out.back() != '\\')) out += '\\';
  std::string collapsed;
  collapsed.reserve(out.size());
  for (const char c : out)
    if (c != '\\' || collapsed.empty() || collapsed.back() != '\\') collapsed += c;
  return collapsed;
}

std::string RelativeToInstallPath(std::string_view path, std::string_view installFolder) {
  return ReplaceOnce(path, installFolder, "", false);
}

}  // namespace orvane
