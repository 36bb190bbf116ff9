// The setup message box: build, texts, answers and keys.
#include "setup/ui/VqMessageBox.h"

#include <QApplication>
#include <QClipboard>
#include <QFont>
#include <QFrame>
#include <QKeyEvent>
#include <QPlainTextEdit>

#include "platform/TextCodec.h"
#include "setup/core/GbkText.h"
#include "setup/core/VqLang.h"
#include "setup/ui/SkinPaint.h"
#include "setup/ui/WindowDrag.h"

namespace orvane {
namespace {

constexpr std::size_t kMemoBytes = 256;
constexpr int kButtonWidth = 100;
constexpr int kButtonHeight = 41;
constexpr TColor kWindowColor = 0xFF000005;      // clWindow
constexpr TColor kWindowTextColor = 0xFF000008;  // clWindowText
constexpr TColor kCloseBackColor = 0x000000FF;   // clRed

QFont PixelFont(const QString& family, int pixels) {
  QFont font(family);
  font.setPixelSize(pixels);
  return font;
}

void SetPointSize(QWidget* widget, int points) {
  QFont font = widget->font();
  font.setPointSize(points);
  widget->setFont(font);
}

QLabel* PlainLabel(QWidget* parent, const QString& text = {}) {
  auto* label = new QLabel(text, parent);
  label->setTextFormat(Qt::PlainText);
  return label;
}

TvqLabel* ButtonLabel(QWidget* parent, const QString& text, int left) {
  auto* label = new TvqLabel(text, parent);
  label->setTextFormat(Qt::PlainText);
  label->setAlignment(Qt::AlignCenter);
  label->setCursor(Qt::PointingHandCursor);
  label->setGeometry(left, 2, kButtonWidth, kButtonHeight);
  return label;
}

// One row of the button-set table: captions of buttons 1 to 3 (kNone hides the button), the
// default button and the three answers.
enum TCaption { kNone, kYes, kNo, kOk, kCancel, kRetry };
struct TButtonSet {
  TCaption Btn1, Btn2, Btn3;
  int DefaultButton;  // 1 to 3
  int Result1, Result2, Result3;
};

// Rows 0 to 5; every other set is the OK box. The abort-retry-ignore set has no abort or ignore
// caption: it reads retry, OK and cancel and answers retry, ignore and abort.
constexpr TButtonSet kButtonSets[] = {
    {kNone, kOk, kNone, 2, kIdCancel, kIdOk, kIdCancel},
    {kNone, kOk, kCancel, 2, kIdCancel, kIdOk, kIdCancel},
    {kRetry, kOk, kCancel, 1, kIdRetry, kIdIgnore, kIdAbort},
    {kYes, kNo, kCancel, 1, kIdYes, kIdNo, kIdCancel},
    {kNone, kYes, kNo, 2, kIdNo, kIdYes, kIdNo},
    {kNone, kRetry, kCancel, 2, kIdCancel, kIdRetry, kIdCancel},
};

}  // namespace

TvqMessageBox::TvqMessageBox(const TvqLang* lang, const TvqSkin* skin, QWidget* parent)
    : TvqDlgForm(parent, Qt::Dialog | Qt::FramelessWindowHint),
      FLang(lang),
      FSkin(skin != nullptr ? *skin : FOwnSkin) {
  setWindowTitle(QStringLiteral("消息"));
  setFont(PixelFont(QStringLiteral("Microsoft Yahei"), 12));
  setFixedSize(404, 282);

  lblFormBack = new QWidget(this);
  lblFormBack->setGeometry(rect());
  SetBackColor(lblFormBack, 0x00FFFFFF);
  pnlBack = new QFrame(this);
  pnlBack->setGeometry(1, 1, 402, 280);
  pnlBack->setAutoFillBackground(true);
  BuildHead();
  BuildContext();
  BuildFoot();

  FDefaultButton = lblBtn3;
}

void TvqMessageBox::BuildHead() {
  pnlHead = new QFrame(pnlBack);
  pnlHead->setGeometry(0, 0, 402, 45);
  lblHead_back = PlainLabel(pnlHead);
  lblHead_back->setGeometry(pnlHead->rect());
  EnableWindowDrag(lblHead_back);
  lblCloseBack = new TvqLabel(QString(), pnlHead);
  lblCloseBack->setGeometry(357, 0, 45, 36);
  SetBackColor(lblCloseBack, kCloseBackColor);
  lblClose = new TvqLabel(QStringLiteral("×"), pnlHead);
  lblClose->setGeometry(lblCloseBack->geometry());
  lblClose->setAlignment(Qt::AlignCenter);
  lblClose->setCursor(Qt::PointingHandCursor);
  lblClose->setFont(PixelFont(font().family(), 29));
  SetFontColor(lblClose, 0x00FFFFFF);
  lblTitle = PlainLabel(pnlHead);
  lblTitle->move(8, 11);
  lblTitle->setFont(PixelFont(font().family(), 15));
  SetFontColor(lblTitle, 0x00FFFFFF);
  connect(lblClose, &TvqLabel::clicked, this, &TvqMessageBox::lblBtn3Click);
  connect(lblCloseBack, &TvqLabel::clicked, this, &TvqMessageBox::lblBtn3Click);
  connect(lblClose, &TvqLabel::mouseEntered, this, [this] { SetOpaque(lblCloseBack, true); });
  connect(lblClose, &TvqLabel::mouseLeft, this, [this] { SetOpaque(lblCloseBack, false); });
}

void TvqMessageBox::BuildContext() {
  pnlContext = new QFrame(pnlBack);
  pnlContext->setGeometry(0, 45, 402, 190);
  SetBackColor(pnlContext, 0x00FFFFFF);
  pnlContext->setAutoFillBackground(true);
  lblBack = PlainLabel(pnlContext);
  lblBack->setGeometry(2, 0, 398, 190);
  SetBackColor(lblBack, kWindowColor);
  lblIcon = PlainLabel(pnlContext);
  lblIcon->setGeometry(2, 0, 70, 190);
  imgInfo = PlainLabel(pnlContext);
  imgWaring = PlainLabel(pnlContext);
  imgError = PlainLabel(pnlContext);
  imgQuery = PlainLabel(pnlContext);
  for (QLabel* image : {imgInfo, imgWaring, imgError, imgQuery}) {
    image->setGeometry(8, 66, 57, 57);
    image->hide();
  }
  lblLeft = PlainLabel(pnlContext);
  lblLeft->setGeometry(0, 0, 2, 190);
  lblRight = PlainLabel(pnlContext);
  lblRight->setGeometry(400, 0, 2, 190);
  lblMsg = PlainLabel(pnlContext);
  lblMsg->setGeometry(78, 8, 315, 58);
  lblMsg->setWordWrap(true);
  lblMsg->setFont(PixelFont(QStringLiteral("微软雅黑"), 12));
  mmMsgEx = new QPlainTextEdit(pnlContext);
  mmMsgEx->setReadOnly(true);
  mmMsgEx->setFrameShape(QFrame::NoFrame);
  mmMsgEx->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  mmMsgEx->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  mmMsgEx->hide();
}

void TvqMessageBox::BuildFoot() {
  pnlFoot = new QFrame(pnlBack);
  pnlFoot->setGeometry(0, 235, 402, 45);
  lblFoot_back = PlainLabel(pnlFoot);
  lblFoot_back->setGeometry(pnlFoot->rect());
  lblBtn1 = ButtonLabel(pnlFoot, QStringLiteral("重试"), 98);
  lblBtn2 = ButtonLabel(pnlFoot, QStringLiteral("确定"), 199);
  lblBtn3 = ButtonLabel(pnlFoot, QStringLiteral("取消"), 300);
  lblCopy = new TvqLabel(QStringLiteral("复制"), pnlFoot);
  lblCopy->setTextFormat(Qt::PlainText);
  lblCopy->move(8, 8);
  lblCopy->setCursor(Qt::PointingHandCursor);
  lblCopy->adjustSize();
  connect(lblBtn1, &TvqLabel::clicked, this, &TvqMessageBox::lblBtn1Click);
  connect(lblBtn2, &TvqLabel::clicked, this, &TvqMessageBox::lblBtn2Click);
  connect(lblBtn3, &TvqLabel::clicked, this, &TvqMessageBox::lblBtn3Click);
  connect(lblCopy, &TvqLabel::clicked, this, &TvqMessageBox::lblCopyClick);
  for (TvqLabel* button : {lblBtn1, lblBtn2, lblBtn3}) {
    connect(button, &TvqLabel::mouseEntered, this, [this, button] { ButtonMouseEnter(button); });
    connect(button, &TvqLabel::mouseLeft, this, [this, button] { ButtonMouseLeave(button); });
  }
}

int TvqMessageBox::ShowBox(const std::string& message, const std::string& title, int flags, const TvqLang* lang,
                           const TvqSkin* skin) {
  const int buttons = flags % 16;
  const int icon = flags - buttons;
  TvqMessageBox box(lang, skin);
  box.SetTitle(title);
  box.SetMsgData(message);
  box.SetIcon(icon);
  box.SetButtons(buttons);
  box.exec();
  return box.Result();
}

void TvqMessageBox::SetTitle(const std::string& title) {
  std::string text = title;
  if (text.empty() && FLang != nullptr) text = FLang->GetText("IDS_DAILOG_MESSAGE");
  lblTitle->setText(QString::fromStdString(text));
  lblTitle->adjustSize();
}

void TvqMessageBox::SetMsgData(const std::string& message) {
  FMsgData = message;
  const std::string trimmed = platform::TrimBlanks(message);
  if (GbkByteCount(trimmed) >= kMemoBytes || !mmMsgEx->isHidden()) {
    mmMsgEx->setPlainText(QString::fromStdString(message));
    mmMsgEx->show();
    lblIcon->hide();
    lblMsg->hide();
  } else {
    lblMsg->setText(QString::fromStdString(trimmed));
    lblMsg->show();
    mmMsgEx->hide();
  }
}

void TvqMessageBox::SetIcon(int icon) {
  imgInfo->setVisible(icon == kMbIconInformation);
  imgWaring->setVisible(icon == kMbIconWarning);
  imgError->setVisible(icon == kMbIconError);
  imgQuery->setVisible(icon == kMbIconQuestion);
}

QString TvqMessageBox::Caption(const char* key, const char* fallback) const {
  const std::string text = FLang != nullptr ? FLang->GetText(key) : std::string();
  return QString::fromUtf8(text.empty() ? fallback : text.c_str());
}

void TvqMessageBox::SetButtons(int buttons) {
  const QString captions[] = {
      QString(),
      Caption("IDS_BUTTON_YES", "是"),
      Caption("IDS_BUTTON_NO", "否"),
      Caption("IDS_BUTTON_OK", "确定"),
      Caption("IDS_BUTTON_CANCEL", "取消"),
      Caption("IDS_BUTTON_RETRY", "重试"),
  };
  lblCopy->setText(Caption("IDS_BUTTON_COPY", "复制"));
  lblCopy->adjustSize();
  const bool known = buttons >= 0 && buttons < static_cast<int>(std::size(kButtonSets));
  const TButtonSet& set = kButtonSets[known ? buttons : kMbOk];
  TvqLabel* const labels[] = {lblBtn1, lblBtn2, lblBtn3};
  const TCaption ids[] = {set.Btn1, set.Btn2, set.Btn3};
  for (int i = 0; i < 3; ++i) {
    labels[i]->setVisible(ids[i] != kNone);
    if (ids[i] != kNone) labels[i]->setText(captions[ids[i]]);
  }
  FDefaultButton = labels[set.DefaultButton - 1];
  FResult1 = set.Result1;
  FResult2 = set.Result2;
  FResult3 = set.Result3;
  FResult = FResult3;
}

void TvqMessageBox::lblBtn1Click() {
  FResult = FResult1;
  close();
}

void TvqMessageBox::lblBtn2Click() {
  FResult = FResult2;
  close();
}

void TvqMessageBox::lblBtn3Click() {
  FResult = FResult3;
  close();
}

void TvqMessageBox::lblCopyClick() { QGuiApplication::clipboard()->setText(QString::fromStdString(FMsgData)); }

void TvqMessageBox::FormShow() {
  for (QWidget* label : {static_cast<QWidget*>(lblFormBack), static_cast<QWidget*>(lblHead_back),
                         static_cast<QWidget*>(lblFoot_back), static_cast<QWidget*>(lblLeft),
                         static_cast<QWidget*>(lblRight)})
    SetOpaque(label, true);
  lblIcon->setGeometry(lblLeft->width(), 0, lblIcon->width(), lblLeft->height());
  const int msgLeft = lblLeft->width() + 18;
  lblMsg->setGeometry(msgLeft, 2, pnlContext->width() - msgLeft - lblRight->width() - 2, lblBack->height() - 4);
  lblMsg->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  lblMsg->setWordWrap(true);
  mmMsgEx->setGeometry(0, 0, pnlContext->width() - lblRight->width(), lblBack->height());
  for (QLabel* image : {imgInfo, imgWaring, imgError, imgQuery})
    image->move(image->x(), (lblBack->height() - imgInfo->height()) / 2);
  if (lblBtn1->isHidden() && lblBtn3->isHidden()) lblBtn2->move((width() - lblBtn2->width()) / 2, lblBtn2->y());
  ApplyColors();
}

void TvqMessageBox::ApplyColors() {
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, ToQColor(FSkin.Form_back));
  palette.setColor(QPalette::WindowText, ToQColor(FSkin.Form_font));
  setPalette(palette);
  SetPointSize(this, 9);
  for (QWidget* part : {static_cast<QWidget*>(lblHead_back), static_cast<QWidget*>(lblFoot_back),
                        static_cast<QWidget*>(lblLeft), static_cast<QWidget*>(lblRight),
                        static_cast<QWidget*>(pnlBack)})
    SetBackColor(part, FSkin.Form_back);
  SetBackColor(lblCopy, FSkin.Form_font);
  SetFontColor(lblCopy, FSkin.Form_font);
  SetFontColor(lblTitle, FSkin.Form_font);
  SetPointSize(lblTitle, 9);
  SetOpaque(lblClose, false);
  SetFontColor(lblClose, FSkin.Form_font);
  SetOpaque(lblMsg, false);
  SetPointSize(lblMsg, 9);
  SetFontColor(lblMsg, kWindowTextColor);
  SetOpaque(lblBack, true);
  SetEditColors(mmMsgEx, FSkin.Form_font, FSkin.Form_back);
  SetPointSize(mmMsgEx, 9);
  for (TvqLabel* button : {lblBtn1, lblBtn2, lblBtn3}) PaintButtonLabel(button, FSkin);
  HighlightDefault();
}

