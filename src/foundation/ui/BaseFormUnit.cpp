// The dialogs' base window.
#include "foundation/ui/BaseFormUnit.h"

#include <QFont>
#include <QFrame>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QShowEvent>
#include <QWindow>

namespace tessaly {

namespace {
constexpr int kFrameLabelWidth = 45;
constexpr int kFrameLabelHeight = 40;
}  // namespace

TBaseForm::TBaseForm(QWidget* aParent)
    : QDialog(aParent, Qt::Dialog | Qt::FramelessWindowHint),
      pnlBack(new QFrame(this)),
      lblMin(new TVqLabel("-", pnlBack)),
      lblClose(new TVqLabel("X", pnlBack)),
      lblTitle(new TVqLabel("窗体基类", pnlBack)) {
  // Modal to the window it belongs to only: the rest of the program, the tray icon and its
  // menu above all, stays usable while a dialog is open.
  if (aParent != nullptr) setWindowModality(Qt::WindowModal);
  setWindowTitle("窗体基类");
  setFont(QFont("微软雅黑", 11));
  pnlBack->setFrameShape(QFrame::Box);
  pnlBack->setFrameShadow(QFrame::Plain);
  SetSkinBack(pnlBack, 0x00FFFFFF);
  lblClose->Tag = 1;
  for (TVqLabel* label : {lblMin, lblClose}) {
    label->setAlignment(Qt::AlignCenter);
    label->setCursor(Qt::PointingHandCursor);
    connect(label, &TVqLabel::mouseEntered, this, [this, label] { lblMinMouseEnter(label); });
    connect(label, &TVqLabel::mouseLeft, this, [this, label] { lblMinMouseLeave(label); });
  }
  lblMin->hide();
  connect(lblClose, &TVqLabel::clicked, this, &TBaseForm::lblCloseClick);
  connect(lblMin, &TVqLabel::clicked, this, &TBaseForm::lblMinClick);
  lblTitle->move(12, 10);
  EnableDrag(this);
  EnableDrag(pnlBack);
  EnableDrag(lblTitle);
  resize(400, 300);
}

void TBaseForm::LoadSkin() {
  SetSkinColors(this, Skin.form_back, Skin.form_font);
  setFont(QFont(QString::fromStdString(Skin.form_font_name), Skin.form_font_size));
  SetSkinColors(pnlBack, Skin.form_back, Skin.form_font);
  SetSkinTransparent(lblTitle, true);
  SetSkinColors(lblMin, Skin.form_back, Skin.form_font);
  SetSkinTransparent(lblMin, true);
  SetSkinFont(lblClose, Skin.button_exit_defback);
  SetSkinTransparent(lblClose, true);
}

void TBaseForm::lblButtonMouseEnter(TVqLabel* aLabel) {
  if (!aLabel || !aLabel->isEnabled()) return;
  if (aLabel->Tag == 1) SetSkinColors(aLabel, Skin.button_exit_moveback, Skin.button_exit_movefont);
  else SetSkinColors(aLabel, Skin.button_moveback, Skin.button_movefont);
}

void TBaseForm::lblButtonMouseLeave(TVqLabel* aLabel) {
  if (!aLabel) return;
  if (aLabel->Tag == 1) SetSkinColors(aLabel, Skin.button_exit_defback, Skin.button_exit_deffont);
  else SetSkinColors(aLabel, Skin.button_defback, Skin.button_deffont);
}

void TBaseForm::lblMinMouseEnter(TVqLabel* aLabel) {
  if (!aLabel) return;
  if (aLabel->Tag == 1) SetSkinColors(aLabel, Skin.button_exit_movefont, Skin.button_exit_moveback);
  else SetSkinColors(aLabel, Skin.button_moveback, Skin.button_movefont);
}

void TBaseForm::lblMinMouseLeave(TVqLabel* aLabel) {
  if (!aLabel) return;
  if (aLabel->Tag == 1) SetSkinColors(aLabel, Skin.button_exit_deffont, Skin.button_exit_defback);
  else SetSkinColors(aLabel, Skin.form_back, Skin.form_font);
  SetSkinTransparent(aLabel, true);
}

void TBaseForm::lblCloseClick() { close(); }

void TBaseForm::lblMinClick() { showMinimized(); }

void TBaseForm::BindLabelButton(TVqLabel* aLabel) {
  aLabel->setCursor(Qt::PointingHandCursor);
  aLabel->setAlignment(Qt::AlignCenter);
  connect(aLabel, &TVqLabel::mouseEntered, this, [this, aLabel] { lblButtonMouseEnter(aLabel); });
  connect(aLabel, &TVqLabel::mouseLeft, this, [this, aLabel] { lblButtonMouseLeave(aLabel); });
}

void TBaseForm::EnableDrag(QWidget* aWidget) {
  aWidget->installEventFilter(this);
}

bool TBaseForm::FormKeyDown(QKeyEvent* aEvent) {
  if (aEvent->key() == Qt::Key_Escape && !lblClose->isHidden() && lblClose->isEnabled()) {
    close();
    return true;
  }
  return false;
}

void TBaseForm::showEvent(QShowEvent* aEvent) {
  QDialog::showEvent(aEvent);
  if (aEvent->spontaneous()) return;
  LoadSkin();
  if (IsDesktop && windowHandle()) windowHandle()->setFlags(windowHandle()->flags() | Qt::WindowStaysOnTopHint);
  FormShow();
}

void TBaseForm::keyPressEvent(QKeyEvent* aEvent) {
  if (FormKeyDown(aEvent)) aEvent->accept();
  else aEvent->ignore();
}

void TBaseForm::resizeEvent(QResizeEvent* aEvent) {
  QDialog::resizeEvent(aEvent);
  pnlBack->setGeometry(rect());
  PlaceFrameLabels();
}

void TBaseForm::PlaceFrameLabels() {
  lblClose->setGeometry(width() - kFrameLabelWidth, 0, kFrameLabelWidth, kFrameLabelHeight);
  lblMin->setGeometry(width() - 2 * kFrameLabelWidth, 0, kFrameLabelWidth, kFrameLabelHeight);
  lblClose->raise();
  lblMin->raise();
}

bool TBaseForm::eventFilter(QObject* aWatched, QEvent* aEvent) {
  switch (aEvent->type()) {
    case QEvent::MouseButtonPress: {
      const auto* mouse = static_cast<QMouseEvent*>(aEvent);
      if (mouse->button() == Qt::LeftButton) {
        FDragging = true;
        FDragOffset = mouse->globalPosition().toPoint() - frameGeometry().topLeft();
      }
      break;
    }
    case QEvent::MouseMove: {
      const auto* mouse = static_cast<QMouseEvent*>(aEvent);
      if (FDragging && (mouse->buttons() & Qt::LeftButton)) move(mouse->globalPosition().toPoint() - FDragOffset);
      break;
    }
    case QEvent::MouseButtonRelease:
      FDragging = false;
      break;
    default:
      break;
  }
  return QDialog::eventFilter(aWatched, aEvent);
}

void MaskWithStars(QLineEdit* aEdit) {
  aEdit->setEchoMode(QLineEdit::Password);
  aEdit->setStyleSheet("QLineEdit { lineedit-password-character: 42; }");
}

}  // namespace tessaly
