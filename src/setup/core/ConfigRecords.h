#pragma once
// The record kinds of the setup configuration, parsed from the lines of their sections. A flag
// is set only by exactly "1"; a field the record lacks reads as empty (never as the record's
// title, which the plain field reader would give).
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "setup/core/LineList.h"
#include "setup/core/SetupClock.h"

namespace orvane {

// The value of the field `name` (with its colon) of a record, empty when the record lacks it.
[[nodiscard]] std::string RecordField(std::string_view record, std::string_view name);

// A line of section `module`: module key = record.
struct TModuleRecord {
  std::string key;
  std::string title;  // the record's title part
  bool can_select = false;
  bool setup = false;
  std::string item_group;

  // The title, or the key when the title is empty.
  [[nodiscard]] std::string Caption() const;
};
[[nodiscard]] TModuleRecord ParseModuleLine(std::string_view line);

// The group ids listed in a module's "_filegroup" section, in order (lines without one skipped).
[[nodiscard]] std::vector<std::string> ModuleGroupIds(const TLineList& fileGroupLines);

// A line of section `file_group`: group id = record.
struct TFileGroupRecord {
  std::string key;
  std::string group_id;
  std::string group_name;
  std::string group_title;
  bool group_updata = false;
  int filesize = 0;  // 32-bit signed decimal; anything else counts 0
};
[[nodiscard]] TFileGroupRecord ParseFileGroupLine(std::string_view line);

// A line of a group's "_files" section: source path;subfolder_id:n; = record.
struct TFileRecord {
  std::string sourcePath;  // the key's title part: the file's identity in the package map
  std::string dst_filename;  // as configured; empty means the source path's file name
  std::string dst_path;      // target folder, with path placeholders
  std::string updata_path;
  bool tag_updata = false;
  std::string tag_replace;  // "1" always, "2" when newer, anything else keep the existing file
  bool tag_uninstall = false;
  TDateTime lastwritetime = 0;  // 0 when the text does not parse

  // `dst_filename`, or the file name of the source path when it is empty.
  [[nodiscard]] std::string TargetFileName() const;
};
[[nodiscard]] TFileRecord ParseFileLine(std::string_view line);

// A line of a "_desktop" or "_startmenu" section: target = record.
struct TShortcutRecord {
  std::string target;  // a path with path placeholders, or an address
  std::string caption;
  std::string desc;
  std::string icon_file;  // empty: the target's own icon

  // The target is an address (it holds "ttp://").
  [[nodiscard]] bool IsUrl() const;
};
[[nodiscard]] TShortcutRecord ParseShortcutLine(std::string_view line);

// A line of an exec section: exec id = record (the fields the steps read; the others stay in the
// record text).
struct TExecRecord {
  std::string key;
  std::string exec_type;
  std::string exec_name;
  std::string exec_params;
  std::string sys_type;  // "32", "64" or anything else (no filter)
  std::string src_file;  // with path placeholders
  bool is_service = false;
  std::string service_name;
  std::string service_title;
  bool is_must_close = false;
  bool is_wait_finshed = false;
  bool is_can_select = false;
  std::string is_def_select;  // as written: the finish list copies it into is_select
  std::string window_title;
  bool is_setup_can_todo = false;
  std::string setup_style;  // empty when the record has no such field
  bool is_not_autorun = false;
  std::string is_select;  // only in finish-list records

  // Character `index` (0 install ... 3 uninstall) of setup_style is "1".
  [[nodiscard]] bool RunsInStyle(std::uint32_t index) const;
  // False for "32" on 64-bit Windows and for "64" on 32-bit Windows.
  [[nodiscard]] bool FitsWindows(bool win64) const;
};
[[nodiscard]] TExecRecord ParseExecLine(std::string_view line);

// Pictures are ".jpg", ".png", ".bmp" and ".ico" files (extension without case).
[[nodiscard]] bool IsPictureFile(std::string_view path);
// prefix is "" for the installer's slider and "uninst_" for the uninstaller's.
[[nodiscard]] std::string SliderSectionName(std::string_view prefix);
[[nodiscard]] std::string SliderKeyName(std::string_view prefix, int number);

}  // namespace orvane
