// The wizard's pictures, its logo and the user-agreement text, taken from the resources or the
// app-files package and cached in the cache folder.
#include "platform/FileOps.h"
#include "platform/TextCodec.h"
#include "platform/TextLines.h"
#include "platform/WinPath.h"
#include "setup/core/ConfigRecords.h"
#include "setup/core/SafeFileName.h"
#include "setup/core/SetupFiles.h"
#include "setup/core/SetupLog.h"
#include "setup/core/VqApp.h"
#include "setup/core/VqLib.h"
#include "setup/core/VqRes.h"
#include "setup/core/WinPathText.h"

namespace orvane {

bool TvqApp::LoadPicture(IPictureTarget& image, const std::string& section, bool fromPackage, bool replaceCached,
                         const std::string& key) {
  const std::string source = ReadConfigString(section, key, "");
  if (source.empty() || !IsPictureFile(source) || !cacheReady_) return false;
  const auto name = SafeFileName(ExtractFileName(source));
  if (!name) return false;
  std::string cached = CachePath + *name;
  if (replaceCached) (void)TvqLib::DeleteFileRetry(cached, 1, 0);
  if (!FileExists(cached)) {
    std::string error;
    if (fromPackage)
      (void)ExtractAppFile(error, source, true, "", cached);
    else
      (void)SaveResourceToFile(error, key, cached);
  }
  if (!FileExists(cached)) return false;
  (void)image.LoadPictureFile(platform::HostPath(cached), ExtractFileExt(cached));
  return true;
}

bool TvqApp::LoadResPicture(IPictureTarget& image, const std::string& key, bool fromPackage) {
  return LoadPicture(image, "app_res", fromPackage, true, key);
}

bool TvqApp::LoadSliderPicture(IPictureTarget& image, const std::string& prefix, int number) {
  return LoadPicture(image, SliderSectionName(prefix), true, false, SliderKeyName(prefix, number));
}

void TvqApp::PrepareSliderPictures() {
  std::string prefix = Mode == kModeUninstall ? "uninst_" : "";
  if (CountConfigSection(SliderSectionName(prefix)) == 0) prefix = prefix.empty() ? "uninst_" : "";
  TLineList lines;
  ReadConfigSection(SliderSectionName(prefix), lines);
  for (const std::string& line : lines) {
    const std::string source = LineValue(line);
    const auto name = SafeFileName(ExtractFileName(source));
    if (!IsPictureFile(source) || !cacheReady_ || !name) continue;
    std::string cached = CachePath + *name;
    (void)TvqLib::DeleteFileRetry(cached, 1, 0);
    std::string error;
    (void)ExtractAppFile(error, source, true, "", cached);
  }
}

void TvqApp::LoadAppLogo(IPictureTarget& image) {
  std::string bytes, error;
  if (!TvqRes::GetRCData("res_logo", bytes, error)) {
    WriteSetupLog("LoadAppLogo-GetRCData(res_logo) ERRO：" + error);
    if (!TvqRes::GetRCData("APP_LOGO_DEF", bytes, error)) {
      WriteSetupLog("LoadAppLogo-GetRCData(APP_LOGO_DEF) ERRO：" + error);
      return;
    }
  }
  if (!image.LoadPictureBytes(bytes, ".png")) (void)image.LoadPictureBytes(bytes, ".ico");
}

void TvqApp::LoadAgreement() {
  AgreementText.clear();
  const auto name = SafeFileName(Main.AppName + "_Agreement.txt");
  if (!cacheReady_ || !name) return;
  std::string target = CachePath + *name;
  const std::string source = ReadConfigString("Main", "AppAgreementFile", "");
  if (source.empty()) return;
  std::string error;
  (void)ExtractAppFile(error, source, false, "", target);
  std::string bytes;
  if (!FileExists(target) || platform::ReadFileBytes(target, bytes) != 0) return;
  for (const std::string& line : platform::SplitTextLines(platform::Cp936ToUtf8(bytes))) AgreementText += line + "\r\n";
  (void)platform::DeleteFile(target);
}

}  // namespace orvane
