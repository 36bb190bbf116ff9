#pragma once
// The wizard's configuration page: a top band with the title, the row area (hidden until a row
// is filled) with its prompt and six rows of caption and edit box, and the next and back
// buttons (the back button stays hidden), in their design places.
#include <QFrame>
#include <array>

#include "setup/ui/PageWidgets.h"
#include "setup/ui/WizardView.h"

class QLineEdit;

namespace orvane {

class TConfigPage final : public QFrame {
  Q_OBJECT
 public:
  explicit TConfigPage(QWidget* parent);

  QLabel* lblICFGBack;
  QLabel* lblICfgTitle;
  QFrame* pnlICfg;
  QLabel* lblICfgLabel;
  std::array<QLabel*, kConfigRows> lblICfgItem{};
  std::array<QLineEdit*, kConfigRows> edtICfgItem{};
  TvqLabel* btnICFGBack;
  TvqLabel* btnICFGNext;
};

}  // namespace orvane
