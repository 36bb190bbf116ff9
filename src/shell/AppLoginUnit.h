#pragma once
// TAppLogin: the modal login dialog. The operator enters the platform enterprise account and
// password, chooses whether the password is remembered, switches the autorun entry, and can
// open the settings dialog. Show it with exec(); FiResult is 1 after a successful login, -1
// otherwise. Needs the engine object SPfApp. UI thread only.
#include <string>

#include "foundation/ui/BaseFormUnit.h"

class QCheckBox;
class QLineEdit;

namespace tessaly {

class TAppLogin : public TBaseForm {
  Q_OBJECT
 public:
  explicit TAppLogin(QWidget* aParent = nullptr);

  QLabel* imgLogo;
  QLineEdit* edtSoftId;
  QLineEdit* edtPwd;
  QLabel* lblSoftVer;
  QCheckBox* chkSavePwd;
  QCheckBox* chkAutoStart;
  TVqLabel* lblOK;      // "登    录"
  TVqLabel* lblConfig;  // "设置"
  QLabel* lblHint;

  void LoadSkin() override;
  // The product line from AppVar.
  void ShowSoftVer();
  // Section Login of the settings file and the autorun state into the controls.
  void LoadLoginInfo();
  // Writes section Login after a successful login.
  void SaveLoginInfo();

  // Handlers, callable without the mouse.
  void lblOKClick();
  void lblConfigClick();
  void chkAutoStartClick();

 protected:
  void FormShow() override;
  bool eventFilter(QObject* aWatched, QEvent* aEvent) override;

 private:
  void SetHintText(const QString& aText);
  void BuildControls();
};

}  // namespace tessaly
