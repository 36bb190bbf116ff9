#pragma once
// The setup engine: it extracts the embedded configuration into its own cache folder and reads
// it, chooses the install folder, starts the package threads, opens the packages and extracts
// single files, keeps the uninstall entry and the configuration items, and removes its cache
// folder when it is destroyed (the setup log beside it stays). Folders always end with "\".
//
// One engine serves one wizard; it lives on the UI thread, and only its package threads run
// beside it (they touch their target file, the setup log and the status word). Two engines on one
// machine, even started in the same second, get two cache folders.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "setup/core/FailureReport.h"
#include "setup/core/LineList.h"
#include "setup/core/Placeholders.h"
#include "setup/core/SetupClock.h"
#include "setup/core/SetupConfig.h"

namespace orvane {

class TvqLang;
class TvqSign;
class TvqSkin;
class TZipPackage;
class TZipThread;
class IStatusLine;
struct TFileRecord;

// Modes of the engine.
inline constexpr std::uint32_t kModeInstall = 0;
inline constexpr std::uint32_t kModeChange = 1;
inline constexpr std::uint32_t kModeRepair = 2;
inline constexpr std::uint32_t kModeUninstall = 3;

// An image control of the wizard that the engine fills with a picture.
class IPictureTarget {
 public:
  virtual ~IPictureTarget() = default;
  // Loads the picture file (host path) by its extension (".jpg", ".png", ".bmp", ".ico", any case).
  virtual bool LoadPictureFile(const std::string& hostPath, const std::string& ext) = 0;
  // Loads picture bytes in the format ".png" or ".ico".
  virtual bool LoadPictureBytes(const std::string& bytes, const std::string& ext) = 0;
};

class TvqApp {
 public:
  // Switches the process-wide machine confinement on (platform/MachinePath.h).
  TvqApp();
  ~TvqApp();
  TvqApp(const TvqApp&) = delete;
  TvqApp& operator=(const TvqApp&) = delete;

  [[nodiscard]] TvqLang& Lang() { return *lang_; }
  [[nodiscard]] TvqSkin& Skin() { return *skin_; }
  [[nodiscard]] TvqSign& Sign() { return *sign_; }
  // False when no cache folder could be made on any drive (the user was told).
  [[nodiscard]] bool CacheReady() const { return cacheReady_; }

  // Configuration (the embedded INI text, GBK).
  [[nodiscard]] std::string ReadConfigString(const std::string& section, const std::string& key,
                                             const std::string& def);
  void ReadConfigSection(const std::string& section, TLineList& list);
  [[nodiscard]] int CountConfigSection(const std::string& section);
  [[nodiscard]] std::string ExpandAppPlaceholders(std::string_view text) const;
  [[nodiscard]] std::string ExpandPathPlaceholders(std::string_view text) const;
  [[nodiscard]] std::string RelativeToInstallPath(std::string_view path) const;

  // Folders.
  [[nodiscard]] bool PrepareCacheDir(const std::string& candidateRoot);
  void SetInstallPath(const std::string& path);
  [[nodiscard]] bool CheckInstallPath(const std::string& path);

  // Resources, pictures and the agreement.
  [[nodiscard]] bool SaveResourceToFile(std::string& error, const std::string& name, const std::string& file);
  bool LoadPicture(IPictureTarget& image, const std::string& section, bool fromPackage, bool replaceCached,
                   const std::string& key);
  bool LoadResPicture(IPictureTarget& image, const std::string& key, bool fromPackage);
  bool LoadSliderPicture(IPictureTarget& image, const std::string& prefix, int number);
  void PrepareSliderPictures();
  void LoadAppLogo(IPictureTarget& image);
  void LoadAgreement();
  [[nodiscard]] int CountSelectableModules() const;

  // Packages.
  // Starts a package thread that writes `resource` to `target`; the engine joins it at the end.
  void StartPackThread(const std::string& resource, const std::string& target);
  [[nodiscard]] bool OpenPackFiles(std::string& error);
  [[nodiscard]] bool OpenAppFiles(std::string& error);
  [[nodiscard]] bool ExtractPackFile(std::string& error, const std::string& source, bool fast,
                                     const std::string& prefix, std::string& target);
  [[nodiscard]] bool ExtractAppFile(std::string& error, const std::string& source, bool fast, const std::string& prefix,
                                    std::string& target);
  // Refuses a configuration whose AppId is no file name, then opens the app-files package; when
  // either fails, tells the user and asks the wizard to end (OnQuit), so the engine is still
  // destroyed and its cache folder removed. False then.
  bool RequireAppFiles();

