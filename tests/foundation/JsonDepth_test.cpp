#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "foundation/JSONHelperUtil.h"
#include "foundation/JsonDepth.h"
#include "support/MemDataset.h"
#include "support/TestRecords.h"

namespace {

using tessaly::kJsonMaxDepth;
using tessaly::TJSONHelper;

std::string Nested(std::size_t depth) { return std::string(depth, '[') + std::string(depth, ']'); }

// Nesting counts arrays and objects alike, up to the limit and not one level more; brackets
// inside strings, escaped quotes included, are text and do not count.
TEST(JsonDepth, CountsBracketsOutsideStrings) {
  const std::size_t limit = kJsonMaxDepth;
  struct Case {
    std::string text;
    bool within;
  } cases[] = {
      {Nested(limit), true},
      {Nested(limit + 1), false},
      {"{\"a\":" + Nested(limit - 1) + "}", true},
      {"{\"a\":" + Nested(limit) + "}", false},
      {"[\"" + std::string(2000, '[') + "\"]", true},
      {"[\"\\\"" + std::string(2000, '{') + "\"]", true},
      {std::string(2000, ']') + "[]", true},
      {"", true},
  };
  for (const auto& c : cases) EXPECT_EQ(tessaly::JsonDepthWithinLimit(c.text), c.within) << c.text.substr(0, 40);
}

// Every JSON helper that reads outside text refuses a text nested 200,000 deep the way it
// refuses a text that is no JSON, instead of overflowing the stack.
TEST(JsonDepth, HelpersRefuseDeepTexts) {
  const std::string deep = "{\"a\":" + Nested(200000) + ",\"b\":\"x\"}";
  std::string erro;
  EXPECT_EQ(TJSONHelper::AnsiJSON(deep), deep);
  EXPECT_EQ(TJSONHelper::FormatJSON(deep, "  "), deep);
  EXPECT_EQ(TJSONHelper::JSONValue(deep, "a", "def", 0), "def");
  EXPECT_EQ(TJSONHelper::JSONValue(deep, "b", "def", 1), "def");
  EXPECT_EQ(TJSONHelper::JSONAddObject("{}", "x", deep), "{}");
  EXPECT_EQ(TJSONHelper::JSONAddObject(deep, "x", "{}"), deep);
  EXPECT_EQ(TJSONHelper::JSON2Code(deep, "T", "", 0, ""), "ERRO: JSON nested deeper than 512 levels");
  EXPECT_EQ(TJSONHelper::JSONToObject("{\"type\":\"TTestOrder\",\"id\":1,\"fields\":" + deep + "}", erro), nullptr);
  EXPECT_EQ(erro, "JSON nested deeper than 512 levels");

  vqtest::MemDataset table;
  erro.clear();
  EXPECT_FALSE(TJSONHelper::JSONToData("{\"rows\":[" + deep + "]}", "rows", table, erro));
  EXPECT_EQ(erro, "JSON nested deeper than 512 levels");

  vqtest::TTestOrder order;
  EXPECT_FALSE(tessaly::ReadVqObject("{\"softid\":1,\"x\":" + Nested(200000) + "}", order, erro));
  EXPECT_EQ(erro, "JSON nested deeper than 512 levels");
}

// Texts at the limit still read.
TEST(JsonDepth, HelpersReadTextsAtTheLimit) {
  const std::string atLimit = "{\"a\":" + Nested(kJsonMaxDepth - 1) + "}";
  EXPECT_EQ(TJSONHelper::JSONValue(atLimit, "a", "def", 0), Nested(kJsonMaxDepth - 1));
  vqtest::TTestOrder order;
  std::string erro;
  EXPECT_TRUE(tessaly::ReadVqObject("{\"softid\":7,\"x\":" + Nested(kJsonMaxDepth - 1) + "}", order, erro)) << erro;
  EXPECT_EQ(order.softid, 7);
}

}  // namespace
