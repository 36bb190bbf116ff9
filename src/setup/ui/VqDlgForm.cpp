// The dialog base form.
#include "setup/ui/VqDlgForm.h"

namespace orvane {

TvqDlgForm::TvqDlgForm(QWidget* parent) : TvqDlgForm(parent, Qt::Dialog) {}

TvqDlgForm::TvqDlgForm(QWidget* parent, Qt::WindowFlags flags) : TvqForm(parent, flags) {
  setWindowTitle(QStringLiteral("对话框窗体基类"));
  setSizeGripEnabled(false);
}

}  // namespace orvane