  // Status line and install log.
  void ShowSetupStatus(const std::string& text, int waitMs);
  void WriteInstallLog(const std::string& tag, const std::string& text);

  // Uninstall entry and installed items.
  // Places "Uninstall<AppId>.exe" in the install folder; false with the extraction's text when
  // the package cannot give it (a repair goes on: true with `error` set). An uninstaller that
  // cannot be replaced is noted among the failed files.
  [[nodiscard]] bool ExtractUninstaller(std::string& error);
  void WriteUninstallEntry();
  [[nodiscard]] std::string ReadInstallItems();
  [[nodiscard]] bool IsModuleInstalled(const std::string& moduleKey) const;
  void SaveInstallItems(const std::string& commaText);
  bool ReadInstallLocation();
  void RemoveUninstallEntry();
  bool StartSelfDelete(bool deep);
  // The uninstall key under HKEY_LOCAL_MACHINE, and the mirror file in the install folder.
  [[nodiscard]] std::string UninstallKey() const;
  [[nodiscard]] std::string MirrorFile() const;
  // Why the configured AppId cannot name the uninstaller's files; empty when it can.
  [[nodiscard]] std::string AppIdRefusal() const;

  // Configuration items.
  int CollectConfigItems();
  [[nodiscard]] bool FindNextConfigPage(std::string& itemKey, std::string& record) const;
  [[nodiscard]] std::string ReadConfigItem(const std::string& record, const std::string& def);
  // Stores a value for the item; false when the INI file or the registry refused it, which is
  // logged and kept for ReportConfigFailures.
  bool WriteConfigItem(const std::string& record, const std::string& value);
  void WriteHiddenConfigItems();
  // True when every item written since CollectConfigItems was stored; otherwise false with the
  // text that names the others in `text` ("设置文件失败：1，x.ini"), also in the setup log.
  [[nodiscard]] bool ReportConfigFailures(std::string& text);

  // Exec actions: the lists, one action, the steps that run them.
  [[nodiscard]] bool RunExecAction(std::string& error, const std::string& execId, const std::string& record,
                                   std::uint32_t mode);
  void CollectExecSection(TLineList& list, const std::string& owner, int step);
  int CollectInstallExecs();
  [[nodiscard]] bool RunInstallExecs(std::uint32_t mode, std::string& error);
  bool RunFileExecs(std::uint32_t mode, const std::string& groupName, std::string& error, const std::string& targetFile,
                    int step);
  void CollectFinishExecs(const std::string& owner);
  bool RunFinishExecs(std::uint32_t mode);
  int CollectUninstallExecs();
  bool RunUninstallExecs();
  bool RestartUpgradeService();

  // File groups and file placement.
  [[nodiscard]] bool InstallFileGroup(std::string& error, std::uint32_t mode, const std::string& modeTitle,
                                      const std::string& groupId, const std::string& groupName,
                                      const std::string& groupTitle);
  bool PlaceFile(std::string& error, const std::string& modeTitle, const std::string& groupTitle,
                 const std::string& tempFile, const std::string& targetFile, const std::string& replaceRule,
                 TDateTime fileTime);
  bool CopyToUpdateFolders(std::string& error, const std::string& modeTitle, const std::string& groupTitle,
                           const std::string& tempFile, const std::string& fileName, const std::string& targetFolder,
                           const std::string& replaceRule, TDateTime fileTime);
  [[nodiscard]] bool IsFileInInstallList(const std::string& path);

  // The install, change and repair flows.
  [[nodiscard]] bool RunInstall(std::string& error, std::uint32_t mode);
  [[nodiscard]] bool RunChange(std::string& error);
  [[nodiscard]] bool RunRepair(std::string& error);
  // SelectedGroups := "group id=group_name" for every named file group of the selected modules,
  // each group once, at its first place.
  void CollectInstallGroups();
  int CollectModuleGroups(const std::string& moduleKey, TLineList& list);
  [[nodiscard]] std::int64_t GetGroupFileSize(const std::string& groupId);
  [[nodiscard]] bool CheckDotNet(std::string& error);
  void InstallFonts();

  // The uninstall flow.
  [[nodiscard]] bool RunUninstall(std::string& error);
  bool UninstallFileGroup(std::string& error, const std::string& groupTitle, const std::string& groupName,
                          const std::string& groupId);

  // Shortcuts of one module, or the global ones for an empty key.
  void CreateDesktopShortcuts(const std::string& moduleKey);
  void CreateStartMenuShortcuts(const std::string& moduleKey);
  void DeleteDesktopShortcuts(const std::string& moduleKey);
  void DeleteStartMenuShortcuts(const std::string& moduleKey);

