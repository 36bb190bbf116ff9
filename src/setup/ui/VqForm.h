#pragma once
// TvqForm: the base of the setup program's windows. A plain window ("窗体基类", 493 by 428,
// "宋体" 15 px, centred on the desktop when first shown) that offers its derived windows the form
// events as virtual hooks and previews keys: every key pressed in any of its controls reaches
// FormKeyDown first, and a key consumed there never reaches the control. QDialog's own Enter and
// Esc handling is switched off, so Esc does not close the window unless a derived form says so.
// UI thread only.
#include <QDialog>
#include <string>

class QKeyEvent;

namespace orvane {

class TvqForm : public QDialog {
  Q_OBJECT
 public:
  explicit TvqForm(QWidget* parent = nullptr);

  // A free identifier of the form; the program itself never reads it.
  std::string OnlyID;

 protected:
  // For derived forms with another border (dialog frame, none).
  TvqForm(QWidget* parent, Qt::WindowFlags flags);

  // A key went down in the window or one of its controls; true consumes it.
  virtual bool FormKeyDown(QKeyEvent* event);
  // The window is about to be seen (each time it is shown).
  virtual void FormShow() {}
  // A close was asked for (close mark, window manager, close()); clearing canClose refuses it.
  virtual void FormCloseQuery(bool& canClose);
  // The window closes.
  virtual void FormClose() {}
  virtual void FormResize() {}

  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  // Watches `object` and everything under it for keys and new children.
  void WatchKeys(QObject* object);

  // Set while a previewed key is handed on to its control, so it is not previewed twice on its
  // way up to the form.
  bool delivering_ = false;
};

}  // namespace orvane
