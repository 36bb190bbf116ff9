#pragma once
// A plain rectangle with a fill (brush) and a one-pixel outline (pen) inside its bounds, as the
// setup windows draw bars and tracks. New shapes have a white brush and a black pen.
#include <QColor>
#include <QWidget>

namespace orvane {

class TvqShape : public QWidget {
  Q_OBJECT
 public:
  explicit TvqShape(QWidget* parent = nullptr);

  void SetBrush(const QColor& color);
  void SetPen(const QColor& color);
  [[nodiscard]] QColor Brush() const { return brush_; }
  [[nodiscard]] QColor Pen() const { return pen_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QColor brush_{Qt::white};
  QColor pen_{Qt::black};
};

}  // namespace orvane
