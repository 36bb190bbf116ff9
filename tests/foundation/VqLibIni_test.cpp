#include <gtest/gtest.h>
#include <sys/stat.h>

#include "foundation/DateTime.h"
#include "foundation/VqLibUtil.h"
#include "support/MachineRootFixture.h"

namespace {

using namespace tessaly;

// Which file each INI name reaches: the program's Tessaly.ini, a file in the program folder,
// or the path as given (host or Windows form).
TEST(VqLibIni, FileNameRule) {
  vqtest::MachineRootFixture machine;
  const std::string dir = machine.programDir();
  vqtest::TempDir elsewhere;
  struct Case {
    std::string name;
    std::string file;
  } cases[] = {
      {"", dir + "Tessaly.ini"},
      {"other.ini", dir + "other.ini"},
      {elsewhere.file("full.ini"), elsewhere.file("full.ini")},
      {"C:\\ProgramData\\Vq.ini", machine.root() + "/drive_c/ProgramData/Vq.ini"},
  };
  for (const Case& c : cases) {
    vqtest::WriteFileBytes(c.file, "[SPFClient]\r\nWhere=" + c.file + "\r\n");
    EXPECT_EQ(TvqLib::IniRead("SPFClient", "Where", "none", c.name), c.file) << "'" << c.name << "'";
  }
}

// Values of every kind are written in their text form and read back as texts.
TEST(VqLibIni, WritesTheTextFormOfEachKind) {
  vqtest::MachineRootFixture machine;
  struct Case {
    const char* key;
    TvqLib::TVariantText value;
    const char* text;
  } cases[] = {
      {"Int", 42, "42"},          {"Neg", -7L, "-7"},           {"On", true, "True"},
      {"Off", false, "False"},    {"Real", 1.5, "1.5"},         {"Text", "张三 ", "张三"},
      {"Str", std::string("x"), "x"},
  };
  for (const Case& c : cases) {
    EXPECT_TRUE(TvqLib::IniWrite("S", c.key, c.value));
    EXPECT_EQ(TvqLib::IniRead("S", c.key, "def"), c.text) << c.key;
  }
  EXPECT_EQ(TvqLib::IniRead("S", "Missing", 500), "500");
  EXPECT_EQ(TvqLib::IniRead("S", "Missing", false), "False");
}

// Floats are written in the programs' one general form: no "E+" or zero-padded exponents, plain
// decimals down to 1E-5.
TEST(VqLibIni, WritesFloatsInTheGeneralForm) {
  vqtest::MachineRootFixture machine;
  struct Case {
    const char* key;
    double value;
    const char* text;
  } cases[] = {
      {"Big", 1e20, "1E20"}, {"Small", 1e-5, "0.00001"}, {"Tenth", 0.1, "0.1"},
      {"Half", 12.5, "12.5"}, {"Tiny", 1.5e-7, "1.5E-7"},
  };
  for (const Case& c : cases) {
    EXPECT_TRUE(TvqLib::IniWrite("F", c.key, c.value));
    EXPECT_EQ(TvqLib::IniRead("F", c.key, "def"), c.text) << c.key;
  }
}

// A read-only settings file still gives True and keeps its contents.
TEST(VqLibIni, WriteToReadOnlyFileGivesTrueAndChangesNothing) {
  vqtest::MachineRootFixture machine;
  const std::string file = machine.programDir() + "Tessaly.ini";
  vqtest::WriteFileBytes(file, "[Login]\r\nUser=a\r\n");
  ASSERT_EQ(chmod(file.c_str(), 0444), 0);
  EXPECT_TRUE(TvqLib::IniWrite("Login", "User", "b"));
  EXPECT_EQ(vqtest::ReadFileBytes(file), "[Login]\r\nUser=a\r\n");
  EXPECT_TRUE(TvqLib::IniWrite("Login", "User", "b", machine.root() + "/no/such/folder/x.ini"));
}

// A stored date-time is parsed; a missing or broken one gives the default.
TEST(VqLibIni, ReadsDateTimes) {
  vqtest::MachineRootFixture machine;
  ASSERT_TRUE(TvqLib::IniWrite("T", "At", "2020-03-05 14:07:09"));
  ASSERT_TRUE(TvqLib::IniWrite("T", "Bad", "2020-13-45"));
  const TDateTime def = EncodeDate(2001, 1, 1);
  EXPECT_EQ(TvqLib::IniReadDateTime("T", "At", def), EncodeDate(2020, 3, 5) + EncodeTime(14, 7, 9, 0));
  EXPECT_EQ(TvqLib::IniReadDateTime("T", "Bad", def), def);
  EXPECT_EQ(TvqLib::IniReadDateTime("T", "Missing", def), def);
}

}  // namespace
