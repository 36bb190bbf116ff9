#include "shell/MainPictures.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace tessaly {

QPixmap HeaderPicture(int aWidth, int aHeight) {
  QPixmap picture(aWidth, aHeight);
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  QLinearGradient band(0, 0, aWidth, aHeight);
  // Dark enough everywhere for the white texts and the skin's teal hint colour (the VIP marker)
  // to read at 3:1 or better.
  band.setColorAt(0, QColor(0x0b, 0x3c, 0x6e));
  band.setColorAt(1, QColor(0x14, 0x52, 0x8c));
  painter.fillRect(picture.rect(), band);
  QPainterPath wave;
  wave.moveTo(0, aHeight * 0.75);
  wave.cubicTo(aWidth * 0.3, aHeight * 0.45, aWidth * 0.6, aHeight * 1.05, aWidth, aHeight * 0.6);
  wave.lineTo(aWidth, aHeight);
  wave.lineTo(0, aHeight);
  wave.closeSubpath();
  painter.fillPath(wave, QColor(0, 0, 0, 40));  // a shade: a lighter wave would lose the contrast
  return picture;
}

QPixmap StatePicture(bool aRunning) {
  QPixmap picture(16, 16);
  picture.fill(Qt::transparent);
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  if (aRunning) {
    painter.setBrush(QColor(0x2e, 0xb8, 0x4b));
    painter.drawEllipse(0, 0, 16, 16);
    painter.setBrush(Qt::white);
    const QPointF play[] = {{6, 4}, {12, 8}, {6, 12}};
    painter.drawPolygon(play, 3);
  } else {
    painter.setBrush(QColor(0x9a, 0x9a, 0x9a));
    painter.drawEllipse(0, 0, 16, 16);
    painter.setBrush(Qt::white);
    painter.drawRect(5, 5, 6, 6);
  }
  return picture;
}

QIcon AppIcon() {
  QPixmap picture(64, 64);
  picture.fill(Qt::transparent);
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(0x2f, 0x8f, 0xe8));
  painter.drawEllipse(2, 2, 60, 60);
  QPen arrow(Qt::white, 6, Qt::SolidLine, Qt::RoundCap);
  painter.setPen(arrow);
  painter.setBrush(Qt::NoBrush);
  painter.drawArc(16, 16, 32, 32, 30 * 16, 150 * 16);
  painter.drawArc(16, 16, 32, 32, 210 * 16, 150 * 16);
  painter.setPen(Qt::NoPen);
  painter.setBrush(Qt::white);
  const QPointF head1[] = {{47, 14}, {52, 28}, {38, 26}};
  const QPointF head2[] = {{17, 50}, {12, 36}, {26, 38}};
  painter.drawPolygon(head1, 3);
  painter.drawPolygon(head2, 3);
  return QIcon(picture);
}

}  // namespace tessaly
