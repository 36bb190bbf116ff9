// The transfer query dialog: its controls and handlers.
#include "shell/AppTransQueryUnit.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTableView>
#include <algorithm>
#include <exception>

#include "engine/AppDMUtil.h"
#include "engine/AppVarUtil.h"
#include "engine/TransHelperUtil.h"
#include "foundation/VqLibTextTrim.h"
#include "foundation/VqLibUtil.h"
#include "platform/TextCodec.h"
#include "shell/DbQueryModel.h"

namespace tessaly {

namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 520;
constexpr int kTop = 40;
constexpr int kHeadClosed = 62;
constexpr int kHeadOpen = 250;
constexpr int kFootHeight = 46;
constexpr const char* kTabInfoPrompt = "请选择查询的传输表...";
constexpr const char* kLocatHint = "点击表格字段选择定位字段";

void Message(const std::string& aText) { TvqLib::MsgBox(aText, "消息"); }

// The column's text on the query's current row; empty when the result lacks it.
std::string ColumnText(const TDbQuery& aQry, const char* aName) {
  const int field = aQry.FieldIndex(aName);
  return field < 0 ? std::string() : aQry.AsString(field);
}

std::string DecimalText(const TDbQuery& aQry, const char* aName) {
  const int field = aQry.FieldIndex(aName);
  try {
    return std::to_string(field < 0 ? 0 : aQry.AsInt64(field));
  } catch (const std::exception&) {
    return "0";
  }
}

}  // namespace

TAppTransQuery::TAppTransQuery(QWidget* aParent) : TBaseForm(aParent) {
  setWindowTitle("传输查询");
  lblTitle->setText("传输查询");
  resize(kWidth, kHeight);
  FModel = new TDbQueryModel(this);
  BuildHead();
  BuildFoot();
  grdData = new QTableView(pnlBack);
  grdData->setObjectName("grdData");
  grdData->setModel(FModel);
  grdData->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grdData->setSelectionBehavior(QAbstractItemView::SelectRows);
  grdData->setSelectionMode(QAbstractItemView::SingleSelection);
  grdData->horizontalHeader()->setSectionsClickable(true);
  connect(grdData->horizontalHeader(), &QHeaderView::sectionClicked, this,
          [this](int aColumn) { grdDataTitleClick(aColumn); });
  PlaceBody();
}

TAppTransQuery::~TAppTransQuery() = default;

void TAppTransQuery::BuildHead() {
  pnlHead = new QFrame(pnlBack);
  pnlHead->setObjectName("pnlHead");
  pnlHead->installEventFilter(this);
  auto* caption = new QLabel("传输表：", pnlHead);
  caption->setGeometry(12, 4, 64, 28);
  cbbTable = new QComboBox(pnlHead);
  cbbTable->setObjectName("cbbTable");
  cbbTable->setGeometry(76, 4, 330, 28);
  connect(cbbTable, &QComboBox::currentIndexChanged, this, [this] { cbbTableChange(); });
  lblOK = new TVqLabel("查询", pnlHead);
  lblOK->setObjectName("lblOK");
  lblOK->setGeometry(418, 4, 90, 28);
  lblOK->setEnabled(false);
  chkLastChange = new QCheckBox("从头开始", pnlHead);
  chkLastChange->setGeometry(522, 4, 110, 28);
  chkDelSql = new QCheckBox("已删数据", pnlHead);
  chkDelSql->setGeometry(636, 4, 110, 28);
  lblTabInfo = new TVqLabel(kTabInfoPrompt, pnlHead);
  lblTabInfo->setObjectName("lblTabInfo");
  lblTabInfo->setGeometry(12, 34, kWidth - 26, 26);
  lblTabInfo->setContextMenuPolicy(Qt::CustomContextMenu);
  pmTabInfo = new QMenu(this);
  SQL1 = pmTabInfo->addAction("复制查询SQL");
  SQL2 = pmTabInfo->addAction("复制删除SQL");
  mmoSql = new QPlainTextEdit(pnlHead);
  mmoSql->setObjectName("mmoSql");
  mmoSql->setReadOnly(true);
  mmoSql->setLineWrapMode(QPlainTextEdit::NoWrap);
  mmoSql->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  mmoSql->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  QPalette tip = mmoSql->palette();
  tip.setColor(QPalette::Base, tip.color(QPalette::ToolTipBase));
  tip.setColor(QPalette::Text, tip.color(QPalette::ToolTipText));
  mmoSql->setPalette(tip);
  mmoSql->setGeometry(12, kHeadClosed, kWidth - 26, kHeadOpen - kHeadClosed - 6);
  mmoSql->hide();
  connect(lblOK, &TVqLabel::clicked, this, &TAppTransQuery::lblOKClick);
  connect(lblTabInfo, &TVqLabel::doubleClicked, this, &TAppTransQuery::pnlHeadDblClick);
  connect(lblTabInfo, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& aPos) { pmTabInfo->popup(lblTabInfo->mapToGlobal(aPos)); });
  connect(SQL1, &QAction::triggered, this, &TAppTransQuery::SQL1Click);
  connect(SQL2, &QAction::triggered, this, &TAppTransQuery::SQL2Click);
  BindLabelButton(lblOK);
  pnlHead->setGeometry(1, kTop, kWidth - 2, kHeadClosed);
}

