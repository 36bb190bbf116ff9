// The wizard window: creation and destruction around the page flow, the view operations it asks
// for, the timers, dragging, closing and the setup core's message pump.
#include "setup/ui/MainUnit.h"

#include <QApplication>
#include <QCursor>
#include <QFileDialog>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScreen>
#include <QWindow>
#include <stdexcept>

#include "setup/core/SetupUi.h"
#include "setup/core/VqApp.h"
#include "setup/ui/ConfigPage.h"
#include "setup/ui/EditRule.h"
#include "setup/ui/FinishPage.h"
#include "setup/ui/InstallPage.h"
#include "setup/ui/ItemsPage.h"
#include "setup/ui/PageWidgets.h"
#include "setup/ui/SkinPaint.h"
#include "setup/ui/StartPage.h"
#include "setup/ui/VqShape.h"

namespace orvane {
namespace {

constexpr int kWidth = 520;
constexpr int kHeight = 393;
constexpr TColor kWindowColor = 0x00808080;  // clGray
constexpr int kQuitRetryMs = 200;

Qt::Alignment Horizontal(TAlign align) {
  switch (align) {
    case TAlign::Center:
      return Qt::AlignHCenter;
    case TAlign::Right:
      return Qt::AlignRight;
    case TAlign::Left:
      break;
  }
  return Qt::AlignLeft;
}

}  // namespace

TMain::TMain(QWidget* parent) : TvqForm(parent, Qt::Window | Qt::FramelessWindowHint), FController(*this) {
  setWindowTitle(QStringLiteral("安装"));
  QFont face(QStringLiteral("Microsoft YaHei"));
  face.setPixelSize(15);
  setFont(face);
  resize(kWidth, kHeight);
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - QPoint(kWidth / 2, kHeight / 2));
  SetBackColor(this, kWindowColor);
  setAutoFillBackground(true);

  FStart = new TStartPage(this);
  FItems = new TItemsPage(this);
  FConfig = new TConfigPage(this);
  FInstall = new TInstallPage(this);
  FFinish = new TFinishPage(this);
  for (QWidget* page : {static_cast<QWidget*>(FStart), static_cast<QWidget*>(FItems), static_cast<QWidget*>(FConfig),
                        static_cast<QWidget*>(FInstall), static_cast<QWidget*>(FFinish)})
    page->hide();
  BuildMarks();
  RegisterControls();
  AttachEditRules();
  ConnectControls();

  connect(&Timer(TTimer::Start), &QTimer::timeout, this, [this] { FController.tmrStartTimer(); });
  connect(&Timer(TTimer::Loading), &QTimer::timeout, this, [this] { FController.tmrLoadingTimer(); });
  connect(&Timer(TTimer::Slider), &QTimer::timeout, this, [this] { FController.tmrSliderTimer(); });
  FQuitRetry.setInterval(kQuitRetryMs);
  connect(&FQuitRetry, &QTimer::timeout, this, [this] { close(); });

  SetMessagePump(this);
  FController.FormCreate();
  if (TvqApp* app = FController.App()) {
    FBoxes.SetLang(&app->Lang());
    FBoxes.SetSkin(&app->Skin());
  }
}

TMain::~TMain() {
  for (QTimer& timer : FTimers) timer.stop();
  FQuitRetry.stop();
  FBoxes.SetLang(nullptr);
  FBoxes.SetSkin(nullptr);
  FController.FormDestroy();
  if (FProgressAttached) SetProgress(nullptr);
  SetMessagePump(nullptr);
}

// --- Window events -------------------------------------------------------------------------------

void TMain::FormShow() { FController.FormShow(); }

void TMain::FormCloseQuery(bool& canClose) { canClose = FController.CloseQuery(); }

void TMain::FormClose() {
  FQuitRetry.stop();
  emit closed();
}

void TMain::FormResize() {
  if (FCurrentPage != nullptr) FitPage(FCurrentPage);
}

void TMain::RequestQuit() {
  FQuitRequested = true;
  if (close()) return;
  FQuitRetry.start();
}

void TMain::ApplicationEventsException(const std::string& message) { FController.ApplicationEventsException(message); }

void TMain::ProcessMessages() { QCoreApplication::processEvents(); }

bool TMain::Terminating() { return FQuitRequested; }

