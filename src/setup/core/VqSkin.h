#pragma once
// The setup program's colour set: 47 named colours, fifteen built-in presets chosen by name, and
// skin files (INI text, section "VqSkin", one key per colour). A new skin holds the "skyblue"
// preset. The engine owns one and the windows read its colours on the UI thread; painting is
// the windows' business (ColorToRGB and AdjustColor in SkinColor.h).
#include <string>
#include <string_view>

#include "setup/core/SkinColor.h"

namespace orvane {

class TvqSkin {
 public:
  TvqSkin();

  // "" selects "skyblue"; otherwise the name, without case, selects the first preset of that
  // whole name, or else names a skin file that LoadSkinFile reads. A name that is neither leaves
  // the colours as they are and returns false; so does a file that LoadSkinFile refuses.
  bool LoadSkin(std::string_view name, std::string* error = nullptr);
  // Reads every colour from section "VqSkin" of the file (a missing key takes its file default).
  // A name without a folder lies in the Windows folder, as for the profile functions. A missing
  // file, or a value that is not a colour, changes nothing and returns false with the
  // reason; no half-loaded skin is left.
  bool LoadSkinFile(const std::string& name, std::string* error = nullptr);

  TColor Form_back = 0;
  TColor Form_font = 0;
  TColor Form_status = 0;
  TColor Form_status_font = 0;
  TColor Menu_main_back = 0;
  TColor Menu_main_font = 0;
  TColor Menu_main_move_back = 0;
  TColor Menu_main_move_font = 0;
  TColor Menu_main_selected_back = 0;
  TColor Menu_main_selected_font = 0;
  TColor Menu_main_ex_defBack = 0;
  TColor Menu_main_ex_defFont = 0;
  TColor Menu_main_ex_selectedBack = 0;
  TColor Menu_main_ex_selectedFont = 0;
  TColor Menu_main_ex_moveBack = 0;
  TColor Menu_main_ex_moveFont = 0;
  TColor Menu_defBack = 0;
  TColor Menu_defFont = 0;
  TColor Menu_selectedBack = 0;
  TColor Menu_selectedFont = 0;
  TColor Menu_moveBack = 0;
  TColor Menu_moveFont = 0;
  TColor Menu_sub_defBack = 0;
  TColor Menu_sub_defFont = 0;
  TColor Menu_sub_selectedBack = 0;
  TColor Menu_sub_selectedFont = 0;
  TColor Menu_sub_moveBack = 0;
  TColor Menu_sub_moveFont = 0;
  TColor Menu_ext_defBack = 0;
  TColor Menu_ext_defFont = 0;
  TColor Menu_ext_selectedBack = 0;
  TColor Menu_ext_selectedFont = 0;
  TColor Menu_ext_moveBack = 0;
  TColor Menu_ext_moveFont = 0;
  TColor Button_defBack = 0;
  TColor Button_defFont = 0;
  TColor Button_selectedBack = 0;
  TColor Button_selectedFont = 0;
  TColor Button_moveBack = 0;
  TColor Button_moveFont = 0;
  TColor Button_exit_moveFont = 0;
  TColor Tab_defBack = 0;
  TColor Tab_defFont = 0;
  TColor Tab_selectedBack = 0;
  TColor Tab_selectedFont = 0;
  TColor Tab_moveBack = 0;
  TColor Tab_moveFont = 0;
};

}  // namespace orvane
