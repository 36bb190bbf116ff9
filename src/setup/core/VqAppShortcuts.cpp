// The shortcuts of a module ("<module>_desktop", "<module>_startmenu") or the global ones
// ("_desktop", "_startmenu"): made at the end of an install, deleted by a change and an
// uninstall. Start-menu links live in a folder named after the product.
#include "platform/TextCodec.h"
#include "setup/core/ConfigRecords.h"
#include "setup/core/SetupFiles.h"
#include "setup/core/TagValue.h"
#include "setup/core/VqApp.h"
#include "setup/core/VqLib.h"

namespace orvane {
namespace {

std::string Section(const std::string& moduleKey, bool desktop) {
  return moduleKey + (desktop ? "_desktop" : "_startmenu");
}

}  // namespace

void TvqApp::CreateDesktopShortcuts(const std::string& moduleKey) { CreateShortcuts(moduleKey, true); }

void TvqApp::CreateStartMenuShortcuts(const std::string& moduleKey) { CreateShortcuts(moduleKey, false); }

void TvqApp::CreateShortcuts(const std::string& moduleKey, bool desktop) {
  if (!(desktop ? DesktopLink : StartMenuLink)) return;
  TLineList lines;
  ReadConfigSection(Section(moduleKey, desktop), lines);
  // A module's own links follow its choice; the global ones are always made.
  if (!moduleKey.empty()) {
    const auto module = FindLineValue(ModuleList, moduleKey);
    if (!module || !ParseModuleLine(moduleKey + "=" + *module).setup) return;
  }
  for (const std::string& line : lines) {
    const TShortcutRecord link = ParseShortcutLine(line);
    const std::string target = ExpandPathPlaceholders(GetTagValue(link.target, "", ';'));
    if (target.empty()) continue;
    // An address is made without looking for a file ("https" holds no "ttp://" and is not).
    if (!FileExists(target) && platform::AsciiLower(target).find("ttp://") == std::string::npos) continue;
    const std::string caption = ExpandAppPlaceholders(link.caption);
    const std::string description = ExpandAppPlaceholders(link.desc);
    const std::string icon = ExpandPathPlaceholders(link.icon_file);
    if (desktop) {
      TvqLib::CreateDesktopLink(target, caption, description, icon);
    } else {
      TvqLib::CreateStartMenuLink(target, Main.AppTitle, caption, description, icon);
    }
  }
}

void TvqApp::DeleteDesktopShortcuts(const std::string& moduleKey) {
  TLineList lines;
  ReadConfigSection(Section(moduleKey, true), lines);
  for (const std::string& line : lines)
    TvqLib::DeleteDesktopLink(ExpandAppPlaceholders(ParseShortcutLine(line).caption));
}

void TvqApp::DeleteStartMenuShortcuts(const std::string& moduleKey) {
  TLineList lines;
  ReadConfigSection(Section(moduleKey, false), lines);
  for (const std::string& line : lines)
    TvqLib::DeleteStartMenuLink(Main.AppTitle, ExpandAppPlaceholders(ParseShortcutLine(line).caption));
}

}  // namespace orvane
