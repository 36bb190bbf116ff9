#pragma once
// The agent's engine object TSPfApp.
//
// Settings: the loaders and savers move the settings between Tessaly.ini (program folder) and
// the settings-and-state object AppVar, which must be set. They work on AppVar and the files
// only, so they are static: the dialogs call them through the engine, tests without one. They
// take no lock and run on the UI thread while the engine is stopped. Failed writes are dropped.
//
// Files: Tessaly.ini sections "SPFClient", "DBConfig_" + product code and "Login"; the
// member-points cache "User/<SoftId>/VIPIntegral.dat" in the program folder; the back-office
// product's own settings file (read only) for connection defaults.
#include <atomic>
#include <string>

namespace tessaly {

// The leak-report switch of the settings (key IsDebugMemory), set at every CfgLoad. No leak
// reporter exists on this platform; the switch is kept so the setting keeps its meaning.
extern std::atomic<bool> IsDebugMemory;

class TSPfApp {
 public:
  // Reads section SPFClient, the autorun entry, the member-points cache of the stored SoftId and
  // the database settings of SoftVer; sets IsDMSqlLog and IsDebugMemory. Page sizes below 1 in
  // the file load as 1.
  static void CfgLoad();
  // Writes section SPFClient and the database settings of SoftVer, saves the member-points cache
  // into the folder of the current SoftId and sets the detailed-logging switch from IsDetailLog.
  static void CfgSave();
  // Loads section "DBConfig_" + aSoftVer (empty: SoftVer; nothing when still empty) for that
  // code's database mode, then CfgDBLoadDef. Fields of the other modes keep their values.
  static void CfgDBLoad(const std::string& aSoftVer);
  // Fills empty connection settings of modes 0 and 1 from the back-office settings file and the
  // product's defaults.
  static void CfgDBLoadDef(const std::string& aSoftVer);
  // Writes section "DBConfig_" + SoftVer with the keys of the current DBMode.
  static void CfgDBSave();
  [[nodiscard]] static int GetDBMode(const std::string& aSoftVer);
  // SoftModel from SoftVer, for the codes whose family is fixed.
  static void OnSoftVerChanged();
};

}  // namespace tessaly
