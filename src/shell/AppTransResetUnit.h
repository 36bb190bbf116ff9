#pragma once
// TAppTransReset: the modal dialog "传输重置". The operator ticks sync tables whose checkpoints
// are deleted (so the uploader sends them again from the start), sets or clears the checkpoints
// of the three pull streams, and empties the member-points cache. Works on spf_t_trans_record
// through AppDM's main connection, for the current enterprise id AppVar->SoftId.
//
// Show it with exec() while the engine is stopped (the workers must not touch the checkpoints
// meanwhile); FiResult is 1 after a reset that wrote a pull checkpoint, which closes it.
// UI thread only.
#include <array>

#include "foundation/ui/BaseFormUnit.h"
#include "shell/AppTransResetSql.h"

class QCheckBox;
class QLineEdit;
class QSpinBox;

namespace tessaly {

class TAppTransReset : public TBaseForm {
  Q_OBJECT
 public:
  explicit TAppTransReset(QWidget* aParent = nullptr);

  QWidget* pnlContent;
  // One box per item of kResetItems, in panel order; the hint names its sync table.
  std::array<QCheckBox*, kResetItems.size()> chkItems;
  // The pull rows' "重置到：" fields, in the order of kPullStreams.
  QSpinBox* edtOrderLastChange;
  QLineEdit* edtOrderLastDate;
  QSpinBox* edtWXOrderLastChange;
  QLineEdit* edtWXOrderLastDate;
  QSpinBox* edtWXVIPLastChange;
  QLineEdit* edtWXVIPLastDate;
  QCheckBox* chkAll;  // "全选"
  TVqLabel* lblOK;    // "重置"
  TVqLabel* lblNO;    // "取消(Esc)", Tag 1

  void LoadSkin() override;

  // Handlers, callable without the mouse.
  void chkAllClick();
  void lblOKClick();
  void lblNOClick();

 protected:
  // Fills the pull rows' fields from their stored checkpoints.
  void FormShow() override;

 private:
  void BuildControls();
  void BuildPullRow(int aStream, int aY);
  // The ticked pull rows with their values; false (after its message) when a ticked row's date
  // is partly typed or no date-time.
  bool ReadPullTicks(std::vector<TPullTick>& aTicks) const;
  // Empties the member-points cache and its file; false with the reason.
  static bool ClearVipIntegral(std::string& aError);

  std::array<QSpinBox*, kPullStreams.size()> FChangeEdits;
  std::array<QLineEdit*, kPullStreams.size()> FDateEdits;
};

}  // namespace tessaly
