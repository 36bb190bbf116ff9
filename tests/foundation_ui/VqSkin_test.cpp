#include "foundation/ui/VqSkinUtil.h"

#include <gtest/gtest.h>

#include <QColor>
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "foundation/Logger.h"
#include "foundation/VqLibUtil.h"
#include "support/CapturedLogView.h"
#include "support/MachineRootFixture.h"
#include "support/TempDir.h"

namespace tessaly {
namespace {

using Fields = std::array<TColor, 13>;  // form_back .. button_exit_movefont, form_font_size aside

Fields ColorsOf(const TVqSkin& s) {
  return {s.form_back,          s.form_font,           s.form_hint_font,       s.form_spec_font,
          s.button_defback,     s.button_deffont,      s.button_moveback,      s.button_movefont,
          s.button_exit_defback, s.button_exit_deffont, s.button_exit_moveback, s.button_exit_movefont,
          s.form_style};
}

struct SetCase {
  const char* Name;
  Fields Expected;  // colours in field order, then form_style
};

// Each built-in set, chosen by any spelling of its name, gives exactly its table of values.
TEST(VqSkin, BuiltInSetsByNameWithoutCase) {
  const std::vector<SetCase> cases = {
      {"meituan", {0xFFFFFF, 0x000000, 0xB6C63D, 0x0080FF, 0xAABA36, 0xFFFFFF, 0xB6C63D, 0xFFFFFF, 0x0080FF,
                   0x00FFFF, 0x0060FF, 0xFFFFFF, 0}},
      {"YellowGreen", {0xFFFFFF, 0x000000, 0xA7B665, 0x7C0971, 0x4FB98C, 0xFFFFFF, 0x67C29B, 0xFFFFFF, 0x033CFE,
                       0x00FFFF, 0x3060FE, 0xFFFFFF, 0}},
      {"SKYBLUE", {0xFFFFFF, 0x000000, 0xB6C63D, 0x076DEB, 0xFE8F3F, 0xFFFFFF, 0x996733, 0xFFFFFF, 0x2B22EE,
                   0x00FFFF, 0x6E4CFE, 0x00FFFF, 0}},
      {"quenblueskin", {0xFFFFFF, 0x000000, 0xB6C63D, 0x076DEB, 0xDE8F18, 0xFFFFFF, 0xE9A338, 0xFFFFFF, 0x156FF4,
                        0xFFFFFF, 0x488CF7, 0x00FFFF, 0}},
      {"blackwhite", {0x000000, 0xFFFFFF, 0xEDE2D6, 0x0080FF, 0x000000, 0xFFFFFF, 0xEDE2D6, 0x000000, 0x000000,
                      0x0080FF, 0xEDE2D6, 0x0080FF, 1}},
  };
  for (const auto& c : cases) {
    TVqSkin skin("blackwhite");
    skin.LoadSkin("skyblue");
    skin.LoadSkin(c.Name);
    EXPECT_EQ(ColorsOf(skin), c.Expected) << c.Name;
    EXPECT_EQ(skin.form_font_size, 11) << c.Name;
    EXPECT_EQ(skin.form_font_name, "微软雅黑") << c.Name;
    EXPECT_EQ(skin.CurSkinName(), c.Name);
    EXPECT_EQ(skin.DefSkinName(), "blackwhite");
  }
}

// An empty name and a name that is neither a set nor a file fall back to "meituan"; so does the
// global skin before anyone loads another set.
TEST(VqSkin, UnknownNamesFallBackToMeituan) {
  vqtest::MachineRootFixture machine;
  TVqSkin meituan("meituan");
  for (const char* name : {"", "nosuchskin", "nosuch.ini", "C:\\skins\\none.ini"}) {
    TVqSkin skin("blackwhite");
    skin.LoadSkin(name);
    EXPECT_EQ(ColorsOf(skin), ColorsOf(meituan)) << name;
  }
  EXPECT_EQ(ColorsOf(Skin), ColorsOf(meituan));
}

class VqSkinFile : public ::testing::Test {
 protected:
  void SetUp() override {
    logger = std::make_unique<TLogger>();
    logger->SetEnabled(true);
    logView = std::make_shared<vqtest::CapturedLogView>();
    logger->SetLogShower(logView);
    Logger.store(logger.get());
  }
  void TearDown() override { Logger.store(nullptr); }

