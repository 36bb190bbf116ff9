#pragma once
// The wizard's install page, shown while a flow runs: the slide picture over a coloured band,
// the product title, the progress track with its bar and percent label, and the engine's status
// line (the page is the engine's status line while it is attached).
#include <QFrame>
#include <string>

#include "setup/core/SetupUi.h"
#include "setup/ui/PageWidgets.h"
#include "setup/ui/VqShape.h"

namespace orvane {

class TInstallPage final : public QFrame, public IStatusLine {
  Q_OBJECT
 public:
  explicit TInstallPage(QWidget* parent);

  void ShowStatus(const std::string& text) override;

  QLabel* lblInstallBack;
  TPictureBox* imgSlider;
  QLabel* lblInstTitle;
  TvqShape* PBarBack;
  TvqShape* PBar;
  QLabel* PBarHint;
  QLabel* lblInstallState;
};

}  // namespace orvane