void TAppTransQuery::BuildFoot() {
  FFoot = new QFrame(pnlBack);
  lblLocat = new TVqLabel("定位", FFoot);
  lblLocat->setObjectName("lblLocat");
  lblLocat->setGeometry(12, 6, 90, 30);
  lblLocalField = new QLabel("请选择定位字段", FFoot);
  lblLocalField->setObjectName("lblLocalField");
  lblLocalField->setToolTip(kLocatHint);
  lblLocalField->setGeometry(114, 6, 260, 30);
  auto* caption = new QLabel("取值：", FFoot);
  caption->setToolTip(kLocatHint);
  caption->setGeometry(384, 6, 52, 30);
  edtLocatValue = new QLineEdit(FFoot);
  edtLocatValue->setObjectName("edtLocatValue");
  edtLocatValue->setToolTip(kLocatHint);
  edtLocatValue->setGeometry(436, 6, 300, 30);
  connect(lblLocat, &TVqLabel::clicked, this, &TAppTransQuery::lblLocatClick);
  BindLabelButton(lblLocat);
}

void TAppTransQuery::PlaceBody() {
  FFoot->setGeometry(1, height() - kFootHeight - 1, width() - 2, kFootHeight);
  const int gridTop = pnlHead->geometry().bottom() + 4;
  grdData->setGeometry(12, gridTop, width() - 24, FFoot->y() - gridTop);
}

void TAppTransQuery::resizeEvent(QResizeEvent* aEvent) {
  TBaseForm::resizeEvent(aEvent);
  PlaceBody();
}

void TAppTransQuery::LoadSkin() {
  TBaseForm::LoadSkin();
  for (TVqLabel* button : {lblOK, lblLocat}) SetSkinColors(button, Skin.button_defback, Skin.button_deffont);
}

void TAppTransQuery::FormShow() {
  lblOK->setEnabled(false);
  FIsInited = false;
  cbbTable->clear();
  std::string error;
  if (AppDM->GetTransTable(error, qryTable)) {
    for (qryTable.First(); !qryTable.Eof(); qryTable.Next())
      cbbTable->addItem(
          QString::fromStdString(ColumnText(qryTable, "trans_table") + "|" + ColumnText(qryTable, "table_name")));
    lblOK->setEnabled(true);
  } else {
    Message("查询传输表失败：" + error);
  }
  cbbTable->setCurrentIndex(-1);  // nothing chosen until the operator picks a table
  FIsInited = true;
}

bool TAppTransQuery::LocateTable(const std::string& aTransTable, const std::string& aTable) {
  for (qryTable.First(); !qryTable.Eof(); qryTable.Next())
    if (platform::SameText(ColumnText(qryTable, "trans_table"), aTransTable) &&
        platform::SameText(ColumnText(qryTable, "table_name"), aTable))
      return true;
  return false;
}

void TAppTransQuery::cbbTableChange() {
  if (!FIsInited) return;
  lblTabInfo->setText(kTabInfoPrompt);
  for (std::string* field : {&FTransType, &FTransTable, &FSoftDist, &FTable, &FDelSql, &FSelectSql}) field->clear();
  if (cbbTable->currentIndex() < 0) return;
  const QStringList parts = cbbTable->currentText().split('|');
  if (parts.size() < 2 || !LocateTable(parts[0].toStdString(), parts[1].toStdString())) return;
  FTransType = ColumnText(qryTable, "trans_type");
  FTransTable = ColumnText(qryTable, "trans_table");
  FSoftDist = DecimalText(qryTable, "soft_dist");
  FTable = ColumnText(qryTable, "table_name");
  FDelSql = ColumnText(qryTable, "get_delete_sql");
  FSelectSql = ColumnText(qryTable, "get_update_sql");
  lblTabInfo->setText(
      QString::fromStdString("传输表[" + FTransType + "]：" + FTransTable + "，分布式：" + FSoftDist + "[双击展开]"));
  mmoSql->setPlainText(
      QString::fromStdString("查询表：\n" + FTable + "\n查询SQL：\n" + FSelectSql + "\n删除SQL：\n" + FDelSql));
  lblTabInfo->setToolTip(lblTabInfo->text() + "，\n" + mmoSql->toPlainText());
}

