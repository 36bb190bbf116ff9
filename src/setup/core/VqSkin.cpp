#include "setup/core/VqSkin.h"

#include <array>
#include <filesystem>

#include "platform/MachineRoot.h"
#include "platform/TextCodec.h"
#include "platform/WinPath.h"
#include "setup/core/IniFiles.h"

namespace orvane {
namespace {

constexpr std::string_view kSection = "VqSkin";

struct TField {
  std::string_view key;
  TColor TvqSkin::*member;
  std::string_view fileDefault;  // as written in a skin file
  TColor skyblue;                // the default set
};

// Every colour in field order: its key, its default in a skin file and its "skyblue" value.
const TField kFields[] = {
    {"Form_back", &TvqSkin::Form_back, "$00AD531C", 0x00CD8C04U},
    {"Form_font", &TvqSkin::Form_font, "clWhite", 0x00FFFFFFU},
    {"Form_status", &TvqSkin::Form_status, "clBtnFace", 0xFF00000FU},
    {"Form_status_font", &TvqSkin::Form_status_font, "clWindowText", 0xFF000008U},
    {"Menu_main_back", &TvqSkin::Menu_main_back, "$00B96924", 0x00D49C05U},
    {"Menu_main_font", &TvqSkin::Menu_main_font, "$00FEE9D9", 0x00FEF0CBU},
    {"Menu_main_move_back", &TvqSkin::Menu_main_move_back, "$00B96924", 0x00CD8C04U},
    {"Menu_main_move_font", &TvqSkin::Menu_main_move_font, "clWhite", 0x00FFFFFFU},
    {"Menu_main_selected_back", &TvqSkin::Menu_main_selected_back, "$00B96924", 0x00B96924U},
    {"Menu_main_selected_font", &TvqSkin::Menu_main_selected_font, "clWhite", 0x00FFFFFFU},
    {"Menu_main_ex_defBack", &TvqSkin::Menu_main_ex_defBack, "$00B96924", 0x00FEF0CBU},
    {"Menu_main_ex_defFont", &TvqSkin::Menu_main_ex_defFont, "$00FEE9D9", 0xFF000008U},
    {"Menu_main_ex_selectedBack", &TvqSkin::Menu_main_ex_selectedBack, "clWhite", 0x00D49C05U},
    {"Menu_main_ex_selectedFont", &TvqSkin::Menu_main_ex_selectedFont, "$00AD531C", 0x00FFFFFFU},
    {"Menu_main_ex_moveBack", &TvqSkin::Menu_main_ex_moveBack, "$00CCA07A", 0x00D49C05U},
    {"Menu_main_ex_moveFont", &TvqSkin::Menu_main_ex_moveFont, "clWhite", 0x00FFFFFFU},
    {"Menu_defBack", &TvqSkin::Menu_defBack, "$00FEE9D9", 0x00FEF0CBU},
    {"Menu_defFont", &TvqSkin::Menu_defFont, "$00473C35", 0xFF000008U},
    {"Menu_selectedBack", &TvqSkin::Menu_selectedBack, "$00CCA07A", 0x00D49C05U},
    {"Menu_selectedFont", &TvqSkin::Menu_selectedFont, "clWhite", 0x00FFFFFFU},
    {"Menu_moveBack", &TvqSkin::Menu_moveBack, "$00CCA07A", 0x00FBB806U},
    {"Menu_moveFont", &TvqSkin::Menu_moveFont, "clWhite", 0x00FEF0CBU},
    {"Menu_sub_defBack", &TvqSkin::Menu_sub_defBack, "$00B96924", 0x00FEF0CBU},
    {"Menu_sub_defFont", &TvqSkin::Menu_sub_defFont, "$00FEE9D9", 0xFF000008U},
    {"Menu_sub_selectedBack", &TvqSkin::Menu_sub_selectedBack, "$00CCA07A", 0x00D49C05U},
    {"Menu_sub_selectedFont", &TvqSkin::Menu_sub_selectedFont, "clWhite", 0x00FFFFFFU},
    {"Menu_sub_moveBack", &TvqSkin::Menu_sub_moveBack, "$00CCA07A", 0x00FBB806U},
    {"Menu_sub_moveFont", &TvqSkin::Menu_sub_moveFont, "clWhite", 0x00FFFFFFU},
    {"Menu_ext_defBack", &TvqSkin::Menu_ext_defBack, "$00B96924", 0x00FEF0CBU},
    {"Menu_ext_defFont", &TvqSkin::Menu_ext_defFont, "$00FEE9D9", 0xFF000008U},
    {"Menu_ext_selectedBack", &TvqSkin::Menu_ext_selectedBack, "$00CCA07A", 0x00D49C05U},
    {"Menu_ext_selectedFont", &TvqSkin::Menu_ext_selectedFont, "clWhite", 0x00FFFFFFU},
    {"Menu_ext_moveBack", &TvqSkin::Menu_ext_moveBack, "$00CCA07A", 0x00FBB806U},
    {"Menu_ext_moveFont", &TvqSkin::Menu_ext_moveFont, "clWhite", 0x00FFFFFFU},
    {"Button_defBack", &TvqSkin::Button_defBack, "$00BF6336", 0x00AA7B00U},
    {"Button_defFont", &TvqSkin::Button_defFont, "clWhite", 0x00FFFFFFU},
    {"Button_selectedBack", &TvqSkin::Button_selectedBack, "$004FD1EF", 0x007B5900U},
    {"Button_selectedFont", &TvqSkin::Button_selectedFont, "$00BF6336", 0x00FFFFFFU},
    {"Button_moveBack", &TvqSkin::Button_moveBack, "$004FD1EF", 0x00976D00U},
    {"Button_moveFont", &TvqSkin::Button_moveFont, "$00BF6336", 0x00FFFFFFU},
    {"Button_exit_moveFont", &TvqSkin::Button_exit_moveFont, "$004965E1", 0x0000FFFFU},
    {"Tab_defBack", &TvqSkin::Tab_defBack, "$00B96924", 0x00E6E6E6U},
    {"Tab_defFont", &TvqSkin::Tab_defFont, "$00FEE9D9", 0xFF000008U},
    {"Tab_selectedBack", &TvqSkin::Tab_selectedBack, "clWhite", 0x00FFFFFFU},
    {"Tab_selectedFont", &TvqSkin::Tab_selectedFont, "$00AD531C", 0xFF000008U},
    {"Tab_moveBack", &TvqSkin::Tab_moveBack, "$00CCA07A", 0x00FFFFFFU},
    {"Tab_moveFont", &TvqSkin::Tab_moveFont, "clWhite", 0xFF000008U},
};

// The colours the windows read; a preset gives these nine, and the colours nothing reads keep
// their "skyblue" values.
constexpr std::array<TColor TvqSkin::*, 9> kPresetMembers = {
    &TvqSkin::Form_back,       &TvqSkin::Form_font,           &TvqSkin::Button_defBack,
    &TvqSkin::Button_defFont,  &TvqSkin::Button_selectedBack, &TvqSkin::Button_selectedFont,
    &TvqSkin::Button_moveBack, &TvqSkin::Button_moveFont,     &TvqSkin::Button_exit_moveFont,
};

struct TPreset {
  std::string_view name;
  std::array<TColor, 9> colors;  // in kPresetMembers order
};

// In the order names are compared.
constexpr TPreset kPresets[] = {
    {"green",
     {0x00309413U, 0x00FFFFFFU, 0x0036A815U, 0x00FFFFFFU, 0x0036A815U, 0x00FFFFFFU, 0x00C4EED3U, 0x00705620U,
      0x000080FFU}},
    {"blue",
     {0x00AD531CU, 0x00FFFFFFU, 0x00BF6336U, 0x00FFFFFFU, 0x00FF9D3CU, 0x00FFFFFFU, 0x00B96924U, 0x00FFFFFFU,
      0x007DBEFFU}},
    {"purple",
     {0x00DC7A96U, 0x00FFFFFFU, 0x00D15476U, 0x00FFFFFFU, 0x00AA2F51U, 0x00FFFFFFU, 0x00CC4469U, 0x00FFFFFFU,
      0x0000FFFFU}},
    {"black",
     {0x00393026U, 0x00FFFFFFU, 0x002F261CU, 0x00FFFFFFU, 0x002F261CU, 0x00906A29U, 0x000000FFU, 0x00FFFFFFU,
      0x0000FFFFU}},
    {"coffee",
     {0x00363432U, 0x00FFFFFFU, 0x002F261CU, 0x00FFFFFFU, 0x002F261CU, 0x00FFFFFFU, 0x00484645U, 0x00FFFFFFU,
      0x004052FBU}},
    {"depgreen",
     {0x00503804U, 0x00FFFFFFU, 0x003F2C03U, 0x00FFFFFFU, 0x00705620U, 0x00FFFFFFU, 0x00281C02U, 0x00FFFFFFU,
      0x000080FFU}},
    {"deppurple",
     {0x003D2420U, 0x00FFFFFFU, 0x00634239U, 0x00FFFFFFU, 0x00FFFFFFU, 0x003D2420U, 0x00C4A097U, 0x00FFFFFFU,
      0x004080FFU}},
    {"rose",
     {0x00AD70D7U, 0x00FFFFFFU, 0x00C087ECU, 0x00FFFFFFU, 0x00BFB6F9U, 0x00FFFFFFU, 0x00BFB6F9U, 0x00FFFFFFU,
      0x000000FFU}},
    {"skyblue",
     {0x00CD8C04U, 0x00FFFFFFU, 0x00AA7B00U, 0x00FFFFFFU, 0x007B5900U, 0x00FFFFFFU, 0x00976D00U, 0x00FFFFFFU,
      0x0000FFFFU}},
    {"lowblue",
     {0x00CAAB4EU, 0x00FFFFFFU, 0x00D49C05U, 0x00FFFFFFU, 0x00ECE1C1U, 0xFF000008U, 0x00ECE1C1U, 0x00D49C05U,
      0x008080FFU}},
    {"greenblue",
     {0x00BEC000U, 0x00FFFFFFU, 0x00AAAA00U, 0x00FFFFFFU, 0x006A6A00U, 0x00FFFFFFU, 0x00888800U, 0x00FFFFFFU,
      0x0028DAFEU}},
    {"skyblue2",
     {0x00ECB879U, 0x00FFFFFFU, 0x00D28734U, 0x00FFFFFFU, 0x00FFFFFFU, 0xFF000008U, 0x00FFFFFFU, 0x00D28734U,
      0x000080FFU}},
    {"orange",
     {0x001977CDU, 0x0080FFFFU, 0x0088FFFFU, 0x001977CDU, 0x0000EAEAU, 0x0080FFFFU, 0x0000F7F7U, 0x00FFFFFFU,
      0x004052FBU}},
    {"depred",
     {0x00400080U, 0x00FFFFFFU, 0x00330066U, 0x00FFFFFFU, 0x00FFFFFFU, 0x00330066U, 0x000000FFU, 0x00FFFFFFU,
      0x0000FFFFU}},
    {"gray",
     {0x00777573U, 0x00FFFFFFU, 0x0082807DU, 0x00FFFFFFU, 0x00FFFFFFU, 0x002F261CU, 0x00969696U, 0xFFFFFFFFU,
      0x000080FFU}},
};

void ApplyPreset(TvqSkin& skin, const TPreset& preset) {
  for (const TField& f : kFields) skin.*f.member = f.skyblue;
  for (std::size_t i = 0; i < kPresetMembers.size(); ++i) skin.*kPresetMembers[i] = preset.colors[i];
}

const TPreset* FindPreset(std::string_view name) {
  const std::string lower = platform::AsciiLower(name);
  for (const TPreset& p : kPresets)
    if (p.name == lower) return &p;
  return nullptr;
}

bool Fail(std::string* error, const std::string& text) {
  if (error != nullptr) *error = text;
  return false;
}

}  // namespace

TvqSkin::TvqSkin() { ApplyPreset(*this, *FindPreset("skyblue")); }

bool TvqSkin::LoadSkin(std::string_view name, std::string* error) {
  if (name.empty()) name = "skyblue";
  if (const TPreset* preset = FindPreset(name)) {
    ApplyPreset(*this, *preset);
    return true;
  }
  return LoadSkinFile(std::string(name), error);
}

bool TvqSkin::LoadSkinFile(const std::string& name, std::string* error) {
  // The profile functions read a name without a folder from the Windows folder: the existence
  // check looks at that same file, never the host's current folder.
  std::string path = name;
  if (path.find_first_of("\\/:") == std::string::npos) {
    path = platform::WindowsFolder();
    if (path.back() != '\\') path += '\\';
    path += name;
  }
  std::error_code ec;
  if (!std::filesystem::is_regular_file(platform::HostPath(path), ec)) return Fail(error, "skin not found: " + path);
  TIniFile ini(path);
  TvqSkin loaded = *this;
  for (const TField& f : kFields) {
    const std::string text = ini.ReadString(std::string(kSection), std::string(f.key), std::string(f.fileDefault));
    const auto color = StringToColor(text);
    if (!color) return Fail(error, "skin " + path + ": " + std::string(f.key) + " is not a colour: " + text);
    loaded.*f.member = *color;
  }
  *this = loaded;
  return true;
}

}  // namespace orvane
