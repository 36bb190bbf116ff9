#include "setup/ui/VqProgressBar.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QLabel>
#include <QTimer>
#include <memory>
#include <vector>

#include "setup/core/VqSkin.h"
#include "setup/ui/SkinPaint.h"
#include "setup/ui/VqShape.h"
#include "support/OffscreenApp.h"

namespace orvane {
namespace {

// An install page's bar: a track 9,346 of 200 by 9, the bar shape and the "0 %" label.
struct TBarPage {
  QWidget page;
  TvqShape* bar;
  TvqShape* track;
  QLabel* hint;

  explicit TBarPage(int trackWidth = 200, int top = 346) {
    page.resize(trackWidth + 20, top + 30);
    bar = new TvqShape(&page);  // made first, so Attach has to lift it over the track
    track = new TvqShape(&page);
    track->setGeometry(9, top, trackWidth, 9);
    hint = new QLabel("0 %", &page);
    hint->move(9, top - 20);
  }
  [[nodiscard]] int StackIndex(QWidget* w) const { return page.children().indexOf(w); }
};

class ProgressBarTest : public ::testing::Test {
 protected:
  void SetUp() override { vqtest::OffscreenApp(); }
};

// Attach lays the bar one pixel inside the track, empty and over it, and starts at position 0;
// the label keeps its text until the first position change.
TEST_F(ProgressBarTest, AttachPlacesTheBar) {
  TBarPage page;
  TvqProgressBar progress;
  progress.SetPosition(7);
  progress.Attach(page.bar, page.track, page.hint);
  EXPECT_EQ(page.bar->geometry(), QRect(10, 347, 0, 8));
  EXPECT_EQ(progress.GetPosition(), 0);
  EXPECT_GT(page.StackIndex(page.bar), page.StackIndex(page.track));
  EXPECT_EQ(page.hint->text(), "0 %");
}

struct MaxCase {
  int Max;
  int ExpectedMax;
  double Scale;
};

// SetMax: 0 or less means 100; the scale is the track width per step (150 before Attach).
TEST_F(ProgressBarTest, SetMax) {
  const std::vector<MaxCase> cases = {{4, 4, 50.0}, {0, 100, 2.0}, {-3, 100, 2.0}, {400, 400, 0.5}};
  for (const MaxCase& c : cases) {
    TBarPage page;
    TvqProgressBar progress;
    progress.Attach(page.bar, page.track, page.hint);
    progress.SetMax(c.Max);
    EXPECT_EQ(progress.Max(), c.ExpectedMax) << c.Max;
    EXPECT_DOUBLE_EQ(progress.Scale(), c.Scale) << c.Max;
  }
  TvqProgressBar detached;
  EXPECT_DOUBLE_EQ(detached.Scale(), 1.0);
  detached.SetMax(3);
  EXPECT_DOUBLE_EQ(detached.Scale(), 50.0);
}

struct PositionCase {
  int Max;
  int Position;
  int ExpectedPosition;
  int BarWidth;
};

// Positions to bar widths on a 200-pixel track: rounded to whole pixels, one short of the track
// when full, empty above the maximum, never negative.
TEST_F(ProgressBarTest, PositionsToWidths) {
  const std::vector<PositionCase> cases = {
      {4, 0, 0, 0},   {4, 1, 1, 50},    {4, 3, 3, 150}, {4, 4, 4, 199}, {4, 5, 0, 0},
      {3, 1, 1, 67},  {3, 2, 2, 133},   {0, 99, 99, 198}, {0, 100, 100, 199}, {0, 101, 0, 0},
      {7, -1, -1, 0},
  };
  for (const PositionCase& c : cases) {
    TBarPage page;
    TvqProgressBar progress;
    progress.Attach(page.bar, page.track, page.hint);
    progress.SetMax(c.Max);
    progress.SetPosition(c.Position);
    EXPECT_EQ(progress.GetPosition(), c.ExpectedPosition) << c.Max << "/" << c.Position;
    EXPECT_EQ(page.bar->width(), c.BarWidth) << c.Max << "/" << c.Position;
    EXPECT_EQ(page.bar->height(), 8);
  }
}

// A position change empties the label, stacks track, bar and label in that order, and processes
// pending events so the page can repaint inside a long step.
TEST_F(ProgressBarTest, PositionChangeEmptiesLabelAndPumps) {
  TBarPage page;
  TvqProgressBar progress;
  progress.Attach(page.bar, page.track, page.hint);
  page.hint->raise();
  page.track->raise();  // something else lifted the track over the bar
  bool pumped = false;
  QTimer::singleShot(0, [&] { pumped = true; });
  progress.SetPosition(1);
  EXPECT_TRUE(pumped);
  EXPECT_EQ(page.hint->text(), "");
  EXPECT_LT(page.StackIndex(page.track), page.StackIndex(page.bar));
  EXPECT_LT(page.StackIndex(page.bar), page.StackIndex(page.hint));
}

// The core moves the bar through its progress hand-off; shapes freed before the bar leave it
// keeping its numbers only.
TEST_F(ProgressBarTest, CoreHandOffAndFreedShapes) {
  TvqProgressBar progress;
  {
    TBarPage page;
    progress.Attach(page.bar, page.track, page.hint);
    SetProgress(&progress);
    GetProgress().SetMax(10);
    GetProgress().SetPosition(5);
    EXPECT_EQ(page.bar->width(), 100);
    EXPECT_EQ(GetProgress().GetPosition(), 5);
  }
  GetProgress().SetPosition(6);
  EXPECT_EQ(GetProgress().GetPosition(), 6);
  SetProgress(nullptr);
}

// Painting: the bar's brush fills its width inside the track, the track's brush the rest; a
// screenshot shows empty, half and full bars.
TEST_F(ProgressBarTest, PaintingAndScreenshot) {
  TvqSkin skin;
  QWidget sheet;
  sheet.resize(240, 150);
  SetColors(&sheet, 0x00FFFFFF, skin.Form_back);
  std::vector<std::unique_ptr<TvqProgressBar>> bars;
  const int positions[] = {0, 50, 100};
  for (int i = 0; i < 3; ++i) {
    auto* caption = new QLabel(QString("正在安装文件…… %1/100").arg(positions[i]), &sheet);
    caption->move(10, 10 + i * 45);
    auto* bar = new TvqShape(&sheet);
    bar->SetBrush(ToQColor(skin.Form_back));
    bar->SetPen(ToQColor(skin.Form_font));
    auto* track = new TvqShape(&sheet);
    track->SetBrush(QColor(0xE6, 0xE6, 0xE6));
    track->SetPen(QColor(0xB4, 0xB4, 0xB4));
    track->setGeometry(10, 30 + i * 45, 200, 9);
    auto* hint = new QLabel("0 %", &sheet);
    hint->move(215, 27 + i * 45);
    bars.push_back(std::make_unique<TvqProgressBar>());
    bars.back()->Attach(bar, track, hint);
    bars.back()->SetMax(100);
    bars.back()->SetPosition(positions[i]);
  }
  sheet.show();
  const QImage image = sheet.grab().toImage();
  const int halfRow = 30 + 45 + 4;
  EXPECT_EQ(image.pixelColor(10 + 1 + 50, halfRow), ToQColor(skin.Form_back));
  EXPECT_EQ(image.pixelColor(10 + 1 + 150, halfRow), QColor(0xE6, 0xE6, 0xE6));
  const int fullRow = 30 + 90 + 4;
  EXPECT_EQ(image.pixelColor(10 + 1 + 197, fullRow), ToQColor(skin.Form_back));
  const int emptyRow = 30 + 4;
  EXPECT_EQ(image.pixelColor(10 + 1 + 1, emptyRow), QColor(0xE6, 0xE6, 0xE6));
  EXPECT_FALSE(vqtest::SaveScreenshot(sheet, "setup_progress_bar").empty());
}

}  // namespace
}  // namespace orvane
