#include "engine/AppVarUtil.h"

namespace tessaly {

TAppVar* AppVar = nullptr;

namespace {

struct TSoftVerRow {
  const char* Code;
  int DBMode;
  int SoftModel;  // 0: the settings file decides
  const char* DefDBName;
};

constexpr TSoftVerRow kSoftVers[] = {
    {"00012", TDBMode::Direct, 1, "vqhalvik_01"},
    {"00008", TDBMode::Direct, 1, "vqcorvath_01"},
    {"00009", TDBMode::Direct, 0, "vqcorvath_01"},
    {"00029", TDBMode::Server, 2, ""},
    {"00039", TDBMode::Server, 2, ""},
    {"00050", TDBMode::Hosted, 2, ""},
    {"00040", TDBMode::Hosted, 2, ""},
};

const TSoftVerRow* FindSoftVer(const std::string& aSoftVer) {
  for (const auto& row : kSoftVers)
    if (aSoftVer == row.Code) return &row;
  return nullptr;
}

}  // namespace

int SoftVerDBMode(const std::string& aSoftVer) {
  const TSoftVerRow* row = FindSoftVer(aSoftVer);
  return row ? row->DBMode : TDBMode::Direct;
}

int SoftVerModel(const std::string& aSoftVer, int aCurrent) {
  const TSoftVerRow* row = FindSoftVer(aSoftVer);
  return row && row->SoftModel != 0 ? row->SoftModel : aCurrent;
}

std::string SoftVerDefDBName(const std::string& aSoftVer) {
  const TSoftVerRow* row = FindSoftVer(aSoftVer);
  return row ? row->DefDBName : "";
}

}  // namespace tessaly
