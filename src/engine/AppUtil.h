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
//
// Engine: one instance, made by the program body and held in SPfApp. It creates, owns and frees
// AppVar, SpfSvrSDK, AppDM and the two workers, and points those globals at what it made (they
// are null again once it is gone). The program body loads the global skin itself: the dialog
// kit is a layer above the engine.
//
// Where the parts live: AppUtil.cpp (life, tips, start and stop), AppLoginUtil.cpp (connection
// and login), AppVipSvrUtil.cpp (member service), AppConfigUtil.cpp (settings).
//
// Threads: everything but DoAppTips belongs to the UI thread. GetConnDB, Login and
// CheckVIPSvrConfig write plain AppVar fields the workers read, so they run while the engine is
// stopped. Nothing here throws, except the constructor when a thread cannot be started.
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

namespace tessaly {

class TAppDM;
class TAppVar;
class TUploadWorker;
class TVqSpfSvrSDK;

// The leak-report switch of the settings (key IsDebugMemory), set at every CfgLoad. No leak
// reporter exists on this platform; the switch is kept so the setting keeps its meaning.
extern std::atomic<bool> IsDebugMemory;

// The UI end of the workers' tips (type 1: a new order). The shell implements it.
class IAppTipsSink {
 public:
  virtual ~IAppTipsSink() = default;
  // Called on a worker's thread with no engine lock held. Must only queue the tip for the UI
  // thread and return at once; the main window's tip handler then runs there with the same
  // arguments. Must not throw.
  virtual void QueueTip(int aType, const std::string& aTips) = 0;
};

class TSPfApp {
 public:
  // Creates AppVar, SpfSvrSDK, AppDM, the uploader and the puller (their threads idle until the
  // engine state word asks for work), and makes the HTTP utility use a socket client per
  // request. Throws std::system_error when a thread cannot be started; nothing stays allocated.
  TSPfApp();
  // Ends both worker threads (also in the middle of a cycle, at their next check) and waits for
  // them, then frees the workers, AppDM, SpfSvrSDK and AppVar, in this order.
  ~TSPfApp();
  TSPfApp(const TSPfApp&) = delete;
  TSPfApp& operator=(const TSPfApp&) = delete;

  // SoftId := 0, then CfgLoad.
  void Init();

  // Resolves the connection parameters of the database mode (modes 1 and 2 ask the back-office
  // server), opens the main connection unless it is open, reads the account-set id into DBId
  // and, in mode 2, checks it against SvrDBId (case ignored). A refused account set leaves the
  // main connection closed, so nothing can start on it. False with the reason in aResult.
  bool GetConnDB(std::string& aResult);

  // Whether the product's back-office offers the member real-time service.
  [[nodiscard]] static bool CanSetVIPSvr(const std::string& aSoftVer);
  // Registers the member real-time query with the platform while SvrVIPConnOK is on and the
  // member service answers, else cancels it (switching SvrVIPConnOK off in memory). True
  // without a request when there is nothing to cancel.
  bool CheckVIPSvrConfig(std::string& aResult);

  // Connects, records the enterprise id, upgrades the schema, reads the branch number (product
  // family 1), logs in to the platform and applies its data-clear number. The database steps
  // act for aSoftId; SoftId, BranchNo and OperId change only when the platform accepts. A new
  // SoftId brings that enterprise's member-points cache (the old one is saved first).
  bool Login(int aSoftId, const std::string& aOperId, const std::string& aOperPw, std::string& aResult);
  // The automatic login for the start-up with aFirstArg (the program's first argument, empty
  // when none): needs the autorun entry, a product code, "-auto" (any case), a remembered
  // password and an enterprise id above zero in section Login; logs in as operator "1001".
  bool AutoLogin(const std::string& aFirstArg);

  // The workers' tip handler: hands the tip to the sink set by SetOnAppTips and returns at once;
  // without a sink the tip is dropped. Any thread.
  void DoAppTips(int aType, const std::string& aTips);
  // The sink of the tips (the OnAppTips property); null removes it. Any thread.
  void SetOnAppTips(std::shared_ptr<IAppTipsSink> aSink);
  [[nodiscard]] std::shared_ptr<IAppTipsSink> OnAppTips() const;

  // "总部版" for DBDistributed 1, "分部版" for 2, else empty.
  [[nodiscard]] static std::string GetDistributedVer();

  // Requests the engine start (UploadState 1) when the main connection is open or GetConnDB
  // succeeds; otherwise aResult holds the connection error and the state word stays.
  void Start(std::string& aResult);
  // Requests the stop (UploadState 4); the workers answer 5. aResult is not touched.
  void Stop(std::string& aResult);
  // Resumes suspended workers. The workers here are never suspended, so nothing changes.
  void Check();

  // "[APP] " + aLog at level 9 (an empty text as an empty line); without aIsLog only while
  // detailed logging is on.
  static void Log(const std::string& aLog, bool aIsLog = false);

  // The member-points cache file of an enterprise id, in the program folder.
  [[nodiscard]] static std::string VipIntegralFile(std::int32_t aSoftId);
  // Saves the member-points cache to the file of aSoftId, making its folder (any thread).
  static void SaveVipIntegral(std::int32_t aSoftId);

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

 private:
  // Ends and frees whatever exists, in the destruction order, and clears the globals.
  void Free() noexcept;
  // Steps of Login between the connection and the platform request, for the enterprise in
  // SoftId: the current id, the schema upgrade and the branch number.
  bool PrepareLogin(std::string& aBranchNo, std::string& aResult);
  // Steps of Login after the platform accepted it; aOldSoftId is the id before the login.
  bool ApplyLogin(std::int32_t aOldSoftId, const std::string& aBranchNo, const std::string& aOperId,
                  const std::string& aDataClearFlag, std::string& aResult);
  // Keeps the member-points cache with the enterprise it belongs to.
  static void SwitchVipIntegral(std::int32_t aOldSoftId, std::int32_t aNewSoftId);
  // Cancels the member real-time query with the platform (reason: why, may be empty).
  bool CancelVIPSvr(const std::string& aReason, std::string& aResult);

  // Owned objects, in creation order; the globals point at them while they live.
  std::unique_ptr<TAppVar> FAppVar;
  std::unique_ptr<TVqSpfSvrSDK> FSpfSvrSDK;
  std::unique_ptr<TAppDM> FAppDM;
  std::unique_ptr<TUploadWorker> FUploader;  // pull flag false
  std::unique_ptr<TUploadWorker> FPuller;    // pull flag true

  mutable std::mutex FTipsLock;
  std::shared_ptr<IAppTipsSink> FOnTips;  // guarded by FTipsLock
};

// The one engine object, set by the program body; not owned here.
extern TSPfApp* SPfApp;

}  // namespace tessaly
