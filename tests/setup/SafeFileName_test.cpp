#include "setup/core/SafeFileName.h"

#include <gtest/gtest.h>

namespace {

// Names from the configuration stay one component of their folder, or are refused whole.
TEST(SafeFileName, RefusesNamesThatLeaveTheirFolder) {
  struct Case {
    const char* name;
    bool safe;
  } cases[] = {
      {"Tessaly.exe", true}, {"同步 客户端.lnk", true}, {"a..b", true},   {"...", true}, {".hidden", true},
      {"", false},           {".", false},             {"..", false},    {"a/b", false}, {"/", false},
      {"..\\x", false},      {"a\\b", false},          {"C:x", false},   {":", false},   {"a\tb", false},
      {"../../etc", false},
  };
  for (const Case& c : cases) {
    const auto got = orvane::SafeFileName(c.name);
    EXPECT_EQ(got.has_value(), c.safe) << c.name;
    if (got) {
      EXPECT_EQ(*got, c.name);
    }
  }
  EXPECT_FALSE(orvane::SafeFileName(std::string_view("a\0b", 3)));
}

}  // namespace
