#pragma once
// The building blocks of the wizard's pages: plain labels, label buttons, two-label tick boxes
// and picture boxes that the setup engine fills. They only show what they are told; every
// decision lies with the page flow. UI thread only.
#include <QLabel>
#include <QPixmap>
#include <QString>
#include <string>

#include "setup/core/VqApp.h"
#include "setup/ui/VqLabel.h"

class QWidget;

namespace orvane {

// A transparent plain-text label at (left, top), sized to its text.
[[nodiscard]] TvqLabel* NewLabel(QWidget* parent, const QString& text, int left, int top);
// An opaque, centred label button with a hand cursor.
[[nodiscard]] TvqLabel* NewButton(QWidget* parent, const QString& text, int left, int top, int width, int height);
// An opaque label that only shows its colour (bands, the window marks' hover backgrounds).
[[nodiscard]] QLabel* NewBand(QWidget* parent, int left, int top, int width, int height);
// The widget's font with another pixel height (bold or not).
void SetPixelFont(QWidget* widget, int pixels, bool bold = false);

// A tick box of two labels. The outer one shows "√" when ticked; the inner one is shown only
// while the box is shown and unticked, laid 2 pixels inside the outer and 4 pixels smaller, so
// that the box looks empty.
class TTickBox {
 public:
  TTickBox() = default;
  // Makes both labels on `parent`, `size` pixels square at (left, top), unticked.
  TTickBox(QWidget* parent, int left, int top, int size);

  [[nodiscard]] bool Ticked() const { return ticked_; }
  // Sets the state and paints it.
  void SetTicked(bool ticked);
  // Lays the inner label over the outer one from the state.
  void Paint();

  TvqLabel* Outer = nullptr;
  TvqLabel* Inner = nullptr;

 private:
  bool ticked_ = false;
};

// A picture control that the engine fills (IPictureTarget). Auto-sized pictures take the size of
// their picture; stretched ones keep their own size and scale the picture into it.
class TPictureBox final : public QLabel, public IPictureTarget {
  Q_OBJECT
 public:
  TPictureBox(QWidget* parent, bool stretch);

  bool LoadPictureFile(const std::string& hostPath, const std::string& ext) override;
  bool LoadPictureBytes(const std::string& bytes, const std::string& ext) override;
  // Removes the picture.
  void ClearPicture();

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  bool Take(const QPixmap& picture);
  void Fit();

  bool stretch_;
  QPixmap picture_;
};

}  // namespace orvane
