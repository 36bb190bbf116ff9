// The main window's creation, layout, colours and mouse handling.
#include "shell/MainUnit.h"

#include <QAction>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWindow>

#include "engine/AppUtil.h"
#include "engine/AppVarUtil.h"
#include "foundation/Logger.h"
#include "foundation/VqLibUtil.h"
#include "foundation/ui/VqLabel.h"
#include "foundation/ui/VqSkinUtil.h"
#include "platform/WindowCaptions.h"
#include "shell/MainHandOff.h"
#include "shell/MainPictures.h"

namespace tessaly {
namespace {

constexpr int kWidth = 768;
constexpr int kHeight = 620;
constexpr int kHeadHeight = 88;
constexpr int kFootHeight = 23;
constexpr TColor kExitDesignBack = 0x000080FF;  // orange until the pointer first leaves it
constexpr TColor kWhite = 0x00FFFFFF;

QLabel* NewLabel(QWidget* aParent, const char* aName, const QString& aText = {}) {
  auto* label = new QLabel(aText, aParent);
  label->setObjectName(aName);
  return label;
}

TVqLabel* NewButton(QWidget* aParent, const char* aName, const QString& aText, int aTag = 0) {
  auto* button = new TVqLabel(aText, aParent);
  button->setObjectName(aName);
  button->Tag = aTag;
  button->setAlignment(Qt::AlignCenter);
  button->setCursor(Qt::PointingHandCursor);
  return button;
}

}  // namespace

std::string TMain::Caption() { return std::string(kAppTitle) + " - " + TvqLib::GetVersion(); }

TMain::TMain(const std::string& aFirstArg, QWidget* aParent) : QWidget(aParent), FFirstArg(aFirstArg) {
  setObjectName("TMain");
  setWindowFlag(Qt::FramelessWindowHint);
  setFixedSize(kWidth, kHeight);
  setAutoFillBackground(true);
  tessaly::SetSkinBack(this, kWhite);
  setFont(QFont("微软雅黑", 9));
  setWindowIcon(AppIcon());

  BuildHeader();
  mmLog = new QPlainTextEdit(this);
  mmLog->setObjectName("mmLog");
  mmLog->setReadOnly(true);
  mmLog->setLineWrapMode(QPlainTextEdit::NoWrap);
  mmLog->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  mmLog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  mmLog->setGeometry(0, kHeadHeight, kWidth, kHeight - kHeadHeight - kFootHeight);
  BuildFooter();
  BuildTray();

  tmrAutoStart = new QTimer(this);
  tmrAutoStart->setObjectName("tmrAutoStart");
  tmrAutoStart->setInterval(600);
  connect(tmrAutoStart, &QTimer::timeout, this, &TMain::tmrAutoStartTimer);
  tmrServer = new QTimer(this);
  tmrServer->setObjectName("tmrServer");
  tmrServer->setInterval(300);
  connect(tmrServer, &QTimer::timeout, this, &TMain::tmrServerTimer);

  // A desktop may start its notification area after the agent (an autorun start).
  tmrTrayArea = new QTimer(this);
  tmrTrayArea->setObjectName("tmrTrayArea");
  tmrTrayArea->setInterval(1000);
  connect(tmrTrayArea, &QTimer::timeout, this, &TMain::ShowTrayIcon);
  tmrTrayArea->start();

  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());

  // FormCreate
  FIsInited = false;
  FIsAutoStart = false;
  FLogView = std::make_shared<TMemoLogView>(mmLog);
  if (TLogger* logger = Logger.load()) logger->SetLogShower(FLogView);
  TrayIcon->setIcon(windowIcon());
  ShowTrayIcon();
  const QString caption = QString::fromStdString(Caption());
  setWindowTitle(caption);
  lblTitle->setText(caption);
  TrayIcon->setToolTip(caption);
  FCaptionHandle = platform::RegisterWindowCaption(Caption());
  lblVIPState->clear();
  FTipsSink = std::make_shared<TMainTipsSink>(this);
  if (SPfApp != nullptr) SPfApp->SetOnAppTips(FTipsSink);
  ShowSoftVer();
  ShowLogin();
  tmrAutoStart->start();
}

TMain::~TMain() {
  delete PopupMenu;
  if (SPfApp != nullptr && SPfApp->OnAppTips() == FTipsSink) SPfApp->SetOnAppTips(nullptr);
  if (TLogger* logger = Logger.load(); logger != nullptr && logger->LogShower() == FLogView)
    logger->SetLogShower(nullptr);
  platform::UnregisterWindowCaption(FCaptionHandle);
}

