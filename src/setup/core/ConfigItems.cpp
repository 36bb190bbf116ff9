// Configuration items: settings of the installed product in an INI file or the registry, shown
// on the wizard's configuration pages or written silently, optionally stored encrypted.
#include <exception>

#include "platform/Registry.h"
#include "platform/TextCodec.h"
#include "setup/core/ConfigRecords.h"
#include "setup/core/FailureReport.h"
#include "setup/core/RegistryRead.h"
#include "setup/core/SetupLog.h"
#include "setup/core/TagValue.h"
#include "setup/core/VqAlgLib.h"
#include "setup/core/VqApp.h"
#include "setup/core/VqLang.h"
#include "setup/core/VqLib.h"

namespace orvane {
namespace {

// A field the record lacks reads as empty, never as the record's first field.
std::string Field(const std::string& record, const char* name) { return RecordField(record, name); }

// A list line put under a key already present replaces that line in place.
void PutByKey(TLineList& list, const std::string& key, const std::string& record) {
  for (std::string& line : list)
    if (platform::SameText(LineName(line), key) && line.find('=') != std::string::npos) {
      line = key + "=" + record;
      return;
    }
  list.push_back(key + "=" + record);
}

}  // namespace

int TvqApp::CollectConfigItems() {
  ShownConfigItems.clear();
  HiddenConfigItems.clear();
  configFailed_.Clear();
  for (const std::string& line : ModuleList) {
    const TModuleRecord module = ParseModuleLine(line);
    if (module.setup) AddConfigItems(module.key + "_config", module.key, module.title);
  }
  AddConfigItems("_config", "", "");
  return static_cast<int>(ShownConfigItems.size() + HiddenConfigItems.size());
}

void TvqApp::AddConfigItems(const std::string& section, const std::string& moduleKey, const std::string& title) {
  TLineList lines;
  ReadConfigSection(section, lines);
  for (const std::string& line : lines) {
    const std::string record = LineValue(line);
    const std::string key = "item:" + moduleKey + ";itemtitle:" + title + ";cfg:" + LineName(line);
    PutByKey(IsFlagSet(Field(record, "cfg_show:")) ? ShownConfigItems : HiddenConfigItems, key, record);
  }
}

bool TvqApp::FindNextConfigPage(std::string& itemKey, std::string& record) const {
  for (const std::string& line : ShownConfigItems) {
    if (IsFlagSet(Field(LineValue(line), "cfg_value_tag:"))) continue;
    itemKey = LineName(line);
    record = LineValue(line);
    return true;
  }
  return false;
}

std::string TvqApp::ReadConfigItem(const std::string& record, const std::string& def) {
  std::string result = def;
  const std::string type = Field(record, "cfg_type:");
  const std::string file = ExpandPathPlaceholders(Field(record, "cfg_file:"));
  const std::string sect = Field(record, "cfg_sect:");
  std::string name = Field(record, "cfg_name:");
  if (type == "0") {
    result = TvqLib::ReadIniValue(file, sect, name, "");
  } else if (type == "1") {
    result.clear();
  } else if (type == "2") {
    if (platform::SameText(name, "default")) name.clear();
    // Items are written in the 64-bit view; TvqLib::ReadRegValue reads the program's default
    // view, which would never see them on a 64-bit machine.
    result = ReadNamedRegValue(sect, file, name, platform::RegView::Force64);
  }
  if (IsFlagSet(Field(record, "value_encrypt:")) && !result.empty()) {
    try {
      result = TVqAlgLib::DecryptText(result, Field(record, "value_encrypt_key:"));
    } catch (const std::exception& e) {
      // A stored value that is no cipher text must not stop the page: it shows the default.
      WriteSetupLog("配置项解密失败：" + std::string(e.what()));
      result.clear();
    }
  }
  if (result.empty()) result = def;
  if (result.empty()) result = Field(record, "cfg_value:");
  if (!result.empty() && result.find("path>") != std::string::npos) result = ExpandPathPlaceholders(result);
  return ExpandAppPlaceholders(result);
}

bool TvqApp::WriteConfigItem(const std::string& record, const std::string& value) {
  const std::string type = Field(record, "cfg_type:");
  const std::string file = ExpandAppPlaceholders(ExpandPathPlaceholders(Field(record, "cfg_file:")));
  const std::string sect = ExpandAppPlaceholders(Field(record, "cfg_sect:"));
  std::string name = ExpandAppPlaceholders(Field(record, "cfg_name:"));
  // The install has ended when the items are written: one that cannot be stored is told to the
  // user with the others at the end, never raised into the wizard's page.
  std::string reason;
  try {
    std::string stored = ExpandAppPlaceholders(ExpandPathPlaceholders(value));
    if (IsFlagSet(Field(record, "value_encrypt:")))
      stored = TVqAlgLib::EncryptText(stored, Field(record, "value_encrypt_key:"));
    if (type == "0") {
      TvqLib::WriteIniValue(file, sect, name, stored);
    } else if (type == "2") {
      if (platform::SameText(name, "default")) name.clear();
      if (!TvqLib::WriteRegValue(sect, file, name, stored)) reason = "打开注册表键失败";
    }
  } catch (const std::exception& e) {
    reason = e.what();
  }
  if (reason.empty()) return true;
  if (type == "2") {
    WriteSetupLog("写入配置项失败：" + sect + "\\" + file + "，" + name + "，" + reason);
    configFailed_.keys.push_back(sect + "\\" + file);
  } else {
    WriteSetupLog("写入配置项失败：" + file + "，[" + sect + "]" + name + "，" + reason);
    configFailed_.files.push_back(RelativeToInstallPath(file));
  }
  return false;
}

void TvqApp::WriteHiddenConfigItems() {
  for (const std::string& line : HiddenConfigItems)
    (void)WriteConfigItem(LineValue(line), Field(LineValue(line), "cfg_value:"));
}

bool TvqApp::ReportConfigFailures(std::string& text) {
  if (configFailed_.Empty()) return true;
  text = FailureReport(Lang(), Lang().GetText("IDS_CONFIG"), configFailed_);
  WriteSetupLog(text);
  return false;
}

}  // namespace orvane