  // State shared with the wizard and the flows.
  std::string Stamp;
  std::string SysPath, WinPath, ProgramFilesPath, ProgramFiles86Path, DesktopPath, StartMenuPath;
  std::string CachePath, ConfigFile;
  std::string PackFile, PackMapFile, AppFilesFile, AppFilesMapFile;
  std::uint32_t Mode = kModeInstall;
  // The product values of `Main`, with their defaults.
  TMainConfig Main;
  std::string AgreementText;
  std::string InstallPath, TempPath;
  bool DesktopLink = false, StartMenuLink = false;
  TLineList ModuleList, InstalledItems, ShownConfigItems, HiddenConfigItems, SelectedGroups;
  bool UpgradeMode = false;
  // The exec lists: step 0 of an install, the finish page, step 0 of an uninstall.
  TLineList InstallExecs, FinishExecs, UninstallExecs;
  // Files whose placement or removal failed in the current flow, and uninstall-entry writes or
  // removals (the mirror file, the registry key) that failed; the flow still ends well and
  // reports them at its end, in its error text.
  int FailedFiles = 0;
  // The wizard's status line (not owned); without one ShowSetupStatus does nothing.
  IStatusLine* StatusLabel = nullptr;
  // Ends the wizard's event loop; set by the wizard.
  std::function<void()> OnQuit;

 private:
  void ReadMainValues();
  void LoadConfiguredSkin();
  void ChooseDefaultInstallPath();
  void ChooseCacheFolder();
  [[nodiscard]] bool OpenPackage(TZipPackage& package, bool& opened, const std::string& file,
                                 const std::string& mapResource, const std::string& mapLogHead, std::string& error);
  [[nodiscard]] bool ExtractFile(TZipPackage& package, bool& opened, bool payload, std::string& error,
                                 const std::string& source, bool fast, const std::string& prefix, std::string& target);
  [[nodiscard]] bool SetExtractedFileTime(std::string& error, const std::string& source, const std::string& prefix,
                                          const std::string& record, const std::string& target);
  [[nodiscard]] TPathValues PathValues() const;
  void AddConfigItems(const std::string& section, const std::string& moduleKey, const std::string& title);
  // The install flow's parts. InstallSteps is RunInstall without clearing the failed files, so a
  // change reports its removals and its placements together.
  [[nodiscard]] std::string ModeTitle(std::uint32_t mode) const;
  [[nodiscard]] bool InstallSteps(std::string& error, std::uint32_t mode);
  [[nodiscard]] bool WritePayloadPackage(std::string& error);
  void OfferUpgradeMode();
  void CreateAllShortcuts();
  void ClearFailedFiles();
  // Counts one file that was not placed or removed; `shownPath` names it in the flow's closing
  // report. NoteFailedKey: the same for a registry key that was not written or removed.
  void NoteFailedFile(const std::string& shownPath);
  void NoteFailedKey(const std::string& shownKey);
  // True when nothing failed; otherwise false with the text the wizard shows in `error`, also on
  // the status line and in the setup log.
  [[nodiscard]] bool ReportFailedFiles(std::string& error, const std::string& modeTitle);
  // One line of a group's "_files" section; false stops the group.
  [[nodiscard]] bool InstallGroupFile(std::string& error, std::uint32_t mode, const std::string& modeTitle,
                                      const std::string& groupName, const std::string& groupTitle,
                                      const TFileRecord& file);
  void CreateShortcuts(const std::string& moduleKey, bool desktop);
  // The file groups a change or an uninstall removes: "group id=record" for every group of the
  // installed modules whose `setup` is "1" (`removeSelected`) or is not, each group once with
  // its last record; a group that an installed module of the other kind also uses keeps a
  // single blank as its value, so it is never removed.
  [[nodiscard]] TLineList GroupsToRemove(bool removeSelected);

  std::unique_ptr<TvqLang> lang_;
  std::unique_ptr<TvqSkin> skin_;
  std::unique_ptr<TvqSign> sign_;
  std::unique_ptr<TZipPackage> pack_, appFiles_;
  bool packOpen_ = false, appFilesOpen_ = false;
  std::unique_ptr<TSetupConfig> config_;
  bool cacheReady_ = false;
  // The install location found at start-up: the only folder a deep self-deletion may remove.
  std::string startupInstallLocation_;
  std::vector<std::unique_ptr<TZipThread>> zipThreads_;
  // What FailedFiles counts, by name, for the closing report.
  TFailedTargets failed_;
  // The configuration items that could not be stored since CollectConfigItems.
  TFailedTargets configFailed_;
};

}  // namespace orvane
