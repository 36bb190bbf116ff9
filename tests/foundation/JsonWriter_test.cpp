#include "foundation/JsonWriter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using tessaly::FormatJsonFloat;
using tessaly::JsonQuote;
using tessaly::TJsonArray;
using tessaly::TJsonEscape;
using tessaly::TJsonObject;
using tessaly::TJsonValue;

// Strings leave as pure ASCII: solidus, quote and backslash escaped, the short control escapes,
// other controls and every unit above 127 as upper-case \u, characters beyond the BMP as pairs.
TEST(JsonWriter, EscapesStringsToPureAscii) {
  struct Case {
    const char* text;
    const char* json;
  } cases[] = {
      {"", R"("")"},
      {"plain text 123", R"("plain text 123")"},
      {"a/b", R"("a\/b")"},
      {"say \"hi\"", R"("say \"hi\"")"},
      {"C:\\dir", R"("C:\\dir")"},
      {"\b\t\n\f\r", R"("\b\t\n\f\r")"},
      {"\x01|\x1f", R"("\u0001|\u001F")"},
      {"del\x7f", "\"del\x7f\""},  // 127 is not above 127: kept as it is
      {"\xc2\x80", R"("\u0080")"},
      {"caf\xc3\xa9", R"("caf\u00E9")"},
      {"中", R"("\u4E2D")"},
      {"/中/", R"("\/\u4E2D\/")"},
      {"\xf0\x9f\x98\x80", R"("\uD83D\uDE00")"},
  };
  for (const auto& c : cases) EXPECT_EQ(JsonQuote(c.text), c.json) << c.text;
}

// The display form keeps UTF-8 and escapes only the double quote.
TEST(JsonWriter, RawEscapeKeepsTextAndEscapesOnlyQuotes) {
  EXPECT_EQ(JsonQuote("a\"b/中\\", TJsonEscape::Raw), "\"a\\\"b/中\\\"");
}

// Numbers: shortest general form with at most 15 significant digits, '.' separator, exponent
// only from 1E15 up and below 1E-5; values without a JSON form give null.
TEST(JsonWriter, FormatsFloatsInTheGeneralForm) {
  struct Case {
    double value;
    const char* text;
  } cases[] = {
      {0.0, "0"},
      {-0.0, "0"},
      {1.0, "1"},
      {100.0, "100"},
      {-2.5, "-2.5"},
      {12.5, "12.5"},
      {0.1, "0.1"},
      {0.1 + 0.2, "0.3"},
      {1.0 / 3, "0.333333333333333"},
      {2.0 / 3, "0.666666666666667"},
      {1234.56789, "1234.56789"},
      {123456789012345.0, "123456789012345"},
      {999999999999999.0, "999999999999999"},
      {9999999999999999.0, "1E16"},
      {1e15, "1E15"},
      {1234567890123456.0, "1.23456789012346E15"},
      {1e20, "1E20"},
      {-1.5e300, "-1.5E300"},
      {0.00001, "0.00001"},
      {0.000012345, "0.000012345"},
      {0.000001, "1E-6"},
      {1.5e-7, "1.5E-7"},
      {-1e-10, "-1E-10"},
      {std::numeric_limits<double>::quiet_NaN(), "null"},
      {std::numeric_limits<double>::infinity(), "null"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatJsonFloat(c.value), c.text) << c.text;
}

// Trees are written compactly, members in the order they were added, integers exactly.
TEST(JsonWriter, WritesTreesCompactlyInInsertionOrder) {
  TJsonObject obj;
  obj.emplace_back("z", 1);
  obj.emplace_back("a", TJsonArray{true, false, nullptr, "x/y", 2.5});
  obj.emplace_back("big", std::numeric_limits<std::int64_t>::min());
  obj.emplace_back("ubig", std::numeric_limits<std::uint64_t>::max());
  obj.emplace_back("名", TJsonObject{});
  EXPECT_EQ(TJsonValue(obj).ToJSON(),
            R"({"z":1,"a":[true,false,null,"x\/y",2.5],"big":-9223372036854775808,)"
            R"("ubig":18446744073709551615,"\u540D":{}})");
}

}  // namespace
