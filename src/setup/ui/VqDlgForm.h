#pragma once
// TvqDlgForm: the base of the setup program's dialogs, a TvqForm with a dialog frame
// ("对话框窗体基类"). Derived dialogs may ask for another frame, such as none.
#include "setup/ui/VqForm.h"

namespace orvane {

class TvqDlgForm : public TvqForm {
  Q_OBJECT
 public:
  explicit TvqDlgForm(QWidget* parent = nullptr);

 protected:
  TvqDlgForm(QWidget* parent, Qt::WindowFlags flags);
};

}  // namespace orvane
