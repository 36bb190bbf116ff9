#pragma once
// The agent's database module TAppDM: its own bookkeeping tables in the back-office database
// (system parameters, transfer checkpoints), the storing of pulled orders and members and
// their hand-over to the back-office procedures, the reads of back-office settings and change
// numbers, the connection parameters served by the back-office server's SOAP service, and the
// schema upgrader (DBUpgraderUtil.cpp).
//
// One instance, the global AppDM, made and freed by the engine object. AppVar must be set.
//
// Failure convention (as TDM): no operation throws; reads give their stated fallback, writes
// false or -1, each with a reason in its string out parameter. A connection argument of nullptr
// means FDConnection.
//
// Threads: the operations that take a connection argument (checkpoints, change numbers, saving
// and hand-over) may run on a worker with the worker's own connection; they use query objects
// of their own. Everything working on FDConnection (system parameters, DataClear, back-office
// settings, SOAP calls, the upgrader, qryTemp) belongs to the UI thread. PosDataSaving and
// SvrDownloadState are the only state the workers share here, each behind its own lock.
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

#include "engine/DMUnit.h"
#include "foundation/DateTime.h"

namespace tessaly {

class TPosData;
class TVipInfo;

class TAppDM : public TDM {
 public:
  TAppDM() = default;
  ~TAppDM() override = default;

  // True while SavePosData2 runs.
  [[nodiscard]] bool PosDataSaving() const;
  // 1 while the self-service order pull stores and hands over one order, else 0.
  [[nodiscard]] int SvrDownloadState() const;
  void SetSvrDownloadState(int aValue);

  // --- System parameters (spf_t_sys_system, per enterprise id = AppVar->SoftId) ---
  [[nodiscard]] TDbVariant GetSysParam(const std::string& aSysId, const TDbVariant& aDefValue);
  // Updates only sys_value of an existing row; a new row gets aSysName and the server's time.
  bool SetSysParam(std::string& aErro, const std::string& aSysId, const TDbVariant& aValue,
                   const std::string& aSysName);
  // The one "CurrSoftId" row of the database, keyed by sys_id alone. Creates the table first.
  bool SetCurrSoftId(int aSoftId, std::string& aErro);

  // --- Transfer checkpoints (spf_t_trans_record) and the sync catalogue ---
  // Removes every checkpoint of every enterprise except those of type "CFG".
  bool DataClear(std::string& aResult);
  // Opens the current product's active sync tables, in transfer order, into the caller's query.
  bool GetTransTable(std::string& aResult, TDbQuery& qryTable, TDbConnection* aConn = nullptr);
  // The stored change number; -1 when there is none or the query fails. A missing checkpoint and
  // a failed read look alike in the result, so callers that must not restart from zero pass
  // aReadFailed, which is set to whether the query itself failed.
  [[nodiscard]] int GetTransRecord(std::string& aResult, const std::string& aType, const std::string& aTable,
                                   TDbConnection* aConn = nullptr, bool* aReadFailed = nullptr);
  // The stored date; the zero date-time when there is none or the query fails (aReadFailed as above).
  [[nodiscard]] TDateTime GetTransRecordDate(std::string& aResult, const std::string& aType,
                                             const std::string& aTable, TDbConnection* aConn = nullptr,
                                             bool* aReadFailed = nullptr);
  // Writes (or adds) the checkpoint in one transaction; the date keeps its milliseconds.
  bool SetTransRecord(std::string& aResult, const std::string& aType, const std::string& aTable,
                      int aLastChange, TDateTime aLastDate, TDbConnection* aConn = nullptr);
  // Counts the checkpoint's change number up by one (a new one starts at 0).
  bool SetTransRecord(std::string& aResult, const std::string& aType, const std::string& aTable,
                      TDbConnection* aConn = nullptr);
  // Writes only the values given (the date to the second), adding the checkpoint when it is
  // missing, its other columns at their defaults; without a transaction. False, running
  // nothing, when neither value is given.
  bool SetTransRecordValues(std::string& aResult, const std::string& aType, const std::string& aTable,
                            std::optional<int> aLastChange, std::optional<TDateTime> aLastDate,
                            TDbConnection* aConn = nullptr);

  // --- Pulled orders and members (AppDMOrders.cpp) ---
  // A failing query counts as not stored.
  [[nodiscard]] bool ExistsPosData(int aSoftId, const std::string& aSheetNo, TDbConnection* aConn = nullptr);
  bool SavePosData1(std::string& aResult, const std::string& aPosSource, TPosData* aPosData,
                    TDbConnection* aConn = nullptr);
  // Header, item lines and payment lines as one batch in one transaction: all or nothing. Sets
  // the header's sheet_source to aPosSource. aResult is untouched on success.
  bool SavePosData2(std::string& aResult, const std::string& aPosSource, TPosData* aPosData,
                    TDbConnection* aConn = nullptr);
  // Sets the member's data_source to aDataSource. aResult is untouched on success.
  bool SaveVipInfo(std::string& aResult, const std::string& aDataSource, TVipInfo* aVipInfo,
                   TDbConnection* aConn = nullptr);
  // Hand-over to pr_spf_soft_pos_data / pr_spf_soft_pos_vip: 1, or -1 with the reason.
  int SoftPostData(std::string& aResult, int aSoftId, const std::string& aSheetNo, TDbConnection* aConn = nullptr);
  int SoftPostVip(std::string& aResult, int aSoftId, const std::string& aVipNo, TDbConnection* aConn = nullptr);

