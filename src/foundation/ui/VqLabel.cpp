// The dialogs' label buttons and the colour setters.
#include "foundation/ui/VqLabel.h"

#include <QEnterEvent>
#include <QMouseEvent>
#include <QPalette>

namespace tessaly {
namespace {
constexpr TColor kGrayText = 0x006D6D6D;  // the system's grey of disabled text
}  // namespace

TVqLabel::TVqLabel(const QString& aText, QWidget* aParent) : QLabel(aText, aParent) {}

void TVqLabel::Click() {
  if (isEnabled()) emit clicked();
}

void TVqLabel::mousePressEvent(QMouseEvent* aEvent) {
  FPressed = aEvent->button() == Qt::LeftButton;
  QLabel::mousePressEvent(aEvent);
}

void TVqLabel::mouseReleaseEvent(QMouseEvent* aEvent) {
  const bool click = FPressed && aEvent->button() == Qt::LeftButton && rect().contains(aEvent->position().toPoint());
  FPressed = false;
  QLabel::mouseReleaseEvent(aEvent);
  if (click) Click();
}

void TVqLabel::mouseDoubleClickEvent(QMouseEvent* aEvent) {
  QLabel::mouseDoubleClickEvent(aEvent);
  if (aEvent->button() != Qt::LeftButton) return;
  // Handled here: left to the parent as well, a panel reacting to double-clicks would act twice.
  aEvent->accept();
  emit doubleClicked();
}

void TVqLabel::enterEvent(QEnterEvent* aEvent) {
  QLabel::enterEvent(aEvent);
  emit mouseEntered();
}

void TVqLabel::leaveEvent(QEvent* aEvent) {
  QLabel::leaveEvent(aEvent);
  emit mouseLeft();
}

void TVqLabel::changeEvent(QEvent* aEvent) {
  QLabel::changeEvent(aEvent);
  if (aEvent->type() != QEvent::EnabledChange || !underMouse()) return;
  if (isEnabled())
    emit mouseEntered();
  else
    emit mouseLeft();
}

void SetSkinColors(QWidget* aWidget, TColor aBack, TColor aFont) {
  SetSkinBack(aWidget, aBack);
  SetSkinFont(aWidget, aFont);
}

void SetSkinBack(QWidget* aWidget, TColor aBack) {
  QPalette palette = aWidget->palette();
  palette.setColor(QPalette::Window, ToQColor(aBack));
  aWidget->setPalette(palette);
  aWidget->setAutoFillBackground(true);
}

void SetSkinFont(QWidget* aWidget, TColor aFont) {
  QPalette palette = aWidget->palette();
  const QColor color = ToQColor(aFont);
  // The skin colours the enabled states only: a disabled control keeps the grey text that
  // tells the user it does nothing.
  const QColor grey = ToQColor(kGrayText);
  for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
    palette.setColor(QPalette::Active, role, color);
    palette.setColor(QPalette::Inactive, role, color);
    palette.setColor(QPalette::Disabled, role, grey);
  }
  aWidget->setPalette(palette);
}

void SetSkinTransparent(QWidget* aWidget, bool aTransparent) { aWidget->setAutoFillBackground(!aTransparent); }

}  // namespace tessaly
