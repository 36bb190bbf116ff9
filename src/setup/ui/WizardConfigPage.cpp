// The configuration page: the shown configuration items of one module at a time, at most six
// rows a page, each written back when the user goes on.
#include "platform/TextCodec.h"
#include "setup/core/LineList.h"
#include "setup/core/TagValue.h"
#include "setup/core/VqApp.h"
#include "setup/ui/WizardController.h"

namespace orvane {
namespace {

constexpr const char* kRowColon = "：";

std::string Field(const std::string& record, const char* name) { return GetTagValue(record, name, ';'); }

// value_type as a number; 0 when it is none.
int ValueType(const std::string& record) {
  const std::string text = Field(record, "value_type:");
  if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos) return 0;
  return std::stoi(text);
}

}  // namespace

bool TWizardController::ShowConfigPage() {
  TvqApp& app = *FApp;
  for (int n = 1; n <= kConfigRows; ++n) {
    const TCtl label = *NthCtl(TCtl::lblICfgItem1, n, kConfigRows);
    const TCtl edit = *NthCtl(TCtl::edtICfgItem1, n, kConfigRows);
    if (!IsVisible(label)) continue;
    Show(label, false);
    Show(edit, false);
    SetTag(edit, 0);
  }
  std::string key, record;
  if (!app.FindNextConfigPage(key, record)) return false;
  const std::string item = Field(key, "item:");
  const std::string title = Field(key, "itemtitle:");
  SetCaption(TCtl::lblICfgTitle, Text("IDS_CONFIGTITLE") + title);
  SetCaption(TCtl::lblICfgLabel, Text("IDS_PLEASE,IDS_CONFIG") + title + Text("IDS_PARAMS") + ":");

  int row = 1;
  for (std::string& line : app.ShownConfigItems) {
    const std::string entryKey = LineName(line);
    std::string entry = LineValue(line);
    // An item placed on an earlier page is done: taking it again would fill this page with the
    // same rows for ever and never reach the items after the sixth.
    if (Field(entryKey, "item:") != item || IsFlagSet(Field(entry, "cfg_value_tag:"))) continue;
    const auto label = NthCtl(TCtl::lblICfgItem1, row, kConfigRows);
    if (!label) continue;
    const TCtl edit = *NthCtl(TCtl::edtICfgItem1, row, kConfigRows);
    SetHint(*label, entryKey);
    SetCaption(*label, app.ExpandAppPlaceholders(Field(entry, "cfg_title:")) + kRowColon);
    Show(*label, true);
    std::string def = Field(entry, "cfg_value:");
    if (def.find("_path>") != std::string::npos) def = app.ExpandPathPlaceholders(def);
    SetCaption(edit, app.ReadConfigItem(entry, def));
    SetTag(edit, ValueType(entry));
    Show(edit, true);
    ++row;
    Show(TCtl::pnlICfg, true);
    line = entryKey + "=" + SetTagValue(entry, "cfg_value_tag:", ';', "1");
  }
  ShowPage(TCtl::pnlStepConfig);
  return true;
}

void TWizardController::btnICFGNextClick() {
  Guard([&] {
    if (!FApp || Busy()) return;
    TvqApp& app = *FApp;
    for (int n = 1; n <= kConfigRows; ++n) {
      const TCtl label = *NthCtl(TCtl::lblICfgItem1, n, kConfigRows);
      if (!IsVisible(label)) continue;
      const std::string value = platform::TrimBlanks(FView.Text(*NthCtl(TCtl::edtICfgItem1, n, kConfigRows)));
      if (value.empty()) {
        const std::string& caption = Caption(label);
        Info(Text("IDS_PLEASE,IDS_INPUT") + caption.substr(0, caption.find(kRowColon)) + Text("IDS_PARAMS") + "！",
             Text("IDS_DAILOG_MESSAGE"));
        return;
      }
      for (const std::string& line : app.ShownConfigItems)
        if (platform::SameText(LineName(line), Hint(label))) {
          (void)app.WriteConfigItem(LineValue(line), value);
          break;
        }
    }
    NextConfigOrFinish();
  });
}

bool TWizardController::edtICfgItem1KeyPress(TCtl edit, char32_t key) {
  if (Tag(edit) != 1) return true;
  return (key >= U'0' && key <= U'9') || key == 8;
}

}  // namespace orvane
