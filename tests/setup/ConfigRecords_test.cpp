#include "setup/core/ConfigRecords.h"

#include <gtest/gtest.h>

#include <string>

#include "setup/core/SetupDateTime.h"
#include "setup/core/WinPathText.h"

namespace {

// Module records: title part, flags only for exactly "1", a missing field never reads as title.
TEST(ConfigRecordsTest, Modules) {
  struct Case {
    std::string line;
    std::string caption;
    bool canSelect;
    bool setup;
    std::string group;
  };
  const Case cases[] = {
      {"vqpos=前台收银;can_select:1;setup:1;can_updata:;item_group:门店;item_desc:x;", "前台收银", true, true, "门店"},
      {"vqsvr=;can_select:0;setup:0;", "vqsvr", false, false, ""},
      {"vqa=1;can_select:true;", "1", false, false, ""},
      {"vqb=标题", "标题", false, false, ""},
      {"vqc=t;setup:01;can_select:1", "t", true, false, ""},
  };
  for (const Case& c : cases) {
    const orvane::TModuleRecord m = orvane::ParseModuleLine(c.line);
    EXPECT_EQ(m.Caption(), c.caption) << c.line;
    EXPECT_EQ(m.can_select, c.canSelect) << c.line;
    EXPECT_EQ(m.setup, c.setup) << c.line;
    EXPECT_EQ(m.item_group, c.group) << c.line;
  }
  EXPECT_EQ(orvane::ParseModuleLine("vqpos=前台;").key, "vqpos");
}

// A module's file groups come in order; lines without a group id are skipped.
TEST(ConfigRecordsTest, ModuleGroupIds) {
  EXPECT_EQ(orvane::ModuleGroupIds({"filegroup1=group_id:11;", "filegroup2=group_id:12", "x=nothing;",
                                    "filegroup3=group_id:;", "filegroup4=group_id:11;"}),
            (std::vector<std::string>{"11", "12", "11"}));
}

// File-group records with their size as a 32-bit signed decimal.
TEST(ConfigRecordsTest, FileGroups) {
  const orvane::TFileGroupRecord g = orvane::ParseFileGroupLine(
      "11=app_id:1001;group_id:11;group_name:pos;group_title:前台程序;group_path:win_path;group_type:0;"
      "updata_path:;update_path:;group_updata:1;is_scan_dir:0;scan_dir:;filecount:3;filesize:123456;");
  EXPECT_EQ(g.key, "11");
  EXPECT_EQ(g.group_id, "11");
  EXPECT_EQ(g.group_name, "pos");
  EXPECT_EQ(g.group_title, "前台程序");
  EXPECT_TRUE(g.group_updata);
  EXPECT_EQ(g.filesize, 123456);
  const std::pair<std::string, int> sizes[] = {
      {"filesize:-5;", -5}, {"filesize:2147483647;", 2147483647}, {"filesize:2147483648;", 0},
      {"filesize:12kb;", 0}, {"", 0}};
  for (const auto& [record, size] : sizes) EXPECT_EQ(orvane::ParseFileGroupLine("g=" + record).filesize, size) << record;
}

// File records: the source path is the key's title part, the target name defaults to its file
// name, and the write time parses or is 0.
TEST(ConfigRecordsTest, Files) {
  const orvane::TFileRecord f = orvane::ParseFileLine(
      "C:\\打包\\bin\\vqpos.exe;subfolder_id:0;=app_id:1001;group_id:11;subfolder_id:0;src_file:C:\\打包\\bin\\vqpos.exe;"
      "dst_filename:;dst_path:<app_path>\\bin;updata_path:bin;tag_updata:1;tag_replace:2;tag_register:0;"
      "tag_service:0;tag_uninstall:1;src_file_size:10;filesize:10;filemd5:0123456789abcdef0123456789abcdef;"
      "lastwritetime:2020-07-17 09:05:03;");
  EXPECT_EQ(f.sourcePath, "C:\\打包\\bin\\vqpos.exe");
  EXPECT_EQ(f.TargetFileName(), "vqpos.exe");
  EXPECT_EQ(f.dst_path, "<app_path>\\bin");
  EXPECT_EQ(f.updata_path, "bin");
  EXPECT_TRUE(f.tag_updata);
  EXPECT_EQ(f.tag_replace, "2");
  EXPECT_TRUE(f.tag_uninstall);
  EXPECT_DOUBLE_EQ(f.lastwritetime, *orvane::EncodeDateTime({2020, 7, 17, 9, 5, 3, 0}));

  const orvane::TFileRecord renamed =
      orvane::ParseFileLine("C:\\a\\b.dll;subfolder_id:1;=dst_filename:c.dll;lastwritetime:2020-13-01 00:00:00;");
  EXPECT_EQ(renamed.TargetFileName(), "c.dll");
  EXPECT_EQ(renamed.lastwritetime, 0.0);
  EXPECT_FALSE(renamed.tag_uninstall);
  EXPECT_EQ(orvane::ParseFileLine("b.dll=").TargetFileName(), "b.dll");
}

// Shortcut records: target key, caption title, description and icon; addresses are links.
TEST(ConfigRecordsTest, Shortcuts) {
  const orvane::TShortcutRecord s =
      orvane::ParseShortcutLine("<app_path>vqpos.exe=<app_title>前台;desc:收银程序;icon_file:<app_path>pos.ico;");
  EXPECT_EQ(s.target, "<app_path>vqpos.exe");
  EXPECT_EQ(s.caption, "<app_title>前台");
  EXPECT_EQ(s.desc, "收银程序");
  EXPECT_EQ(s.icon_file, "<app_path>pos.ico");
  EXPECT_FALSE(s.IsUrl());
  const orvane::TShortcutRecord url = orvane::ParseShortcutLine("http://shop.velmora.example/=官网;");
  EXPECT_TRUE(url.IsUrl());
  EXPECT_EQ(url.caption, "官网");
  EXPECT_EQ(url.desc, "");
  EXPECT_EQ(url.icon_file, "");
}

// Pictures by extension, without case; slider names; path pieces of Windows texts.
TEST(ConfigRecordsTest, PicturesAndPathPieces) {
  const std::pair<const char*, bool> pictures[] = {
      {"C:\\img\\a.JPG", true}, {"b.png", true}, {"c.Bmp", true}, {"d.ico", true}, {"e.jpeg", false},
      {"f.gif", false},        {"jpg", false},  {"C:\\x.png\\y", false}, {"", false}};
  for (const auto& [path, picture] : pictures) EXPECT_EQ(orvane::IsPictureFile(path), picture) << path;
  EXPECT_EQ(orvane::SliderSectionName(""), "slider_imgs");
  EXPECT_EQ(orvane::SliderSectionName("uninst_"), "uninst_slider_imgs");
  EXPECT_EQ(orvane::SliderKeyName("uninst_", 3), "uninst_slider_img3");
  EXPECT_EQ(orvane::ExtractFileName("C:\\a\\b.c.txt"), "b.c.txt");
  EXPECT_EQ(orvane::ExtractFileName("C:name"), "name");
  EXPECT_EQ(orvane::ExtractFileName("noseparator"), "noseparator");
  EXPECT_EQ(orvane::ExtractFileExt("C:\\a.d\\b"), "");
  EXPECT_EQ(orvane::ExtractFileExt("b.c.TXT"), ".TXT");
}

}  // namespace
