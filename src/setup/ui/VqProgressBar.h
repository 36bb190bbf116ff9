#pragma once
// TvqProgressBar: moves the install page's progress bar, made of a track shape, a bar shape laid
// inside it and a percent label. The setup core sees it as its progress hand-off (SetProgress):
// the flows set the maximum to their number of files and add one per file. Each position change
// empties the label, resizes the bar and processes pending window events so the page repaints
// during long steps. Before Attach it only keeps its numbers. The shapes may be freed before the
// bar; it then only keeps its numbers again. UI thread only.
#include <QPointer>

#include "setup/core/SetupUi.h"

class QLabel;
class QWidget;

namespace orvane {

class TvqProgressBar final : public IProgress {
 public:
  // Takes the shapes and the label: the bar goes inside the track (one pixel in, the track's
  // height less one, width 0) and the position back to 0.
  void Attach(QWidget* bar, QWidget* track, QLabel* label);
  // The maximum, 100 for 0 or less; sets the pixels per step from the track's width.
  void SetMax(int max) override;
  // A position above the maximum empties the bar (position 0).
  void SetPosition(int position) override;
  [[nodiscard]] int GetPosition() override { return FPosition; }

  [[nodiscard]] int Max() const { return FMax; }
  [[nodiscard]] double Scale() const { return FScale; }

 private:
  QPointer<QWidget> FBar;
  QPointer<QWidget> FTrack;
  QPointer<QLabel> FHintLabel;
  int FTrackWidth = 150;
  int FMax = 100;
  int FPosition = 0;
  double FScale = 1.0;  // pixels per step
};

}  // namespace orvane
