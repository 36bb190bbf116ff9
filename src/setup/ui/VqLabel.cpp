// Clicks and hover of the setup windows' labels.
#include "setup/ui/VqLabel.h"

#include <QMouseEvent>

namespace orvane {

TvqLabel::TvqLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {}

void TvqLabel::Click() {
  if (isEnabled()) emit clicked();
}

void TvqLabel::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    QLabel::mousePressEvent(event);
    return;
  }
  pressed_ = true;
  event->accept();
}

void TvqLabel::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !pressed_) {
    QLabel::mouseReleaseEvent(event);
    return;
  }
  pressed_ = false;
  event->accept();
  if (rect().contains(event->position().toPoint())) Click();
}

void TvqLabel::enterEvent(QEnterEvent* event) {
  QLabel::enterEvent(event);
  emit mouseEntered();
}

void TvqLabel::leaveEvent(QEvent* event) {
  QLabel::leaveEvent(event);
  emit mouseLeft();
}

}  // namespace orvane
