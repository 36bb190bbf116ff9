#pragma once
// The settings dialog's decisions, apart from its widgets: the checks of a save, the server
// query, the database connection, and the order in which the saved values reach AppVar. Also
// the snapshot of the product and connection settings that a dialog ending without a save puts
// back. AppVar and AppDM must be set. UI thread only.
#include <string>

#include "engine/DbConnection.h"
#include "foundation/DateTime.h"

namespace tessaly {

// The product list of the dialog: code and name, in combo order.
struct TSoftVerItem {
  const char* Code;
  const char* Name;
};
inline constexpr TSoftVerItem kSoftVerList[] = {
    {"00012", "VelmoraTarn商业管理软件"},       {"00029", "Velmora连锁专卖系列软件"},
    {"00008", "VelmoraQuill商业管理系统"},      {"00009", "VelmoraQuill商业管理系统标准版"},
    {"00050", "Velmora连锁专卖Lumen版系列"},    {"00039", "VelmoraCirro新零售商业管理系统"},
    {"00040", "VelmoraCirro新零售Lumen版系列"},
};
// The code of a combo index; empty for -1 or an index outside the list.
[[nodiscard]] std::string SoftVerCodeOf(int aIndex);
// The combo index of a code; -1 when it is not in the list.
[[nodiscard]] int SoftVerIndexOf(const std::string& aCode);

// The account-set item of the list: title + "(" + database + ")", and its two parts back.
[[nodiscard]] std::string SvrDBItem(const std::string& aTitle, const std::string& aName);
[[nodiscard]] std::string SvrDBItemTitle(const std::string& aItem);
[[nodiscard]] std::string SvrDBItemName(const std::string& aItem);

// What the dialog's controls hold when "保存" is pressed.
struct TConfigForm {
  int SoftVerIndex = -1;
  int VisiblePanel = -1;                      // the database mode whose panel is shown; -1 none
  std::string DBHost, DBUser, DBPwd, DBName;  // as typed
  std::string SvrHost;                        // as typed
  int SvrPort = 0;
  std::string SvrDBItem;     // the chosen account-set item; empty when none is chosen
  bool SvrUseWSDL = false;   // the server panel's box
  std::string AuthHost;      // the hosted panel's fields, as typed
  int AuthPort = 0;
  std::string AuthDBName, AuthDBId;
  bool AuthUseWSDL = false;  // the hosted panel's box
  bool SvrVIPConnOK = false;
  int IsNewOrderTips = 1;
  bool IsHQBranchTransAll = false;
  int AutoStartWaitTime = 0;
  int UploadPageSize = 20;
  int UploadVipintegralFlag = 0;
  bool PullSelfCollect = true;
  bool PullWXApplet = false;
  int PullPageSize = 20;
  bool PullStartDateVisible = false;
  TDateTime PullStartDate = 0;
};

// The control a failed check puts the focus on.
enum class TConfigFocus { None, SvrHost, SvrPort, SvrDB };

// The answer of the back-office server for one account set, with the member-service address.
struct TSvrDBInfo {
  bool Ok = false;
  std::string Error;  // the message to show when not Ok
  std::string DBHost;
  int Port = 0;
  std::string DBName, DBTitle, DBUser, DBPwd;
  std::string VIPHost;
  int VIPPort = 0;
  bool VIPQueried = false;  // the member service was asked (its box was enabled)
  bool VIPUntick = false;   // the member-service box is to be unticked
  std::string AddressText;  // the member-service address field
};

// Asks the server at aHost:aPort for the parameters of account set aDBName (empty: the
// server's own), and, when aVIPEnabled, for the member-service port and host. Logs each step.
[[nodiscard]] TSvrDBInfo QuerySvrDBInfo(const std::string& aHost, int aPort, const std::string& aDBName,
                                        bool aVIPEnabled);

// The values a save writes, gathered before anything reaches AppVar.
struct TConfigSave {
  std::string SoftVer;
  std::string SoftVerName;
  int DBMode = 0;
  std::string SvrHost;
  int SvrPort = 0;
  std::string SvrDBTitle, SvrDBName;  // from the server's answer in mode 1, as typed in mode 2
  std::string SvrDBId;                // mode 2
  bool SvrUseWSDL = false;
  std::string DBHost, DBUser, DBPwd, DBName;
  std::string SvrVIPHost;
  int SvrVIPPort = 0;
  bool SvrVIPConnOK = false;
  TConfigForm Form;
};

// The checks of the chosen product's mode (steps before the server is asked). False with the
// message to show and the control to focus.
bool CheckConfigForm(const TConfigForm& aForm, TConfigSave& aSave, std::string& aMsg, TConfigFocus& aFocus);
// Takes the server's answer into the save (modes 1 and 2): the connection and, in mode 1, the
// account set.
void TakeSvrDBInfo(const TSvrDBInfo& aInfo, TConfigSave& aSave);
// Closes the main connection when open and connects it with the save's parameters; false with
// the message to show.
bool ConnectConfigDB(const TConfigSave& aSave, std::string& aMsg);
// Copies the save into AppVar, product and connection first, then the options.
void ApplyConfig(const TConfigSave& aSave);

// The product and connection fields of AppVar and the main connection's parameters, taken when
// a settings dialog opens and put back when it ends without a successful save: a save the
// database refused has already pointed the connection at the refused parameters.
struct TAppVarDBSnapshot {
  static TAppVarDBSnapshot Take();
  void Restore() const;

  int DBMode = 0;
  std::string DBHost, DBUser, DBPwd, DBName;
  std::string SvrHost;
  int SvrPort = 0;
  std::string SvrDBTitle, SvrDBName, SvrDBId;
  bool SvrUseWSDL = false;
  std::string SvrVIPHost;
  int SvrVIPPort = 0;
  bool SvrVIPConnOK = false;
  std::string SoftVer, SoftVerName;
  int SoftModel = 0;
  TDbParams ConnParams;
  bool ConnOpen = false;

 private:
  // Points the main connection back at ConnParams, opened again when it was open.
  void RestoreConnection() const;
};

}  // namespace tessaly
