// The settings dialog: its controls, loading and handlers. The save's decisions live in
// AppConfigSave.cpp.
#include "shell/AppConfigUnit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFrame>
#include <QIntValidator>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSpinBox>
#include <climits>

#include "engine/AppDMUtil.h"
#include "engine/AppUtil.h"
#include "engine/AppVarUtil.h"
#include "foundation/VqLibTextTrim.h"
#include "foundation/VqLibUtil.h"

namespace tessaly {

namespace {

constexpr int kWidth = 660;
constexpr int kHeight = 640;
constexpr int kLeft = 20;
constexpr int kHeadWidth = kWidth - 2 * kLeft;
constexpr int kRow = 34;

void Message(const std::string& aText) { TvqLib::MsgBox(aText, "消息"); }

QLabel* Caption(const char* aText, QWidget* aParent, int aX, int aY, int aWidth = 110) {
  auto* label = new QLabel(aText, aParent);
  label->setGeometry(aX, aY, aWidth, 28);
  label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  return label;
}

QLineEdit* Edit(QWidget* aParent, int aX, int aY, int aWidth) {
  auto* edit = new QLineEdit(aParent);
  edit->setGeometry(aX, aY, aWidth, 28);
  return edit;
}

QSpinBox* Spin(QWidget* aParent, int aX, int aY, int aMin, int aMax) {
  auto* spin = new QSpinBox(aParent);
  spin->setRange(aMin, aMax);
  spin->setGeometry(aX, aY, 100, 28);
  return spin;
}

QCheckBox* Check(const char* aText, QWidget* aParent, int aX, int aY, int aWidth = 190) {
  auto* box = new QCheckBox(aText, aParent);
  box->setGeometry(aX, aY, aWidth, 28);
  return box;
}

// The back-office server's address and port fields of a connection panel.
void ServerFields(QWidget* aPanel, QLineEdit*& aHost, QLineEdit*& aPort) {
  Caption("服务器地址：", aPanel, 0, 4);
  aHost = Edit(aPanel, 115, 4, 180);
  aHost->setText("127.0.0.1");
  Caption("端口：", aPanel, 300, 4);
  aPort = Edit(aPanel, 415, 4, 100);
  aPort->setMaxLength(6);
  aPort->setValidator(new QIntValidator(0, 999999, aPort));
  aPort->setText("9011");
}

// Long values show their start, also in a disabled field, which cannot be scrolled.
void ShowText(QLineEdit* aEdit, const std::string& aText) {
  aEdit->setText(QString::fromStdString(aText));
  aEdit->setCursorPosition(0);
}

// A section heading with its one-pixel line on its last pixel row.
TVqLabel* Heading(const char* aText, QWidget* aParent, int aY) {
  auto* head = new TVqLabel(QString(" ") + aText, aParent);
  head->setGeometry(kLeft, aY, 110, 30);
  auto* line = new QFrame(aParent);
  line->setObjectName("line");
  line->setGeometry(kLeft, aY + 29, kHeadWidth, 1);
  head->setProperty("line", QVariant::fromValue<QObject*>(line));
  return head;
}

}  // namespace

TAppConfig::TAppConfig(bool aDBLocked, QWidget* aParent)
    : TBaseForm(aParent), FDBLocked(aDBLocked), FSnapshot(TAppVarDBSnapshot::Take()) {
  setWindowTitle("软件设置");
  lblTitle->setText("设置");
  resize(kWidth, kHeight);
  BuildControls();
  cbbSoftVer->clear();
  for (const auto& item : kSoftVerList) cbbSoftVer->addItem(item.Name);
  cbbSoftVer->setCurrentIndex(-1);
  EnableConfig(!aDBLocked);
}

TAppConfig::~TAppConfig() { RestoreUnlessSaved(); }

void TAppConfig::done(int aResult) {
  RestoreUnlessSaved();
  TBaseForm::done(aResult);
}

void TAppConfig::RestoreUnlessSaved() {
  if (FSaved || FRestored) return;
  FSnapshot.Restore();
  FRestored = true;
}

void TAppConfig::BuildControls() {
  pnlContent = new QWidget(pnlBack);
  pnlContent->setGeometry(1, 40, kWidth - 2, kHeight - 41);
  pnlContent->installEventFilter(this);
  lblSoftHead = Heading("软件帐套", pnlContent, 4);
  Caption("对接软件版本：", pnlContent, kLeft, 44);
  cbbSoftVer = new QComboBox(pnlContent);
  cbbSoftVer->setGeometry(kLeft + 115, 44, 330, 28);
  connect(cbbSoftVer, &QComboBox::activated, this, [this] { cbbSoftVerChange(); });
  BuildDBPanels();
  chkHQBranchTransAll = Check("分布式总部传输所有数据(促销/价格)", pnlContent, kLeft, 190, 400);
  auto* hqHint = new QLabel(
      "说明：若软件版本是分布式数据库，默认总部上传基础数据，分部上传促销和分店价格，勾选此项则总部也上传促销和价格",
      pnlContent);
  hqHint->setWordWrap(true);
  hqHint->setGeometry(kLeft, 218, kHeadWidth, 44);
  lblOtherHead = Heading("其他设置", pnlContent, 270);
  BuildOptions();
  lblOK = new TVqLabel("保存", pnlContent);
  lblNO = new TVqLabel("取消(Esc)", pnlContent);
  lblNO->Tag = 1;
  lblNO->setGeometry(kWidth - 2 - kLeft - 120, kHeight - 41 - 54, 120, 38);
  lblOK->setGeometry(lblNO->x() - 130, lblNO->y(), 120, 38);
  for (TVqLabel* button : {lblOK, lblNO, lblSvrTest}) BindLabelButton(button);
  connect(lblOK, &TVqLabel::clicked, this, &TAppConfig::lblOKClick);
  connect(lblNO, &TVqLabel::clicked, this, &TAppConfig::lblNOClick);
  connect(lblSvrTest, &TVqLabel::clicked, this, &TAppConfig::lblSvrTestClick);
}

void TAppConfig::BuildDBPanels() {
  const QRect panelRect(kLeft, 76, kHeadWidth, 110);
  pnlDBConfig = new QWidget(pnlContent);
  pnlDBConfig->setGeometry(panelRect);
  Caption("数据库主机：", pnlDBConfig, 0, 4);
  edtDBHost = Edit(pnlDBConfig, 115, 4, 180);
  Caption("用户名：", pnlDBConfig, 300, 4);
  edtDBUser = Edit(pnlDBConfig, 415, 4, 180);
  Caption("密码：", pnlDBConfig, 0, 4 + kRow);
  edtDBPwd = Edit(pnlDBConfig, 115, 4 + kRow, 180);
  MaskWithStars(edtDBPwd);
  Caption("数据库名：", pnlDBConfig, 300, 4 + kRow);
  edtDBName = Edit(pnlDBConfig, 415, 4 + kRow, 180);

  pnlSvrConfig = new QWidget(pnlContent);
  pnlSvrConfig->setGeometry(panelRect);
  ServerFields(pnlSvrConfig, edtSvrHost, edtSvrPort);
  Caption("帐套：", pnlSvrConfig, 0, 4 + kRow);
  cbbSvrDB = new QComboBox(pnlSvrConfig);
  cbbSvrDB->setGeometry(115, 4 + kRow, 300, 28);
  connect(cbbSvrDB, &QComboBox::activated, this, [this] { cbbSoftVerChange(); });
  lblSvrTest = new TVqLabel("测试连接", pnlSvrConfig);
  lblSvrTest->setGeometry(425, 4 + kRow, 100, 28);
  lblSvrHint = new QLabel("提示：若无帐套请点击[测试连接]", pnlSvrConfig);
  lblSvrHint->setGeometry(115, 4 + 2 * kRow, 300, 28);
  chkSvrUseWSDL = Check("启用WSDL", pnlSvrConfig, 425, 4 + 2 * kRow, 120);

  pnlAuthConfig = new QWidget(pnlContent);
  pnlAuthConfig->setGeometry(panelRect);
  ServerFields(pnlAuthConfig, edtAuthHost, edtAuthPort);
  Caption("帐套库名：", pnlAuthConfig, 0, 4 + kRow);
  edtAuthDBName = Edit(pnlAuthConfig, 115, 4 + kRow, 180);
  Caption("帐套Id：", pnlAuthConfig, 300, 4 + kRow);
  edtAuthDBId = Edit(pnlAuthConfig, 415, 4 + kRow, 180);
  chkAuthUseWSDL = Check("启用WSDL", pnlAuthConfig, 425, 4 + 2 * kRow, 120);
}

void TAppConfig::BuildOptions() {
  constexpr int top = 310;
  chkNewOrderTips = Check("新订单消息提醒", pnlContent, kLeft, top);
  chkDetailLog = Check("显示详细日志", pnlContent, kLeft + 200, top);
  chkUploadVipintegralFlag = Check("不上传会员积分", pnlContent, kLeft + 400, top);
  // The captions of this block start at the section margin, however wide their text.
  Caption("延时启动：", pnlContent, kLeft, top + kRow, 95);
  edtAutoRunWaitTime = Spin(pnlContent, kLeft + 95, top + kRow, INT_MIN, INT_MAX);
  auto* msUnit = new QLabel("(毫秒)", pnlContent);
  msUnit->setGeometry(kLeft + 198, top + kRow, 60, 28);
  Caption("上传时每页：", pnlContent, kLeft + 250, top + kRow);
  edtUploadPageSize = Spin(pnlContent, kLeft + 365, top + kRow, 1, 500);
  Caption("拉取时每页：", pnlContent, kLeft, top + 2 * kRow, 95);
  edtPullPageSize = Spin(pnlContent, kLeft + 95, top + 2 * kRow, 1, 500);
  for (int i = 0; i < 2; ++i) {
    auto* unit = new QLabel("(条)", pnlContent);
    unit->setGeometry(i == 0 ? kLeft + 470 : kLeft + 198, top + (1 + i) * kRow, 40, 28);
  }
  chkPullSelfCollect = Check("拉取自助订单", pnlContent, kLeft + 250, top + 2 * kRow, 150);
  chkPullWXApplet = Check("拉取微信小程序订单", pnlContent, kLeft + 400, top + 2 * kRow);
  chkSvrVIPConn =
      Check("开启会员实时查询 (需开启快速模式，并设置外网金卡服务地址)", pnlContent, kLeft, top + 3 * kRow, kHeadWidth);
  Caption("金卡服务地址：", pnlContent, kLeft - 30, top + 4 * kRow, 140);
  edtVIPSvrHost = Edit(pnlContent, kLeft + 115, top + 4 * kRow, 330);
  edtVIPSvrHost->setReadOnly(true);
  dtpPullStartDate = new QDateEdit(pnlContent);
  dtpPullStartDate->setDisplayFormat("yyyy-MM-dd");
  dtpPullStartDate->setGeometry(kLeft + 460, top + 4 * kRow, 150, 28);
  dtpPullStartDate->hide();
  connect(chkDetailLog, &QCheckBox::clicked, this, [this] { chkDetailLogClick(); });
  connect(chkPullSelfCollect, &QCheckBox::clicked, this, [this] { chkDetailLogClick(); });
  for (QCheckBox* box : {chkNewOrderTips, chkHQBranchTransAll, chkPullWXApplet, chkUploadVipintegralFlag})
    connect(box, &QCheckBox::clicked, this, [this] { chkNewOrderTipsClick(); });
}

void TAppConfig::LoadSkin() {
  TBaseForm::LoadSkin();
  SetSkinColors(pnlContent, Skin.form_back, Skin.form_font);
  pnlContent->setFont(font());
  for (TVqLabel* head : {lblSoftHead, lblOtherHead}) {
    SetSkinColors(head, Skin.button_defback, Skin.button_deffont);
    SetSkinColors(qobject_cast<QWidget*>(head->property("line").value<QObject*>()), Skin.button_defback,
                  Skin.button_deffont);
  }
  for (TVqLabel* button : {lblSvrTest, lblOK}) SetSkinColors(button, Skin.button_defback, Skin.button_deffont);
  SetSkinColors(lblNO, Skin.button_exit_defback, Skin.button_exit_deffont);
  SetSkinTransparent(lblSvrHint, true);
}

void TAppConfig::FormShow() { ShowConfig(); }

void TAppConfig::ShowConfig() {
  if (!AppVar->SoftVer.empty()) {
    cbbSoftVer->setCurrentIndex(SoftVerIndexOf(AppVar->SoftVer));
    AppVar->SoftVerName = cbbSoftVer->currentText().toStdString();
  }
  chkNewOrderTips->setChecked(AppVar->IsNewOrderTips.v() == 1);
  chkDetailLog->setChecked(AppVar->IsDetailLog.v());
  chkHQBranchTransAll->setChecked(AppVar->IsHQBranchTransAll.v());
  edtAutoRunWaitTime->setValue(AppVar->AutoStartWaitTime);
  edtUploadPageSize->setValue(AppVar->UploadPageSize.v());
  edtPullPageSize->setValue(AppVar->PullPageSize.v());
  chkUploadVipintegralFlag->setChecked(AppVar->UploadVipintegralFlag.v() == 1);
  chkPullSelfCollect->setChecked(AppVar->PullSelfCollect.v());
  chkPullWXApplet->setChecked(AppVar->PullWXApplet.v());
  dtpPullStartDate->setDate(QDate(1899, 12, 30).addDays(static_cast<qint64>(AppVar->PullStartDate.v())));
  ShowDBConfig(AppVar->SoftVer);
}

void TAppConfig::ShowDBConfig(const std::string& aSoftVer) {
  ShowText(edtDBHost, AppVar->DBHost);
  ShowText(edtDBUser, AppVar->DBUser);
  ShowText(edtDBPwd, AppVar->DBPwd);
  ShowText(edtDBName, AppVar->DBName);
  for (auto [host, port] : {std::pair{edtSvrHost, edtSvrPort}, std::pair{edtAuthHost, edtAuthPort}}) {
    ShowText(host, AppVar->SvrHost.empty() ? std::string("127.0.0.1") : AppVar->SvrHost);
    ShowText(port, std::to_string(AppVar->SvrPort > 0 ? AppVar->SvrPort : 9011));
  }
  ShowText(edtAuthDBName, AppVar->SvrDBName);
  ShowText(edtAuthDBId, AppVar->SvrDBId);
  chkSvrUseWSDL->setChecked(AppVar->SvrUseWSDL);
  chkAuthUseWSDL->setChecked(AppVar->SvrUseWSDL);
  // A list kept from another product or server would offer an account set that is not this one's.
  cbbSvrDB->clear();
  if (!AppVar->SvrDBName.empty()) {
    cbbSvrDB->addItem(QString::fromStdString(SvrDBItem(AppVar->SvrDBTitle, AppVar->SvrDBName)));
    cbbSvrDB->setCurrentIndex(0);
  } else {
    cbbSvrDB->setCurrentIndex(-1);
  }
  chkSvrVIPConn->setEnabled(false);
  chkSvrVIPConn->setChecked(false);
  if (!FDBLocked && TSPfApp::CanSetVIPSvr(aSoftVer)) chkSvrVIPConn->setEnabled(true);
  chkSvrVIPConn->setChecked(AppVar->SvrVIPConnOK.v());
  FSvrVIPHost = AppVar->SvrVIPHost;
  FSvrVIPPort = AppVar->SvrVIPPort;
  std::string address = chkSvrVIPConn->isEnabled() ? "未配置" : "不支持外网实时金卡服务";
  if (!FSvrVIPHost.empty() && FSvrVIPPort > 0 && !AppVar->SvrDBName.empty())
    address = "http://" + FSvrVIPHost + ":" + std::to_string(FSvrVIPPort) + "/" + AppVar->SvrDBName;
  ShowText(edtVIPSvrHost, address);
  FDBMode = TSPfApp::GetDBMode(aSoftVer);
  pnlDBConfig->setVisible(FDBMode == TDBMode::Direct);
  pnlSvrConfig->setVisible(FDBMode == TDBMode::Server);
  pnlAuthConfig->setVisible(FDBMode == TDBMode::Hosted);
}

void TAppConfig::cbbSoftVerChange() {
  const int index = cbbSoftVer->currentIndex();
  if (index < 0) return;
  const std::string chosenSet = cbbSvrDB->currentText().toStdString();
  const bool fromSvrDB = sender() == cbbSvrDB;
  const std::string code = SoftVerCodeOf(index);
  AppVar->SoftVerName = kSoftVerList[index].Name;
  TSPfApp::CfgDBLoad(code);
  ShowDBConfig(code);
  // The account set just chosen stays chosen although the stored settings were reloaded.
  if (fromSvrDB && !chosenSet.empty() && cbbSvrDB->currentText().toStdString() != chosenSet) {
    cbbSvrDB->addItem(QString::fromStdString(chosenSet));
    cbbSvrDB->setCurrentIndex(cbbSvrDB->count() - 1);
  }
}

void TAppConfig::chkDetailLogClick() {
  AppVar->IsDetailLog.v(chkDetailLog->isChecked());
  TvqLib::DetailLogEnabled = AppVar->IsDetailLog.v();
  TvqLib::IniWrite("SPFClient", "IsDetailLog", AppVar->IsDetailLog.v());
}

void TAppConfig::chkNewOrderTipsClick() {
  AppVar->IsNewOrderTips.v(chkNewOrderTips->isChecked() ? 1 : 0);
  TvqLib::IniWrite("SPFClient", "IsNewOrderTips", AppVar->IsNewOrderTips.v());
}

bool TAppConfig::GetSvrDBInfo(const std::string& aHost, int aPort, const std::string& aDBName, bool aAnnounce,
                              TSvrDBInfo& aInfo) {
  lblSvrTest->setEnabled(false);
  aInfo = QuerySvrDBInfo(aHost, aPort, aDBName, chkSvrVIPConn->isEnabled());
  lblSvrTest->setEnabled(!FDBLocked);
  if (!aInfo.Ok) {
    Message(aInfo.Error);
    return false;
  }
  if (aInfo.VIPQueried) {
    FSvrVIPHost = aInfo.VIPHost;
    FSvrVIPPort = aInfo.VIPPort;
  }
  if (aInfo.VIPUntick) chkSvrVIPConn->setChecked(false);
  ShowText(edtVIPSvrHost, aInfo.AddressText);
  if (aAnnounce) Message("连接服务器[" + aHost + "," + std::to_string(aPort) + "]成功！");
  cbbSvrDB->clear();
  cbbSvrDB->addItem(QString::fromStdString(SvrDBItem(aInfo.DBTitle, aInfo.DBName)));
  cbbSvrDB->setCurrentIndex(0);
  return true;
}

void TAppConfig::lblSvrTestClick() {
  if (pnlSvrConfig->isHidden()) {
    Message("请切换选择一下软件版本！");
    return;
  }
  const std::string host = TrimControls(edtSvrHost->text().toStdString());
  if (host.empty()) {
    Message("请输入帐套服务器地址！");
    Focus(TConfigFocus::SvrHost);
    return;
  }
  const int port = edtSvrPort->text().toInt();
  if (port <= 0) {
    Message("请输入帐套服务器端口号！");
    Focus(TConfigFocus::SvrPort);
    return;
  }
  AppVar->SvrUseWSDL = chkSvrUseWSDL->isChecked();
  TSvrDBInfo info;
  (void)GetSvrDBInfo(host, port, "", true, info);
}

TConfigForm TAppConfig::ReadForm() const {
  TConfigForm f;
  f.SoftVerIndex = cbbSoftVer->currentIndex();
  if (!pnlDBConfig->isHidden())
    f.VisiblePanel = TDBMode::Direct;
  else if (!pnlSvrConfig->isHidden())
    f.VisiblePanel = TDBMode::Server;
  else if (!pnlAuthConfig->isHidden())
    f.VisiblePanel = TDBMode::Hosted;
  f.DBHost = edtDBHost->text().toStdString();
  f.DBUser = edtDBUser->text().toStdString();
  f.DBPwd = edtDBPwd->text().toStdString();
  f.DBName = edtDBName->text().toStdString();
  f.SvrHost = edtSvrHost->text().toStdString();
  f.SvrPort = edtSvrPort->text().toInt();
  f.SvrDBItem = cbbSvrDB->currentIndex() >= 0 ? cbbSvrDB->currentText().toStdString() : std::string();
  f.SvrUseWSDL = chkSvrUseWSDL->isChecked();
  f.AuthHost = edtAuthHost->text().toStdString();
  f.AuthPort = edtAuthPort->text().toInt();
  f.AuthDBName = edtAuthDBName->text().toStdString();
  f.AuthDBId = edtAuthDBId->text().toStdString();
  f.AuthUseWSDL = chkAuthUseWSDL->isChecked();
  f.SvrVIPConnOK = chkSvrVIPConn->isChecked();
  f.IsNewOrderTips = chkNewOrderTips->isChecked() ? 1 : 0;
  f.IsHQBranchTransAll = chkHQBranchTransAll->isChecked();
  f.AutoStartWaitTime = edtAutoRunWaitTime->value();
  f.UploadPageSize = edtUploadPageSize->value();
  f.UploadVipintegralFlag = chkUploadVipintegralFlag->isChecked() ? 1 : 0;
  f.PullSelfCollect = chkPullSelfCollect->isChecked();
  f.PullWXApplet = chkPullWXApplet->isChecked();
  f.PullPageSize = edtPullPageSize->value();
  f.PullStartDateVisible = !dtpPullStartDate->isHidden();
  f.PullStartDate = static_cast<TDateTime>(QDate(1899, 12, 30).daysTo(dtpPullStartDate->date()));
  return f;
}

bool TAppConfig::GetConfig() {
  TConfigSave save;
  std::string msg;
  TConfigFocus focus = TConfigFocus::None;
  const TConfigForm form = ReadForm();
  const bool checked = CheckConfigForm(form, save, msg, focus);
  FDBMode = save.DBMode;
  if (!checked) {
    Message(msg);
    Focus(focus);
    return false;
  }
  if (save.DBMode != TDBMode::Direct) {
    // The server is asked in the WSDL mode of the dialog's box.
    AppVar->SvrUseWSDL = save.SvrUseWSDL;
    TSvrDBInfo info;
    const std::string dbName = save.DBMode == TDBMode::Hosted ? save.SvrDBName : std::string();
    if (!GetSvrDBInfo(save.SvrHost, save.SvrPort, dbName, false, info)) return false;
    TakeSvrDBInfo(info, save);
  }
  if (!ConnectConfigDB(save, msg)) {
    Message(msg);
    return false;
  }
  ApplyConfig(save);
  return true;
}

void TAppConfig::Focus(TConfigFocus aFocus) {
  switch (aFocus) {
    case TConfigFocus::SvrHost:
      (FDBMode == TDBMode::Hosted ? edtAuthHost : edtSvrHost)->setFocus();
      break;
    case TConfigFocus::SvrPort:
      (FDBMode == TDBMode::Hosted ? edtAuthPort : edtSvrPort)->setFocus();
      break;
    case TConfigFocus::SvrDB:
      cbbSvrDB->setFocus();
      break;
    case TConfigFocus::None:
      break;
  }
}

void TAppConfig::lblOKClick() {
  if (!GetConfig()) return;
  TSPfApp::CfgSave();
  FSaved = true;
  FiResult = 1;
  close();
}

void TAppConfig::lblNOClick() {
  FiResult = 0;
  close();
}

void TAppConfig::EnableConfig(bool aEnable) {
  for (QWidget* w : std::initializer_list<QWidget*>{cbbSoftVer, edtDBHost, edtDBUser, edtDBPwd, edtDBName, edtSvrHost,
                                                    edtSvrPort, cbbSvrDB, lblSvrTest, edtAuthHost, edtAuthPort,
                                                    edtAuthDBName, edtAuthDBId, dtpPullStartDate})
    w->setEnabled(aEnable);
  FDBLocked = !aEnable;
  if (!aEnable) chkSvrVIPConn->setEnabled(false);
}

void TAppConfig::pnlBackDblClick(bool aCtrlHeld) {
  if (aCtrlHeld) dtpPullStartDate->setVisible(dtpPullStartDate->isHidden());
}

bool TAppConfig::eventFilter(QObject* aWatched, QEvent* aEvent) {
  if (aEvent->type() == QEvent::MouseButtonDblClick && (aWatched == pnlContent || aWatched == pnlBack)) {
    pnlBackDblClick(static_cast<QMouseEvent*>(aEvent)->modifiers() & Qt::ControlModifier);
    return true;  // handled once, not again by the parent panel
  }
  return TBaseForm::eventFilter(aWatched, aEvent);
}

}  // namespace tessaly
