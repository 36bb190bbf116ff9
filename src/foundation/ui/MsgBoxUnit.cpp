// The message and question box.
#include "foundation/ui/MsgBoxUnit.h"

#include <QApplication>
#include <QFontMetrics>
#include <QFrame>
#include <QKeyEvent>
#include <QPainter>
#include <QPixmap>
#include <QPolygon>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <array>

#include "foundation/VqLibUtil.h"

namespace tessaly {

namespace {

constexpr int kButtonWidth = 120;
constexpr int kButtonHeight = 38;
constexpr int kButtonGap = 10;
constexpr int kMargin = 16;
constexpr int kViewLeft = 96;    // the message area's left edge beside the picture
constexpr int kViewWidth = 404;  // its width there, in the 520-pixel window
constexpr int kPictureLeft = 24;
constexpr int kViewTop = 44;
constexpr int kPictureSize = 56;

QPixmap WarningPicture() {
  QPixmap picture(kPictureSize, kPictureSize);
  picture.fill(Qt::transparent);
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(0xF5, 0xA6, 0x23));
  painter.drawPolygon(
      QPolygon({QPoint(kPictureSize / 2, 2), QPoint(kPictureSize - 2, kPictureSize - 4), QPoint(2, kPictureSize - 4)}));
  painter.setPen(Qt::white);
  QFont font = painter.font();
  font.setBold(true);
  font.setPixelSize(kPictureSize / 2);
  painter.setFont(font);
  painter.drawText(QRect(0, kPictureSize / 4, kPictureSize, kPictureSize * 3 / 4 - 4), Qt::AlignCenter, "!");
  return picture;
}

// The key's name as a hot-key text ("enter", "esc", "f1" to "f12"); empty for any other key.
std::string HotKeyName(int aKey) {
  if (aKey == Qt::Key_Return || aKey == Qt::Key_Enter) return "enter";
  if (aKey == Qt::Key_Escape) return "esc";
  if (aKey >= Qt::Key_F1 && aKey <= Qt::Key_F12) return "f" + std::to_string(aKey - Qt::Key_F1 + 1);
  return {};
}

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

}  // namespace

TMsgBox::TMsgBox(QWidget* aParent)
    : TBaseForm(aParent),
      lblOK(new TVqLabel("确定(Enter)", pnlBack)),
      lblNO(new TVqLabel("取消(Esc)", pnlBack)),
      pnlView(new QFrame(pnlBack)),
      scbMsg(new QScrollArea(pnlView)),
      lblMsg(new QLabel()),
      tmrBringFront(new QTimer(this)),
      lblReTry(new TVqLabel("重试(F2)", pnlBack)),
      lblHint(new QLabel("消息说明", pnlView)),
      imgWarning(new QLabel(pnlBack)) {
  setWindowTitle("消息");
  lblTitle->setText("消息");
  setWindowFlag(Qt::WindowStaysOnTopHint);
  lblNO->Tag = 1;
  for (TVqLabel* button : {lblOK, lblNO, lblReTry}) {
    BindLabelButton(button);
    SetSkinColors(button, 0x000080FF, 0x00FFFFFF);
    disconnect(button, &TVqLabel::mouseLeft, this, nullptr);
    connect(button, &TVqLabel::mouseLeft, this, [this, button] { lblOKMouseLeave(button); });
  }
  connect(lblOK, &TVqLabel::clicked, this, &TMsgBox::lblOKClick);
  connect(lblNO, &TVqLabel::clicked, this, &TMsgBox::lblNOClick);
  connect(lblReTry, &TVqLabel::clicked, this, &TMsgBox::lblReTryClick);
  lblReTry->hide();
  SetSkinBack(pnlView, 0x00FFFFFF);
  scbMsg->setFrameShape(QFrame::NoFrame);
  scbMsg->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  scbMsg->setWidgetResizable(true);
  scbMsg->setWidget(lblMsg);
  scbMsg->viewport()->setAutoFillBackground(false);
  lblMsg->setAlignment(Qt::AlignCenter);
  lblMsg->setWordWrap(true);
  lblHint->setWordWrap(true);
  QFont hintFont = lblHint->font();
  hintFont.setPixelSize(13);
  lblHint->setFont(hintFont);
  lblHint->hide();
  imgWarning->setPixmap(WarningPicture());
  imgWarning->hide();
  tmrBringFront->setInterval(1000);
  connect(tmrBringFront, &QTimer::timeout, this, [this] {
    if (isVisible()) {
      raise();
      activateWindow();
    }
  });
  resize(520, 280);
  SetMsgType(0);
}

