#pragma once
// Placeholders in configuration values. Application tokens ("<app_title>", ...) take product
// values and match with case; path tokens ("<app_path>", ...) take folders and match without
// case. Each token is replaced in one pass over the text: a value that holds its own token
// (AppTitle "<app_title> 2") is put in once rather than expanded for ever.
#include <string>
#include <string_view>

namespace orvane {

// The values of the six application tokens.
struct TAppValues {
  std::string AppGuid;
  std::string AppName;
  std::string AppTitle;
  std::string AppVersion;
  std::string AppCompany;
  std::string AppHomepage;
};

// The values of the path tokens; folders end with "\".
struct TPathValues {
  std::string updataPath;     // AppUpdataPath as configured, its own tokens unexpanded
  std::string appPath;        // the current install folder
  std::string sysPath;        // Windows system folder
  std::string winPath;        // Windows folder
  std::string programPath;    // "Program Files\" on the Windows drive
  std::string program64Path;  // "Program Files (x86)\" on the Windows drive, on every system
  std::string desktopPath;
  std::string startMenuPath;
};

// "<app_guid>", "<app_name>", "<app_title>", "<app_version>", "<app_company>", "<app_homepage>"
// in this order, each at every occurrence, with case.
[[nodiscard]] std::string ExpandAppPlaceholders(std::string_view text, const TAppValues& values);

// Unchanged unless the text holds "_path>" in lower case. Then the path tokens are replaced in
// table order ("<updata_path>" first, so tokens inside it are replaced by the later rows); a
// result whose last component has no "." gets a trailing "\"; every run of "\" becomes one.
[[nodiscard]] std::string ExpandPathPlaceholders(std::string_view text, const TPathValues& values);

// `path` with every occurrence of the install folder (with its "\", exact case) removed.
[[nodiscard]] std::string RelativeToInstallPath(std::string_view path, std::string_view installFolder);

}  // namespace orvane
