#include "setup/core/TagValue.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Reading fields: the value up to the next terminator, the title part for an empty or missing
// name, case-sensitive plain substring search.
TEST(TagValueTest, GetTagValue) {
  struct Case {
    std::string record;
    std::string name;
    char terminator;
    std::string expected;
  };
  const Case cases[] = {
      {"前台;can_select:1;setup:0;item_group:门店;", "setup:", ';', "0"},
      {"前台;can_select:1;setup:0;item_group:门店;", "item_group:", ';', "门店"},
      {"前台;can_select:1;setup:0", "setup:", ';', "0"},
      {"前台;can_select:1;setup:", "setup:", ';', ""},
      {"前台;can_select:1;", "item_desc:", ';', "前台"},
      {"前台;can_select:1;", "", ';', "前台"},
      {"C:\\src\\a.dll;subfolder_id:0;", "", ';', "C:\\src\\a.dll"},
      {"no terminator at all", "", ';', "no terminator at all"},
      {"no terminator at all", "missing:", ';', "no terminator at all"},
      {"title;Setup:1;", "setup:", ';', "title"},
      {";setup:1;", "", ';', ""},
      {"", "setup:", ';', ""},
      {"desc:a;icon_file:b;", "desc:", ';', "a"},
      // The search is a plain substring search: "setup:" inside another field's name is found first.
      {"title;can_setup:x;setup:1;", "setup:", ';', "x"},
      {"a=1,b=2,c=3", "b=", ',', "2"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(orvane::GetTagValue(c.record, c.name, c.terminator), c.expected) << c.record << " / " << c.name;
}

// Setting fields: only the value changes in place; a missing field is added at the end (no
// terminator after it) or, for an empty name, in front.
TEST(TagValueTest, SetTagValue) {
  struct Case {
    std::string record;
    std::string name;
    std::string value;
    std::string expected;
  };
  const Case cases[] = {
      {"前台;can_select:1;setup:1;item_group:门店;", "setup:", "0", "前台;can_select:1;setup:0;item_group:门店;"},
      {"前台;can_select:1;setup:1", "setup:", "0", "前台;can_select:1;setup:0"},
      {"前台;can_select:1;setup:;x:1;", "setup:", "10", "前台;can_select:1;setup:10;x:1;"},
      {"前台;can_select:1;", "setup:", "0", "前台;can_select:1;;setup:0"},
      {"前台;can_select:1", "setup:", "0", "前台;can_select:1;setup:0"},
      {"", "setup:", "1", ";setup:1"},
      {"can_select:1;", "", "标题", "标题;can_select:1;"},
      {"a;setup:1;b;c;", "setup:", "", "a;setup:;b;c;"},
  };
  for (const Case& c : cases) {
    const std::string set = orvane::SetTagValue(c.record, c.name, ';', c.value);
    EXPECT_EQ(set, c.expected) << c.record << " / " << c.name;
    if (!c.name.empty()) {
      EXPECT_EQ(orvane::GetTagValue(set, c.name, ';'), c.value) << set;
    }
  }
}

// Flags are true only for exactly "1".
TEST(TagValueTest, Flags) {
  const std::pair<const char*, bool> cases[] = {{"1", true}, {"0", false}, {"", false}, {"true", false},
                                                {"01", false}, {"1 ", false}, {"2", false}};
  for (const auto& [text, flag] : cases) EXPECT_EQ(orvane::IsFlagSet(text), flag) << text;
}

}  // namespace
