// Painting of the rectangle shape.
#include "setup/ui/VqShape.h"

#include <QPainter>

namespace orvane {

TvqShape::TvqShape(QWidget* parent) : QWidget(parent) {}

void TvqShape::SetBrush(const QColor& color) {
  brush_ = color;
  update();
}

void TvqShape::SetPen(const QColor& color) {
  pen_ = color;
  update();
}

void TvqShape::paintEvent(QPaintEvent*) {
  if (width() <= 0 || height() <= 0) return;
  QPainter painter(this);
  painter.fillRect(rect(), pen_);
  if (width() > 2 && height() > 2) painter.fillRect(rect().adjusted(1, 1, -1, -1), brush_);
}

}  // namespace orvane
