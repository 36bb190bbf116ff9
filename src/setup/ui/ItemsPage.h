#pragma once
// The wizard's items page: a top band with the title, the row area with up to five group
// headings and ten module rows (caption and tick box), the needed-space line, the disk line with
// the path, and the back and next buttons, in their design places. The page flow fills, places
// and shows the rows.
#include <QFrame>
#include <array>

#include "setup/ui/PageWidgets.h"
#include "setup/ui/WizardView.h"

namespace orvane {

class TItemsPage final : public QFrame {
  Q_OBJECT
 public:
  explicit TItemsPage(QWidget* parent);

  QLabel* lblItemTitleBack;
  QLabel* lblItemTitle;
  QFrame* pnlItems;
  std::array<QLabel*, kGroupHeadings> lblGroup{};
  std::array<TvqLabel*, kItemRows> lblItem{};
  std::array<TTickBox, kItemRows> chkItemOk{};
  QLabel* lblItemsFileInfo1;
  QLabel* lblItemsFileSize;
  QLabel* lblItemsFileInfo2;
  QLabel* lblItemsSetupPath;
  TvqLabel* btnItemsBack;
  TvqLabel* btnItemsNext;
};

}  // namespace orvane
