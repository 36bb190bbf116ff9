// The install flow's side steps: the .NET Framework the product needs, and the fonts it brings.
#include <exception>

#include "setup/core/MessagePump.h"
#include "setup/core/SafeFileName.h"
#include "setup/core/SetupFiles.h"
#include "setup/core/SetupUi.h"
#include "setup/core/VqApp.h"
#include "setup/core/VqLang.h"
#include "setup/core/VqLib.h"
#include "setup/core/WinPathText.h"

namespace orvane {
namespace {

constexpr int kFontTries = 10;
constexpr int kFontTryMs = 100;

std::string DotNetVersionText(const std::string& code) {
  const std::pair<const char*, const char*> versions[] = {
      {"30", "v3.0"}, {"35", "v3.5"}, {"40", "v4.0"}, {"45", "v4.5"}, {"46", "v4.6"}};
  for (const auto& [key, text] : versions)
    if (code == key) return text;
  return {};
}

}  // namespace

bool TvqApp::CheckDotNet(std::string& error) {
  const std::string version = DotNetVersionText(Main.AppDotNetVer);
  if (version.empty() || TvqLib::IsDotNetInstalled(version, 0)) return true;
  const TvqLang& lang = Lang();
  if (Main.AppDotNetSetupStyle != "down") {
    // The packed .NET setup runs to its end; the install goes on whatever it did.
    const auto name = SafeFileName(ExtractFileName(Main.AppDotNetSetupFile));
    std::string target = name ? TempPath + *name : std::string();
    std::string extractError;
    if (name && ExtractAppFile(extractError, Main.AppDotNetSetupFile, false, "", target)) {
      ShowSetupStatus(lang.GetText("IDS_WAIT,IDS_INSTALL") + ".NetFramework" + lang.GetText("IDS_FINISH") + "," +
                          lang.GetText("IDS_PLEASEWAITING") + "...",
                      300);
      (void)TvqLib::ShellOpenWait(target, "", true);
    }
    return true;
  }
  const std::string question = lang.GetText("IDS_SYSTEM,IDS_RUN,IDS_NEED") + ".NetFramework " + version + "," +
                               lang.GetText("IDS_IS,IDS_DOWNLOAD,IDS_INSTALL") + "?";
  if (TvqLib::QueryBox(question, lang.GetText("IDS_DAILOG_QUERY")) == kAnswerYes) {
    (void)TvqLib::ShellOpen(Main.AppDotNetSetupFile, "", true);
    error = lang.GetText("IDS_DOWNLOAD,IDS_INSTALL") + ".NetFramework " + version + lang.GetText("IDS_FINISH") + "," +
            lang.GetText("IDS_PLEASERETRY");
  } else {
    error = lang.GetText("IDS_HAVENOT,IDS_INSTALL") + ".NetFramework " + version +
            lang.GetText("IDS_CANNOTCONTINUE,IDS_INSTALL");
  }
  return false;
}

// A font file waiting in the cache folder goes into the Windows font folder unless that folder
// or the install folder already has it. Nothing in the flow puts a font into the cache, so
// without one this only waits and goes on.
void TvqApp::InstallFonts() {
  for (const std::string& configured : {Main.AppMsyhfontFile, Main.AppMsyhfontBdFile}) {
    try {
      const auto name = SafeFileName(ExtractFileName(configured));
      if (!name) continue;
      const std::string cached = CachePath + *name;
      const std::string installed = WinPath + "Fonts\\" + *name;
      if (TvqLib::WaitFileExists(cached, kFontTries, kFontTryMs) &&
          !TvqLib::WaitFileExists(installed, kFontTries, kFontTryMs) && !FileExists(InstallPath + *name)) {
        (void)TvqLib::MoveFileRetry(cached, installed);
        ProcessMessages();
      }
    } catch (const std::exception&) {
      // A font that cannot be moved leaves the install as it is.
    }
  }
}

}  // namespace orvane
