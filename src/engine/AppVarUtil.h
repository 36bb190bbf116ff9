#pragma once
// The agent's settings-and-state object TAppVar, the product-code table and the engine state word.
//
// One TAppVar exists, reached through the global AppVar: the engine object creates it before
// anything else and frees it last; tests make their own and point AppVar at it.
//
// Threads: every field a worker reads or writes while the engine runs is a holder (its own lock,
// VqSyncUtil.h) or the member-points list (its own lock). The plain fields SoftVer, SoftVerName,
// SoftModel, SvrHost, SvrDBName and DBDistributed are read by the workers but written only while
// both workers are idle (the settings dialog and the engine start run while the engine is
// stopped). All other plain fields belong to the UI thread.
#include <cstdint>
#include <string>

#include "foundation/VqSyncIDValueList.h"
#include "foundation/VqSyncUtil.h"

namespace tessaly {

// Values of the engine state word TAppVar::UploadState; no other value is used.
namespace TUploadState {
inline constexpr std::int32_t Stopped = 0;           // initial; a failed worker start; shown as stopped
inline constexpr std::int32_t StartRequested = 1;    // TSPfApp::Start
inline constexpr std::int32_t Running = 2;           // a worker whose start succeeded
inline constexpr std::int32_t StopRequested = 4;     // TSPfApp::Stop
inline constexpr std::int32_t StoppedAfterStop = 5;  // the worker that completed the stop
}  // namespace TUploadState

// Database modes of the back-office products.
namespace TDBMode {
inline constexpr int Direct = 0;  // SQL Server reached with the settings' address and login
inline constexpr int Server = 1;  // parameters handed out by the back-office server
inline constexpr int Hosted = 2;  // hosted installation: server plus a fixed account set
}  // namespace TDBMode

// Product-code table. Codes compare exactly.
// The database mode of a five-digit product code (0 for any code not listed).
[[nodiscard]] int SoftVerDBMode(const std::string& aSoftVer);
// The product family of a code (1 distributed, 2 server products), or aCurrent for codes whose
// family the settings file decides.
[[nodiscard]] int SoftVerModel(const std::string& aSoftVer, int aCurrent);
// The default database name of a code in mode 0; empty for codes without one.
[[nodiscard]] std::string SoftVerDefDBName(const std::string& aSoftVer);

class TAppVar {
 public:
  TAppVar() = default;
  virtual ~TAppVar() = default;
  TAppVar(const TAppVar&) = delete;
  TAppVar& operator=(const TAppVar&) = delete;

  int DBMode = TDBMode::Direct;
  std::string DBHost;   // mode 0: host "," port
  std::string DBUser;   // mode 0
  std::string DBPwd;    // mode 0, plain in memory (Base64 in the file)
  std::string DBName;   // main connection's database; set on connecting in modes 1 and 2
  std::string DBId;     // account-set id read after connecting; never stored
  std::string SvrHost;  // modes 1 and 2: back-office server (its SOAP service)
  int SvrPort = 0;
  std::string SvrDBTitle;  // mode 1
  std::string SvrDBName;   // modes 1 and 2
  std::string SvrDBId;     // mode 2: the account-set id the hosted installation expects
  bool SvrUseWSDL = false;
  std::string SvrVIPHost;  // member service
  int SvrVIPPort = 0;
  std::string SvrVIPKey;  // read from the back-office database; never stored
  TVqSyncBool SvrVIPConnOK{false};
  int DBDistributed = 0;  // 1 head office, 2 branch, 0 not read yet, -1 failed query
  std::string SoftVer;    // five-digit product code
  std::string SoftVerName;
  int SoftModel = 0;        // 1 distributed family, 2 server products, else as the file says
  TVqSyncInt SoftId{0};     // enterprise id of the platform account
  TVqSyncStr BranchNo{""};  // product family 1 only; "0000" marks a head office
  std::string OperId;
  bool AutoStart = false;     // the autorun entry exists
  int AutoStartWaitTime = 0;  // ms before an automatic login
  TVqSyncInt IsExitApp{0};    // 0 -> 1 once, when the exit is confirmed
  TVqSyncInt IsNewOrderTips{1};
  TVqSyncBool IsDetailLog{false};
  TVqSyncBool IsHQBranchTransAll{false};
  TVqSyncInt UploadState{TUploadState::Stopped};
  TVqSyncInt UploadWaitTime{60};        // worker ticks between upload cycles; never changed
  TVqSyncInt DownloadWaitTime{10};      // worker ticks between pull runs; never changed
  TVqSyncInt UploadPageSize{20};        // at least 1 once the settings are loaded
  TVqSyncInt UploadVipintegralFlag{0};  // 1: member points are not uploaded
  TVqSyncInt PullPageSize{20};          // the settings' default (10) replaces it on load; at least 1
  TVqSyncBool PullSelfCollect{true};
  TVqSyncBool PullWXApplet{false};
  TVqSyncDtm PullStartDate{0.0};       // active only above 2015-01-01
  TVqSyncIDValueList VipIntegralList;  // member number -> last uploaded points
};

// Set by the engine object (or a test) before any worker runs; not owned here.
extern TAppVar* AppVar;

}  // namespace tessaly