void TMain::BuildHeader() {
  pnlHead = new QFrame(this);
  pnlHead->setObjectName("pnlHead");
  pnlHead->setGeometry(0, 0, kWidth, kHeadHeight);
  tessaly::SetSkinFont(pnlHead, kWhite);
  imgHead = NewLabel(pnlHead, "imgHead");
  imgHead->setGeometry(pnlHead->rect());
  imgHead->setScaledContents(true);
  imgHead->setPixmap(HeaderPicture(kWidth, kHeadHeight));

  lblTitle = NewLabel(pnlHead, "lblTitle");
  lblTitle->setGeometry(12, 6, 420, 20);
  lblSoftVer = NewLabel(pnlHead, "lblSoftVer", "对接的软件版本");
  QFont big = font();
  big.setPixelSize(19);
  lblSoftVer->setFont(big);
  lblSoftVer->setGeometry(12, 28, 440, 28);
  lblLogin = NewLabel(pnlHead, "lblLogin", "登录信息");
  lblLogin->move(12, 62);
  lblVIPState = NewLabel(pnlHead, "lblVIPState", "VIP");
  lblVIPState->setToolTip("已开启会员实时服务");

  btnConfig = NewButton(pnlHead, "btnConfig", "软件配置");
  btnServer = NewButton(pnlHead, "btnServer", "启动服务");
  btnReset = NewButton(pnlHead, "btnReset", "传输重置");
  btnQuery = NewButton(pnlHead, "btnQuery", "传输查询");
  btnExitApp = NewButton(pnlHead, "btnExitApp", "退出服务", 1);
  int left = kWidth - 5 * 66 - 12;
  for (TVqLabel* button : {btnConfig, btnServer, btnReset, btnQuery, btnExitApp}) {
    button->setGeometry(left, 50, 62, 28);
    left += 66;
    BindHover(button);
  }
  tessaly::SetSkinColors(btnExitApp, kExitDesignBack, kWhite);
  connect(btnConfig, &TVqLabel::clicked, this, &TMain::btnConfigClick);
  connect(btnServer, &TVqLabel::clicked, this, &TMain::btnServerClick);
  connect(btnReset, &TVqLabel::clicked, this, &TMain::btnResetClick);
  connect(btnQuery, &TVqLabel::clicked, this, &TMain::btnQueryClick);
  connect(btnExitApp, &TVqLabel::clicked, this, &TMain::btnExitAppClick);

  lblCloseBack = NewLabel(pnlHead, "lblCloseBack");
  lblCloseBack->setGeometry(kWidth - 40, 0, 40, 30);
  lblClose = NewButton(pnlHead, "lblClose", "×", 1);
  lblClose->setGeometry(lblCloseBack->geometry());
  QFont cross = font();
  cross.setPixelSize(20);
  lblClose->setFont(cross);
  connect(lblClose, &TVqLabel::clicked, this, &TMain::lblCloseClick);
  connect(lblClose, &TVqLabel::mouseEntered, this, &TMain::lblCloseMouseEnter);
  connect(lblClose, &TVqLabel::mouseLeft, this, &TMain::lblCloseMouseLeave);

  for (QWidget* dragged : {static_cast<QWidget*>(imgHead), static_cast<QWidget*>(lblTitle),
                           static_cast<QWidget*>(lblSoftVer), static_cast<QWidget*>(lblLogin)})
    dragged->installEventFilter(this);
  pnlHead->installEventFilter(this);
}

void TMain::BuildFooter() {
  pnlFoot = new QFrame(this);
  pnlFoot->setObjectName("pnlFoot");
  pnlFoot->setGeometry(0, kHeight - kFootHeight, kWidth, kFootHeight);
  lblDBInfo = NewLabel(pnlFoot, "lblDBInfo", "数据库信息");
  lblDBInfo->setGeometry(8, 0, kWidth - 48, kFootHeight);
  tessaly::SetSkinFont(lblDBInfo, 0x00808080);
  imgState1 = NewLabel(pnlFoot, "imgState1");
  imgState1->setPixmap(StatePicture(false));
  imgState2 = NewLabel(pnlFoot, "imgState2");
  imgState2->setPixmap(StatePicture(true));
  for (QLabel* state : {imgState1, imgState2}) state->setGeometry(kWidth - 24, (kFootHeight - 16) / 2, 16, 16);
  imgState2->hide();
}

void TMain::BuildTray() {
  // Without a parent: a menu of the main window would be blocked with it while a dialog is open.
  PopupMenu = new QMenu();
  PopupMenu->setObjectName("PopupMenu");
  pmnShow = PopupMenu->addAction("显示界面");
  pmnShow->setObjectName("pmnShow");
  PopupMenu->addSeparator();
  pmnExit = PopupMenu->addAction("退出服务");
  pmnExit->setObjectName("pmnExit");
  connect(pmnShow, &QAction::triggered, this, &TMain::pmnShowClick);
  connect(pmnExit, &QAction::triggered, this, &TMain::pmnExitClick);
  TrayIcon = new QSystemTrayIcon(this);
  TrayIcon->setObjectName("TrayIcon");
  TrayIcon->setContextMenu(PopupMenu);
  connect(TrayIcon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason aReason) {
    if (aReason == QSystemTrayIcon::DoubleClick) TrayIconDblClick();
  });
}