void TMsgBox::SetMsgType(int aMsgType) {
  FMsgType = aMsgType;
  QFont msgFont = lblMsg->font();
  if (aMsgType == 1) {
    imgWarning->show();
    resize(520, height());
    SetSkinFont(lblMsg, 0x000000FF);
    msgFont.setPointSize(18);
  } else {
    imgWarning->hide();
    resize(480, height());
    SetSkinFont(lblMsg, Skin.form_font);
    msgFont.setPointSize(11);
  }
  lblMsg->setFont(msgFont);
  PlaceControls();
}

void TMsgBox::PlaceControls() {
  const int buttonTop = height() - kMargin - kButtonHeight;
  lblNO->setGeometry(width() - kMargin - kButtonWidth, buttonTop, kButtonWidth, kButtonHeight);
  lblOK->setGeometry(lblNO->x() - kButtonGap - kButtonWidth, buttonTop, kButtonWidth, kButtonHeight);
  lblReTry->setGeometry(lblOK->x() - kButtonGap - kButtonWidth, buttonTop, kButtonWidth, kButtonHeight);
  imgWarning->setGeometry(kPictureLeft, kViewTop + 40, kPictureSize, kPictureSize);
  // The area keeps its right margin of the 520-pixel window whatever the window's width.
  const int viewRight = width() - (520 - kViewLeft - kViewWidth);
  const int viewLeft = FMsgType == 1 ? kViewLeft : kPictureLeft;
  pnlView->setGeometry(viewLeft, kViewTop, viewRight - viewLeft, buttonTop - kButtonGap - kViewTop);
  const int hintHeight = FMsgType == 1 ? 80 : 105;
  const int msgHeight = lblHint->isHidden() ? pnlView->height() : pnlView->height() - hintHeight;
  scbMsg->setGeometry(0, 0, pnlView->width(), msgHeight);
  lblHint->setGeometry(0, msgHeight, pnlView->width(), hintHeight);
}

void TMsgBox::InitButtons(const std::string& aOkText, const std::string& aNoText, const std::string& aReText,
                          const std::string& aBtnEnables, const std::string& aBtnClickTags, int aHotBtnIndex) {
  lblOK->setText(QString::fromStdString(aOkText));
  lblNO->setText(QString::fromStdString(aNoText));
  lblReTry->setText(QString::fromStdString(aReText));
  lblReTry->setVisible(!aReText.empty());
  if (!aBtnEnables.empty()) {
    lblOK->setEnabled(IsButtonEnabledFlag(aBtnEnables, 1));
    lblNO->setEnabled(IsButtonEnabledFlag(aBtnEnables, 2));
    lblReTry->setEnabled(IsButtonEnabledFlag(aBtnEnables, 3));
  }
  FNOColor = Skin.button_defback;
  FNOFontColor = Skin.button_deffont;
  if (aHotBtnIndex == 1) {
    FOKColor = Skin.button_exit_defback;
    FOKFontColor = Skin.button_exit_deffont;
    SetSkinColors(lblOK, FOKColor, FOKFontColor);
  } else if (aHotBtnIndex == 3) {
    FRTColor = Skin.button_exit_defback;
    FRTFontColor = Skin.button_exit_deffont;
    SetSkinColors(lblReTry, FRTColor, FRTFontColor);
  } else {
    FNOColor = Skin.button_exit_defback;
    FNOFontColor = Skin.button_exit_deffont;
  }
  SetSkinColors(lblNO, FNOColor, FNOFontColor);
  FButtonEnventTags = aBtnClickTags;
}

