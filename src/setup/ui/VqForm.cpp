// The setup windows' base form: form events as hooks, and key preview.
#include "setup/ui/VqForm.h"

#include <QChildEvent>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFont>
#include <QKeyEvent>
#include <QShowEvent>

namespace orvane {

TvqForm::TvqForm(QWidget* parent) : TvqForm(parent, Qt::Window) {}

TvqForm::TvqForm(QWidget* parent, Qt::WindowFlags flags) : QDialog(parent, flags) {
  setWindowTitle(QStringLiteral("窗体基类"));
  QFont face(QStringLiteral("宋体"));
  face.setPixelSize(15);
  setFont(face);
  resize(493, 428);
}

bool TvqForm::FormKeyDown(QKeyEvent*) { return false; }

void TvqForm::FormCloseQuery(bool&) {}

void TvqForm::WatchKeys(QObject* object) {
  object->installEventFilter(this);
  for (QObject* child : object->children()) WatchKeys(child);
}

bool TvqForm::event(QEvent* event) {
  if (event->type() == QEvent::ChildAdded) WatchKeys(static_cast<QChildEvent*>(event)->child());
  return QDialog::event(event);
}

bool TvqForm::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::ChildAdded) {
    WatchKeys(static_cast<QChildEvent*>(event)->child());
  } else if (event->type() == QEvent::KeyPress && !delivering_ && watched->isWidgetType() &&
             static_cast<QWidget*>(watched)->window() == this) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (!FormKeyDown(key)) {
      // The control and its parents see the key as usual; the form's own handler passes it by.
      delivering_ = true;
      QCoreApplication::sendEvent(watched, key);
      delivering_ = false;
    }
    key->accept();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

void TvqForm::keyPressEvent(QKeyEvent* event) {
  if (!delivering_ && FormKeyDown(event)) event->accept();
  else event->ignore();
}

void TvqForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!event->spontaneous()) FormShow();
}

void TvqForm::closeEvent(QCloseEvent* event) {
  bool canClose = true;
  FormCloseQuery(canClose);
  if (!canClose) {
    event->ignore();
    return;
  }
  FormClose();
  QDialog::closeEvent(event);
}

void TvqForm::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  FormResize();
}

}  // namespace orvane