// --- Mouse: dragging and typing ------------------------------------------------------------------

bool TMain::DragEvent(QEvent* event) {
  const auto* mouse = static_cast<QMouseEvent*>(event);
  switch (event->type()) {
    case QEvent::MouseButtonPress:
      if (mouse->button() != Qt::LeftButton) return false;
      FDragPressed = true;
      FDragOffset = mouse->globalPosition().toPoint() - pos();
      return false;
    case QEvent::MouseMove:
      if (!FDragPressed || !(mouse->buttons() & Qt::LeftButton)) return false;
      FController.FormMouseMove();
      return true;
    case QEvent::MouseButtonRelease:
      FDragPressed = false;
      return false;
    default:
      return false;
  }
}

void TMain::StartWindowDrag() {
  QWindow* handle = windowHandle();
  if (handle != nullptr && handle->startSystemMove()) {
    FDragPressed = false;
    return;
  }
  // No window manager move here: the window follows the mouse itself.
  move(QCursor::pos() - FDragOffset);
}

void TMain::mousePressEvent(QMouseEvent* event) {
  if (!DragEvent(event)) TvqForm::mousePressEvent(event);
}

void TMain::mouseMoveEvent(QMouseEvent* event) {
  if (!DragEvent(event)) TvqForm::mouseMoveEvent(event);
}

void TMain::mouseReleaseEvent(QMouseEvent* event) {
  if (!DragEvent(event)) TvqForm::mouseReleaseEvent(event);
}

bool TMain::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type == QEvent::MouseButtonPress || type == QEvent::MouseMove || type == QEvent::MouseButtonRelease) {
    for (const QObject* area : FDragAreas)
      if (area == watched && DragEvent(event)) return true;
  }
  return TvqForm::eventFilter(watched, event);
}

// --- Texts ---------------------------------------------------------------------------------------

QLabel* TMain::Label(TCtl ctl) const { return qobject_cast<QLabel*>(Control(ctl)); }

QLineEdit* TMain::Edit(TCtl ctl) const { return qobject_cast<QLineEdit*>(Control(ctl)); }

void TMain::FitText(TCtl ctl) {
  if (FAutoSize[Index(ctl)]) Control(ctl)->adjustSize();
}

void TMain::SetCaption(TCtl ctl, const std::string& text) {
  const QString caption = QString::fromStdString(text);
  if (TEditRule* rule = Rule(ctl)) {
    rule->SetText(caption);
  } else if (Tick(ctl) == nullptr) {
    if (QLabel* label = Label(ctl)) label->setText(caption);
    FitText(ctl);
  }
}

std::string TMain::Text(TCtl ctl) const {
  if (const QLineEdit* edit = Edit(ctl)) return edit->text().toStdString();
  if (const QLabel* label = Label(ctl)) return label->text().toStdString();
  return std::string();
}

void TMain::SetHint(TCtl ctl, const std::string& hint) { Control(ctl)->setToolTip(QString::fromStdString(hint)); }

void TMain::SetMaxLength(TCtl ctl, int maxChars) {
  if (TEditRule* rule = Rule(ctl)) rule->SetLimit(maxChars);
}

TEditRule* TMain::Rule(TCtl ctl) const {
  const QLineEdit* edit = Edit(ctl);
  return edit != nullptr ? qobject_cast<TEditRule*>(const_cast<QValidator*>(edit->validator())) : nullptr;
}

void TMain::AttachEditRules() {
  for (int i = 0; i < static_cast<int>(TCtl::Count); ++i) {
    const auto ctl = static_cast<TCtl>(i);
    QLineEdit* edit = Edit(ctl);
    if (edit == nullptr) continue;
    // The configuration boxes take the characters the flow lets through as typed keys.
    if (CtlNumber(ctl, TCtl::edtICfgItem1, kConfigRows) > 0) {
      new TEditRule(edit, [this, ctl](char32_t key) { return FController.edtICfgItem1KeyPress(ctl, key); });
    } else {
      new TEditRule(edit, [](char32_t) { return true; });
    }
  }
}

// --- State, place, colours ----------------------------------------------------------------------

void TMain::SetVisible(TCtl ctl, bool visible) {
  // Whether the window itself is on screen is the program's business, not the page flow's.
  if (ctl == TCtl::Main) return;
  Control(ctl)->setVisible(visible);
  if (TTickBox* box = Tick(ctl)) box->Paint();
}