void TMsgBox::LoadSkin() {
  TBaseForm::LoadSkin();
  SetSkinColors(pnlView, Skin.form_back, Skin.form_font);
  SetSkinFont(lblHint, Skin.form_hint_font);
  if (FMsgType != 1) SetSkinFont(lblMsg, Skin.form_font);
  const auto apply = [](TVqLabel* aButton, TColor& aBack, TColor& aFont, TColor aSkinBack, TColor aSkinFont) {
    if (aBack <= 0) {
      aBack = aSkinBack;
      SetSkinBack(aButton, aBack);
    }
    if (aFont <= 0) {
      aFont = aSkinFont;
      SetSkinFont(aButton, aFont);
    }
  };
  apply(lblReTry, FRTColor, FRTFontColor, Skin.button_defback, Skin.button_deffont);
  apply(lblOK, FOKColor, FOKFontColor, Skin.button_defback, Skin.button_deffont);
  apply(lblNO, FNOColor, FNOFontColor, Skin.button_exit_defback, Skin.button_exit_deffont);
}

namespace {

constexpr QChar kBreakHere(0x200B);  // zero-width space: a line may break after it

bool IsLatinLetter(QChar c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// aText with break opportunities in each run that would not fit in aWidth pixels on a line of
// its own (a long host name, a query value): word wrap cannot break such a run. A word of Latin
// letters in it stays whole ("yyyy" split reads as another word) unless it alone is too wide.
QString Wrappable(const QString& aText, const QFontMetrics& aMetrics, int aWidth) {
  QString result;
  const auto appendBreakable = [&](const QString& aPiece) {
    for (const QChar c : aPiece) {
      result += c;
      result += kBreakHere;
    }
  };
  const auto appendRun = [&](const QString& aRun) {
    if (aMetrics.horizontalAdvance(aRun) <= aWidth) {
      result += aRun;
      return;
    }
    for (qsizetype i = 0; i < aRun.size();) {
      qsizetype end = i + 1;
      while (end < aRun.size() && IsLatinLetter(aRun[i]) && IsLatinLetter(aRun[end])) ++end;
      const QString piece = aRun.mid(i, end - i);
      if (piece.size() > 1 && aMetrics.horizontalAdvance(piece) <= aWidth) {
        result += piece;
        result += kBreakHere;
      } else {
        appendBreakable(piece);
      }
      i = end;
    }
  };
  QString run;
  for (const QChar c : aText) {
    if (c.isSpace() || c == kBreakHere) {
      appendRun(run);
      run.clear();
      result += c;
    } else {
      run += c;
    }
  }
  appendRun(run);
  return result;
}

}  // namespace

void TMsgBox::FormShow() {
  FitMessage();
  tmrBringFront->start();
}

void TMsgBox::FitMessage() {
  // Breaks are found for the width left beside a scroll bar, which a long message needs.
  const int textWidth = scbMsg->width() - lblMsg->contentsMargins().left() - lblMsg->contentsMargins().right() -
                        scbMsg->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, scbMsg);
  lblMsg->setText(Wrappable(lblMsg->text(), QFontMetrics(lblMsg->font()), textWidth));
  // The scroll area fits the label to the new breaks only from the event loop; until then the
  // label keeps the width of the unbroken text and runs out at both sides.
  const int viewWidth = scbMsg->viewport()->width();
  lblMsg->resize(viewWidth, std::max(scbMsg->viewport()->height(), lblMsg->heightForWidth(viewWidth)));
  const int missing = lblMsg->heightForWidth(scbMsg->width()) - scbMsg->height();
  if (missing <= 0) return;
  const QScreen* screen = this->screen();
  const QRect area = screen != nullptr ? screen->availableGeometry() : QRect(x(), y(), width(), height() + missing);
  const int grown = std::min(height() + missing, area.height());
  // Kept centred where it stood, and inside the screen.
  const int top = std::clamp(y() - (grown - height()) / 2, area.top(), area.bottom() + 1 - grown);
  setGeometry(x(), top, width(), grown);
  PlaceControls();
}

void TMsgBox::lblOKClick() { ButtonClick(1, 1); }
void TMsgBox::lblNOClick() { ButtonClick(2, 0); }
void TMsgBox::lblReTryClick() { ButtonClick(3, 2); }

void TMsgBox::ButtonClick(int aButtonIndex, int aResult) {
  tmrBringFront->stop();
  if (FOnButtonClick && IsNotifyButton(aButtonIndex)) {
    bool canDo = true;
    FOnButtonClick(canDo, aButtonIndex);
    if (!canDo) return;
  }
  FiResult = aResult;
  close();
}

