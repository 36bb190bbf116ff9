#include "setup/core/SkinColor.h"

#include <array>
#include <charconv>
#include <cstdint>

#include "platform/TextCodec.h"

namespace orvane {
namespace {

constexpr TColor kSystemFlag = 0x80000000U;
constexpr TColor Sys(unsigned index) { return 0xFF000000U | index; }

// Windows 10's default system colours, as $00BBGGRR, by index.
constexpr std::array<TColor, 31> kSystemColors = {
    0x00C8C8C8,  // 0 scroll bar
    0x00000000,  // 1 background
    0x00D1B499,  // 2 active caption
    0x00DBCDBF,  // 3 inactive caption
    0x00F0F0F0,  // 4 menu
    0x00FFFFFF,  // 5 window
    0x00646464,  // 6 window frame
    0x00000000,  // 7 menu text
    0x00000000,  // 8 window text
    0x00000000,  // 9 caption text
    0x00B4B4B4,  // 10 active border
    0x00FCF7F4,  // 11 inactive border
    0x00ABABAB,  // 12 application workspace
    0x00D77800,  // 13 highlight
    0x00FFFFFF,  // 14 highlight text
    0x00F0F0F0,  // 15 button face
    0x00A0A0A0,  // 16 button shadow
    0x006D6D6D,  // 17 grey text
    0x00000000,  // 18 button text
    0x00000000,  // 19 inactive caption text
    0x00FFFFFF,  // 20 button highlight
    0x00696969,  // 21 3D dark shadow
    0x00E3E3E3,  // 22 3D light
    0x00000000,  // 23 info text
    0x00E1FFFF,  // 24 info background
    0x00000000,  // 25 unused
    0x00CC6600,  // 26 hot light
    0x00EAD1B9,  // 27 gradient active caption
    0x00F2E4D7,  // 28 gradient inactive caption
    0x00D77800,  // 29 menu highlight
    0x00F0F0F0,  // 30 menu bar
};

struct TNamedColor {
  std::string_view name;
  TColor color;
};

constexpr TNamedColor kNames[] = {
    {"clBlack", 0x000000},     {"clMaroon", 0x000080},    {"clGreen", 0x008000},
    {"clOlive", 0x008080},     {"clNavy", 0x800000},      {"clPurple", 0x800080},
    {"clTeal", 0x808000},      {"clGray", 0x808080},      {"clSilver", 0xC0C0C0},
    {"clRed", 0x0000FF},       {"clLime", 0x00FF00},      {"clYellow", 0x00FFFF},
    {"clBlue", 0xFF0000},      {"clFuchsia", 0xFF00FF},   {"clAqua", 0xFFFF00},
    {"clWhite", 0xFFFFFF},     {"clScrollBar", Sys(0)},   {"clBackground", Sys(1)},
    {"clActiveCaption", Sys(2)}, {"clInactiveCaption", Sys(3)}, {"clMenu", Sys(4)},
    {"clWindow", Sys(5)},      {"clWindowFrame", Sys(6)}, {"clMenuText", Sys(7)},
    {"clWindowText", Sys(8)},  {"clCaptionText", Sys(9)}, {"clActiveBorder", Sys(10)},
    {"clInactiveBorder", Sys(11)}, {"clAppWorkSpace", Sys(12)}, {"clHighlight", Sys(13)},
    {"clHighlightText", Sys(14)}, {"clBtnFace", Sys(15)}, {"clBtnShadow", Sys(16)},
    {"clGrayText", Sys(17)},   {"clBtnText", Sys(18)},    {"clInactiveCaptionText", Sys(19)},
    {"clBtnHighlight", Sys(20)}, {"cl3DDkShadow", Sys(21)}, {"cl3DLight", Sys(22)},
    {"clInfoText", Sys(23)},   {"clInfoBk", Sys(24)},     {"clHotLight", Sys(26)},
    {"clGradientActiveCaption", Sys(27)}, {"clGradientInactiveCaption", Sys(28)},
    {"clMenuHighlight", Sys(29)}, {"clMenuBar", Sys(30)},
};

std::optional<TColor> ParseHex(std::string_view digits) {
  if (digits.empty() || digits.size() > 8) return std::nullopt;
  std::uint32_t v = 0;
  const auto r = std::from_chars(digits.data(), digits.data() + digits.size(), v, 16);
  if (r.ec != std::errc() || r.ptr != digits.data() + digits.size()) return std::nullopt;
  return v;
}

std::optional<TColor> ParseDecimal(std::string_view text) {
  if (!text.empty() && text[0] == '+') text.remove_prefix(1);
  if (text.empty() || text[0] == '+') return std::nullopt;
  std::int64_t v = 0;
  const auto r = std::from_chars(text.data(), text.data() + text.size(), v, 10);
  if (r.ec != std::errc() || r.ptr != text.data() + text.size()) return std::nullopt;
  if (v < INT32_MIN || v > UINT32_MAX) return std::nullopt;
  return static_cast<TColor>(static_cast<std::uint32_t>(v));
}

// Wide, so that any amount moves a component without overflowing.
int Clip(long long v) { return v < 0 ? 0 : (v > 255 ? 255 : static_cast<int>(v)); }

// Index of the component that stays: the first equal to `edge`, else the one strictly beyond
// both others in `better`'s sense, else blue.
template <typename Better>
int KeptComponent(const int (&c)[3], int edge, Better better) {
  for (int i = 0; i < 3; ++i)
    if (c[i] == edge) return i;
  if (better(c[0], c[1]) && better(c[0], c[2])) return 0;
  if (better(c[1], c[0]) && better(c[1], c[2])) return 1;
  return 2;
}

}  // namespace

std::optional<TColor> StringToColor(std::string_view text) {
  for (const TNamedColor& n : kNames)
    if (platform::SameText(n.name, text)) return n.color;
  if (!text.empty() && text[0] == '$') return ParseHex(text.substr(1));
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) return ParseHex(text.substr(2));
  return ParseDecimal(text);
}

TColor ColorToRGB(TColor color) {
  if ((color & kSystemFlag) == 0) return color & 0x00FFFFFF;
  const TColor index = color & 0xFF;
  return index < kSystemColors.size() ? kSystemColors[index] : 0;
}

TColor AdjustColor(TColor color, int amount) {
  if (amount == 0) return color;
  const TColor rgb = ColorToRGB(color);
  int c[3] = {static_cast<int>(rgb & 0xFF), static_cast<int>((rgb >> 8) & 0xFF), static_cast<int>((rgb >> 16) & 0xFF)};
  const int kept = amount > 0 ? KeptComponent(c, 255, [](int a, int b) { return a > b; })
                              : KeptComponent(c, 0, [](int a, int b) { return a < b; });
  for (int i = 0; i < 3; ++i)
    if (i != kept) c[i] = Clip(static_cast<long long>(c[i]) + amount);
  return static_cast<TColor>(c[0]) | (static_cast<TColor>(c[1]) << 8) | (static_cast<TColor>(c[2]) << 16);
}

}  // namespace orvane
