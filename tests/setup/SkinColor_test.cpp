#include "setup/core/SkinColor.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

using orvane::TColor;

// The lightening and darkening examples, and what system colours resolve to first.
TEST(SkinColorTest, AdjustColor) {
  struct Case {
    TColor color;
    int amount;
    TColor expected;
  };
  const Case cases[] = {
      {0x00CD8C04, 20, 0x00CDA018},
      {0x00CD8C04, -100, 0x00692804},
      {0x00FFFFFF, -100, 0x00FF9B9B},
      {0x00808080, 20, 0x00809494},
      {0x00FFFFFF, 20, 0x00FFFFFF},
      {0x00CD8C04, 0, 0x00CD8C04},
      {0xFF00000F, 0, 0xFF00000F},    // amount 0 keeps a system colour as it is
      {0xFF00000F, 20, 0x00F0FFFF},   // button face F0F0F0 resolved, then lightened
      {0xFF000008, 30, 0x00001E1E},   // window text is black
      {0x00000000, -10, 0x00000000},  // red is 0: it stays, the others clip at 0
      {0x0000FF10, 5, 0x0005FF15},    // green is 255: it stays
      {0x00102030, -40, 0x00100008},  // blue is smallest: it stays
      {0x00102030, 20, 0x00243430},   // red is greatest: it stays
      {0x00105010, 20, 0x00245024},   // green is greatest: it stays
      {0x00FFFFFF, 0x7FFFFFFF, 0x00FFFFFF},
      {0x00000000, -0x7FFFFFFF, 0x00000000},
  };
  for (const Case& c : cases)
    EXPECT_EQ(orvane::AdjustColor(c.color, c.amount), c.expected) << std::hex << c.color << " " << std::dec << c.amount;
}

// System colours come from the fixed table; an index outside it is black instead of a read past
// the table (the gray preset carries $FFFFFFFF).
TEST(SkinColorTest, SystemColorsAreBoundsChecked) {
  struct Case {
    TColor color;
    TColor rgb;
  };
  const Case cases[] = {
      {0xFF000008, 0x000000}, {0xFF00000F, 0xF0F0F0}, {0xFF000005, 0xFFFFFF}, {0xFF00001E, 0xF0F0F0},
      {0xFF00001F, 0x000000}, {0xFF0000FF, 0x000000}, {0xFFFFFFFF, 0x000000}, {0x80000005, 0xFFFFFF},
      {0x00123456, 0x123456}, {0x1F123456, 0x123456},
  };
  for (const Case& c : cases) EXPECT_EQ(orvane::ColorToRGB(c.color), c.rgb) << std::hex << c.color;
  EXPECT_EQ(orvane::AdjustColor(0xFFFFFFFF, 20), 0x00001414U);
}

// Colour texts: names of the standard table without case, "$" and "0x" hexadecimal, decimal.
TEST(SkinColorTest, StringToColor) {
  struct Case {
    std::string text;
    std::optional<TColor> color;
  };
  const Case cases[] = {
      {"clWhite", 0x00FFFFFF},    {"CLWHITE", 0x00FFFFFF},     {"clBtnFace", 0xFF00000F},
      {"clWindowText", 0xFF000008}, {"clRed", 0x000000FF},     {"$00AD531C", 0x00AD531C},
      {"$ad531c", 0x00AD531C},    {"$FF000008", 0xFF000008},   {"0xFF", 0x000000FF},
      {"255", 0x000000FF},        {"-16777208", 0xFF000008},   {"+1", 0x00000001},
      {"4294967295", 0xFFFFFFFF}, {"4294967296", std::nullopt}, {"$123456789", std::nullopt},
      {"", std::nullopt},         {"$", std::nullopt},         {"clNoSuchColour", std::nullopt},
      {"12px", std::nullopt},     {" 255", std::nullopt},      {"$-1", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(orvane::StringToColor(c.text), c.color) << c.text;
}

}  // namespace
