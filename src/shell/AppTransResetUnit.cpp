// The transfer reset dialog: its controls and handlers. Statement texts: AppTransResetSql.cpp.
#include "shell/AppTransResetUnit.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QSpinBox>
#include <climits>
#include <exception>
#include <filesystem>
#include <system_error>

#include "engine/AppDMUtil.h"
#include "engine/AppUtil.h"
#include "engine/AppVarUtil.h"
#include "foundation/VqLibUtil.h"

namespace tessaly {

namespace {

constexpr int kWidth = 620;
constexpr int kHeight = 440;
constexpr int kLeft = 24;
constexpr int kColumnWidth = 190;
constexpr int kRow = 32;
constexpr int kGridRows = 5;
constexpr int kPullTop = 8 + kGridRows * kRow + 12;
constexpr const char* kDateMask = "0000-00-00 00:00:00;_";

void Message(const std::string& aText) { TvqLib::MsgBox(aText, "消息"); }

bool IsPullItem(int aItem) {
  for (const TPullStream& stream : kPullStreams)
    if (stream.Item == aItem) return true;
  return false;
}

// The stored value of a show-time read; the default 0 for anything that is no number.
std::int64_t StoredChange(const TDbVariant& aValue) {
  try {
    return VarToInt64(aValue);
  } catch (const std::exception&) {
    return 0;
  }
}

TDateTime StoredDate(const TDbVariant& aValue) {
  try {
    return VarToDateTime(aValue);
  } catch (const std::exception&) {
    return 0;
  }
}

}  // namespace

TAppTransReset::TAppTransReset(QWidget* aParent) : TBaseForm(aParent) {
  setWindowTitle("传输重置");
  lblTitle->setText("传输重置");
  resize(kWidth, kHeight);
  BuildControls();
}

void TAppTransReset::BuildControls() {
  pnlContent = new QWidget(pnlBack);
  pnlContent->setObjectName("pnlContent");
  pnlContent->setGeometry(1, 48, kWidth - 2, kPullTop + 3 * 38 + 8);
  int plain = 0;
  for (std::size_t i = 0; i < kResetItems.size(); ++i) {
    auto* box = new QCheckBox(kResetItems[i].Caption, pnlContent);
    box->setToolTip(kResetItems[i].TransTable);
    chkItems[i] = box;
    if (IsPullItem(static_cast<int>(i))) continue;
    box->setGeometry(kLeft + (plain % 3) * kColumnWidth, 8 + (plain / 3) * kRow, kColumnWidth - 10, 28);
    ++plain;
  }
  for (std::size_t s = 0; s < kPullStreams.size(); ++s) BuildPullRow(static_cast<int>(s), kPullTop + static_cast<int>(s) * 38);
  edtOrderLastChange = FChangeEdits[0];
  edtOrderLastDate = FDateEdits[0];
  edtWXOrderLastChange = FChangeEdits[1];
  edtWXOrderLastDate = FDateEdits[1];
  edtWXVIPLastChange = FChangeEdits[2];
  edtWXVIPLastDate = FDateEdits[2];
  edtOrderLastChange->setObjectName("edtOrderLastChange");
  edtOrderLastDate->setObjectName("edtOrderLastDate");
  edtWXOrderLastChange->setObjectName("edtWXOrderLastChange");
  edtWXOrderLastDate->setObjectName("edtWXOrderLastDate");
  edtWXVIPLastChange->setObjectName("edtWXVIPLastChange");
  edtWXVIPLastDate->setObjectName("edtWXVIPLastDate");

  chkAll = new QCheckBox("全选", pnlBack);
  chkAll->setGeometry(kLeft, kHeight - 60, 100, 38);
  lblNO = new TVqLabel("取消(Esc)", pnlBack);
  lblNO->Tag = 1;
  lblNO->setGeometry(kWidth - kLeft - 120, kHeight - 60, 120, 38);
  lblOK = new TVqLabel("重置", pnlBack);
  lblOK->setGeometry(lblNO->x() - 130, lblNO->y(), 120, 38);
  for (TVqLabel* button : {lblOK, lblNO}) BindLabelButton(button);
  connect(chkAll, &QCheckBox::clicked, this, [this] { chkAllClick(); });
  connect(lblOK, &TVqLabel::clicked, this, &TAppTransReset::lblOKClick);
  connect(lblNO, &TVqLabel::clicked, this, &TAppTransReset::lblNOClick);
}

void TAppTransReset::BuildPullRow(int aStream, int aY) {
  QCheckBox* box = chkItems[static_cast<std::size_t>(kPullStreams[static_cast<std::size_t>(aStream)].Item)];
  box->setGeometry(kLeft, aY, 150, 30);
  auto* caption = new QLabel("重置到：", pnlContent);
  caption->setGeometry(kLeft + 150, aY, 70, 30);
  caption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  auto* change = new QSpinBox(pnlContent);
  change->setRange(INT_MIN, INT_MAX);  // the column's range: no bounds of the dialog's own
  change->setGeometry(kLeft + 225, aY, 120, 30);
  auto* date = new QLineEdit(pnlContent);
  date->setInputMask(kDateMask);
  date->setGeometry(kLeft + 355, aY, 190, 30);
  FChangeEdits[static_cast<std::size_t>(aStream)] = change;
  FDateEdits[static_cast<std::size_t>(aStream)] = date;
}

void TAppTransReset::LoadSkin() {
  TBaseForm::LoadSkin();
  SetSkinColors(pnlContent, Skin.form_back, Skin.form_font);
  pnlContent->setFont(font());
  SetSkinColors(lblOK, Skin.button_defback, Skin.button_deffont);
  SetSkinColors(lblNO, Skin.button_exit_defback, Skin.button_exit_deffont);
}

void TAppTransReset::FormShow() {
  const int softId = AppVar->SoftId.v();
  for (std::size_t s = 0; s < kPullStreams.size(); ++s) {
    const std::string table = kPullStreams[s].Table;
    const std::int64_t change =
        StoredChange(AppDM->SqlValue(PullReadSql("last_change", table, softId), TDbVariant(std::int64_t{0})));
    FChangeEdits[s]->setValue(static_cast<int>(std::clamp<std::int64_t>(change, INT_MIN, INT_MAX)));
    const TDateTime date =
        StoredDate(AppDM->SqlValue(PullReadSql("last_date", table, softId), TDbVariant(std::int64_t{0})));
    FDateEdits[s]->setText(QString::fromStdString(TvqLib::GetFormat(date)));
  }
}

void TAppTransReset::chkAllClick() {
  for (QCheckBox* box : chkItems) box->setChecked(chkAll->isChecked());
}

bool TAppTransReset::ReadPullTicks(std::vector<TPullTick>& aTicks) const {
  for (std::size_t s = 0; s < kPullStreams.size(); ++s) {
    const TPullStream& stream = kPullStreams[s];
    if (!chkItems[static_cast<std::size_t>(stream.Item)]->isChecked()) continue;
    FChangeEdits[s]->interpretText();
    TPullResetValue value;
    value.LastChange = FChangeEdits[s]->value();
    // A half-typed date must not read as "no date": that would delete the stream's checkpoint.
    if (ReadDateField(FDateEdits[s]->displayText().toStdString(), value.LastDate) == TDateFieldState::Invalid) {
      Message(std::string("“") + kResetItems[static_cast<std::size_t>(stream.Item)].Caption +
              "”的重置时间不完整或有误，请输入完整的时间(yyyy-MM-dd hh:mm:ss)或清空！");
      FDateEdits[s]->setFocus();
      return false;
    }
    aTicks.push_back({&stream, value});
  }
  return true;
}

bool TAppTransReset::ClearVipIntegral(std::string& aError) {
  AppVar->VipIntegralList.Clear();
  // An empty list saves no file, so the old file is removed: it would bring the points back at
  // the next start.
  std::error_code ec;
  std::filesystem::remove(TSPfApp::VipIntegralFile(AppVar->SoftId.v()), ec);
  if (ec) aError = ec.message();
  return !ec;
}

void TAppTransReset::lblOKClick() {
  std::vector<std::string> names;
  std::vector<std::string> captions;
  for (std::size_t i = 0; i < kResetItems.size(); ++i) {
    if (!chkItems[i]->isChecked() || *kResetItems[i].TransTable == '\0') continue;
    names.emplace_back(kResetItems[i].TransTable);
    captions.emplace_back(kResetItems[i].Caption);
  }
  const bool vipIntegral = chkItems[kVipIntegralItem]->isChecked();
  if (names.empty() && !vipIntegral) {
    Message("请选择一个需要重置的项！");
    return;
  }
  std::vector<TPullTick> ticks;
  if (!ReadPullTicks(ticks)) return;
  const std::string itemText = ResetItemText(captions, vipIntegral);
  if (!TvqLib::MsgQuery("确定重置“" + itemText + "”吗？", "询问", "")) return;
  if (chkItems[kBranchLimitItem]->isChecked()) names.emplace_back(kBranchLimitDetail);

  std::string error;
  if (!AppDM->SqlExec(error, ResetDeleteSql(AppVar->SoftId.v(), AppVar->SoftVer, names, ticks))) {
    Message("重置操作失败：" + error);
    return;
  }
  // Only now: a failed delete must leave the cache as it was.
  if (vipIntegral && !ClearVipIntegral(error)) Message("重置会员积分操作失败：" + error);
  bool written = false;
  for (const TPullTick& tick : ticks) {
    if (!HasResetValue(tick.Value)) continue;
    const TPullWrite write = PullWriteOf(tick);
    if (AppDM->SetTransRecordValues(error, tick.Stream->TransType, tick.Stream->Table, write.LastChange,
                                    write.LastDate)) {
      Message("“" + itemText + "”重置成功！");
      written = true;
    } else {
      Message(tick.Stream->FailText + error);
    }
  }
  if (written) {
    FiResult = 1;
    close();
  }
}

void TAppTransReset::lblNOClick() { close(); }

}  // namespace tessaly
