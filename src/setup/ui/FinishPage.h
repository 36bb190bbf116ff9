#pragma once
// The wizard's finish page: the coloured band with the finish picture, the success title and
// closing words, the download-code picture with its caption, the area of up to ten exec rows
// (caption and tick box) and the finish button. Places and sizes are set by the page flow.
#include <QFrame>
#include <array>

#include "setup/ui/PageWidgets.h"
#include "setup/ui/WizardView.h"

namespace orvane {

class TFinishPage final : public QFrame {
  Q_OBJECT
 public:
  explicit TFinishPage(QWidget* parent);

  QLabel* lblFinishBack;
  TPictureBox* ImgStepFinshBackImg;
  QLabel* lblFinishTitle;
  QLabel* lblFinishAppVersion;
  QLabel* lblFinishWord;
  TPictureBox* ImgIOSQRCode;
  QLabel* lblIOSQRCode;
  QFrame* pnlExecs;
  std::array<TvqLabel*, kExecRows> lblExec{};
  std::array<TTickBox, kExecRows> chkExecOk{};
  TvqLabel* btnFinish;
};

}  // namespace orvane