  // --- Back-office settings and change numbers (AppDMBackOffice.cpp) ---
  // The member-service key of sys_t_system, empty when unreadable. Always 1.
  int SoftGetRDAKey(std::string& aRDAKey, std::string& aMsg);
  // Sets AppVar->DBId (empty first) and, for the products that have one, aDBFlagId. Always 1.
  int SoftGetDBFlagId(std::string& aResult, std::string& aDBFlagId);
  // The database edition (1 head office, 2 branch) for the distributed products, -1 when the
  // query fails, 1 for every other product.
  int SoftGetDistributed(std::string& aResult);
  // aResult := the current branch number; 1, or -1 with "未取到当前门店编号".
  int SoftGetBranchNo(std::string& aResult);
  // The back-office table's current change number, by product, table and checkpoint type; -1
  // when the product has none for it or the query fails.
  [[nodiscard]] int SoftGetTransMaxRecord(std::string& aResult, const std::string& aType, const std::string& aTable,
                                          TDbConnection* aConn = nullptr);
  // The newest picture date for sys_t_image of the picture products, else now.
  [[nodiscard]] TDateTime SoftGetTransMaxRecordDate(std::string& aResult, const std::string& aType,
                                                    const std::string& aTransTable, const std::string& aTable,
                                                    TDbConnection* aConn = nullptr);

  // --- Back-office server's SOAP service (AppDMSoap.cpp); 1 success, 0 failure with aMsg ---
  // Out parameters set before a failure keep their new values; only 1 vouches for them.
  int SoftGetDBParam(const std::string& aSvrHost, int aSvrPort, std::string& aServerName, int& aPort,
                     std::string& aDataBase, std::string& aConName, std::string& aUser, std::string& aPswd,
                     std::string& aMsg);
  int SoftGetRDAPort(const std::string& aSvrHost, int aSvrPort, int& aRADPort, std::string& aMsg);
  int SoftGetRDAServer(const std::string& aSvrHost, int aSvrPort, std::string& aRDAHost, std::string& aMsg);

  // --- Schema upgrader (DBUpgraderUtil.cpp) ---
  // Runs the common package (five nines), then the product package of AppVar->SoftVer.
  bool DBUpgrader(std::string& aErro);

  // Bound to FDConnection; used by SoftGetDistributed on the UI thread.
  TDbQuery qryTemp;

 private:
  // "[DM] " + aText at level 9; without aIsLog only while detailed logging is on.
  static void Log(const std::string& aText, bool aIsLog = false);
  bool InitSysTable(std::string& aResult);
  void SetPosDataSaving(bool aValue);

  bool UpgradeAccountSet(const std::string& aName, std::string& aErro);
  bool UpgradeObject(const std::string& aType, const std::string& aScript, const std::string& aObject,
                     std::string& aErro);
  bool UpgradeTable(const std::string& aScript, const std::string& aObject, std::string& aErro);
  bool UpgradeScript(const std::string& aScript, const std::string& aObject, std::string& aErro);
  bool UpgradeView(const std::string& aScript, const std::string& aObject, std::string& aErro);
  bool UpgradeFunction(const std::string& aScript, const std::string& aObject, std::string& aErro);
  bool UpgradeProcedure(const std::string& aScript, const std::string& aObject, std::string& aErro);
  bool UpgradeTrigger(const std::string& aScript, const std::string& aObject, std::string& aErro);
  // Runs the script's batches in order, stopping at the first failure.
  bool RunBatches(const std::string& aScript, std::string& aErro);
  // Creates or alters the module that the script names (kind: "view", "function", ...).
  bool UpgradeModule(const std::string& aKind, const std::string& aScript, std::string& aErro);
  // The SOAP service's address for host and port ("?wsdl" added in WSDL mode), detail-logged.
  static std::string ServiceAddress(const std::string& aSvrHost, int aSvrPort);

  mutable std::mutex FSvrDownloadLocker;
  int FSvrDownloadState = 0;  // guarded by FSvrDownloadLocker
  mutable std::mutex FPosDataSavingLocker;
  bool FPosDataSaving = false;  // guarded by FPosDataSavingLocker
};

// Set by the engine object before anything uses it; not owned here.
extern TAppDM* AppDM;

}  // namespace tessaly