void TMain::ShowLogin() {
  std::string login = "平台企业Id：" + std::to_string(AppVar->SoftId.v());
  const std::string branch = AppVar->BranchNo.v();
  if (AppVar->SoftModel == 1 && !branch.empty()) login += "，门店编号：" + branch;
  lblLogin->setText(QString::fromStdString(login));
  lblLogin->adjustSize();
  lblVIPState->adjustSize();
  lblVIPState->move(lblLogin->geometry().right() + 1 + 4, lblLogin->y());
}

void TMain::BindHover(TVqLabel* aButton) {
  connect(aButton, &TVqLabel::mouseEntered, this, [this, aButton] { btnConfigMouseEnter(aButton); });
  connect(aButton, &TVqLabel::mouseLeft, this, [this, aButton] { btnConfigMouseLeave(aButton); });
}

void TMain::SetSkinColors() {
  tessaly::SetSkinFont(lblClose, Skin.button_exit_defback);
  for (QLabel* label : {lblTitle, lblSoftVer, lblDBInfo, lblLogin, lblVIPState})
    tessaly::SetSkinTransparent(label, true);
  tessaly::SetSkinFont(lblVIPState, Skin.form_hint_font);
  for (TVqLabel* button : {btnConfig, btnReset, btnQuery, btnServer})
    tessaly::SetSkinColors(button, Skin.button_defback, Skin.button_deffont);
}

void TMain::btnConfigMouseEnter(TVqLabel* aButton) {
  if (!aButton->isEnabled()) return;
  if (aButton->Tag == 1)
    tessaly::SetSkinColors(aButton, Skin.button_exit_moveback, Skin.button_exit_movefont);
  else
    tessaly::SetSkinColors(aButton, Skin.button_moveback, Skin.button_movefont);
}

void TMain::btnConfigMouseLeave(TVqLabel* aButton) {
  if (aButton->Tag == 1)
    tessaly::SetSkinColors(aButton, Skin.button_exit_defback, Skin.button_exit_deffont);
  else
    tessaly::SetSkinColors(aButton, Skin.button_defback, Skin.button_deffont);
}

void TMain::lblCloseMouseEnter() {
  if (!lblClose->isEnabled()) return;
  tessaly::SetSkinBack(lblCloseBack, Skin.button_exit_moveback);
  tessaly::SetSkinFont(lblClose, Skin.button_exit_movefont);
}

void TMain::lblCloseMouseLeave() {
  tessaly::SetSkinTransparent(lblCloseBack, true);
  tessaly::SetSkinFont(lblClose, Skin.button_exit_defback);
}

void TMain::showEvent(QShowEvent* aEvent) {
  QWidget::showEvent(aEvent);
  SetSkinColors();
}

bool TMain::eventFilter(QObject* aWatched, QEvent* aEvent) {
  if (aEvent->type() == QEvent::MouseButtonDblClick && (aWatched == pnlHead || aWatched == imgHead)) {
    pnlHeadDblClick(static_cast<QMouseEvent*>(aEvent)->modifiers());
    return true;
  }
  if (aEvent->type() == QEvent::MouseMove && aWatched != pnlHead) {
    // The caption drag of a borderless window: the window manager moves it from here on.
    const auto* move = static_cast<QMouseEvent*>(aEvent);
    if ((move->buttons() & Qt::LeftButton) && windowHandle() != nullptr) windowHandle()->startSystemMove();
  }
  return QWidget::eventFilter(aWatched, aEvent);
}

void TMain::pnlHeadDblClick(Qt::KeyboardModifiers aModifiers) {
  if (!(aModifiers & Qt::ControlModifier)) return;
  Log("检查重启线程...", false);
  SPfApp->Check();
}

void TMain::Log(const std::string& aLog, bool aIsLog) {
  TvqLib::Log(aLog.empty() ? aLog : "[主窗口] " + aLog, aIsLog, 9);
}

void TMain::ApplicationEventsException(const std::string& aMessage) {
  const std::string text = "运行时出错：" + aMessage;
  if (!TvqLib::DetailLogEnabled.load()) return;
  try {
    if (TLogger* logger = Logger.load()) logger->WriteLog("[主窗口] " + text, 9);
  } catch (...) {
    // The log cannot take it: the user is told instead.
    TvqLib::MsgBox(text, kAppTitle);
  }
}

}  // namespace tessaly
