#pragma once
// TAppConfig: the modal settings dialog. The operator chooses the back-office product, enters
// or fetches its database connection and sets the run options. Show it with exec() and read
// FiResult: 1 after a successful save, 0 after "取消(Esc)", -1 when closed otherwise.
//
// Values reach AppVar only through a successful save, except the two options written at once
// (new-order tips, detailed logging) and what choosing a product loads for the dialog to show.
// Whenever the dialog ends without a successful save, the product and connection settings it
// found when it opened are put back. AppVar, AppDM and the engine's settings functions must be
// available. UI thread only.
#include <string>

#include "foundation/ui/BaseFormUnit.h"
#include "shell/AppConfigSave.h"

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLineEdit;
class QSpinBox;

namespace tessaly {

class TAppConfig : public TBaseForm {
  Q_OBJECT
 public:
  // aDBLocked: the database part cannot be changed (the main window opens it so).
  explicit TAppConfig(bool aDBLocked, QWidget* aParent = nullptr);
  ~TAppConfig() override;

  QWidget* pnlContent;
  TVqLabel* lblSoftHead;
  TVqLabel* lblOtherHead;
  QComboBox* cbbSoftVer;
  QWidget* pnlDBConfig;
  QLineEdit* edtDBHost;
  QLineEdit* edtDBUser;
  QLineEdit* edtDBPwd;
  QLineEdit* edtDBName;
  QWidget* pnlSvrConfig;
  QLineEdit* edtSvrHost;
  QLineEdit* edtSvrPort;
  QComboBox* cbbSvrDB;
  TVqLabel* lblSvrTest;
  QLabel* lblSvrHint;
  QCheckBox* chkSvrUseWSDL;
  QWidget* pnlAuthConfig;
  QLineEdit* edtAuthHost;    // SvrHost
  QLineEdit* edtAuthPort;    // SvrPort
  QLineEdit* edtAuthDBName;  // SvrDBName
  QLineEdit* edtAuthDBId;    // SvrDBId
  QCheckBox* chkAuthUseWSDL;
  QCheckBox* chkHQBranchTransAll;
  QCheckBox* chkNewOrderTips;
  QCheckBox* chkDetailLog;
  QSpinBox* edtAutoRunWaitTime;
  QSpinBox* edtUploadPageSize;
  QSpinBox* edtPullPageSize;
  QCheckBox* chkUploadVipintegralFlag;
  QCheckBox* chkPullSelfCollect;
  QCheckBox* chkPullWXApplet;
  QCheckBox* chkSvrVIPConn;
  QLineEdit* edtVIPSvrHost;
  QDateEdit* dtpPullStartDate;
  TVqLabel* lblOK;  // "保存"
  TVqLabel* lblNO;  // "取消(Esc)"

  void LoadSkin() override;
  // Loads the options and the product's database part from AppVar.
  void ShowConfig();
  // Loads the database part of product aSoftVer from AppVar and shows that mode's panel.
  void ShowDBConfig(const std::string& aSoftVer);
  // The whole save short of writing the settings file: checks, server query, connection, and
  // AppVar. False (after its message box) when any step fails; AppVar then keeps its values but
  // the WSDL choice the server was asked with, which the dialog's end puts back.
  bool GetConfig();
  // Locks (false) or unlocks the database part.
  void EnableConfig(bool aEnable);

  // Handlers, callable without the mouse.
  void cbbSoftVerChange();
  void chkDetailLogClick();
  void chkNewOrderTipsClick();
  void lblSvrTestClick();
  void lblOKClick();
  void lblNOClick();
  // A double-click on the background; with Ctrl it shows or hides the pull start date.
  void pnlBackDblClick(bool aCtrlHeld);

  // The controls' values as the save reads them.
  [[nodiscard]] TConfigForm ReadForm() const;

 protected:
  void FormShow() override;
  // Every way the dialog ends passes here.
  void done(int aResult) override;
  bool eventFilter(QObject* aWatched, QEvent* aEvent) override;

 private:
  // Asks the server for account set aDBName (empty: the server's own) and shows its answer;
  // false after the error message.
  bool GetSvrDBInfo(const std::string& aHost, int aPort, const std::string& aDBName, bool aAnnounce,
                    TSvrDBInfo& aInfo);
  void Focus(TConfigFocus aFocus);
  void BuildControls();
  void BuildDBPanels();
  void BuildOptions();

  bool FDBLocked;
  // Puts the snapshot back once, unless a save succeeded.
  void RestoreUnlessSaved();

  bool FSaved = false;
  bool FRestored = false;
  TAppVarDBSnapshot FSnapshot;
  int FDBMode = 0;
  std::string FSvrVIPHost;
  int FSvrVIPPort = 0;
};

}  // namespace tessaly
