// What the main window's header shows as the user sees it: the header texts on the header
// picture, and the start/stop button while it is busy.
#include <QImage>
#include <QtTest/QTest>

#include <algorithm>
#include <cmath>

#include "foundation/ui/VqSkinUtil.h"
#include "shell/MainFixture.h"

namespace tessaly {
namespace {

class MainLooks : public MainFixture {
 protected:
  void SetUp() override {
    MainFixture::SetUp();
    Skin.LoadSkin("skyblue");  // the program body's set
  }
  void TearDown() override {
    Skin.LoadSkin("");
    MainFixture::TearDown();
  }
};

double Luminance(const QColor& c) {
  const auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
  return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

double Contrast(const QColor& a, const QColor& b) {
  const double la = Luminance(a);
  const double lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// Each header text (the VIP marker in the skin's hint colour, the others white) reads at 3:1
// or better on every pixel of the header picture beneath it, and is drawn in that colour.
TEST_F(MainLooks, HeaderTextsReadOnTheHeaderPicture) {
  AppVar->SvrVIPConnOK.v(true);
  AppVar->SoftVerName = "演示门店系统";
  AppVar->SoftId.v(5);
  NewMain();
  ASSERT_EQ(Text(main->lblVIPState), "VIP");
  const QImage picture = main->imgHead->grab().toImage();
  const QImage header = main->pnlHead->grab().toImage();
  EXPECT_FALSE(vqtest::SaveScreenshot(*main->pnlHead, "main_header_vip").empty());
  for (QLabel* label : {main->lblTitle, main->lblSoftVer, main->lblLogin, main->lblVIPState}) {
    SCOPED_TRACE(label->objectName().toStdString());
    const QColor text = label->palette().color(QPalette::Active, QPalette::WindowText);
    const QRect area = label->geometry() & main->imgHead->geometry();
    ASSERT_FALSE(area.isEmpty());
    double worst = 100;
    bool textDrawn = false;
    for (int y = area.top(); y <= area.bottom(); ++y) {
      for (int x = area.left(); x <= area.right(); ++x) {
        worst = std::min(worst, Contrast(text, picture.pixelColor(x, y)));
        textDrawn = textDrawn || header.pixelColor(x, y) == text;
      }
    }
    EXPECT_GE(worst, 3.0);
    EXPECT_TRUE(textDrawn);
  }
  EXPECT_EQ(main->lblVIPState->palette().color(QPalette::WindowText), ToQColor(Skin.form_hint_font));
}

// The start/stop button clicked with the pointer resting on it shows no hover while it is
// disabled ("启动中...", "停止中..."), and the hover again once it is enabled under the pointer.
TEST_F(MainLooks, BusyServerButtonShowsNoHover) {
  NewMain();
  AppVar->BranchNo.v("10001");
  AppVar->DBDistributed = 0;
  TVqLabel* button = main->btnServer;
  const auto back = [&] { return main->grab(button->geometry()).toImage().pixelColor(2, 2); };
  QTest::mouseMove(main.get(), QPoint(20, 300));
  QTest::mouseMove(button, button->rect().center());
  EXPECT_EQ(back(), ToQColor(Skin.button_moveback));

  QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
  ASSERT_EQ(Text(button), "启动中...");
  EXPECT_FALSE(button->isEnabled());
  EXPECT_EQ(back(), ToQColor(Skin.button_defback));
  EXPECT_FALSE(vqtest::SaveScreenshot(*main->pnlHead, "main_button_starting").empty());

  Poll(TUploadState::Running);
  ASSERT_EQ(Text(button), "停止服务");
  EXPECT_EQ(back(), ToQColor(Skin.button_moveback));
  QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
  ASSERT_EQ(Text(button), "停止中...");
  EXPECT_EQ(back(), ToQColor(Skin.button_defback));
  EXPECT_FALSE(vqtest::SaveScreenshot(*main->pnlHead, "main_button_stopping").empty());
  Poll(TUploadState::Stopped);
}

}  // namespace
}  // namespace tessaly
