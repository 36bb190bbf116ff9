#pragma once
// The label that the dialogs use as a button, a title or a link: a QLabel that reports clicks,
// double-clicks and the mouse entering and leaving (enabled or not), and carries a Tag (1 marks
// an "exit" button: cancel or close). A left double-click is handled by the label alone; its
// parent does not see it. A label disabled under the pointer reports the pointer leaving, and
// one enabled under it the pointer entering, so a disabled button never keeps the hover colours.
// Plus the colour setters of the skinned widgets.
#include <QLabel>

#include "foundation/ui/VqSkinUtil.h"

namespace tessaly {

class TVqLabel : public QLabel {
  Q_OBJECT
 public:
  explicit TVqLabel(const QString& aText = {}, QWidget* aParent = nullptr);

  int Tag = 0;

  // Fires the click as the mouse would; does nothing while the label is disabled.
  void Click();

 signals:
  void clicked();
  void doubleClicked();
  // Also while disabled, so a disabled button can take back its normal colours.
  void mouseEntered();
  void mouseLeft();

 protected:
  void mousePressEvent(QMouseEvent* aEvent) override;
  void mouseReleaseEvent(QMouseEvent* aEvent) override;
  void mouseDoubleClickEvent(QMouseEvent* aEvent) override;
  void enterEvent(QEnterEvent* aEvent) override;
  void leaveEvent(QEvent* aEvent) override;
  void changeEvent(QEvent* aEvent) override;

 private:
  bool FPressed = false;
};

// Opaque background aBack and text aFont.
void SetSkinColors(QWidget* aWidget, TColor aBack, TColor aFont);
void SetSkinBack(QWidget* aWidget, TColor aBack);
void SetSkinFont(QWidget* aWidget, TColor aFont);
// A transparent widget shows its parent's background.
void SetSkinTransparent(QWidget* aWidget, bool aTransparent);

}  // namespace tessaly