void TvqMessageBox::HighlightDefault() {
  if (FDefaultButton != nullptr && !FDefaultButton->isHidden())
    SetColors(FDefaultButton, FSkin.Button_selectedBack, FSkin.Button_selectedFont);
}

void TvqMessageBox::UnhighlightButton(TvqLabel* button) {
  if (!button->isHidden()) SetColors(button, FSkin.Button_defBack, FSkin.Button_defFont);
}

void TvqMessageBox::ButtonMouseEnter(TvqLabel* button) {
  if (!button->isEnabled()) return;
  SetColors(button, FSkin.Button_moveBack, button == lblBtn3 ? FSkin.Button_exit_moveFont : FSkin.Button_moveFont);
}

void TvqMessageBox::ButtonMouseLeave(TvqLabel* button) {
  SetColors(button, FSkin.Button_defBack, FSkin.Button_defFont);
  HighlightDefault();
}

void TvqMessageBox::MoveDefault(TvqLabel* target) {
  UnhighlightButton(FDefaultButton);
  if (target != nullptr && !target->isHidden()) FDefaultButton = target;
  HighlightDefault();
}

bool TvqMessageBox::FormKeyDown(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (FDefaultButton == nullptr || FDefaultButton->isHidden()) return false;
      if (FDefaultButton == lblBtn1) lblBtn1Click();
      else if (FDefaultButton == lblBtn2) lblBtn2Click();
      else lblBtn3Click();
      return true;
    case Qt::Key_Right:
      MoveDefault(FDefaultButton == lblBtn1 ? lblBtn2 : FDefaultButton == lblBtn2 ? lblBtn3 : nullptr);
      return true;
    case Qt::Key_Left:
      MoveDefault(FDefaultButton == lblBtn3 ? lblBtn2 : FDefaultButton == lblBtn2 ? lblBtn1 : nullptr);
      return true;
    case Qt::Key_C:
      if ((event->modifiers() & ~Qt::KeypadModifier) != Qt::ControlModifier) return false;
      lblCopyClick();
      return true;
    default:
      return false;
  }
}

}  // namespace orvane
