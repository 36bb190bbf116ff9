#include "platform/Profile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "platform/TextCodec.h"
#include "support/TempDir.h"

namespace {

using platform::GetPrivateProfileString;
using platform::WritePrivateProfileString;

// Reads follow the Windows rules: names without case, first match wins, trimmed values, quotes
// dropped, defaults for anything missing.
TEST(Profile, ReadsByTheWindowsRules) {
  vqtest::TempDir dir;
  const std::string file = dir.file("a.ini");
  vqtest::WriteFileBytes(file,
                         "top=ignored\r\n"
                         "[Login]\r\n"
                         "  User  =  张三  \r\n"
                         "user=second\r\n"
                         "Quoted=\" padded \"\r\n"
                         "Single='x'\r\n"
                         "Half=\"x\r\n"
                         "Empty=\r\n"
                         "Eq=a=b\r\n"
                         "[ login ]\r\n"
                         "Other=later section\r\n"
                         "[Next]\n"
                         "User=next");
  struct Case {
    const char* section;
    const char* key;
    const char* expected;
  } cases[] = {
      {"LOGIN", "USER", "张三"},  {"Login", "Quoted", " padded "}, {"Login", "Single", "x"},
      {"Login", "Half", "\"x"},   {"Login", "Empty", ""},          {"Login", "Eq", "a=b"},
      {"Login", "Other", "def"},  {"Next", "user", "next"},        {"Missing", "User", "def"},
      {"Login", "top", "def"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(GetPrivateProfileString(c.section, c.key, "def", file), c.expected) << c.section << "/" << c.key;
  EXPECT_EQ(GetPrivateProfileString("Login", "User", "def", dir.file("none.ini")), "def");
  EXPECT_EQ(platform::GetPrivateProfileKeys("login", file),
            (std::vector<std::string>{"User", "user", "Quoted", "Single", "Half", "Empty", "Eq"}));
}

// A write changes one line (or adds one) and keeps every other byte.
TEST(Profile, WritesChangeOnlyTheirLine) {
  const std::string original =
      "; comment kept\r\n"
      "[A]\r\n"
      "  Key = old  \r\n"
      "key=second\r\n"
      "\r\n"
      "[B]\r\n"
      "x=1\r\n"
      "\r\n"
      "\r\n"
      "[C]\r\n"
      "y=2";
  struct Case {
    const char* name;
    const char* section;
    const char* key;
    const char* value;
    std::string expected;
  } cases[] = {
      {"replace first match", "a", "KEY", "new",
       "; comment kept\r\n[A]\r\nKEY=new\r\nkey=second\r\n\r\n[B]\r\nx=1\r\n\r\n\r\n[C]\r\ny=2"},
      {"append key after last filled line", "B", "z", "3",
       "; comment kept\r\n[A]\r\n  Key = old  \r\nkey=second\r\n\r\n[B]\r\nx=1\r\nz=3\r\n\r\n\r\n[C]\r\ny=2"},
      {"append key to last section without line end", "C", "z", "3",
       "; comment kept\r\n[A]\r\n  Key = old  \r\nkey=second\r\n\r\n[B]\r\nx=1\r\n\r\n\r\n[C]\r\ny=2\r\nz=3\r\n"},
      {"append section", "New", "k", "值",
       original + "\r\n[New]\r\nk=值\r\n"},
  };
  for (const Case& c : cases) {
    vqtest::TempDir dir;
    const std::string file = dir.file("a.ini");
    vqtest::WriteFileBytes(file, original);
    ASSERT_TRUE(WritePrivateProfileString(c.section, c.key, c.value, file)) << c.name;
    EXPECT_EQ(vqtest::ReadFileBytes(file), c.expected) << c.name;
    EXPECT_EQ(GetPrivateProfileString(c.section, c.key, "def", file), c.value) << c.name;
  }
}

// New files get CR LF; a file with bare LF keeps LF for its new lines.
TEST(Profile, NewLinesFollowTheFile) {
  vqtest::TempDir dir;
  ASSERT_TRUE(WritePrivateProfileString("S", "k", "v", dir.file("new.ini")));
  EXPECT_EQ(vqtest::ReadFileBytes(dir.file("new.ini")), "[S]\r\nk=v\r\n");
  vqtest::WriteFileBytes(dir.file("lf.ini"), "[S]\nk=v\n");
  ASSERT_TRUE(WritePrivateProfileString("S", "j", "w", dir.file("lf.ini")));
  EXPECT_EQ(vqtest::ReadFileBytes(dir.file("lf.ini")), "[S]\nk=v\nj=w\n");
}

// A byte-order mark is read past and kept; a code page 936 file is read and stays one.
TEST(Profile, KeepsTheFileEncoding) {
  vqtest::TempDir dir;
  const std::string bom = dir.file("bom.ini");
  vqtest::WriteFileBytes(bom, "\xEF\xBB\xBF[S]\r\nk=中文\r\n");
  EXPECT_EQ(GetPrivateProfileString("S", "k", "", bom), "中文");
  ASSERT_TRUE(WritePrivateProfileString("S", "k", "新", bom));
  EXPECT_EQ(vqtest::ReadFileBytes(bom), "\xEF\xBB\xBF[S]\r\nk=新\r\n");

  const std::string gbk = dir.file("gbk.ini");
  const std::string other = platform::Utf8ToCp936("名称=门店[一]\r\n");
  vqtest::WriteFileBytes(gbk, "[S]\r\n" + other + platform::Utf8ToCp936("k=旧\r\n"));
  EXPECT_EQ(GetPrivateProfileString("S", "名称", "", gbk), "门店[一]");
  ASSERT_TRUE(WritePrivateProfileString("S", "k", "新值", gbk));
  EXPECT_EQ(vqtest::ReadFileBytes(gbk), "[S]\r\n" + other + platform::Utf8ToCp936("k=新值\r\n"));
  EXPECT_EQ(GetPrivateProfileString("S", "k", "", gbk), "新值");
}

// A read-only file or a missing folder refuses the write and nothing changes or appears.
TEST(Profile, RefusedWritesLeaveEverythingAsItWas) {
  vqtest::TempDir dir;
  const std::string file = dir.file("ro.ini");
  vqtest::WriteFileBytes(file, "[S]\r\nk=v\r\n");
  ASSERT_EQ(::chmod(file.c_str(), 0444), 0);
  EXPECT_FALSE(WritePrivateProfileString("S", "k", "changed", file));
  EXPECT_EQ(vqtest::ReadFileBytes(file), "[S]\r\nk=v\r\n");
  EXPECT_FALSE(WritePrivateProfileString("S", "k", "v", dir.file("missing/x.ini")));
  std::size_t entries = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++entries;
  EXPECT_EQ(entries, 1u);  // no temporary file left behind
}

// A written file keeps its permission bits.
TEST(Profile, KeepsPermissions) {
  vqtest::TempDir dir;
  const std::string file = dir.file("p.ini");
  vqtest::WriteFileBytes(file, "[S]\r\n");
  ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
  ASSERT_TRUE(WritePrivateProfileString("S", "k", "v", file));
  struct stat st {};
  ASSERT_EQ(::stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
}

// The ANSI calls take every file as code page 936: bytes that happen to be valid UTF-8 are still
// GBK, and a new file is written in GBK.
TEST(Profile, AnsiCallsReadAndWriteGbk) {
  using platform::ProfileCodePage;
  vqtest::TempDir dir;
  const std::string ambiguous = dir.file("amb.ini");
  // The GBK bytes of 脛 (C3 A4) are also valid UTF-8 ("ä").
  const std::string gbkValue = platform::Utf8ToCp936("脛");
  vqtest::WriteFileBytes(ambiguous, "[S]\r\nk=" + gbkValue + "\r\n");
  ASSERT_TRUE(platform::IsValidUtf8(gbkValue));
  EXPECT_EQ(GetPrivateProfileString("S", "k", "", ambiguous, ProfileCodePage::Ansi), "脛");
  EXPECT_NE(GetPrivateProfileString("S", "k", "", ambiguous), "脛");

  const std::string fresh = dir.file("new.ini");
  ASSERT_TRUE(WritePrivateProfileString("节", "键", "值", fresh, ProfileCodePage::Ansi));
  EXPECT_EQ(vqtest::ReadFileBytes(fresh), platform::Utf8ToCp936("[节]\r\n键=值\r\n"));
  EXPECT_EQ(GetPrivateProfileString("节", "键", "", fresh, ProfileCodePage::Ansi), "值");
  EXPECT_EQ(platform::GetPrivateProfileSectionNames(fresh, ProfileCodePage::Ansi),
            std::vector<std::string>{"节"});
}

// Section names and a section's lines come in file order; deleting a key or a section touches only the first match
// and keeps every other line; nothing to delete leaves a missing file missing.
TEST(Profile, ListsSectionsAndDeletes) {
  vqtest::TempDir dir;
  const std::string file = dir.file("d.ini");
  const std::string original =
      "; head\r\n[A]\r\nk=1\r\nK=2\r\nj=3\r\n[ b ]\r\nx=1\r\n\r\n[A]\r\nk=9\r\n[C]\r\ny=2";
  vqtest::WriteFileBytes(file, original);
  EXPECT_EQ(platform::GetPrivateProfileSectionNames(file),
            (std::vector<std::string>{"A", "b", "A", "C"}));
  using Pairs = std::vector<std::pair<std::string, std::string>>;
  EXPECT_EQ(platform::GetPrivateProfileSection("a", file), (Pairs{{"k", "1"}, {"K", "2"}, {"j", "3"}}));
  EXPECT_EQ(platform::GetPrivateProfileSection("none", file), Pairs{});

  ASSERT_TRUE(platform::DeletePrivateProfileKey("a", "K", file));
  EXPECT_EQ(vqtest::ReadFileBytes(file),
            "; head\r\n[A]\r\nK=2\r\nj=3\r\n[ b ]\r\nx=1\r\n\r\n[A]\r\nk=9\r\n[C]\r\ny=2");
  EXPECT_EQ(GetPrivateProfileString("A", "k", "def", file), "2");
  ASSERT_TRUE(platform::DeletePrivateProfileKey("A", "missing", file));
  ASSERT_TRUE(platform::DeletePrivateProfileKey("Missing", "k", file));

  ASSERT_TRUE(platform::DeletePrivateProfileSection("B", file));
  EXPECT_EQ(vqtest::ReadFileBytes(file), "; head\r\n[A]\r\nK=2\r\nj=3\r\n[A]\r\nk=9\r\n[C]\r\ny=2");
  ASSERT_TRUE(platform::DeletePrivateProfileSection("c", file));
  EXPECT_EQ(vqtest::ReadFileBytes(file), "; head\r\n[A]\r\nK=2\r\nj=3\r\n[A]\r\nk=9\r\n");

  EXPECT_TRUE(platform::DeletePrivateProfileSection("A", dir.file("none.ini")));
  EXPECT_TRUE(platform::DeletePrivateProfileKey("A", "k", dir.file("none.ini")));
  EXPECT_FALSE(std::filesystem::exists(dir.file("none.ini")));

  ASSERT_EQ(::chmod(file.c_str(), 0444), 0);
  EXPECT_FALSE(platform::DeletePrivateProfileSection("A", file));
  EXPECT_FALSE(platform::DeletePrivateProfileKey("A", "j", file));
}

}  // namespace
