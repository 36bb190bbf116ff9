#include "setup/core/ConfigRecords.h"

#include <charconv>

#include "platform/TextCodec.h"
#include "setup/core/SetupDateTime.h"
#include "setup/core/TagValue.h"
#include "setup/core/WinPathText.h"

namespace orvane {
namespace {

constexpr char kTerm = ';';

// The field's value, or empty when the record lacks the field.
std::string Field(std::string_view record, std::string_view name) {
  return record.find(name) == std::string_view::npos ? std::string() : GetTagValue(record, name, kTerm);
}

bool Flag(std::string_view record, std::string_view name) { return IsFlagSet(Field(record, name)); }

std::string Title(std::string_view record) { return GetTagValue(record, "", kTerm); }

int ToInt32(const std::string& text) {
  int v = 0;
  const char* end = text.data() + text.size();
  const auto r = std::from_chars(text.data(), end, v, 10);
  return (r.ec == std::errc() && r.ptr == end) ? v : 0;
}

}  // namespace

std::string RecordField(std::string_view record, std::string_view name) { return Field(record, name); }

std::string TModuleRecord::Caption() const { return title.empty() ? key : title; }

TModuleRecord ParseModuleLine(std::string_view line) {
  const std::string record = LineValue(line);
  TModuleRecord m;
  m.key = LineName(line);
  m.title = Title(record);
  m.can_select = Flag(record, "can_select:");
  m.setup = Flag(record, "setup:");
  m.item_group = Field(record, "item_group:");
  return m;
}

std::vector<std::string> ModuleGroupIds(const TLineList& fileGroupLines) {
  std::vector<std::string> ids;
  for (const std::string& line : fileGroupLines) {
    std::string id = Field(LineValue(line), "group_id:");
    if (!id.empty()) ids.push_back(std::move(id));
  }
  return ids;
}

TFileGroupRecord ParseFileGroupLine(std::string_view line) {
  const std::string record = LineValue(line);
  TFileGroupRecord g;
  g.key = LineName(line);
  g.group_id = Field(record, "group_id:");
  g.group_name = Field(record, "group_name:");
  g.group_title = Field(record, "group_title:");
  g.group_updata = Flag(record, "group_updata:");
  g.filesize = ToInt32(Field(record, "filesize:"));
  return g;
}

std::string TFileRecord::TargetFileName() const {
  return dst_filename.empty() ? ExtractFileName(sourcePath) : dst_filename;
}

TFileRecord ParseFileLine(std::string_view line) {
  const std::string record = LineValue(line);
  TFileRecord f;
  f.sourcePath = Title(LineName(line));
  f.dst_filename = Field(record, "dst_filename:");
  f.dst_path = Field(record, "dst_path:");
  f.updata_path = Field(record, "updata_path:");
  f.tag_updata = Flag(record, "tag_updata:");
  f.tag_replace = Field(record, "tag_replace:");
  f.tag_uninstall = Flag(record, "tag_uninstall:");
  f.lastwritetime = ParseDateTime(Field(record, "lastwritetime:")).value_or(0.0);
  return f;
}

bool TShortcutRecord::IsUrl() const { return target.find("ttp://") != std::string::npos; }

TShortcutRecord ParseShortcutLine(std::string_view line) {
  const std::string record = LineValue(line);
  TShortcutRecord s;
  s.target = LineName(line);
  s.caption = Title(record);
  s.desc = Field(record, "desc:");
  s.icon_file = Field(record, "icon_file:");
  return s;
}

bool TExecRecord::RunsInStyle(std::uint32_t index) const {
  return index < setup_style.size() && setup_style[index] == '1';
}

bool TExecRecord::FitsWindows(bool win64) const {
  return !((sys_type == "32" && win64) || (sys_type == "64" && !win64));
}

TExecRecord ParseExecLine(std::string_view line) {
  const std::string record = LineValue(line);
  TExecRecord e;
  e.key = LineName(line);
  e.exec_type = Field(record, "exec_type:");
  e.exec_name = Field(record, "exec_name:");
  e.exec_params = Field(record, "exec_params:");
  e.sys_type = Field(record, "sys_type:");
  e.src_file = Field(record, "src_file:");
  e.is_service = Flag(record, "is_service:");
  e.service_name = Field(record, "service_name:");
  e.service_title = Field(record, "service_title:");
  e.is_must_close = Flag(record, "is_must_close:");
  e.is_wait_finshed = Flag(record, "is_wait_finshed:");
  e.is_can_select = Flag(record, "is_can_select:");
  e.is_def_select = Field(record, "is_def_select:");
  e.window_title = Field(record, "window_title:");
  e.is_setup_can_todo = Flag(record, "is_setup_can_todo:");
  e.setup_style = Field(record, "setup_style:");
  e.is_not_autorun = Flag(record, "is_not_autorun:");
  e.is_select = Field(record, "is_select:");
  return e;
}

bool IsPictureFile(std::string_view path) {
  const std::string ext = platform::AsciiLower(ExtractFileExt(path));
  return ext == ".jpg" || ext == ".png" || ext == ".bmp" || ext == ".ico";
}

std::string SliderSectionName(std::string_view prefix) { return std::string(prefix) + "slider_imgs"; }

std::string SliderKeyName(std::string_view prefix, int number) {
  return std::string(prefix) + "slider_img" + std::to_string(number);
}

}  // namespace orvane