void TMsgBox::lblOKMouseLeave(TVqLabel* aLabel) {
  if (aLabel == lblOK)
    SetSkinColors(aLabel, FOKColor, FOKFontColor);
  else if (aLabel == lblNO)
    SetSkinColors(aLabel, FNOColor, FNOFontColor);
  else
    SetSkinColors(aLabel, FRTColor, FRTFontColor);
}

std::string TMsgBox::GetHotKeyText(const QString& aCaption) {
  const qsizetype open = aCaption.indexOf('(');
  if (open < 0) return {};
  const qsizetype close = aCaption.indexOf(')');
  if (close <= open) return {};
  return aCaption.mid(open + 1, close - open - 1).toStdString();
}

bool TMsgBox::IsPlainActive(TVqLabel* aLabel) const {
  return !aLabel->isHidden() && aLabel->isEnabled() && GetHotKeyText(aLabel->text()).empty();
}

bool TMsgBox::HandleHotKey(TVqLabel* aLabel, int aKey) {
  const std::string hotKey = Lower(GetHotKeyText(aLabel->text()));
  if (hotKey.empty() || !aLabel->isEnabled() || aLabel->isHidden()) return false;
  const std::string name = HotKeyName(aKey);
  if (name.empty() || name != hotKey) return false;
  aLabel->Click();
  return true;
}

bool TMsgBox::FormKeyDown(QKeyEvent* aEvent) {
  const int key = aEvent->key();
  if (key == Qt::Key_F2 && IsPlainActive(lblReTry)) {
    lblReTryClick();
    return true;
  }
  if ((key == Qt::Key_Return || key == Qt::Key_Enter) && IsPlainActive(lblOK)) {
    lblOKClick();
    return true;
  }
  if (key == Qt::Key_Escape && IsPlainActive(lblNO)) {
    lblNOClick();
    return true;
  }
  for (TVqLabel* button : {lblReTry, lblOK, lblNO})
    if (HandleHotKey(button, key)) return true;
  return false;
}

bool TMsgBox::IsButtonEnabledFlag(const std::string& aFlags, int aPosition) {
  return static_cast<int>(aFlags.size()) >= aPosition && aFlags[aPosition - 1] == '1';
}

bool TMsgBox::IsNotifyButton(int aButtonIndex) const { return IsButtonEnabledFlag(FButtonEnventTags, aButtonIndex); }

bool IsUiThread() {
  const QCoreApplication* app = QCoreApplication::instance();
  return app && QThread::currentThread() == app->thread() && qobject_cast<const QApplication*>(app);
}

namespace {

// The window a box belongs to: the open dialog, else the active window; none while the
// program shows no window.
QWidget* BoxOwner() {
  if (QWidget* modal = QApplication::activeModalWidget()) return modal;
  return QApplication::activeWindow();
}

// A box in the information layout with its title and message.
void PrepareBox(TMsgBox& aBox, const std::string& aMessage, const std::string& aTitle) {
  aBox.setWindowTitle(QString::fromStdString(aTitle));
  aBox.lblTitle->setText(QString::fromStdString(aTitle));
  aBox.SetMsgType(0);
  aBox.lblMsg->setText(QString::fromStdString(aMessage));
}

}  // namespace

void TMsgBox::SetRemark(const std::string& aRemark) {
  lblHint->setText(QString::fromStdString(aRemark));
  lblHint->setVisible(!aRemark.empty());
  PlaceControls();
}

void ShowMessageBox(const std::string& aMessage, const std::string& aTitle) {
  if (!IsUiThread()) {
    TvqLib::Log("[消息框]" + aTitle + "：" + aMessage, true);
    return;
  }
  TMsgBox box(BoxOwner());
  PrepareBox(box, aMessage, aTitle);
  box.lblNO->hide();
  box.lblOK->move((box.width() - box.lblOK->width()) / 2, box.lblOK->y());
  box.exec();
}

bool ShowQueryBox(const std::string& aMessage, const std::string& aTitle, const std::string& aRemark) {
  if (!IsUiThread()) {
    TvqLib::Log("[询问框]" + aTitle + "：" + aMessage + (aRemark.empty() ? "" : " " + aRemark), true);
    return false;
  }
  TMsgBox box(BoxOwner());
  PrepareBox(box, aMessage, aTitle);
  box.SetRemark(aRemark);
  box.exec();
  return box.FiResult == 1;
}

}  // namespace tessaly
