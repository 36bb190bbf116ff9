#include "platform/TextLines.h"

#include <gtest/gtest.h>

namespace {

using Lines = std::vector<std::string>;

// CR LF, lone CR and lone LF each end one line; a break at the end adds no empty line.
TEST(TextLines, SplitsAtEveryBreakKind) {
  struct Case {
    const char* text;
    Lines lines;
  } cases[] = {
      {"", {}},
      {"one", {"one"}},
      {"a\r\nb\nc\rd", {"a", "b", "c", "d"}},
      {"a\r\n", {"a"}},
      {"a\n\r", {"a", ""}},
      {"\r\n\r\n", {"", ""}},
      {"a\r\rb", {"a", "", "b"}},
  };
  for (const auto& c : cases) EXPECT_EQ(platform::SplitTextLines(c.text), c.lines) << c.text;
}

}  // namespace
