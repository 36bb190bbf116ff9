#pragma once
// TBaseForm: the frameless, skinned base window of every dialog of the agent. It draws its own
// title (lblTitle), minimise and close labels, is dragged from its background and title, gives
// its label buttons the skin's hover colours, and closes on Esc while the close label is shown
// and enabled. QDialog's own Enter and Esc handling is switched off: a dialog sees every key
// that its controls leave alone in FormKeyDown.
//
// A dialog with a parent is modal to its parent's window only (exec() blocks that window and
// its ancestors, not the tray icon); one without a parent is modal to the whole program.
//
// FiResult is -1 after creation; derived dialogs set it (1 accepted, 0 cancelled) before they
// close, and callers read it after exec(). UI thread only.
#include <QDialog>
#include <QPoint>

#include "foundation/ui/VqLabel.h"

class QFrame;
class QKeyEvent;
class QLineEdit;

namespace tessaly {

class TBaseForm : public QDialog {
  Q_OBJECT
 public:
  explicit TBaseForm(QWidget* aParent = nullptr);

  // Fills the window; the derived dialogs place their controls on it.
  QFrame* pnlBack;
  TVqLabel* lblMin;    // "-", hidden unless a dialog shows it
  TVqLabel* lblClose;  // "X", Tag 1
  TVqLabel* lblTitle;

  bool IsDesktop = false;  // stay on top when shown
  int FiResult = -1;

  // Applies the global Skin to the window; derived dialogs call this first.
  virtual void LoadSkin();

  // Hover colours of a label button (Tag 1: the exit colours). Enter applies only to an enabled
  // label; leave applies always.
  void lblButtonMouseEnter(TVqLabel* aLabel);
  void lblButtonMouseLeave(TVqLabel* aLabel);
  // Hover colours of the minimise and close labels.
  void lblMinMouseEnter(TVqLabel* aLabel);
  void lblMinMouseLeave(TVqLabel* aLabel);
  void lblCloseClick();
  void lblMinClick();

  // Binds the hover handlers to a label button.
  void BindLabelButton(TVqLabel* aLabel);
  // Dragging the mouse with the left button on aWidget moves the window.
  void EnableDrag(QWidget* aWidget);

 protected:
  // True when the key was consumed. The base closes the window on Esc while lblClose is shown
  // and enabled.
  virtual bool FormKeyDown(QKeyEvent* aEvent);
  // Runs when the window becomes visible, after LoadSkin.
  virtual void FormShow() {}

  void showEvent(QShowEvent* aEvent) override;
  void keyPressEvent(QKeyEvent* aEvent) override;
  void resizeEvent(QResizeEvent* aEvent) override;
  bool eventFilter(QObject* aWatched, QEvent* aEvent) override;

 private:
  void PlaceFrameLabels();

  bool FDragging = false;
  QPoint FDragOffset;
};

// A password field whose characters show as "*".
void MaskWithStars(QLineEdit* aEdit);

}  // namespace tessaly
