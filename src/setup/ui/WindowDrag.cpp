// The drag handles of borderless windows.
#include "setup/ui/WindowDrag.h"

#include <QMouseEvent>
#include <QObject>
#include <QPoint>
#include <QWidget>
#include <QWindow>

namespace orvane {
namespace {

class TWindowDragger final : public QObject {
 public:
  explicit TWindowDragger(QWidget* area) : QObject(area), area_(area) { area->installEventFilter(this); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched != area_) return false;
    switch (event->type()) {
      case QEvent::MouseButtonPress: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton) return false;
        QWidget* window = area_->window();
        QWindow* handle = window->windowHandle();
        if (handle != nullptr && handle->startSystemMove()) return true;
        dragging_ = true;
        offset_ = mouse->globalPosition().toPoint() - window->pos();
        return true;
      }
      case QEvent::MouseMove: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (!dragging_ || !(mouse->buttons() & Qt::LeftButton)) return false;
        area_->window()->move(mouse->globalPosition().toPoint() - offset_);
        return true;
      }
      case QEvent::MouseButtonRelease:
        if (!dragging_) return false;
        dragging_ = false;
        return true;
      default:
        return false;
    }
  }

 private:
  QWidget* area_;
  bool dragging_ = false;
  QPoint offset_;
};

}  // namespace

void EnableWindowDrag(QWidget* area) { new TWindowDragger(area); }

}  // namespace orvane
