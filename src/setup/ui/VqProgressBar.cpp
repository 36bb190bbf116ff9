// The install page's progress bar.
#include "setup/ui/VqProgressBar.h"

#include <QCoreApplication>
#include <QLabel>
#include <QThread>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace orvane {

void TvqProgressBar::Attach(QWidget* bar, QWidget* track, QLabel* label) {
  FTrack = track;
  FTrack->raise();
  FBar = bar;
  FBar->raise();
  FHintLabel = label;
  FTrackWidth = track->width();
  FPosition = 0;
  FBar->setGeometry(track->x() + 1, track->y() + 1, 0, track->height() - 1);
}

void TvqProgressBar::SetMax(int max) {
  FMax = max > 0 ? max : 100;
  FScale = static_cast<double>(FTrackWidth) / FMax;
}

void TvqProgressBar::SetPosition(int position) {
  FPosition = position > FMax ? 0 : position;
  if (FHintLabel) FHintLabel->clear();
  if (FTrack) FTrack->raise();
  if (FBar) FBar->raise();
  if (FHintLabel) FHintLabel->raise();
  if (FBar) {
    int width = static_cast<int>(std::nearbyint(FPosition * FScale));
    if (FTrack && width >= FTrack->width()) width -= 1;
    FBar->resize(std::max(width, 0), FBar->height());
  }
  QCoreApplication* app = QCoreApplication::instance();
  if (app != nullptr && QThread::currentThread() == app->thread()) QCoreApplication::processEvents();
}

}  // namespace orvane
