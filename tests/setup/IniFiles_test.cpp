#include "setup/core/IniFiles.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "platform/TextCodec.h"
#include "setup/core/SetupDateTime.h"
#include "support/TempDir.h"

namespace {

using orvane::TIniFile;

std::string Gbk(const std::string& utf8) { return platform::Utf8ToCp936(utf8); }

// Reads of a GBK file: names without case, the first of two equal keys wins everywhere, missing
// things give the default, and key and section lists come complete in file order.
TEST(IniFilesTest, ReadsGbkFilesByTheProfileRules) {
  vqtest::TempDir dir;
  const std::string file = dir.file("vqinst.ini");
  vqtest::WriteFileBytes(file, Gbk("[Main]\r\nAppTitle=门店软件\r\napptitle=第二个\r\nAppId = 1001 \r\n"
                                   "[module]\r\nvqpos=前台;can_select:1;setup:1;\r\n[main]\r\nAppId=9\r\n"));
  TIniFile ini(file);
  EXPECT_EQ(ini.ReadString("MAIN", "APPTITLE", "d"), "门店软件");
  EXPECT_EQ(ini.ReadString("Main", "AppId", "d"), "1001");
  EXPECT_EQ(ini.ReadString("Main", "Missing", "默认"), "默认");
  EXPECT_EQ(ini.ReadString("Nothing", "AppId", ""), "");
  EXPECT_EQ(ini.ReadString("module", "VQPOS", ""), "前台;can_select:1;setup:1;");

  std::vector<std::string> list = {"stale"};
  ini.ReadSectionValues("main", list);
  EXPECT_EQ(list, (std::vector<std::string>{"AppTitle=门店软件", "apptitle=门店软件", "AppId=1001"}));
  ini.ReadSection("Main", list);
  EXPECT_EQ(list, (std::vector<std::string>{"AppTitle", "apptitle", "AppId"}));
  ini.ReadSections(list);
  EXPECT_EQ(list, (std::vector<std::string>{"Main", "module", "main"}));
  ini.ReadSection("none", list);
  EXPECT_TRUE(list.empty());

  TIniFile missing(dir.file("none.ini"));
  missing.ReadSections(list);
  EXPECT_TRUE(list.empty());
  EXPECT_EQ(missing.ReadString("a", "b", "c"), "c");
}

// A value is cut to 2047 GBK bytes, and never inside a two-byte character.
TEST(IniFilesTest, ValuesAreCutAt2047GbkBytes) {
  struct Case {
    std::string value;
    std::string expected;
  };
  const std::string a2045(2045, 'a');
  const Case cases[] = {
      {std::string(2047, 'a'), std::string(2047, 'a')},
      {std::string(2048, 'a'), std::string(2047, 'a')},
      {a2045 + "中", a2045 + "中"},
      {a2045 + "a中", a2045 + "a"},
      {a2045 + "中文", a2045 + "中"},
      {std::string(1100, 'b') + std::string(3000, 'c'), std::string(1100, 'b') + std::string(947, 'c')},
  };
  for (const Case& c : cases) {
    vqtest::TempDir dir;
    const std::string file = dir.file("long.ini");
    vqtest::WriteFileBytes(file, Gbk("[S]\r\nk=" + c.value + "\r\n"));
    TIniFile ini(file);
    EXPECT_EQ(ini.ReadString("S", "k", ""), c.expected) << c.value.size();
    std::vector<std::string> lines;
    ini.ReadSectionValues("S", lines);
    EXPECT_EQ(lines, std::vector<std::string>{"k=" + c.expected}) << c.value.size();
  }
}

// A section whose key names take far more than 16 KB is listed completely and in order.
TEST(IniFilesTest, ListsHugeSectionsCompletely) {
  vqtest::TempDir dir;
  const std::string file = dir.file("big.ini");
  std::string text = "[1_files]\r\n";
  for (int i = 0; i < 3000; ++i) text += "C:\\build\\files\\文件" + std::to_string(i) + ".dll;subfolder_id:0;=x\r\n";
  vqtest::WriteFileBytes(file, Gbk(text));
  TIniFile ini(file);
  std::vector<std::string> keys;
  ini.ReadSection("1_files", keys);
  ASSERT_EQ(keys.size(), 3000U);
  EXPECT_EQ(keys.front(), "C:\\build\\files\\文件0.dll;subfolder_id:0;");
  EXPECT_EQ(keys.back(), "C:\\build\\files\\文件2999.dll;subfolder_id:0;");
  std::vector<std::string> lines;
  ini.ReadSectionValues("1_files", lines);
  ASSERT_EQ(lines.size(), 3000U);
  EXPECT_EQ(lines[1234], "C:\\build\\files\\文件1234.dll;subfolder_id:0;=x");
}

// Typed reads: decimal, "0x" hexadecimal of more than two characters, defaults for the rest.
TEST(IniFilesTest, TypedReads) {
  struct Case {
    std::string value;
    int integer;
    bool boolean;
  };
  const Case cases[] = {
      {"12", 12, true},        {" 12 ", 12, true},      {"-7", -7, true},        {"+7", 7, true},
      {"0", 0, false},         {"0x1A", 26, true},      {"0X1a", 26, true},      {"0x", -1, true},
      {"0x0", 0, false},       {"0xFFFFFFFF", -1, true}, {"0x100000000", -1, true}, {"2147483647", 2147483647, true},
      {"2147483648", -1, true}, {"1.5", -1, true},      {"abc", -1, true},       {"", -1, true},
      {"12a", -1, true},       {"+-1", -1, true},       {"0xG", -1, true},
  };
  vqtest::TempDir dir;
  const std::string file = dir.file("t.ini");
  TIniFile ini(file);
  for (const Case& c : cases) {
    ini.WriteString("T", "v", c.value);
    EXPECT_EQ(ini.ReadInteger("T", "v", -1), c.integer) << c.value;
    EXPECT_EQ(ini.ReadBool("T", "v", true), c.boolean) << c.value;
  }
  EXPECT_EQ(ini.ReadInteger("T", "missing", 5), 5);
  EXPECT_FALSE(ini.ReadBool("T", "missing", false));
}

// Typed writes and their reads round-trip; unreadable dates and numbers give the default.
TEST(IniFilesTest, TypedWritesRoundTrip) {
  vqtest::TempDir dir;
  const std::string file = dir.file("w.ini");
  TIniFile ini(file);
  ini.WriteInteger("S", "i", -42);
  ini.WriteBool("S", "b", true);
  ini.WriteFloat("S", "f", 1.25);
  const orvane::TDateTime when = *orvane::EncodeDateTime({2020, 7, 17, 9, 5, 3, 0});
  ini.WriteDateTime("S", "dt", when);
  ini.WriteDate("S", "d", when);
  ini.WriteTime("S", "t", when);
  ini.WriteBinaryStream("S", "bin", std::string("\x00\xAB\x10", 3));
  EXPECT_EQ(vqtest::ReadFileBytes(file),
            "[S]\r\ni=-42\r\nb=1\r\nf=1.25\r\ndt=2020-07-17 09:05:03\r\nd=2020-07-17\r\nt=09:05:03\r\nbin=00AB10\r\n");
  EXPECT_EQ(ini.ReadInteger("S", "i", 0), -42);
  EXPECT_TRUE(ini.ReadBool("S", "b", false));
  EXPECT_DOUBLE_EQ(ini.ReadFloat("S", "f", 0), 1.25);
  EXPECT_DOUBLE_EQ(ini.ReadDateTime("S", "dt", 0), when);
  EXPECT_DOUBLE_EQ(ini.ReadDate("S", "d", 0), 44029.0);
  EXPECT_NEAR(ini.ReadTime("S", "t", 0), (9 * 3600 + 5 * 60 + 3) / 86400.0, 1e-9);
  std::string bytes;
  EXPECT_EQ(ini.ReadBinaryStream("S", "bin", bytes), 3U);
  EXPECT_EQ(bytes, std::string("\x00\xAB\x10", 3));

  ini.WriteString("S", "x", "ab1");
  EXPECT_EQ(ini.ReadBinaryStream("S", "x", bytes), 1U);  // odd last digit dropped
  ini.WriteString("S", "x", "00zz11");
  EXPECT_EQ(ini.ReadBinaryStream("S", "x", bytes), 1U);  // stops at the first bad pair
  ini.WriteString("S", "x", "2020-13-01");
  EXPECT_EQ(ini.ReadDate("S", "x", -1), -1);
  EXPECT_EQ(ini.ReadDateTime("S", "x", -1), -1);
  EXPECT_EQ(ini.ReadFloat("S", "x", -1), -1);
  EXPECT_EQ(ini.ReadFloat("S", "missing", 7.5), 7.5);
}

// A new file is written in GBK; a refused write or erasure throws with the file's name, a
// refused key deletion is silent.
TEST(IniFilesTest, WritesAndTheirFailures) {
  vqtest::TempDir dir;
  const std::string file = dir.file("Uninstall1001.dat");
  TIniFile ini(file);
  ini.WriteString("Main", "AppTitle", "门店软件");
  ini.WriteString("Other", "k", "v");
  EXPECT_EQ(vqtest::ReadFileBytes(file), Gbk("[Main]\r\nAppTitle=门店软件\r\n[Other]\r\nk=v\r\n"));
  ini.DeleteKey("main", "apptitle");
  ini.EraseSection("OTHER");
  EXPECT_EQ(vqtest::ReadFileBytes(file), "[Main]\r\n");

  const std::string bad = dir.file("missing/x.ini");
  TIniFile nowhere(bad);
  try {
    nowhere.WriteString("a", "b", "c");
    FAIL() << "no exception";
  } catch (const orvane::EIniFileException& e) {
    EXPECT_EQ(std::string(e.what()), "Unable to write to " + bad);
  }
  ASSERT_EQ(::chmod(file.c_str(), 0444), 0);
  EXPECT_THROW(ini.EraseSection("Main"), orvane::EIniFileException);
  EXPECT_THROW(ini.WriteString("Main", "k", "v"), orvane::EIniFileException);
  EXPECT_NO_THROW(ini.DeleteKey("Main", "k"));
}

}  // namespace
