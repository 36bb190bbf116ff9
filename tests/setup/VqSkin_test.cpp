#include "setup/core/VqSkin.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/TextCodec.h"
#include "platform/WinPath.h"
#include "support/MachineRootFixture.h"
#include "support/TempDir.h"

namespace {

using orvane::TvqSkin;

// A new skin holds the whole "skyblue" set, the colours no window reads included.
TEST(VqSkinTest, StartsWithSkyblue) {
  const TvqSkin skin;
  EXPECT_EQ(skin.Form_back, 0x00CD8C04U);
  EXPECT_EQ(skin.Form_status, 0xFF00000FU);
  EXPECT_EQ(skin.Form_status_font, 0xFF000008U);
  EXPECT_EQ(skin.Menu_main_ex_defBack, 0x00FEF0CBU);
  EXPECT_EQ(skin.Menu_moveBack, 0x00FBB806U);
  EXPECT_EQ(skin.Button_exit_moveFont, 0x0000FFFFU);
  EXPECT_EQ(skin.Tab_defBack, 0x00E6E6E6U);
  EXPECT_EQ(skin.Tab_moveFont, 0xFF000008U);
}

// Preset names are compared whole and without case, each selecting its own row.
TEST(VqSkinTest, PresetsByName) {
  struct Case {
    const char* name;
    orvane::TColor formBack;
    orvane::TColor formFont;
    orvane::TColor buttonMoveFont;
  };
  const Case cases[] = {
      {"green", 0x00309413, 0x00FFFFFF, 0x00705620},     {"Blue", 0x00AD531C, 0x00FFFFFF, 0x00FFFFFF},
      {"purple", 0x00DC7A96, 0x00FFFFFF, 0x00FFFFFF},    {"BLACK", 0x00393026, 0x00FFFFFF, 0x00FFFFFF},
      {"coffee", 0x00363432, 0x00FFFFFF, 0x00FFFFFF},    {"depgreen", 0x00503804, 0x00FFFFFF, 0x00FFFFFF},
      {"deppurple", 0x003D2420, 0x00FFFFFF, 0x00FFFFFF}, {"rose", 0x00AD70D7, 0x00FFFFFF, 0x00FFFFFF},
      {"SkyBlue", 0x00CD8C04, 0x00FFFFFF, 0x00FFFFFF},   {"lowblue", 0x00CAAB4E, 0x00FFFFFF, 0x00D49C05},
      {"greenblue", 0x00BEC000, 0x00FFFFFF, 0x00FFFFFF}, {"skyblue2", 0x00ECB879, 0x00FFFFFF, 0x00D28734},
      {"orange", 0x001977CD, 0x0080FFFF, 0x00FFFFFF},    {"depred", 0x00400080, 0x00FFFFFF, 0x00FFFFFF},
      {"gray", 0x00777573, 0x00FFFFFF, 0xFFFFFFFF},
  };
  for (const Case& c : cases) {
    TvqSkin skin;
    skin.LoadSkin("green");
    ASSERT_TRUE(skin.LoadSkin(c.name)) << c.name;
    EXPECT_EQ(skin.Form_back, c.formBack) << c.name;
    EXPECT_EQ(skin.Form_font, c.formFont) << c.name;
    EXPECT_EQ(skin.Button_moveFont, c.buttonMoveFont) << c.name;
    EXPECT_EQ(skin.Tab_defBack, 0x00E6E6E6U) << c.name;
  }
  TvqSkin skin;
  ASSERT_TRUE(skin.LoadSkin("skyblue2"));
  EXPECT_EQ(skin.Button_selectedFont, 0xFF000008U);
  ASSERT_TRUE(skin.LoadSkin(""));
  EXPECT_EQ(skin.Form_back, 0x00CD8C04U);
}

// A name that is neither a preset nor a file keeps the colours.
TEST(VqSkinTest, UnknownNameKeepsColours) {
  vqtest::MachineRootFixture machine;  // a bare name is looked for in its Windows folder
  TvqSkin skin;
  ASSERT_TRUE(skin.LoadSkin("rose"));
  std::string error;
  EXPECT_FALSE(skin.LoadSkin("sky blue", &error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(skin.LoadSkin("/nonexistent/skin.ini"));
  EXPECT_EQ(skin.Form_back, 0x00AD70D7U);
}

// A skin file sets every colour: keys it lacks take the file defaults, not the colours before.
TEST(VqSkinTest, SkinFileWithDefaults) {
  vqtest::TempDir dir;
  const std::string file = dir.file("my.skin");
  vqtest::WriteFileBytes(
      file, platform::Utf8ToCp936("; 我的皮肤\r\n[VqSkin]\r\nButton_defBack=$00112233\r\nform_font = clRed\r\n"
                                  "Tab_moveFont=-16777208\r\nMenu_defBack=0x00445566\r\nTab_defBack=1193046\r\n"));
  TvqSkin skin;
  ASSERT_TRUE(skin.LoadSkin("gray"));
  ASSERT_TRUE(skin.LoadSkin(file));
  EXPECT_EQ(skin.Button_defBack, 0x00112233U);
  EXPECT_EQ(skin.Form_font, 0x000000FFU);
  EXPECT_EQ(skin.Tab_moveFont, 0xFF000008U);
  EXPECT_EQ(skin.Menu_defBack, 0x00445566U);
  EXPECT_EQ(skin.Tab_defBack, 0x00123456U);
  EXPECT_EQ(skin.Form_back, 0x00AD531CU);
  EXPECT_EQ(skin.Form_status, 0xFF00000FU);
  EXPECT_EQ(skin.Button_moveFont, 0x00BF6336U);
  EXPECT_EQ(skin.Button_exit_moveFont, 0x004965E1U);
  EXPECT_EQ(skin.Tab_selectedBack, 0x00FFFFFFU);
}

// A value that is not a colour refuses the whole file, naming the key; the colours stay.
TEST(VqSkinTest, BadSkinFileChangesNothing) {
  vqtest::TempDir dir;
  const std::string file = dir.file("bad.ini");
  vqtest::WriteFileBytes(file, "[VqSkin]\r\nForm_back=$00000001\r\nButton_moveBack=blue-ish\r\n");
  TvqSkin skin;
  ASSERT_TRUE(skin.LoadSkin("orange"));
  std::string error;
  EXPECT_FALSE(skin.LoadSkinFile(file, &error));
  EXPECT_NE(error.find("Button_moveBack"), std::string::npos) << error;
  EXPECT_EQ(skin.Form_back, 0x001977CDU);
  EXPECT_EQ(skin.Button_moveBack, 0x0000F7F7U);
}

// A skin file named without a folder is the Windows folder's file, for the existence check as
// for the reading: one in the current folder is never taken for it.
TEST(VqSkinTest, BareSkinNameIsTheWindowsFoldersFile) {
  vqtest::MachineRootFixture machine;
  vqtest::TempDir cwd;
  const std::filesystem::path saved = std::filesystem::current_path();
  std::filesystem::current_path(cwd.path());
  vqtest::WriteFileBytes(cwd.file("mine.ini"), "[VqSkin]\r\nForm_back=$00000001\r\n");
  TvqSkin skin;
  ASSERT_TRUE(skin.LoadSkin("rose"));
  std::string error;
  const bool loadedFromCwd = skin.LoadSkin("mine.ini", &error);
  const orvane::TColor backAfterCwd = skin.Form_back;
  vqtest::WriteFileBytes(platform::HostPath("C:\\Windows\\mine.ini"), "[VqSkin]\r\nForm_back=$00000002\r\n");
  const bool loadedFromWindows = skin.LoadSkin("mine.ini");
  std::filesystem::current_path(saved);
  EXPECT_FALSE(loadedFromCwd);
  EXPECT_EQ(error, "skin not found: C:\\Windows\\mine.ini");
  EXPECT_EQ(backAfterCwd, 0x00AD70D7U);
  EXPECT_TRUE(loadedFromWindows);
  EXPECT_EQ(skin.Form_back, 0x00000002U);
}

}  // namespace
