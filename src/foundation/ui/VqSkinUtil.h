#pragma once
// The colour and font set of the agent's dialogs, chosen by the name of a built-in set or read
// from a skin INI file (section "VqSkin"), and the one global instance Skin.
//
// Colours are Windows colour values: $00BBGGRR for plain colours, negative values for the
// system colours. UI thread only; Skin has no lock.
#include <cstdint>
#include <optional>
#include <string>

class QColor;

namespace tessaly {

using TColor = std::int32_t;

// A colour text of a skin file: a colour constant name ("clWhite", any case) or a number,
// decimal or hexadecimal after "$" (or "0x"), in the 32-bit range. nullopt for anything else.
[[nodiscard]] std::optional<TColor> StringToColor(const std::string& aText);
// The colour as Qt draws it; system colours take the application palette's matching role.
[[nodiscard]] QColor ToQColor(TColor aColor);

class TVqSkin {
 public:
  // Stores the name and loads it (an empty name gives the "meituan" set).
  explicit TVqSkin(const std::string& aDefSkinName = "");

  // A built-in set by name ("meituan", "yellowgreen", "skyblue", "blackwhite", "QuenBlueSkin",
  // any case); any other name applies "meituan", then reads the skin file of that name (taken in
  // the program folder when it has no folder part), when it exists. A colour text in the file
  // that is no colour keeps that key's file default and is logged; nothing throws.
  void LoadSkin(const std::string& aSkinName);

  [[nodiscard]] const std::string& DefSkinName() const { return FDefSkinName; }
  [[nodiscard]] const std::string& CurSkinName() const { return FCurSkinName; }

  int form_style = 0;  // 1 for "blackwhite"; set by the built-in sets only
  TColor form_back = 0;
  TColor form_font = 0;
  int form_font_size = 11;  // points
  std::string form_font_name;
  TColor form_hint_font = 0;
  TColor form_spec_font = 0;
  TColor button_defback = 0;
  TColor button_deffont = 0;
  TColor button_moveback = 0;
  TColor button_movefont = 0;
  TColor button_exit_defback = 0;
  TColor button_exit_deffont = 0;
  TColor button_exit_moveback = 0;
  TColor button_exit_movefont = 0;

 private:
  // The colours of one built-in set, in field order; the font is the same in every set.
  struct TSkinSet {
    int Style;
    TColor Back, Font, HintFont, SpecFont, ButtonDefBack, ButtonDefFont, ButtonMoveBack, ButtonMoveFont,
        ExitDefBack, ExitDefFont, ExitMoveBack, ExitMoveFont;
  };

  void ApplySet(const TSkinSet& aSet);
  void LoadSkinFile(const std::string& aFileName);
  // One colour key of the file, or its file default when missing or not a colour.
  TColor ReadColor(const std::string& aIniFile, const char* aKey, const char* aDefault) const;
  void ApplySkinMeituan();
  void ApplySkinYellowGreen();
  void ApplySkinSkyBlue();
  void ApplySkinQuenBlue();
  void ApplySkinBlackWhite();

  std::string FDefSkinName;
  std::string FCurSkinName;
};

// The dialogs' skin, "meituan" until the program body loads another set.
extern TVqSkin Skin;

}  // namespace tessaly