void TMain::SetEnabled(TCtl ctl, bool enabled) {
  Control(ctl)->setEnabled(enabled);
  if (TTickBox* box = Tick(ctl)) box->Inner->setEnabled(enabled);
}

void TMain::BringToFront(TCtl ctl) {
  Control(ctl)->raise();
  if (TTickBox* box = Tick(ctl)) box->Paint();
}

TRect TMain::Bounds(TCtl ctl) const {
  const QRect r = ctl == TCtl::Main ? rect() : Control(ctl)->geometry();
  return {r.x(), r.y(), r.width(), r.height()};
}

void TMain::SetBounds(TCtl ctl, const TRect& bounds) {
  if (ctl == TCtl::Main) {
    if (bounds.height >= 0) resize(width(), bounds.height);
    return;
  }
  QWidget* widget = Control(ctl);
  widget->setGeometry(bounds.left, bounds.top, bounds.width >= 0 ? bounds.width : widget->width(),
                      bounds.height >= 0 ? bounds.height : widget->height());
  if (TTickBox* box = Tick(ctl)) box->Paint();
}

void TMain::SetAlignment(TCtl ctl, TAlign align) {
  if (QLabel* label = Label(ctl))
    label->setAlignment(Horizontal(align) | (label->alignment() & Qt::AlignVertical_Mask));
}

void TMain::SetTick(TCtl box, bool ticked) {
  if (TTickBox* tick = Tick(box)) tick->SetTicked(ticked);
}

void TMain::SetInnerTickColor(TCtl box, TColor color) {
  if (TTickBox* tick = Tick(box)) SetBackColor(tick->Inner, color);
}

void TMain::SetColor(TCtl ctl, TColor back) {
  SetBackColor(Control(ctl), back);
  if (TTickBox* box = Tick(ctl)) box->Paint();
}

void TMain::SetFontColor(TCtl ctl, TColor font) { orvane::SetFontColor(Control(ctl), font); }

void TMain::SetFontSize(TCtl ctl, int points) {
  QWidget* widget = Control(ctl);
  QFont font = widget->font();
  font.setPointSize(points);
  widget->setFont(font);
  FitText(ctl);
}

void TMain::SetTransparent(TCtl ctl, bool transparent) { SetOpaque(Control(ctl), !transparent); }

void TMain::SetShapeColors(TCtl shape, TColor brush, TColor pen) {
  if (auto* figure = qobject_cast<TvqShape*>(Control(shape))) {
    figure->SetBrush(ToQColor(brush));
    figure->SetPen(ToQColor(pen));
  }
}

TPictureBox& TMain::Image(TCtl ctl) const {
  auto* image = qobject_cast<TPictureBox*>(Control(ctl));
  if (image == nullptr) throw std::invalid_argument("no picture control " + std::to_string(static_cast<int>(ctl)));
  return *image;
}

IPictureTarget& TMain::Picture(TCtl image) { return Image(image); }

void TMain::ClearPicture(TCtl image) { Image(image).ClearPicture(); }

// --- Window, timers, hand-offs -------------------------------------------------------------------

// The window's title is the application title the desktop and the task bar show. No application
// display name is set: the toolkit would append it to every window title.
void TMain::SetAppTitle(const std::string& title) { setWindowTitle(QString::fromStdString(title)); }

void TMain::Minimize() { showMinimized(); }

void TMain::Close() { close(); }

void TMain::StartTimer(TTimer timer, int intervalMs) { Timer(timer).start(intervalMs); }

void TMain::StopTimer(TTimer timer) { Timer(timer).stop(); }

IStatusLine& TMain::StatusLine() { return *FInstall; }

void TMain::AttachProgress() {
  FProgress.Attach(FInstall->PBar, FInstall->PBarBack, FInstall->PBarHint);
  SetProgress(&FProgress);
  FProgressAttached = true;
}

std::optional<std::string> TMain::ChooseFolder(const std::string& caption, const std::string& startFolder) {
  QFileDialog dialog(this, QString::fromStdString(caption), QString::fromStdString(startFolder));
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOptions(QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().first().toStdString();
}

}  // namespace orvane
