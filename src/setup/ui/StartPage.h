#pragma once
// The wizard's start page: the coloured top band with the start picture, logo, product title and
// version, the greeting, the action buttons (install or uninstall, or change, repair and
// uninstall of an installed product), the line under them, the install path or system
// requirement line, the agreement tick box and link, the deep-uninstall tick box, and the
// options panel with the install folder. The page holds its controls in their design places;
// the page flow fills, moves, colours and shows them.
#include <QFrame>

#include "setup/ui/PageWidgets.h"

class QLineEdit;

namespace orvane {

class TStartPage final : public QFrame {
  Q_OBJECT
 public:
  explicit TStartPage(QWidget* parent);

  QLabel* lblSetp1Back;
  TPictureBox* imgAppStepStartLogo;
  TPictureBox* imgAppLogo;
  QLabel* lblAppTitle;
  QLabel* lblAppVersion;
  QLabel* lblTitle;
  TvqLabel* btnStart;
  TvqLabel* btnEdit;
  TvqLabel* btnRepair;
  TvqLabel* btnUnInstall;
  QLabel* lblOperDesc;
  QLabel* lblInstedInfo;
  QLabel* lblSysRequire;
  TTickBox chkAgreementOk;
  TvqLabel* lblReadAndOK;
  TvqLabel* lblAgreement;
  TvqLabel* lblOption;
  TTickBox chkUninstDeepness;
  TvqLabel* lblUninstDeepness;

  QFrame* pnlStepOption;
  QLabel* lblSetupPathLabel;
  QLineEdit* edtPath;
  TvqLabel* btnPath;
  QLabel* lblPathInfo;
  TTickBox chkCreateDeskIcon;
  TvqLabel* lblCreateDeskIcon;
  TTickBox chkCreateStartmenu;
  TvqLabel* lblCreateStartmenu;

 private:
  void BuildOptionPanel();
};

}  // namespace orvane
