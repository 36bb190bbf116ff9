// The dialogs' skin: built-in sets and skin files.
#include "foundation/ui/VqSkinUtil.h"

#include <QApplication>
#include <QColor>
#include <QPalette>
#include <array>
#include <cctype>
#include <cstdint>
#include <filesystem>
#include <string_view>

#include "foundation/VqLibUtil.h"
#include "platform/WinPath.h"

namespace tessaly {

TVqSkin Skin;

namespace {

struct TColorName {
  const char* Name;
  TColor Value;
};

constexpr TColor kSystemColor = static_cast<TColor>(0xFF000000u);

// The standard colour constants, plain and system ones.
constexpr std::array<TColorName, 54> kColorNames{{
    {"clBlack", 0x000000},
    {"clMaroon", 0x000080},
    {"clGreen", 0x008000},
    {"clOlive", 0x008080},
    {"clNavy", 0x800000},
    {"clPurple", 0x800080},
    {"clTeal", 0x808000},
    {"clGray", 0x808080},
    {"clSilver", 0xC0C0C0},
    {"clRed", 0x0000FF},
    {"clLime", 0x00FF00},
    {"clYellow", 0x00FFFF},
    {"clBlue", 0xFF0000},
    {"clFuchsia", 0xFF00FF},
    {"clAqua", 0xFFFF00},
    {"clLtGray", 0xC0C0C0},
    {"clDkGray", 0x808080},
    {"clWhite", 0xFFFFFF},
    {"clMoneyGreen", 0xC0DCC0},
    {"clSkyBlue", 0xF0CAA6},
    {"clCream", 0xF0FBFF},
    {"clMedGray", 0xA4A0A0},
    {"clNone", 0x1FFFFFFF},
    {"clDefault", 0x20000000},
    {"clScrollBar", kSystemColor | 0},
    {"clBackground", kSystemColor | 1},
    {"clActiveCaption", kSystemColor | 2},
    {"clInactiveCaption", kSystemColor | 3},
    {"clMenu", kSystemColor | 4},
    {"clWindow", kSystemColor | 5},
    {"clWindowFrame", kSystemColor | 6},
    {"clMenuText", kSystemColor | 7},
    {"clWindowText", kSystemColor | 8},
    {"clCaptionText", kSystemColor | 9},
    {"clActiveBorder", kSystemColor | 10},
    {"clInactiveBorder", kSystemColor | 11},
    {"clAppWorkSpace", kSystemColor | 12},
    {"clHighlight", kSystemColor | 13},
    {"clHighlightText", kSystemColor | 14},
    {"clBtnFace", kSystemColor | 15},
    {"clBtnShadow", kSystemColor | 16},
    {"clGrayText", kSystemColor | 17},
    {"clBtnText", kSystemColor | 18},
    {"clInactiveCaptionText", kSystemColor | 19},
    {"clBtnHighlight", kSystemColor | 20},
    {"cl3DDkShadow", kSystemColor | 21},
    {"cl3DLight", kSystemColor | 22},
    {"clInfoText", kSystemColor | 23},
    {"clInfoBk", kSystemColor | 24},
    {"clHotLight", kSystemColor | 26},
    {"clGradientActiveCaption", kSystemColor | 27},
    {"clGradientInactiveCaption", kSystemColor | 28},
    {"clMenuHighlight", kSystemColor | 29},
    {"clMenuBar", kSystemColor | 30},
}};

bool SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

// A whole-text integer: optional blanks and sign, then decimal digits, or hex digits after "$",
// "0x" or "x". Hex may use all 32 bits; decimal must fit a signed 32-bit number.
std::optional<TColor> ParseInteger(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  bool negative = false;
  if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  int base = 10;
  if (!s.empty() && s.front() == '$') {
    base = 16;
    s.remove_prefix(1);
  } else if (s.size() > 1 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    base = 16;
    s.remove_prefix(2);
  } else if (!s.empty() && (s.front() == 'x' || s.front() == 'X')) {
    base = 16;
    s.remove_prefix(1);
  }
  if (s.empty()) return std::nullopt;
  std::uint64_t value = 0;
  for (const char c : s) {
    int digit = -1;
    if (c >= '0' && c <= '9') digit = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    if (digit < 0) return std::nullopt;
    value = value * base + digit;
    if (value > 0xFFFFFFFFull) return std::nullopt;
  }
  if (base == 10 && value > (negative ? 0x80000000ull : 0x7FFFFFFFull)) return std::nullopt;
  const auto bits = static_cast<std::uint32_t>(value);
  return static_cast<TColor>(negative ? 0u - bits : bits);
}

// The palette role standing for a system colour index.
QPalette::ColorRole SystemRole(int aIndex) {
  switch (aIndex) {
    case 5: return QPalette::Base;
    case 7: case 8: case 23: return QPalette::Text;
    case 9: case 14: return QPalette::HighlightedText;
    case 13: case 29: return QPalette::Highlight;
    case 16: case 21: return QPalette::Dark;
    case 17: return QPalette::PlaceholderText;
    case 18: return QPalette::ButtonText;
    case 20: case 22: return QPalette::Light;
    case 24: return QPalette::ToolTipBase;
    case 26: return QPalette::Link;
    default: return QPalette::Button;
  }
}

}  // namespace

std::optional<TColor> StringToColor(const std::string& aText) {
  for (const auto& c : kColorNames)
    if (SameText(aText, c.Name)) return c.Value;
  return ParseInteger(aText);
}

QColor ToQColor(TColor aColor) {
  const auto bits = static_cast<std::uint32_t>(aColor);
  if ((bits & 0xFF000000u) == 0xFF000000u) return QApplication::palette().color(SystemRole(bits & 0xFF));
  if (bits & 0xFF000000u) return QColor(Qt::transparent);  // clNone, clDefault
  return QColor(bits & 0xFF, (bits >> 8) & 0xFF, (bits >> 16) & 0xFF);
}

TVqSkin::TVqSkin(const std::string& aDefSkinName) : FDefSkinName(aDefSkinName) { LoadSkin(aDefSkinName); }

void TVqSkin::LoadSkin(const std::string& aSkinName) {
  FCurSkinName = aSkinName;
  if (SameText(aSkinName, "meituan")) ApplySkinMeituan();
  else if (SameText(aSkinName, "yellowgreen")) ApplySkinYellowGreen();
  else if (SameText(aSkinName, "skyblue")) ApplySkinSkyBlue();
  else if (SameText(aSkinName, "blackwhite")) ApplySkinBlackWhite();
  else if (SameText(aSkinName, "QuenBlueSkin")) ApplySkinQuenBlue();
  else {
    ApplySkinMeituan();
    LoadSkinFile(aSkinName);
  }
}

void TVqSkin::LoadSkinFile(const std::string& aFileName) {
  if (aFileName.empty()) return;
  const std::string file = aFileName.find_first_of("/\\:") == std::string::npos
                               ? TvqLib::GetCurrPath() + aFileName
                               : aFileName;
  std::error_code ec;
  if (!std::filesystem::is_regular_file(platform::HostPath(file), ec)) return;
  form_back = ReadColor(file, "form_back", "clWhite");
  form_font = ReadColor(file, "form_font", "clBlack");
  const auto size = ParseInteger(TvqLib::IniRead("VqSkin", "form_font_size", 11, file));
  form_font_size = size ? *size : 11;
  form_font_name = TvqLib::IniRead("VqSkin", "form_font_name", "微软雅黑", file);
  form_hint_font = ReadColor(file, "form_hint_font", "$00B6C63D");
  form_spec_font = ReadColor(file, "form_spec_font", "$000080FF");
  button_defback = ReadColor(file, "button_defback", "$00AABA36");
  button_deffont = ReadColor(file, "button_deffont", "clWhite");
  button_moveback = ReadColor(file, "button_moveback", "$00B6C63D");
  button_movefont = ReadColor(file, "button_movefont", "clWhite");
  button_exit_defback = ReadColor(file, "button_exit_defback", "$000080FF");
  button_exit_deffont = ReadColor(file, "button_exit_deffont", "clWhite");
  button_exit_moveback = ReadColor(file, "button_exit_moveback", "$000060FF");
  button_exit_movefont = ReadColor(file, "button_exit_movefont", "clYellow");
}

TColor TVqSkin::ReadColor(const std::string& aIniFile, const char* aKey, const char* aDefault) const {
  const std::string text = TvqLib::IniRead("VqSkin", aKey, aDefault, aIniFile);
  if (const auto color = StringToColor(text)) return *color;
  TvqLib::Log("皮肤文件" + aIniFile + "的" + aKey + "颜色无效：" + text, true);
  return *StringToColor(aDefault);
}

void TVqSkin::ApplySet(const TSkinSet& aSet) {
  form_style = aSet.Style;
  form_back = aSet.Back;
  form_font = aSet.Font;
  form_font_size = 11;
  form_font_name = "微软雅黑";
  form_hint_font = aSet.HintFont;
  form_spec_font = aSet.SpecFont;
  button_defback = aSet.ButtonDefBack;
  button_deffont = aSet.ButtonDefFont;
  button_moveback = aSet.ButtonMoveBack;
  button_movefont = aSet.ButtonMoveFont;
  button_exit_defback = aSet.ExitDefBack;
  button_exit_deffont = aSet.ExitDefFont;
  button_exit_moveback = aSet.ExitMoveBack;
  button_exit_movefont = aSet.ExitMoveFont;
}

void TVqSkin::ApplySkinMeituan() {
  ApplySet({0, 0x00FFFFFF, 0x00000000, 0x00B6C63D, 0x000080FF, 0x00AABA36, 0x00FFFFFF, 0x00B6C63D, 0x00FFFFFF,
            0x000080FF, 0x0000FFFF, 0x000060FF, 0x00FFFFFF});
}

void TVqSkin::ApplySkinYellowGreen() {
  ApplySet({0, 0x00FFFFFF, 0x00000000, 0x00A7B665, 0x007C0971, 0x004FB98C, 0x00FFFFFF, 0x0067C29B, 0x00FFFFFF,
            0x00033CFE, 0x0000FFFF, 0x003060FE, 0x00FFFFFF});
}

void TVqSkin::ApplySkinSkyBlue() {
  ApplySet({0, 0x00FFFFFF, 0x00000000, 0x00B6C63D, 0x00076DEB, 0x00FE8F3F, 0x00FFFFFF, 0x00996733, 0x00FFFFFF,
            0x002B22EE, 0x0000FFFF, 0x006E4CFE, 0x0000FFFF});
}

void TVqSkin::ApplySkinQuenBlue() {
  ApplySet({0, 0x00FFFFFF, 0x00000000, 0x00B6C63D, 0x00076DEB, 0x00DE8F18, 0x00FFFFFF, 0x00E9A338, 0x00FFFFFF,
            0x00156FF4, 0x00FFFFFF, 0x00488CF7, 0x0000FFFF});
}

void TVqSkin::ApplySkinBlackWhite() {
  ApplySet({1, 0x00000000, 0x00FFFFFF, 0x00EDE2D6, 0x000080FF, 0x00000000, 0x00FFFFFF, 0x00EDE2D6, 0x00000000,
            0x00000000, 0x000080FF, 0x00EDE2D6, 0x000080FF});
}

}  // namespace tessaly
