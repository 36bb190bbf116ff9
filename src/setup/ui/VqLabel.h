#pragma once
// The setup windows' label, which also serves as their buttons and tick boxes: a QLabel that
// reports clicks (press and release over it with the left button, enabled only) and the mouse
// entering and leaving (also while disabled, so a disabled button can take back its normal
// colours). Tag is free for the windows' own marks (a tick box keeps 1 for ticked).
#include <QLabel>

namespace orvane {

class TvqLabel : public QLabel {
  Q_OBJECT
 public:
  explicit TvqLabel(const QString& text = {}, QWidget* parent = nullptr);

  int Tag = 0;

  // Clicks as the mouse would; nothing while disabled.
  void Click();

 signals:
  void clicked();
  void mouseEntered();
  void mouseLeft();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  bool pressed_ = false;
};

}  // namespace orvane
