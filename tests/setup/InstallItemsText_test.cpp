#include "setup/core/InstallItemsText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Profile.h"
#include "support/TempDir.h"

namespace {

using orvane::JoinCommaText;
using orvane::SplitCommaText;
using orvane::TLineList;

// Lines with blanks, quotes, commas and control characters are quoted so that reading gives
// them back; plain ones stay bare.
TEST(InstallItemsTextTest, JoinAndSplitTable) {
  const std::pair<TLineList, std::string> cases[] = {
      {{"a=1;setup:1;", "b=2;setup:0;"}, "a=1;setup:1;,b=2;setup:0;"},
      {{"a=同步 服务;setup:1;"}, "\"a=同步 服务;setup:1;\""},
      {{"q=\"x\";", "c=1,2"}, "\"q=\"\"x\"\";\",\"c=1,2\""},
      {{"t=\ttab"}, "\"t=\ttab\""},
      {{}, ""},
      {{""}, "\"\""},
      {{"a", ""}, "a,\"\""},
  };
  for (const auto& [lines, text] : cases) {
    EXPECT_EQ(JoinCommaText(lines), text);
    EXPECT_EQ(SplitCommaText(text), lines) << text;
  }
}

// Reading splits at blanks outside quotes too, skips blanks around items and keeps a trailing
// empty item; a NUL ends the text.
TEST(InstallItemsTextTest, SplitRules) {
  const std::pair<std::string, TLineList> cases[] = {
      {"a b,c", {"a", "b", "c"}},
      {"  a , b  ", {"a", "b"}},
      {"a,", {"a", ""}},
      {",a", {"", "a"}},
      {"\"un closed", {"un closed"}},
      {std::string("a,b\0c", 5), {"a", "b"}},
  };
  for (const auto& [text, lines] : cases) EXPECT_EQ(SplitCommaText(text), lines) << text;
}

// Through the profile functions, which strip one pair of enclosing quotes, a text whose first
// and last items are quoted comes back as written.
TEST(InstallItemsTextTest, SurvivesProfileQuoteStripping) {
  vqtest::TempDir dir;
  const std::string file = dir.file("mirror.dat");
  for (const std::string text : {"\"a b\",\"c d\"", "plain,text", "'x',y'", "\"a b\",c"}) {
    ASSERT_TRUE(platform::WritePrivateProfileString("Uninstall", "InstallItems", orvane::ProfileValueOf(text), file,
                                                    platform::ProfileCodePage::Ansi));
    EXPECT_EQ(platform::GetPrivateProfileString("Uninstall", "InstallItems", "", file, platform::ProfileCodePage::Ansi),
              text);
  }
}

}  // namespace