void TAppTransQuery::pnlHeadDblClick() {
  const bool open = pnlHead->height() < 80;
  mmoSql->setVisible(open);
  pnlHead->setGeometry(1, kTop, width() - 2, open ? kHeadOpen : kHeadClosed);
  PlaceBody();
}

void TAppTransQuery::SQL1Click() { TvqLib::CopyToClip(FSelectSql); }

void TAppTransQuery::SQL2Click() { TvqLib::CopyToClip(FDelSql); }

bool TAppTransQuery::ReadCheckpoint(const std::string& aType, std::int64_t& aLastChange, TDateTime& aLastDate) {
  std::string error;
  bool failed = false;
  aLastDate = AppDM->GetTransRecordDate(error, aType, FTable, nullptr, &failed);
  // A failed read must not pass for a missing checkpoint: that would show the rows from the start.
  if (!failed) aLastChange = AppDM->GetTransRecord(error, aType, FTable, nullptr, &failed);
  if (failed) Message("读取传输表“" + FTransTable + "”的传输标记出错：" + error);
  return !failed;
}

void TAppTransQuery::lblOKClick() {
  const std::string branchNo = AppVar->SoftModel == 1 ? AppVar->BranchNo.v() : std::string();
  const bool deleted = chkDelSql->isChecked();
  const std::string& sql = deleted ? FDelSql : FSelectSql;
  const std::string type = deleted ? "D-" + FTransType : FTransType;
  std::int64_t lastChange = -1;
  TDateTime lastDate = 0;
  if (!chkLastChange->isChecked() && !ReadCheckpoint(type, lastChange, lastDate)) return;
  if (sql.empty()) {
    Message("请先选择需查询的传输表！");
    return;
  }
  TDbQuery result;
  std::string error;
  if (!AppDM->SqlOpen(error, result, TTransHelper::UploadSqlVarReplace(sql, branchNo, lastChange, lastDate))) {
    Message("查询传输表“" + FTransTable + "”出错：" + error);  // the previous result stays
    return;
  }
  qryData = std::move(result);
  FModel->SetQuery(qryData);
  FitColumns();
}

void TAppTransQuery::FitColumns() {
  // The fitted width leaves a title no room beside its text; a few pixels keep the bold title of
  // the current row's columns off the lines.
  constexpr int kPadding = 8;
  grdData->resizeColumnsToContents();
  for (int column = 0; column < FModel->columnCount(); ++column)
    grdData->setColumnWidth(column, std::min(grdData->columnWidth(column) + kPadding, kMaxColumnWidth));
}

void TAppTransQuery::grdDataTitleClick(int aColumn) {
  if (aColumn < 0 || aColumn >= qryData.FieldCount()) return;
  FLocatField = qryData.FieldName(aColumn);
  lblLocalField->setText(QString::fromStdString("字段：" + FLocatField));
}

int TAppTransQuery::CurrentRow() const { return grdData->currentIndex().row(); }

void TAppTransQuery::lblLocatClick() {
  if (FLocatField.empty()) {
    Message("请点击表格字段选择定位字段！");
    return;
  }
  if (!qryData.Active()) {
    Message("请先查询数据！");
    return;
  }
  if (qryData.RecordCount() == 0) return;
  const std::string value = TrimControls(edtLocatValue->text().toStdString());
  if (value.empty()) {
    Message("请输入待定位[" + FLocatField + "]字段的取值！");
    edtLocatValue->setFocus();
    return;
  }
  const int column = qryData.FieldIndex(FLocatField);
  const int row = FModel->FindPrefix(column, QString::fromStdString(value));
  if (row < 0) {
    Message("抱歉，未找到[" + FLocatField + "]字段的取值为[" + value + "]的记录！");
    return;
  }
  qryData.MoveToRow(row);
  grdData->setCurrentIndex(FModel->index(row, column));
  grdData->scrollTo(grdData->currentIndex());
}

bool TAppTransQuery::eventFilter(QObject* aWatched, QEvent* aEvent) {
  if (aWatched == pnlHead && aEvent->type() == QEvent::MouseButtonDblClick) {
    pnlHeadDblClick();
    return true;
  }
  return TBaseForm::eventFilter(aWatched, aEvent);
}

}  // namespace tessaly