  void WriteSkin(const std::string& name, const std::string& body) const {
    vqtest::WriteFileBytes(machine.programDir() + name, "[VqSkin]\r\n" + body);
  }

  vqtest::MachineRootFixture machine;
  std::unique_ptr<TLogger> logger;
  std::shared_ptr<vqtest::CapturedLogView> logView;
};

// A bare file name is read from the program folder; missing keys take the file defaults, which
// differ from "meituan" in the two exit text colours.
TEST_F(VqSkinFile, MissingKeysTakeFileDefaults) {
  WriteSkin("blue.ini", "form_back=$00FF0000\r\n");
  TVqSkin skin;
  skin.LoadSkin("blue.ini");
  EXPECT_EQ(skin.form_back, 0xFF0000);
  EXPECT_EQ(skin.form_font, 0x000000);
  EXPECT_EQ(skin.button_exit_deffont, 0xFFFFFF);
  EXPECT_EQ(skin.button_exit_movefont, 0x00FFFF);
  EXPECT_EQ(skin.button_defback, 0xAABA36);
  EXPECT_EQ(skin.form_style, 0);
  EXPECT_EQ(skin.form_font_size, 11);
  EXPECT_EQ(ToQColor(skin.form_back), QColor(0, 0, 255));
}

// A file given by its Windows path is read as well, fonts included.
TEST_F(VqSkinFile, WindowsPathAndFont) {
  WriteSkin("dark.ini", "form_font_size=14\r\nform_font_name=宋体\r\nbutton_defback=clNavy\r\n");
  TVqSkin skin;
  skin.LoadSkin("C:\\Program Files\\Tool\\dark.ini");
  EXPECT_EQ(skin.form_font_size, 14);
  EXPECT_EQ(skin.form_font_name, "宋体");
  EXPECT_EQ(skin.button_defback, 0x800000);
}

struct ColorCase {
  const char* Text;
  std::optional<TColor> Expected;
};

// Colour texts: constant names in any case, decimal and "$" hexadecimal numbers; anything else
// is no colour.
TEST(VqSkin, ColourTexts) {
  const std::vector<ColorCase> cases = {
      {"clWhite", 0xFFFFFF},   {"CLYELLOW", 0x00FFFF},   {"clred", 0x0000FF},      {"clBtnFace", TColor(0xFF00000F)},
      {"255", 255},            {"$00FF0000", 0xFF0000},  {"$ff", 0xFF},            {"0x10", 16},
      {"-1", -1},              {"$FFFFFFFF", -1},        {"2147483647", 0x7FFFFFFF}, {"2147483648", std::nullopt},
      {"$100000000", std::nullopt}, {"blue", std::nullopt}, {"", std::nullopt},     {"$", std::nullopt},
      {"12a", std::nullopt},   {"$GG", std::nullopt},    {"clWhitey", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(StringToColor(c.Text), c.Expected) << c.Text;
}

// A bad colour text keeps that key's file default, is logged, and the keys after it are still
// read; nothing leaves LoadSkin.
TEST_F(VqSkinFile, BadColourKeepsFileDefault) {
  WriteSkin("bad.ini",
            "form_back=purple\r\nform_font=$00123456\r\nbutton_defback=$XYZ\r\nbutton_exit_movefont=clLime\r\n");
  TVqSkin skin;
  ASSERT_NO_THROW(skin.LoadSkin("bad.ini"));
  EXPECT_EQ(skin.form_back, 0xFFFFFF);
  EXPECT_EQ(skin.form_font, 0x123456);
  EXPECT_EQ(skin.button_defback, 0xAABA36);
  EXPECT_EQ(skin.button_exit_movefont, 0x00FF00);
  EXPECT_EQ(logView->Count("form_back颜色无效：purple"), 1u);
  EXPECT_EQ(logView->Count("button_defback颜色无效：$XYZ"), 1u);
}

}  // namespace
}  // namespace tessaly
